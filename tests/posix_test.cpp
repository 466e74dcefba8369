#include "platform/platform.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(PosixText, AnsiIsUtf8) {
    EXPECT_EQ(platform::utf8ToAnsi("\xE3\x81\x82"), "\xE3\x81\x82");
    EXPECT_EQ(platform::ansiToUtf8("abc"), "abc");
    try {
        platform::utf8ToAnsi("\x82\xA0");
        FAIL() << "no throw";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message, "invalid UTF-8 sequence");
    }
    try {
        platform::ansiToUtf8("\x82\xA0");
        FAIL() << "no throw";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message.starts_with("Couldn't convert string: ")) << e.message;
    }
}

TEST(PosixFiles, ReplaceKeepsThePermissionBits) {
    for (mode_t mode : {0640, 0600, 0755}) {
        SCOPED_TRACE(mode);
        ScratchDir dir;
        std::string path = dir.file("song.tmp");
        writeFile(path, "old");
        ::chmod(path.c_str(), mode);
        platform::replaceWhole(path, "new");
        EXPECT_EQ(readFile(path), "new");
        struct stat info;
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode);
    }
}

} // namespace
