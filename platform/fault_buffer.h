#pragma once

// The texts that a machine fault's handler writes, copied beforehand into fixed buffers: the
// handler may not allocate, nor trust the heap.

#include "platform/platform.h"

#include <cstring>
#include <string_view>

namespace platform {

template <size_t size> bool keep(char (&buffer)[size], const std::string &text) {
    if (text.size() >= size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

struct FaultBuffer {
    char before[128] = {}, after[128] = {};

    bool set(const FaultText &text) { return keep(before, text.before) && keep(after, text.after); }
    // before + name + after, written into line.
    std::string_view around(const char *name, char (&line)[320]) const {
        char *end = line;
        for (const char *part : {before, name, after}) {
            const size_t length = strnlen(part, sizeof before - 1);
            std::memcpy(end, part, length);
            end += length;
        }
        return {line, static_cast<size_t>(end - line)};
    }
};

} // namespace platform
