#pragma once

// What the fuzz targets share: each defines fuzzOne, which checks its properties on one input
// and stops the process at the first that fails, so that libFuzzer keeps the input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? (void)0                                                                         \
                 : (std::fprintf(stderr, "property failed: %s\n", #condition), std::abort()))

void fuzzOne(std::string_view input);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzzOne({reinterpret_cast<const char *>(data), size});
    return 0;
}
