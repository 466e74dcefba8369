// Disk failures injected through the system-call table: whatever fails, the song keeps its
// bytes and no neighbouring file is left behind.

#include "platform/platform.h"
#include "platform/posix_calls.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

using platform::posix::systemCalls;

// The one injected fault: call ('r'ead, 'w'rite, 'c'lose or re'n'ame) fails with code, or
// returns 0 for code 0; a write only once `allowed` more bytes have passed, a close only after
// `allowed` closes.
struct Fault {
    char call;
    size_t allowed;
    int code;
} fault;

int failed() {
    errno = fault.code;
    return fault.code ? -1 : 0;
}

// The system's call, or the injected fault.
template <char call, auto system> auto injected(auto... arguments) {
    return fault.call == call ? failed() : system(arguments...);
}

int injectedClose(int fd) {
    if (fault.call == 'c' && fault.allowed-- == 0) {
        ::close(fd);
        return failed();
    }
    return ::close(fd);
}

ssize_t injectedWrite(int fd, const void *data, size_t size) {
    if (fault.call == 'w' && fault.allowed == 0)
        return failed();
    if (fault.call == 'w')
        fault.allowed -= size = std::min(size, fault.allowed);
    return ::write(fd, data, size);
}

TEST(Faults, WhateverFailsTheSongKeepsItsBytes) {
    ScratchDir dir;
    const std::string song = dir.file("song.tmp"), original = "[#0000]\nLyric=R\n";
    const platform::posix::SystemCalls saved = systemCalls;
    systemCalls = {injected<'r', ::read>, injectedWrite, injectedClose, injected<'n', ::rename>};
    // The fault, whether it strikes reading the song (or writing it anew), and the end of the
    // failure's message.
    const std::tuple<Fault, bool, std::string> cases[] = {
        {{'w', 2, ENOSPC}, false, "No space left on device"},  // the disk full part-way
        {{'w', 0, 0}, false, "Input/output error"},            // a write that makes no progress
        {{'c', 1, EIO}, false, "Input/output error"},          // the written file's close fails
        {{'n', 0, EXDEV}, false, "Invalid cross-device link"}, // a rename refused
        {{'r', 0, 0}, true, "Input/output error"},             // a read that ends early
    };
    for (const auto &[injected, reading, ending] : cases) {
        SCOPED_TRACE(ending);
        writeFile(song, original);
        fault = injected;
        try {
            reading ? (void)platform::readWhole(song) : platform::replaceWhole(song, "new");
            ADD_FAILURE() << "no failure";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message.starts_with("In posix.cpp(") && e.message.ends_with(ending))
                << e.message;
        }
        fault = {};
        EXPECT_EQ(readFile(song), original);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1)
            << "a neighbouring file is left";
    }
    systemCalls = saved;
    // The song's folder gone before the save: nothing is made anew.
    EXPECT_THROW(platform::replaceWhole(dir.file("gone/song.tmp"), "x"), Exception);
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
}

} // namespace
