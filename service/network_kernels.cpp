#include "network_kernels.h"

#include <cstring>

namespace service::kernels {
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

inline __attribute__((always_inline)) void multiplyQuantizedBody(const std::int8_t* weights,
                                                                 const float* scales,
                                                                 const float* bias, const float* x,
                                                                 float* out, int rows, int depth) {
    for (int r = 0; r < rows; ++r) {
        const std::int8_t* w = weights + static_cast<long>(r) * depth;
        Floats8 sum{};
        int k = 0;
        for (; k + 8 <= depth; k += 8) {
            Bytes8 bytes;
            std::memcpy(&bytes, w + k, sizeof bytes);
            Floats8 values;
            LOAD(values, x + k);
            sum += __builtin_convertvector(bytes, Floats8) * values;
        }
        float total = 0;
        for (int i = 0; i < 8; ++i) total += sum[i];
        for (; k < depth; ++k) total += w[k] * x[k];
        out[r] = bias[r] + scales[r] * total;
    }
}

#if defined(__x86_64__) || defined(__i386__)
#define HAVE_WIDE_KERNELS 1
__attribute__((target("avx2,fma"))) void multiplyWide(const float* a, const float* b,
                                                      const float* bias, float* out, int rows,
                                                      int depth, int columns) {
    multiplyBody(a, b, bias, out, rows, depth, columns);
}

__attribute__((target("avx2,fma"))) void multiplyQuantizedWide(const std::int8_t* weights,
                                                               const float* scales,
                                                               const float* bias, const float* x,
                                                               float* out, int rows, int depth) {
    multiplyQuantizedBody(weights, scales, bias, x, out, rows, depth);
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

}  // namespace service::kernels
