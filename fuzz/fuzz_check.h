#pragma once

#include <cstdio>
#include <cstdlib>

// A property that failed: report it and stop, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__,       \
                         __LINE__);                                                            \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
