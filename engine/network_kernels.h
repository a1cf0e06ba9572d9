// The network model's heavy loops (network_model.h), on 8-bit integers: activations as unsigned
// bytes, weights as signed bytes, sums in 32 bits. Each runs with the processor's 8-bit dot
// products where it has them (AVX-512 VNNI, else AVX-VNNI), with AVX2 where it has only that and
// with the build's baseline instructions elsewhere, chosen once at run time, so one program
// serves every x86 machine. Integer sums are exact: every path gives the same numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace engine::kernels {

enum class Instructions : std::uint8_t { plain, avx2, avxVnni, avx512Vnni };
const char* name(Instructions instructions);
// Whether this processor (and this build) can run them.
bool supported(Instructions instructions);
// The ones the kernels use: the best supported, unless chosen below.
Instructions instructions();
// For tests and benchmarks, before any recognition runs: the kernels use these from now on.
// False, and nothing changes, when they are not supported.
bool choose(Instructions instructions);

// Output channels per block of packed convolution weights, and the output cells that a
// convolution computes together.
constexpr int kRowBlock = 16;
constexpr int kCellTile = 6;
constexpr int roundUp(int value, int multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// A convolution's 3 x 3 weights as the model file holds them (per output, per input channel,
// its rows of three) laid out for convolve(): outputs padded to a whole number of row blocks,
// inputs to a multiple of 4, the padding zero.
std::vector<std::int8_t> packConvolution(const std::int8_t* weights, int outputs, int inputs);

// A 3 x 3 convolution over an image of side x side cells, as 32-bit sums. `image` holds
// (side + 2) x (side + 2) cells in rows, each cell `channels` bytes (the packed inputs, a
// multiple of 4), the outermost ring the padding; `packed` from packConvolution with `rows`
// outputs (its padded count). out[cell * rows + r] for every cell in row order; `out` has room
// for roundUp(side * side, kCellTile) cells, whatever lands after the last cell is not used.
void convolve(const std::uint8_t* image, int side, int channels, const std::int8_t* packed,
              int rows, std::int32_t* out);

// out[r] = the sum over k < depth of weights[r * stride + k] * x[k], for r < rows.
void dot(const std::int8_t* weights, std::size_t stride, const std::uint8_t* x, int rows, int depth,
         std::int32_t* out);

}  // namespace engine::kernels
