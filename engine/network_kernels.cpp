#include "engine/network_kernels.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HAVE_WIDE_KERNELS 1
#endif

namespace engine::kernels {
namespace {

// What a convolution's kernels share: the image, where each of the six cells of a tile starts
// (the top left of its 3 x 3 window) and, per step of four input channels, where those four
// bytes lie from there (offsets[k]); the weights of step k of a row block are the 64 bytes at
// k * 64 (packConvolution).
struct Convolution {
    const std::uint8_t* image;
    int side;
    int channels;
    int steps;  // 9 * channels / 4
    const std::int8_t* packed;
    std::size_t blockBytes;  // one row block's weights
    int rows;
    std::int32_t* out;
    const std::uint32_t* offsets;
    // The cells from `first` on, the last repeated past the end.
    void tile(int first, const std::uint8_t* cells[kCellTile]) const {
        const int area = side * side;
        for (int n = 0; n < kCellTile; ++n) {
            const int cell = first + n < area ? first + n : area - 1;
            cells[n] = image + (static_cast<std::size_t>(cell / side) * (side + 2) + cell % side) *
                                   static_cast<std::size_t>(channels);
        }
    }
};

inline std::int32_t four(const std::uint8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void convolvePlain(const Convolution& c) {
    const int area = c.side * c.side;
    for (int first = 0; first < area; first += kCellTile) {
        const std::uint8_t* cells[kCellTile];
        c.tile(first, cells);
        for (int n = 0; n < kCellTile && first + n < area; ++n)
            for (int block = 0; block < c.rows / kRowBlock; ++block) {
                // Per output, its four products of each step summed apart, in 16 bits (a byte
                // times a signed byte fits), as the compiler's vectors like it.
                std::int32_t lanes[4 * kRowBlock] = {};
                const std::int8_t* w = c.packed + block * c.blockBytes;
                for (int k = 0; k < c.steps; ++k, w += 4 * kRowBlock) {
                    const std::uint8_t* a = cells[n] + c.offsets[k];
                    std::int16_t repeated[4 * kRowBlock];
                    for (int i = 0; i < 4 * kRowBlock; i += 4)
                        for (int j = 0; j < 4; ++j) repeated[i + j] = a[j];
                    for (int i = 0; i < 4 * kRowBlock; ++i)
                        lanes[i] += static_cast<std::int16_t>(w[i] * repeated[i]);
                }
                std::int32_t* out =
                    c.out + static_cast<std::size_t>(first + n) * c.rows + block * kRowBlock;
                for (int r = 0; r < kRowBlock; ++r)
                    out[r] = lanes[4 * r] + lanes[4 * r + 1] + lanes[4 * r + 2] + lanes[4 * r + 3];
            }
    }
}

void dotPlain(const std::int8_t* weights, std::size_t stride, const std::uint8_t* x, int rows,
              int depth, std::int32_t* out) {
    for (int r = 0; r < rows; ++r) {
        const std::int8_t* w = weights + r * stride;
        std::int32_t sum = 0;
        for (int k = 0; k < depth; ++k) sum += w[k] * x[k];
        out[r] = sum;
    }
}

#ifdef HAVE_WIDE_KERNELS
#define AVX512_VNNI __attribute__((target("avx512f,avx512bw,avx512vnni")))
#define AVX_VNNI __attribute__((target("avx2,avxvnni")))
#define AVX2 __attribute__((target("avx2")))
#define INLINE inline __attribute__((always_inline))

// Six cells against `kVectors` x 16 outputs: each step broadcasts four input bytes of a cell
// and multiplies them into 16 outputs' four weights at once (vpdpbusd: unsigned bytes times
// signed bytes, four products summed into each 32-bit lane), so the sums stay in 24 registers
// while the steps are walked and every weight loaded serves six cells.
template <int kVectors>
AVX512_VNNI INLINE void convolveTile512(const Convolution& c, const std::uint8_t* const* cells,
                                        const std::int8_t* w, std::int32_t* out) {
    __m512i sum[kVectors][kCellTile];
    for (auto& v : sum)
        for (auto& s : v) s = _mm512_setzero_si512();
    for (int k = 0; k < c.steps; ++k, w += 4 * kRowBlock) {
        __m512i weights[kVectors];
        for (int v = 0; v < kVectors; ++v) weights[v] = _mm512_loadu_si512(w + v * c.blockBytes);
        const std::uint32_t offset = c.offsets[k];
        for (int n = 0; n < kCellTile; ++n) {
            const __m512i x = _mm512_set1_epi32(four(cells[n] + offset));
            for (int v = 0; v < kVectors; ++v)
                sum[v][n] = _mm512_dpbusd_epi32(sum[v][n], x, weights[v]);
        }
    }
    for (int n = 0; n < kCellTile; ++n)
        for (int v = 0; v < kVectors; ++v)
            _mm512_storeu_si512(out + static_cast<std::size_t>(n) * c.rows + v * kRowBlock,
                                sum[v][n]);
}

AVX512_VNNI void convolve512(const Convolution& c) {
    const int area = c.side * c.side, blocks = c.rows / kRowBlock;
    for (int first = 0; first < area; first += kCellTile) {
        const std::uint8_t* cells[kCellTile];
        c.tile(first, cells);
        std::int32_t* out = c.out + static_cast<std::size_t>(first) * c.rows;
        int block = 0;
        for (; block + 4 <= blocks; block += 4)
            convolveTile512<4>(c, cells, c.packed + block * c.blockBytes, out + block * kRowBlock);
        const std::int8_t* w = c.packed + block * c.blockBytes;
        switch (blocks - block) {
            case 3:
                convolveTile512<3>(c, cells, w, out + block * kRowBlock);
                break;
            case 2:
                convolveTile512<2>(c, cells, w, out + block * kRowBlock);
                break;
            case 1:
                convolveTile512<1>(c, cells, w, out + block * kRowBlock);
                break;
        }
    }
}

// The same with 256-bit registers (16 of them): one row block, two vectors of eight outputs,
// against the six cells.
AVX_VNNI void convolveVnni(const Convolution& c) {
    const int area = c.side * c.side, blocks = c.rows / kRowBlock;
    for (int first = 0; first < area; first += kCellTile) {
        const std::uint8_t* cells[kCellTile];
        c.tile(first, cells);
        for (int block = 0; block < blocks; ++block) {
            __m256i sum[2][kCellTile];
            for (auto& v : sum)
                for (auto& s : v) s = _mm256_setzero_si256();
            const std::int8_t* w = c.packed + block * c.blockBytes;
            for (int k = 0; k < c.steps; ++k, w += 4 * kRowBlock) {
                const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w));
                const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 32));
                const std::uint32_t offset = c.offsets[k];
                for (int n = 0; n < kCellTile; ++n) {
                    const __m256i x = _mm256_set1_epi32(four(cells[n] + offset));
                    sum[0][n] = _mm256_dpbusd_avx_epi32(sum[0][n], x, low);
                    sum[1][n] = _mm256_dpbusd_avx_epi32(sum[1][n], x, high);
                }
            }
            std::int32_t* out =
                c.out + static_cast<std::size_t>(first) * c.rows + block * kRowBlock;
            for (int n = 0; n < kCellTile; ++n)
                for (int v = 0; v < 2; ++v)
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(
                                            out + static_cast<std::size_t>(n) * c.rows + 8 * v),
                                        sum[v][n]);
        }
    }
}

