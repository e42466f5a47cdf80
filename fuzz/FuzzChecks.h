#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding: it is printed and the process aborts, so
// libFuzzer keeps the input that caused it.
#define KORVEL_FUZZ_CHECK(condition)                                                     \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)
