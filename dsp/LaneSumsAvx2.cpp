// Compiled with AVX2 enabled; called only after the processor said it has it.
#include <immintrin.h>

#include "dsp/LaneSumsKernel.h"

namespace korvel {

namespace {

struct Avx2 {
    using Vector = __m256d;
    static constexpr int kWidth = 4;
    static Vector zero() { return _mm256_setzero_pd(); }
    static Vector broadcast(double value) { return _mm256_set1_pd(value); }
    static Vector load(const double* from) { return _mm256_loadu_pd(from); }
    static Vector add(Vector a, Vector b) { return _mm256_add_pd(a, b); }
    static Vector multiply(Vector a, Vector b) { return _mm256_mul_pd(a, b); }
    static void store(double* to, Vector v) { _mm256_storeu_pd(to, v); }
};

}  // namespace

void laneSumsAvx2(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                  const double* samples, int lanes, double* sums)
{
    // Eight lanes at a time: two vectors of four, eight sums of the 16 registers.
    for (int laneStart = 0; laneStart + 8 <= lanes; laneStart += 8)
        lanekernel::jobs<Avx2, 2>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
}

}  // namespace korvel