// Without 8-bit dot products: vpmaddubsw would saturate (two products of 255 and 127 pass
// 32767), so bytes are widened to 16 bits and multiplied by vpmaddwd, each 32-bit lane then
// holding two of an output's four products; pairs of lanes are added at the end. Four vectors
// of four outputs, against two cells at a time.
AVX2 void convolveAvx2(const Convolution& c) {
    const int area = c.side * c.side, blocks = c.rows / kRowBlock;
    constexpr int kCells = 2;
    for (int first = 0; first < area; first += kCellTile) {
        const std::uint8_t* cells[kCellTile];
        c.tile(first, cells);
        for (int block = 0; block < blocks; ++block)
            for (int pair = 0; pair < kCellTile; pair += kCells) {
                __m256i sum[4][kCells];
                for (auto& v : sum)
                    for (auto& s : v) s = _mm256_setzero_si256();
                const std::int8_t* w = c.packed + block * c.blockBytes;
                for (int k = 0; k < c.steps; ++k, w += 4 * kRowBlock) {
                    __m256i x[kCells];
                    for (int n = 0; n < kCells; ++n)
                        x[n] = _mm256_cvtepu8_epi16(
                            _mm_set1_epi32(four(cells[pair + n] + c.offsets[k])));
                    for (int v = 0; v < 4; ++v) {
                        const __m256i weights = _mm256_cvtepi8_epi16(
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 16 * v)));
                        for (int n = 0; n < kCells; ++n)
                            sum[v][n] =
                                _mm256_add_epi32(sum[v][n], _mm256_madd_epi16(x[n], weights));
                    }
                }
                std::int32_t* out =
                    c.out + static_cast<std::size_t>(first + pair) * c.rows + block * kRowBlock;
                for (int n = 0; n < kCells; ++n)
                    for (int half = 0; half < 2; ++half) {
                        // Lanes (output, pair): 0a 0b 1a 1b 2a 2b 3a 3b of two vectors.
                        const __m256i added =
                            _mm256_hadd_epi32(sum[2 * half][n], sum[2 * half + 1][n]);
                        _mm256_storeu_si256(
                            reinterpret_cast<__m256i*>(out + static_cast<std::size_t>(n) * c.rows +
                                                       8 * half),
                            _mm256_permute4x64_epi64(added, 0xd8));
                    }
            }
    }
}

