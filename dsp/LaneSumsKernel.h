#pragma once

// The vector kernel of the lane sums, written once for any vector width: V
// is a type with the operations zero, broadcast, load, add, multiply and
// store of its instruction set and kWidth doubles. Included only by the
// files compiled for that instruction set.

#include "dsp/LaneSums.h"

namespace korvel::lanekernel {

// P jobs over N vectors: each row of samples is loaded once and used by
// every job, and the P x N sums stay in registers. The multiply and the add
// are separate instructions, never fused.
template <class V, int N, int P>
void block(const double* const* coefficients, const int* offsets, int rows, const double* samples, int lanes,
           int laneStart, double* sums)
{
    typename V::Vector acc[P][N];
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < N; ++v)
            acc[p][v] = V::zero();
    for (int r = 0; r < rows; ++r) {
        const double* row = samples + offsets[r] + laneStart;
        typename V::Vector x[N];
        for (int v = 0; v < N; ++v)
            x[v] = V::load(row + V::kWidth * v);
        for (int p = 0; p < P; ++p) {
            const typename V::Vector c = V::broadcast(coefficients[p][r]);
            for (int v = 0; v < N; ++v)
                acc[p][v] = V::add(acc[p][v], V::multiply(c, x[v]));
        }
    }
    for (int p = 0; p < P; ++p)
        for (int v = 0; v < N; ++v)
            V::store(sums + p * lanes + laneStart + V::kWidth * v, acc[p][v]);
}

// N vectors of lanes from laneStart, for 1 to kMaxLaneJobs jobs.
template <class V, int N>
void jobs(const double* const* coefficients, int jobCount, const int* offsets, int rows, const double* samples,
          int lanes, int laneStart, double* sums)
{
    static_assert(kMaxLaneJobs == 4);
    switch (jobCount) {
    case 4:
        block<V, N, 4>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    case 3:
        block<V, N, 3>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    case 2:
        block<V, N, 2>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    default:
        block<V, N, 1>(coefficients, offsets, rows, samples, lanes, laneStart, sums);
        return;
    }
}

}  // namespace korvel::lanekernel
