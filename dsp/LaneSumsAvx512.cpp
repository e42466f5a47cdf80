// Compiled with AVX-512 enabled; called only after the processor said it has it.
#include <immintrin.h>

#include "dsp/LaneSums.h"

namespace korvel {

namespace {

// P jobs over V vectors of eight lanes: each row of samples is loaded once
// and used by every job, and the P x V sums stay in registers. The multiply
// and the add are separate instructions, never fused.
template <int V, int P>
void block(const double* const* coefficients, const int* offsets, int rows, const double* samples, int lanes,
           int laneStart, double* sums)
{
    __m512d acc[P][V];
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            acc[p][v] = _mm512_setzero_pd();
    for (int r = 0; r < rows; ++r) {
        const double* row = samples + offsets[r] + laneStart;
        __m512d x[V];
        for (int v = 0; v < V; ++v)
            x[v] = _mm512_loadu_pd(row + 8 * v);
        for (int p = 0; p < P; ++p) {
            const __m512d c = _mm512_set1_pd(coefficients[p][r]);
            for (int v = 0; v < V; ++v)
                acc[p][v] = _mm512_add_pd(acc[p][v], _mm512_mul_pd(c, x[v]));
        }
    }
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            _mm512_storeu_pd(sums + p * lanes + laneStart + 8 * v, acc[p][v]);
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

void laneSumsAvx512(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                    const double* samples, int lanes, double* sums)
{
    // Thirty-two lanes at a time: four vectors of eight.
    int laneStart = 0;
    for (; laneStart + 32 <= lanes; laneStart += 32)
        jobs<4>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
    if (lanes - laneStart >= 16) {
        jobs<2>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
        laneStart += 16;
    }
    if (lanes - laneStart >= 8)
        jobs<1>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
}

}  // namespace korvel