AVX2 INLINE std::int32_t total256(__m256i v) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4e));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xb1));
    return _mm_cvtsi128_si32(s);
}

// (Its halves taken with masks: GCC 12 warns that _mm512_reduce_add_epi32 and the plain casts
// read an undefined value.)
AVX512_VNNI INLINE std::int32_t total512(__m512i v) {
    return total256(_mm256_add_epi32(_mm512_maskz_extracti64x4_epi64(0xff, v, 0),
                                     _mm512_maskz_extracti64x4_epi64(0xff, v, 1)));
}

AVX512_VNNI void dot512(const std::int8_t* weights, std::size_t stride, const std::uint8_t* x,
                        int rows, int depth, std::int32_t* out) {
    const int whole = depth / 64 * 64;
    const __mmask64 tail = depth > whole ? ~0ull >> (64 - (depth - whole)) : 0;
    int r = 0;
    for (; r + 4 <= rows; r += 4) {
        const std::int8_t* w = weights + r * stride;
        __m512i sum[4] = {_mm512_setzero_si512(), _mm512_setzero_si512(), _mm512_setzero_si512(),
                          _mm512_setzero_si512()};
        for (int k = 0; k < whole; k += 64) {
            const __m512i v = _mm512_loadu_si512(x + k);
            for (int i = 0; i < 4; ++i)
                sum[i] = _mm512_dpbusd_epi32(sum[i], v, _mm512_loadu_si512(w + i * stride + k));
        }
        if (tail) {
            const __m512i v = _mm512_maskz_loadu_epi8(tail, x + whole);
            for (int i = 0; i < 4; ++i)
                sum[i] = _mm512_dpbusd_epi32(sum[i], v,
                                             _mm512_maskz_loadu_epi8(tail, w + i * stride + whole));
        }
        for (int i = 0; i < 4; ++i) out[r + i] = total512(sum[i]);
    }
    for (; r < rows; ++r) {
        const std::int8_t* w = weights + r * stride;
        __m512i sum = _mm512_setzero_si512();
        for (int k = 0; k < whole; k += 64)
            sum = _mm512_dpbusd_epi32(sum, _mm512_loadu_si512(x + k), _mm512_loadu_si512(w + k));
        if (tail)
            sum = _mm512_dpbusd_epi32(sum, _mm512_maskz_loadu_epi8(tail, x + whole),
                                      _mm512_maskz_loadu_epi8(tail, w + whole));
        out[r] = total512(sum);
    }
}

AVX_VNNI void dotVnni(const std::int8_t* weights, std::size_t stride, const std::uint8_t* x,
                      int rows, int depth, std::int32_t* out) {
    const int whole = depth / 32 * 32;
    int r = 0;
    auto rest = [&](const std::int8_t* w) {
        std::int32_t sum = 0;
        for (int k = whole; k < depth; ++k) sum += w[k] * x[k];
        return sum;
    };
    for (; r + 4 <= rows; r += 4) {
        const std::int8_t* w = weights + r * stride;
        __m256i sum[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                          _mm256_setzero_si256()};
        for (int k = 0; k < whole; k += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + k));
            for (int i = 0; i < 4; ++i)
                sum[i] = _mm256_dpbusd_avx_epi32(
                    sum[i], v,
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + i * stride + k)));
        }
        for (int i = 0; i < 4; ++i) out[r + i] = total256(sum[i]) + rest(w + i * stride);
    }
    for (; r < rows; ++r) {
        const std::int8_t* w = weights + r * stride;
        __m256i sum = _mm256_setzero_si256();
        for (int k = 0; k < whole; k += 32)
            sum = _mm256_dpbusd_avx_epi32(
                sum, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + k)),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + k)));
        out[r] = total256(sum) + rest(w);
    }
}

AVX2 INLINE __m256i widened(const std::int8_t* p) {
    return _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

AVX2 void dotAvx2(const std::int8_t* weights, std::size_t stride, const std::uint8_t* x, int rows,
                  int depth, std::int32_t* out) {
    const int whole = depth / 16 * 16;
    auto rest = [&](const std::int8_t* w) {
        std::int32_t sum = 0;
        for (int k = whole; k < depth; ++k) sum += w[k] * x[k];
        return sum;
    };
    int r = 0;
    for (; r + 4 <= rows; r += 4) {
        const std::int8_t* w = weights + r * stride;
        __m256i sum[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                          _mm256_setzero_si256()};
        for (int k = 0; k < whole; k += 16) {
            const __m256i v =
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + k)));
            for (int i = 0; i < 4; ++i)
                sum[i] =
                    _mm256_add_epi32(sum[i], _mm256_madd_epi16(v, widened(w + i * stride + k)));
        }
        for (int i = 0; i < 4; ++i) out[r + i] = total256(sum[i]) + rest(w + i * stride);
    }
    for (; r < rows; ++r) {
        const std::int8_t* w = weights + r * stride;
        __m256i sum = _mm256_setzero_si256();
        for (int k = 0; k < whole; k += 16)
            sum = _mm256_add_epi32(
                sum,
                _mm256_madd_epi16(
                    _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + k))),
                    widened(w + k)));
        out[r] = total256(sum) + rest(w);
    }
}
#endif

