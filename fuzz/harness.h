#pragma once

// What the fuzz targets share: each defines fuzzOne, which checks its properties on one input
// and stops the process at the first that fails, so that libFuzzer keeps the input.

#include "tests/scratch_dir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

void fuzzOne(std::string_view input);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzzOne({reinterpret_cast<const char *>(data), size});
    return 0;
}

// The readers take a path: each input goes through one file of this process's own.
inline std::string inputFile(std::string_view bytes) {
    static const ScratchDir dir;
    const std::string path = dir.file("input");
    writeFile(path, std::string(bytes));
    return path;
}
