// Compiled only for WebAssembly with its 128-bit vectors (-msimd128): every
// engine that runs the page or korvel-cli.js has them.
#include <wasm_simd128.h>

#include "dsp/LaneSumsKernel.h"

namespace korvel {

namespace {

struct Simd128 {
    using Vector = v128_t;
    static constexpr int kWidth = 2;
    static Vector zero() { return wasm_f64x2_splat(0.0); }
    static Vector broadcast(double value) { return wasm_f64x2_splat(value); }
    static Vector load(const double* from) { return wasm_v128_load(from); }
    static Vector add(Vector a, Vector b) { return wasm_f64x2_add(a, b); }
    static Vector multiply(Vector a, Vector b) { return wasm_f64x2_mul(a, b); }
    static void store(double* to, Vector v) { wasm_v128_store(to, v); }
};

}  // namespace

void laneSumsSimd128(const double* const* coefficients, int jobCount, const int* offsets, int rows,
                     const double* samples, int lanes, double* sums)
{
    // Four lanes at a time: two vectors of two, up to eight sums, which
    // stay in the sixteen vector registers of the machines the engines
    // run on.
    for (int laneStart = 0; laneStart + 4 <= lanes; laneStart += 4)
        lanekernel::jobs<Simd128, 2>(coefficients, jobCount, offsets, rows, samples, lanes, laneStart, sums);
}

}  // namespace korvel
