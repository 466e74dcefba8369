#include "platform/platform.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <chrono>

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

TEST(Files, ReplaceWritesThePiecesOrKeepsTheOldContent) {
    ScratchDir dir;
    std::string path = dir.file("song.tmp");
    writeFile(path, "old");
    platform::replaceWhole(path, [](const platform::Writer &write) {
        write("first ");
        write("");
        write(std::string(100000, 'x'));
    });
    EXPECT_EQ(readFile(path), "first " + std::string(100000, 'x'));

    // The producer fails after a piece is written: the file keeps what it had.
    writeFile(path, "old");
    EXPECT_THROW(platform::replaceWhole(path,
                                        [](const platform::Writer &write) {
                                            write("half");
                                            throw Exception("Test", "producer failed");
                                        }),
                 Exception);
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1)
        << "no neighbouring file left behind";
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
        EXPECT_TRUE(message.starts_with("In " TESSAL_PLATFORM_SOURCE "(")) << message;
        EXPECT_NE(message.find("), data file " + c.path + ": "), std::string::npos) << message;
        EXPECT_FALSE(message.ends_with("\n"));
    }
}

TEST(Clock, UtcIsTheSystemClock) {
    using namespace std::chrono;
    sys_seconds before = floor<seconds>(system_clock::now());
    platform::UtcTime utc = platform::now().utc;
    sys_seconds after = floor<seconds>(system_clock::now());
    sys_seconds got = sys_days(year(utc.year) / utc.month / utc.day) + hours(utc.hour) +
                      minutes(utc.minute) + seconds(utc.second);
    EXPECT_LE(before, got);
    EXPECT_LE(got, after);
    EXPECT_GE(utc.millisecond, 0);
    EXPECT_LT(utc.millisecond, 1000);
}

} // namespace