bool detected(Instructions instructions) {
#ifdef HAVE_WIDE_KERNELS
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    switch (instructions) {
        case Instructions::plain:
            return true;
        case Instructions::avx2:
            return avx2;
        case Instructions::avxVnni:
            return avx2 && __builtin_cpu_supports("avxvnni");
        case Instructions::avx512Vnni:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vnni");
    }
    return false;
#else
    return instructions == Instructions::plain;
#endif
}

Instructions best() {
    for (Instructions i : {Instructions::avx512Vnni, Instructions::avxVnni, Instructions::avx2})
        if (detected(i))
            return i;
    return Instructions::plain;
}

std::atomic<Instructions>& chosen() {
    static std::atomic<Instructions> current{best()};
    return current;
}

}  // namespace

const char* name(Instructions instructions) {
    switch (instructions) {
        case Instructions::plain:
            return "plain C++";
        case Instructions::avx2:
            return "AVX2";
        case Instructions::avxVnni:
            return "AVX-VNNI";
        case Instructions::avx512Vnni:
            return "AVX-512 VNNI";
    }
    return "?";
}

bool supported(Instructions instructions) {
    return detected(instructions);
}

Instructions instructions() {
    return chosen().load(std::memory_order_relaxed);
}

bool choose(Instructions instructions) {
    if (!detected(instructions))
        return false;
    chosen().store(instructions);
    return true;
}

std::vector<std::int8_t> packConvolution(const std::int8_t* weights, int outputs, int inputs) {
    const int rows = roundUp(outputs, kRowBlock), channels = roundUp(inputs, 4);
    const int groups = channels / 4;
    std::vector<std::int8_t> packed(static_cast<std::size_t>(rows) * channels * 9, 0);
    for (int o = 0; o < outputs; ++o)
        for (int i = 0; i < inputs; ++i)
            for (int tap = 0; tap < 9; ++tap) {
                const std::size_t step = static_cast<std::size_t>(tap) * groups + i / 4;
                packed[((static_cast<std::size_t>(o / kRowBlock) * 9 * groups + step) * kRowBlock +
                        o % kRowBlock) *
                           4 +
                       i % 4] = weights[(static_cast<std::size_t>(o) * inputs + i) * 9 + tap];
            }
    return packed;
}

void convolve(const std::uint8_t* image, int side, int channels, const std::int8_t* packed,
              int rows, std::int32_t* out) {
    // Step k = tap * groups + group: the tap's cell (row ky, column kx of the window) and the
    // group's four channels.
    thread_local std::vector<std::uint32_t> offsets;
    const int groups = channels / 4;
    offsets.resize(static_cast<std::size_t>(9) * groups);
    for (int tap = 0; tap < 9; ++tap)
        for (int g = 0; g < groups; ++g)
            offsets[static_cast<std::size_t>(tap) * groups + g] =
                static_cast<std::uint32_t>(((tap / 3) * (side + 2) + tap % 3) * channels + 4 * g);
    const Convolution c{image,      side,   channels,
                        9 * groups, packed, static_cast<std::size_t>(9) * channels * kRowBlock,
                        rows,       out,    offsets.data()};
    switch (instructions()) {
#ifdef HAVE_WIDE_KERNELS
        case Instructions::avx512Vnni:
            return convolve512(c);
        case Instructions::avxVnni:
            return convolveVnni(c);
        case Instructions::avx2:
            return convolveAvx2(c);
#endif
        default:
            return convolvePlain(c);
    }
}

void dot(const std::int8_t* weights, std::size_t stride, const std::uint8_t* x, int rows, int depth,
         std::int32_t* out) {
    switch (instructions()) {
#ifdef HAVE_WIDE_KERNELS
        case Instructions::avx512Vnni:
            return dot512(weights, stride, x, rows, depth, out);
        case Instructions::avxVnni:
            return dotVnni(weights, stride, x, rows, depth, out);
        case Instructions::avx2:
            return dotAvx2(weights, stride, x, rows, depth, out);
#endif
        default:
            return dotPlain(weights, stride, x, rows, depth, out);
    }
}

}  // namespace engine::kernels
