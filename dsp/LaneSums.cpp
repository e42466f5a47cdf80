#include "dsp/LaneSums.h"

#include <cstddef>

namespace korvel {

namespace {

// Four lanes at a time: short enough that the compiler keeps the sums in
// registers, and every lane still adds its own terms in order.
constexpr int kStrip = 4;

void stripSums(const double* coefficients, const int* offsets, int rows, const double* samples, double* sums)
{
    double acc[kStrip] = {0.0, 0.0, 0.0, 0.0};
    for (int r = 0; r < rows; ++r) {
        const double c = coefficients[r];
        const double* row = samples + offsets[r];
        for (int l = 0; l < kStrip; ++l)
            acc[l] = acc[l] + c * row[l];
    }
    for (int l = 0; l < kStrip; ++l)
        sums[l] = acc[l];
}

}  // namespace

void laneSumsPortable(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                      const double* samples, int lanes, double* sums)
{
    for (int p = 0; p < jobCount; ++p)
        for (int l = 0; l < lanes; l += kStrip)
            stripSums(coefficients[p], offsets, rows, samples + l, sums + p * lanes + l);
}

LaneSumFunction fastestLaneSums()
{
#if defined(__wasm_simd128__)
    return laneSumsSimd128;
#else
    return cpuHasAvx512() ? laneSumsAvx512 : cpuHasAvx2() ? laneSumsAvx2 : laneSumsPortable;
#endif
}

void splitStreamsPortable(const std::int16_t* x, int stride, int length, double* streams)
{
    // Row after row of the input, read in order.
    for (int t = 0; t < length; ++t) {
        const std::int16_t* from = x + static_cast<std::ptrdiff_t>(t) * stride;
        for (int s = 0; s < stride; ++s)
            streams[static_cast<std::size_t>(s) * static_cast<std::size_t>(length) + static_cast<std::size_t>(t)] =
                from[s];
    }
}

#if defined(__x86_64__)
bool cpuHasAvx2()
{
    return __builtin_cpu_supports("avx2");
}

bool cpuHasAvx512()
{
    return __builtin_cpu_supports("avx512f");
}
#else
bool cpuHasAvx2()
{
    return false;
}

bool cpuHasAvx512()
{
    return false;
}

void laneSumsAvx2(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                  const double* samples, int lanes, double* sums)
{
    laneSumsPortable(coefficients, jobCount, offsets, rows, samples, lanes, sums);
}

void laneSumsAvx512(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                    const double* samples, int lanes, double* sums)
{
    laneSumsPortable(coefficients, jobCount, offsets, rows, samples, lanes, sums);
}

void splitStreamsAvx512(const std::int16_t* x, int stride, int length, double* streams)
{
    splitStreamsPortable(x, stride, length, streams);
}
#endif

}  // namespace korvel
