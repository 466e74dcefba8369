#pragma once

// The system calls behind the POSIX file operations, in one table that tests may change to
// inject the failures a disk can have (a write cut short, a full disk, a failed rename).

#include <sys/types.h>

namespace platform::posix {

struct SystemCalls {
    ssize_t (*read)(int fd, void *data, size_t size);
    ssize_t (*write)(int fd, const void *data, size_t size);
    int (*close)(int fd);
    int (*rename)(const char *from, const char *to);
};

extern SystemCalls systemCalls;

} // namespace platform::posix
