#include "dsp/LaneSums.h"

namespace korvel {

namespace {

// Four lanes at a time: short enough that the compiler keeps the sums in
// registers, and every lane still adds its own terms in order.
constexpr int kStrip = 4;

void stripSums(const LaneJob& job, const double* samples, int taps, double* sums)
{
    double acc[kStrip] = {0.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < taps; ++i) {
        const double c = job.coefficients[i];
        const double* row = samples + job.offsets[i];
        for (int l = 0; l < kStrip; ++l)
            acc[l] = acc[l] + c * row[l];
    }
    for (int l = 0; l < kStrip; ++l)
        sums[l] = acc[l];
}

}  // namespace

void laneSumsPortable(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums)
{
    for (int p = 0; p < jobCount; ++p)
        for (int l = 0; l < lanes; l += kStrip)
            stripSums(jobs[p], samples + l, taps, sums + p * lanes + l);
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

void laneSumsAvx2(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums)
{
    laneSumsPortable(jobs, jobCount, samples, taps, lanes, sums);
}

void laneSumsAvx512(const LaneJob* jobs, int jobCount, const double* samples, int taps, int lanes, double* sums)
{
    laneSumsPortable(jobs, jobCount, samples, taps, lanes, sums);
}
#endif

}  // namespace korvel
