#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>
#include <unistd.h>

// The readers under test take a path: each input goes through one file of this process's own.
inline std::string scratchFile(std::string_view bytes) {
    static const struct Path {
        std::string name = "/tmp/tessal-fuzz-" + std::to_string(::getpid());
        ~Path() { ::unlink(name.c_str()); }
    } path;
    platform::writeWhole(path.name, bytes);
    return path.name;
}
