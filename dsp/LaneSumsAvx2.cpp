// Compiled with AVX2 enabled; called only after the processor said it has it.
#include <immintrin.h>

#include "dsp/LaneSums.h"

namespace korvel {

namespace {

// P phases of V vectors of four lanes each, eight sums in registers at most:
// the multiply and the add are separate instructions, never fused.
template <int V, int P>
void block(const LaneJob* jobs, const double* samples, int taps, int lanes, int laneStart, double* sums)
{
    __m256d acc[P][V];
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            acc[p][v] = _mm256_setzero_pd();
    for (int i = 0; i < taps; ++i) {
        for (int p = 0; p < P; ++p) {
            const __m256d c = _mm256_set1_pd(jobs[p].coefficients[i]);
            const double* row = samples + jobs[p].offsets[i] + laneStart;
            for (int v = 0; v < V; ++v)
                acc[p][v] = _mm256_add_pd(acc[p][v], _mm256_mul_pd(c, _mm256_loadu_pd(row + 4 * v)));
        }
    }
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            _mm256_storeu_pd(sums + p * lanes + laneStart + 4 * v, acc[p][v]);
}

template <int V>
void phases(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, int laneStart,
            double* sums)
{
    constexpr int P = 8 / V;
    int p = 0;
    for (; p + P <= jobCount; p += P)
        block<V, P>(jobs + p, samples, taps, lanes, laneStart, sums + p * lanes);
    for (; p < jobCount; ++p)
        block<V, 1>(jobs + p, samples, taps, lanes, laneStart, sums + p * lanes);
}

}  // namespace

void laneSumsAvx2(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums)
{
    // Thirty-two lanes at a time at most: eight vectors of four.
    int laneStart = 0;
    for (; laneStart + 32 <= lanes; laneStart += 32)
        phases<8>(jobs, jobCount, samples, taps, lanes, laneStart, sums);
    if (lanes - laneStart == 16)
        phases<4>(jobs, jobCount, samples, taps, lanes, laneStart, sums);
    else if (lanes - laneStart == 8)
        phases<2>(jobs, jobCount, samples, taps, lanes, laneStart, sums);
    else if (lanes - laneStart == 24) {
        phases<4>(jobs, jobCount, samples, taps, lanes, laneStart, sums);
        phases<2>(jobs, jobCount, samples, taps, lanes, laneStart + 16, sums);
    }
}

}  // namespace korvel
