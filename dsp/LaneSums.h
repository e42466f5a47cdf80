#pragma once

namespace korvel {

// The inner computation of the fast resampler: the filter sums of many
// output samples side by side, each output in a lane of its own.
//
// A job is one filter phase. For job p and lane l the sum is
//
//     sum = 0.0; for i = 0 .. taps - 1:
//         sum = sum + coefficients[i] * samples[offsets[i] + l]
//
// multiplied, then added, in exactly that order: the same operations, one
// by one, as the per-sample computation of the resampler, so every lane
// gives the bit-identical double. Speed comes only from running the lanes
// and several phases side by side.
struct LaneJob {
    const double* coefficients;
    const int* offsets;
};

// Lanes come in groups of eight; one call takes up to kMaxLaneJobs jobs and
// up to kMaxLanes lanes, and writes sums[p * lanes + l].
inline constexpr int kLaneGroup = 8;
inline constexpr int kMaxLanes = 64;
inline constexpr int kMaxLaneJobs = 8;

using LaneSumFunction = void (*)(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes,
                                 double* sums);

// Plain C++: runs anywhere.
void laneSumsPortable(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums);
// x86-64 only, and only on a processor that has the instructions.
void laneSumsAvx2(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums);
void laneSumsAvx512(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums);

bool cpuHasAvx2();
bool cpuHasAvx512();

}  // namespace korvel
