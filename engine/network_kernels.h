// The network model's heavy loops (network_model.h). Each runs with AVX2 and FMA where the
// processor has them and with the build's baseline instructions elsewhere, chosen once at run
// time, so one program serves every x86 machine.
#pragma once

#include <cstdint>

namespace engine::kernels {

// out (rows x columns) = bias per row + a (rows x depth) times b (depth x columns), all
// row-major.
void multiply(const float* a, const float* b, const float* bias, float* out, int rows, int depth,
              int columns);

// out[r] = bias[r] + scales[r] * (weights row r . x), weights (rows x depth) as 8-bit integers.
void multiplyQuantized(const std::int8_t* weights, const float* scales, const float* bias,
                       const float* x, float* out, int rows, int depth);

}  // namespace engine::kernels
