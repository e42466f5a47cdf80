// Compiled with AVX-512 enabled; called only after the processor said it has it.
#include <immintrin.h>

#include "dsp/LaneSums.h"

namespace korvel {

namespace {

// P phases of V vectors of eight lanes each: P x V independent sums in
// registers hide the latency of the additions. The multiply and the add are
// separate instructions, never fused.
template <int V, int P>
void block(const LaneJob* jobs, const double* samples, int taps, int lanes, double* sums)
{
    __m512d acc[P][V];
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            acc[p][v] = _mm512_setzero_pd();
    for (int i = 0; i < taps; ++i) {
        for (int p = 0; p < P; ++p) {
            const __m512d c = _mm512_set1_pd(jobs[p].coefficients[i]);
            const double* row = samples + jobs[p].offsets[i];
            for (int v = 0; v < V; ++v)
                acc[p][v] = _mm512_add_pd(acc[p][v], _mm512_mul_pd(c, _mm512_loadu_pd(row + 8 * v)));
        }
    }
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < V; ++v)
            _mm512_storeu_pd(sums + p * lanes + 8 * v, acc[p][v]);
}

template <int V>
void phases(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums)
{
    constexpr int P = 8 / V;
    int p = 0;
    for (; p + P <= jobCount; p += P)
        block<V, P>(jobs + p, samples, taps, lanes, sums + p * lanes);
    for (; p < jobCount; ++p)
        block<V, 1>(jobs + p, samples, taps, lanes, sums + p * lanes);
}

}  // namespace

void laneSumsAvx512(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums)
{
    switch (lanes) {
    case 64:
        phases<8>(jobs, jobCount, samples, taps, lanes, sums);
        return;
    case 32:
        phases<4>(jobs, jobCount, samples, taps, lanes, sums);
        return;
    case 16:
        phases<2>(jobs, jobCount, samples, taps, lanes, sums);
        return;
    case 8:
        phases<1>(jobs, jobCount, samples, taps, lanes, sums);
        return;
    default:
        laneSumsPortable(jobs, jobCount, samples, taps, lanes, sums);
        return;
    }
}

}  // namespace korvel
