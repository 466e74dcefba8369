#include "platform/platform.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

namespace {

std::string failureOf(void (*operation)(const std::string &), const std::string &path) {
    try {
        operation(path);
    } catch (const Exception &e) {
        return e.message;
    }
    return "no failure";
}

TEST(Files, WholeReadWriteAppendTruncate) {
    ScratchDir dir;
    std::string path = dir.file("f.bin");
    std::string bytes("a\0b\r\n\x82\xA0", 7);
    platform::writeWhole(path, bytes);
    EXPECT_EQ(platform::readWhole(path), bytes);
    platform::append(path, "tail");
    EXPECT_EQ(platform::readWhole(path), bytes + "tail");
    platform::truncate(path);
    EXPECT_EQ(platform::readWhole(path), "");
    platform::append(dir.file("new.log"), "x");
    EXPECT_EQ(readFile(dir.file("new.log")), "x");
}

TEST(Files, BackslashIsASeparator) {
    ScratchDir dir;
    platform::writeWhole(dir.path.string() + "\\tessalini.txt", "vowels=a");
    EXPECT_EQ(readFile(dir.file("tessalini.txt")), "vowels=a");
}

TEST(Files, FailuresNameThePathAndTheSystemText) {
    ScratchDir dir;
    struct Case {
        const char *what;
        void (*operation)(const std::string &);
        std::string path;
    } cases[] = {
        {"read missing", [](const std::string &p) { platform::readWhole(p); }, dir.file("none")},
        {"read directory", [](const std::string &p) { platform::readWhole(p); }, dir.path.string()},
        {"write into missing folder", [](const std::string &p) { platform::writeWhole(p, "x"); },
         dir.file("no/f")},
        {"append into missing folder", [](const std::string &p) { platform::append(p, "x"); },
         dir.file("no/f")},
        {"replace in missing folder", [](const std::string &p) { platform::replaceWhole(p, "x"); },
         dir.file("no/f")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string message = failureOf(c.operation, c.path);
        EXPECT_TRUE(message.starts_with("In posix.cpp(")) << message;
        EXPECT_NE(message.find("), data file " + c.path + ": "), std::string::npos) << message;
        EXPECT_FALSE(message.ends_with("\n"));
    }
}

TEST(Text, PosixAnsiIsUtf8) {
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

} // namespace
