// Compiled with AVX2 enabled; called only after the processor said it has it.
#include <immintrin.h>

#include "dsp/LaneSums.h"

namespace korvel {

namespace {

// P jobs over V vectors of four lanes: each row of samples is loaded once
// and used by every job, and the P x V sums stay in registers. The multiply
// and the add are separate instructions, never fused.
template <int V, int P>
void block(const double* const* coefficients, const int* offsets, int rows, const double* samples, int lanes,
           int laneStart, double* sums)
{
    __m256d acc[P][V];
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            acc[p][v] = _mm256_setzero_pd();
    for (int r = 0; r < rows; ++r) {
        const double* row = samples + offsets[r] + laneStart;
        __m256d x[V];
        for (int v = 0; v < V; ++v)
            x[v] = _mm256_loadu_pd(row + 4 * v);
        for (int p = 0; p < P; ++p) {
            const __m256d c = _mm256_set1_pd(coefficients[p][r]);
            for (int v = 0; v < V; ++v)
                acc[p][v] = _mm256_add_pd(acc[p][v], _mm256_mul_pd(c, x[v]));
        }
    }
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            _mm256_storeu_pd(sums + p * lanes + laneStart + 4 * v, acc[p][v]);
}

template <int V>
void jobs(const double* const* coefficients, int jobCount, const int* offsets, int rows, const double* samples,
          int lanes, int laneStart, double* sums)
{
    switch (jobCount) {
    case 4:
        block<V, 4>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    case 3:
        block<V, 3>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    case 2:
        block<V, 2>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    default:
        block<V, 1>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    }
}

}  // namespace

void laneSumsAvx2(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                  const double* samples, int lanes, double* sums)
{
    // Eight lanes at a time: two vectors of four, sixteen registers in all.
    for (int laneStart = 0; laneStart + 8 <= lanes; laneStart += 8)
        jobs<2>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
}

}  // namespace korvel
