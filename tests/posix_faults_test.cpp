// Disk failures injected through the system-call table: whatever fails, the song keeps its
// bytes and no neighbouring file is left behind.

#include "driver/tessal.h"
#include "log/log.h"
#include "platform/platform.h"
#include "platform/posix_calls.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

namespace {

using platform::posix::SystemCalls;
using platform::posix::systemCalls;

// The injected behaviour; calls pass through to the system unless a test says otherwise.
std::function<ssize_t(int, const void *, size_t)> injectedWrite;
std::function<int(const char *, const char *)> injectedRename;
std::function<int(int)> injectedClose;
std::function<ssize_t(int, void *, size_t)> injectedRead;

struct Faults : testing::Test {
    SystemCalls saved = systemCalls;
    ScratchDir dir;
    std::string song = dir.file("song.tmp");
    const std::string original = "[#0000]\r\nLyric=R\r\n[#0001]\r\nLyric=a\r\n";

    void SetUp() override {
        writeFile(song, original);
        injectedWrite = ::write;
        injectedRename = ::rename;
        injectedClose = ::close;
        injectedRead = ::read;
        systemCalls = {[](int fd, void *data, size_t size) { return injectedRead(fd, data, size); },
                       [](int fd, const void *data, size_t size) {
                           return injectedWrite(fd, data, size);
                       },
                       [](int fd) { return injectedClose(fd); },
                       [](const char *from, const char *to) { return injectedRename(from, to); }};
    }
    void TearDown() override { systemCalls = saved; }

    void expectSongIntact() {
        EXPECT_EQ(readFile(song), original);
        std::vector<std::string> names;
        for (auto &entry : std::filesystem::directory_iterator(dir.path))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"song.tmp"}) << "a neighbouring file is left";
    }
};

// Fails with code after the first `allowed` bytes of a file's content have been written.
auto failingAfter(size_t allowed, int code) {
    return [allowed, code, written = size_t(0)](int fd, const void *data,
                                                size_t size) mutable -> ssize_t {
        if (written >= allowed) {
            errno = code;
            return -1;
        }
        size_t part = std::min(size, allowed - written);
        written += part;
        return ::write(fd, data, part);
    };
}

TEST_F(Faults, ReplaceThatFailsAnywhereKeepsTheSong) {
    struct Case {
        const char *what;
        std::function<void()> inject;
        std::string systemText;
    } cases[] = {
        {"disk full part-way", [] { injectedWrite = failingAfter(10, ENOSPC); },
         "No space left on device"},
        {"write refused", [] { injectedWrite = failingAfter(0, EIO); }, "Input/output error"},
        {"write that makes no progress",
         [] { injectedWrite = [](int, const void *, size_t) -> ssize_t { return 0; }; },
         "Input/output error"},
        {"close reports a lost write",
         [] {
             injectedClose = [](int fd) {
                 ::close(fd);
                 errno = EIO;
                 return -1;
             };
         },
         "Input/output error"},
        {"rename refused",
         [] {
             injectedRename = [](const char *, const char *) {
                 errno = EXDEV;
                 return -1;
             };
         },
         "Invalid cross-device link"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.inject();
        try {
            platform::replaceWhole(song, "new content");
            ADD_FAILURE() << "no failure";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message.ends_with(": " + c.systemText)) << e.message;
        }
        systemCalls = saved;
        expectSongIntact();
    }
}

TEST_F(Faults, ReadThatEndsEarlyFails) {
    injectedRead = [](int, void *, size_t) -> ssize_t { return 0; };
    try {
        platform::readWhole(song);
        FAIL() << "no failure";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message.ends_with("data file " + song + ": Input/output error")) << e.message;
    }
}

// The whole run in this process, in the scratch folder; returns the log's lines.
struct InProcessRun : Faults {
    std::filesystem::path before = std::filesystem::current_path();
    void SetUp() override {
        Faults::SetUp();
        std::filesystem::current_path(dir.path);
    }
    void TearDown() override {
        Faults::TearDown();
        std::filesystem::current_path(before);
    }
    std::string log() { return readFile(dir.file("tessal.log")); }
};

TEST_F(InProcessRun, SaveThatFailsEndsTheRunAndKeepsTheSong) {
    injectedRename = [](const char *, const char *) {
        errno = EIO;
        return -1;
    };
    EXPECT_THROW(tessal::run({"tessal", song}), Exception);
    systemCalls = saved;
    EXPECT_TRUE(log().ends_with("Temporary file read.\r\nUnsuccessful Program Termination. \r\n\r\n"))
        << log();
    std::filesystem::remove(dir.file("tessal.log"));
    expectSongIntact();
}

TEST_F(InProcessRun, LogThatBecomesUnwritableEndsTheRunBeforeTheSave) {
    // Five lines reach the log, up to "Execute file name: "; then the disk is full.
    injectedWrite = [](int fd, const void *data, size_t size) -> ssize_t {
        static int calls = 0;
        if (++calls > 5) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(fd, data, size);
    };
    try {
        tessal::run({"tessal", song});
        FAIL() << "no failure";
    } catch (const Exception &e) {
        EXPECT_NE(e.message.find("tessal.log: No space left on device"), std::string::npos)
            << e.message;
    }
    systemCalls = saved;
    const std::string lines = log();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 5) << lines;
    EXPECT_TRUE(lines.ends_with("\r\n\r\nExecute file name: " + platform::executablePathAnsi() +
                                "\r\n"))
        << lines;
    std::filesystem::remove(dir.file("tessal.log"));
    expectSongIntact();
}

} // namespace
