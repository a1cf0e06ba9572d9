#include "engine/network_kernels.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace engine::kernels {
namespace {

// Eight floats; the compiler maps them onto whatever vector registers the function's
// instruction set has (one AVX register, two SSE ones).
typedef float Floats8 __attribute__((vector_size(32)));
typedef std::int8_t Bytes8 __attribute__((vector_size(8)));

// (Copies rather than functions taking or returning vectors, whose passing would differ
// between the two instruction sets.)
#define LOAD(v, p) std::memcpy(&(v), (p), sizeof(Floats8))
#define STORE(p, v) std::memcpy((p), &(v), sizeof(Floats8))

// Four rows of a against sixteen columns of b at a time: sixteen accumulators stay in
// registers while the depth is walked, so every value of b loaded serves four rows.
inline __attribute__((always_inline)) void multiplyBody(const float* a, const float* b,
                                                        const float* bias, float* out, int rows,
                                                        int depth, int columns) {
    constexpr int kRows = 4, kColumns = 16;
    int r = 0;
    for (; r + kRows <= rows; r += kRows) {
        int c = 0;
        for (; c + kColumns <= columns; c += kColumns) {
            Floats8 sum[kRows][2];
            for (int i = 0; i < kRows; ++i) sum[i][0] = sum[i][1] = Floats8{} + bias[r + i];
            for (int k = 0; k < depth; ++k) {
                const float* row = b + static_cast<long>(k) * columns + c;
                Floats8 low, high;
                LOAD(low, row);
                LOAD(high, row + 8);
                for (int i = 0; i < kRows; ++i) {
                    float w = a[static_cast<long>(r + i) * depth + k];
                    sum[i][0] += w * low;
                    sum[i][1] += w * high;
                }
            }
            for (int i = 0; i < kRows; ++i) {
                STORE(out + static_cast<long>(r + i) * columns + c, sum[i][0]);
                STORE(out + static_cast<long>(r + i) * columns + c + 8, sum[i][1]);
            }
        }
        for (; c < columns; ++c)
            for (int i = 0; i < kRows; ++i) {
                float sum = bias[r + i];
                for (int k = 0; k < depth; ++k)
                    sum += a[static_cast<long>(r + i) * depth + k] *
                           b[static_cast<long>(k) * columns + c];
                out[static_cast<long>(r + i) * columns + c] = sum;
            }
    }
    for (; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            float sum = bias[r];
            for (int k = 0; k < depth; ++k)
                sum += a[static_cast<long>(r) * depth + k] * b[static_cast<long>(k) * columns + c];
            out[static_cast<long>(r) * columns + c] = sum;
        }
}

// Four rows at a time, each summed in two halves: eight independent sums keep the vector unit
// busy instead of waiting on one running total, and every eight values of x loaded serve four
// rows.
inline __attribute__((always_inline)) void multiplyQuantizedBody(const std::int8_t* weights,
                                                                 const float* scales,
                                                                 const float* bias, const float* x,
                                                                 float* out, int rows, int depth) {
    constexpr int kRows = 4;
    int r = 0;
    auto finish = [&](int row, float total) { out[row] = bias[row] + scales[row] * total; };
    for (; r + kRows <= rows; r += kRows) {
        Floats8 sum[kRows][2] = {};
        int k = 0;
        for (; k + 16 <= depth; k += 16) {
            Floats8 low, high;
            LOAD(low, x + k);
            LOAD(high, x + k + 8);
            for (int i = 0; i < kRows; ++i) {
                Bytes8 first, second;
                std::memcpy(&first, weights + static_cast<long>(r + i) * depth + k, sizeof first);
                std::memcpy(&second, weights + static_cast<long>(r + i) * depth + k + 8,
                            sizeof second);
                sum[i][0] += __builtin_convertvector(first, Floats8) * low;
                sum[i][1] += __builtin_convertvector(second, Floats8) * high;
            }
        }
        for (int i = 0; i < kRows; ++i) {
            Floats8 both = sum[i][0] + sum[i][1];
            float total = 0;
            for (int j = 0; j < 8; ++j) total += both[j];
            for (int j = k; j < depth; ++j)
                total += weights[static_cast<long>(r + i) * depth + j] * x[j];
            finish(r + i, total);
        }
    }
    for (; r < rows; ++r) {
        float total = 0;
        for (int j = 0; j < depth; ++j) total += weights[static_cast<long>(r) * depth + j] * x[j];
        finish(r, total);
    }
}

#if defined(__x86_64__) || defined(__i386__)
#define HAVE_WIDE_KERNELS 1
__attribute__((target("avx2,fma"))) void multiplyWide(const float* a, const float* b,
                                                      const float* bias, float* out, int rows,
                                                      int depth, int columns) {
    multiplyBody(a, b, bias, out, rows, depth, columns);
}

// The same sums with the byte-to-float conversion spelled out: the compiler's generic
// conversion of eight bytes goes through general registers one value at a time.
__attribute__((target("avx2,fma"))) void multiplyQuantizedWide(const std::int8_t* weights,
                                                               const float* scales,
                                                               const float* bias, const float* x,
                                                               float* out, int rows, int depth) {
    constexpr int kRows = 4;
    int r = 0;
    for (; r + kRows <= rows && depth >= 16; r += kRows) {
        __m256 sum[kRows][2];
        for (auto& row : sum) row[0] = row[1] = _mm256_setzero_ps();
        int k = 0;
        for (; k + 16 <= depth; k += 16) {
            const __m256 low = _mm256_loadu_ps(x + k), high = _mm256_loadu_ps(x + k + 8);
            for (int i = 0; i < kRows; ++i) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                    weights + static_cast<long>(r + i) * depth + k));
                const __m256 first = _mm256_cvtepi32_ps(_mm256_cvtepi8_epi32(bytes));
                const __m256 second =
                    _mm256_cvtepi32_ps(_mm256_cvtepi8_epi32(_mm_srli_si128(bytes, 8)));
                sum[i][0] = _mm256_fmadd_ps(first, low, sum[i][0]);
                sum[i][1] = _mm256_fmadd_ps(second, high, sum[i][1]);
            }
        }
        for (int i = 0; i < kRows; ++i) {
            alignas(32) float lanes[8];
            _mm256_store_ps(lanes, _mm256_add_ps(sum[i][0], sum[i][1]));
            float total = 0;
            for (float lane : lanes) total += lane;
            for (int j = k; j < depth; ++j)
                total += weights[static_cast<long>(r + i) * depth + j] * x[j];
            out[r + i] = bias[r + i] + scales[r + i] * total;
        }
    }
    if (r < rows)
        multiplyQuantizedBody(weights + static_cast<long>(r) * depth, scales + r, bias + r, x,
                              out + r, rows - r, depth);
}

bool wide() {
    static const bool supported = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return supported;
}
#endif

}  // namespace

void multiply(const float* a, const float* b, const float* bias, float* out, int rows, int depth,
              int columns) {
#ifdef HAVE_WIDE_KERNELS
    if (wide())
        return multiplyWide(a, b, bias, out, rows, depth, columns);
#endif
    multiplyBody(a, b, bias, out, rows, depth, columns);
}

void multiplyQuantized(const std::int8_t* weights, const float* scales, const float* bias,
                       const float* x, float* out, int rows, int depth) {
#ifdef HAVE_WIDE_KERNELS
    if (wide())
        return multiplyQuantizedWide(weights, scales, bias, x, out, rows, depth);
#endif
    multiplyQuantizedBody(weights, scales, bias, x, out, rows, depth);
}

}  // namespace engine::kernels
