// Compiled with AVX-512 enabled; called only after the processor said it has it.
// GCC 12's definitions of the widening, unpacking and shuffling
// instructions pass an undefined vector as their unused source, and then
// warn that it may be used uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "dsp/LaneSumsKernel.h"

namespace korvel {

namespace {

struct Avx512 {
    using Vector = __m512d;
    static constexpr int kWidth = 8;
    static Vector zero() { return _mm512_setzero_pd(); }
    static Vector broadcast(double value) { return _mm512_set1_pd(value); }
    static Vector load(const double* from) { return _mm512_loadu_pd(from); }
    static Vector add(Vector a, Vector b) { return _mm512_add_pd(a, b); }
    static Vector multiply(Vector a, Vector b) { return _mm512_mul_pd(a, b); }
    static void store(double* to, Vector v) { _mm512_storeu_pd(to, v); }
};

// Eight rows of eight values become eight columns: row i of in is element
// i of every vector out.
void transpose(__m512d r[8])
{
    __m512d t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm512_unpacklo_pd(r[i], r[i + 1]);
        t[i + 1] = _mm512_unpackhi_pd(r[i], r[i + 1]);
    }
    // 0x88 takes the 128-bit lanes 0 and 2 of each operand, 0xDD lanes 1 and 3.
    u[0] = _mm512_shuffle_f64x2(t[0], t[2], 0x88);
    u[1] = _mm512_shuffle_f64x2(t[1], t[3], 0x88);
    u[2] = _mm512_shuffle_f64x2(t[0], t[2], 0xDD);
    u[3] = _mm512_shuffle_f64x2(t[1], t[3], 0xDD);
    u[4] = _mm512_shuffle_f64x2(t[4], t[6], 0x88);
    u[5] = _mm512_shuffle_f64x2(t[5], t[7], 0x88);
    u[6] = _mm512_shuffle_f64x2(t[4], t[6], 0xDD);
    u[7] = _mm512_shuffle_f64x2(t[5], t[7], 0xDD);
    for (int j = 0; j < 4; ++j) {
        r[j] = _mm512_shuffle_f64x2(u[j], u[j + 4], 0x88);
        r[j + 4] = _mm512_shuffle_f64x2(u[j], u[j + 4], 0xDD);
    }
}

}  // namespace

void splitStreamsAvx512(const std::int16_t* x, int stride, int length, double* streams)
{
    const auto at = [stride](int t, int s) { return static_cast<std::ptrdiff_t>(t) * stride + s; };
    int s = 0;
    for (; s + 8 <= stride; s += 8) {
        double* out = streams + static_cast<std::ptrdiff_t>(s) * length;
        int t = 0;
        for (; t + 8 <= length; t += 8) {
            // Rows t to t + 7 of streams s to s + 7, each row eight
            // consecutive samples, widened to doubles.
            __m512d rows[8];
            for (int i = 0; i < 8; ++i) {
                const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x + at(t + i, s)));
                rows[i] = _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(samples));
            }
            transpose(rows);
            for (int j = 0; j < 8; ++j)
                _mm512_storeu_pd(out + static_cast<std::ptrdiff_t>(j) * length + t, rows[j]);
        }
        for (; t < length; ++t)
            for (int j = 0; j < 8; ++j)
                out[static_cast<std::ptrdiff_t>(j) * length + t] = x[at(t, s + j)];
    }
    // The streams beyond the last eight.
    for (; s < stride; ++s)
        for (int t = 0; t < length; ++t)
            streams[static_cast<std::ptrdiff_t>(s) * length + t] = x[at(t, s)];
}

void laneSumsAvx512(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                    const double* samples, int lanes, double* sums)
{
    // Thirty-two lanes at a time (four vectors of eight, sixteen sums of the
    // 32 registers), then what is left in sixteen and eight.
    int laneStart = 0;
    for (; laneStart + 32 <= lanes; laneStart += 32)
        lanekernel::jobs<Avx512, 4>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
    if (lanes - laneStart >= 16) {
        lanekernel::jobs<Avx512, 2>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
        laneStart += 16;
    }
    if (lanes - laneStart >= 8)
        lanekernel::jobs<Avx512, 1>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
}

}  // namespace korvel
