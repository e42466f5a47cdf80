// Compiled with AVX-512 enabled; called only after the processor said it has it.
#include <immintrin.h>

#include "dsp/LaneSumsKernel.h"

namespace korvel {

namespace {

struct Avx512 {
    using Vector = __m512d;
    static constexpr int kWidth = 8;
    static Vector zero() { return _mm512_setzero_pd(); }
    static Vector broadcast(double value) { return _mm512_set1_pd(value); }
    static Vector load(const double* from) { return _mm512_loadu_pd(from); }
    static Vector add(Vector a, Vector b) { return _mm512_add_pd(a, b); }
    static Vector multiply(Vector a, Vector b) { return _mm512_mul_pd(a, b); }
    static void store(double* to, Vector v) { _mm512_storeu_pd(to, v); }
};

}  // namespace

void laneSumsAvx512(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                    const double* samples, int lanes, double* sums)
{
    // Thirty-two lanes at a time (four vectors of eight, sixteen sums of the
    // 32 registers), then what is left in sixteen and eight.
    int laneStart = 0;
    for (; laneStart + 32 <= lanes; laneStart += 32)
        lanekernel::jobs<Avx512, 4>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
    if (lanes - laneStart >= 16) {
        lanekernel::jobs<Avx512, 2>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
        laneStart += 16;
    }
    if (lanes - laneStart >= 8)
        lanekernel::jobs<Avx512, 1>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
}

}  // namespace korvel
