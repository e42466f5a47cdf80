#pragma once

#include <cstdint>

namespace korvel {

// The inner computation of the fast resampler: the filter sums of many
// output samples side by side, each output in a lane of its own.
//
// A call takes up to kMaxLaneJobs jobs (filter phases) that read the same
// rows of samples. For job p and lane l the sum is
//
//     sum = 0.0; for r = 0 .. rows - 1:
//         sum = sum + coefficients[p][r] * samples[offsets[r] + l]
//
// multiplied, then added, in exactly that order: the same operations, one
// by one, as the per-sample computation of the resampler, so every lane
// gives the bit-identical double. A job whose taps cover only some of the
// rows has zero coefficients on the others: adding a zero product to a sum
// of +0.0 leaves +0.0, and to any other sum leaves it as it is, so the
// padding changes no result. Speed comes only from running the lanes and
// the jobs side by side, each row of samples loaded once for all of them.
inline constexpr int kLaneGroup = 8;
// Thirty-two lanes fill the AVX-512 kernel once per row; more would only
// repeat it and make each block's streams (and their fresh pages) larger.
inline constexpr int kMaxLanes = 32;
inline constexpr int kMaxLaneJobs = 4;

// Lanes is a multiple of kLaneGroup up to kMaxLanes; sums[p * lanes + l].
using LaneSumFunction = void (*)(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                                 const double* samples, int lanes, double* sums);

// Plain C++: runs anywhere.
void laneSumsPortable(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                      const double* samples, int lanes, double* sums);
// x86-64 only, and only on a processor that has the instructions.
void laneSumsAvx2(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                  const double* samples, int lanes, double* sums);
void laneSumsAvx512(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                    const double* samples, int lanes, double* sums);
// WebAssembly only, built with its 128-bit vectors.
void laneSumsSimd128(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                     const double* samples, int lanes, double* sums);

// The rows of 16-bit input split into streams of doubles: stream s holds
// x[t x stride + s] at t, for t below length, stream s at streams + s x
// length. Only data is moved; any split gives the same sums.
using StreamSplitFunction = void (*)(const std::int16_t* x, int stride, int length, double* streams);

void splitStreamsPortable(const std::int16_t* x, int stride, int length, double* streams);
// x86-64 only: eight streams by eight rows at a time, transposed in registers.
void splitStreamsAvx512(const std::int16_t* x, int stride, int length, double* streams);

bool cpuHasAvx2();
bool cpuHasAvx512();
// The fastest lane sums this processor can run.
LaneSumFunction fastestLaneSums();

}  // namespace korvel
