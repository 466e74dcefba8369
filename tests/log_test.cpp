#include "log/log.h"
#include "log/timestamp.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

namespace {

TEST(Timestamp, LocalClockAndOffsetLabel) {
    const std::tuple<platform::UtcTime, int, std::string> cases[] = {
        {{2026, 12, 5, 1, 10, 59, 999}, -(3 * 60 + 30), "Fri Dec 04 21:40:59 GMT-0330 2026"},
        {{2026, 12, 31, 20, 0, 5, 0}, 9 * 60, "Fri Jan 01 05:00:05 GMT+0900 2027"},
        {{2024, 3, 1, 2, 0, 0, 0}, -5 * 60, "Thu Feb 29 21:00:00 GMT-0500 2024"},
    };
    for (const auto &[utc, offsetMinutes, text] : cases)
        EXPECT_EQ(timestampText({utc, offsetMinutes}), text);
}

// What the run's own log lines cannot show: output, the ANSI cut, appending, lines kept pending.
TEST(Log, WritesEachLineAtOnceAndKeepsWhatItCannotAppend) {
    ScratchDir dir;
    const std::string path = dir.file("tessal.log");
    writeFile(path, "old run\r\n");
    Log log(path, false);
    std::string expected = readFile(path); // the old run is gone: only the name and the time
    EXPECT_TRUE(expected.starts_with(path + " ")) << expected;
    log.output("two\r\nlines");
    log.writeLineAnsi(std::string("cut\0here", 8));
    EXPECT_EQ(readFile(path), expected += "two\r\nlines\r\ncut\r\n");
    Log appended(path, true); // sets the new run off by three empty lines
    EXPECT_TRUE(readFile(path).starts_with(expected + "\r\n\r\n\r\n" + path + " "));
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_THROW(log.writeLine("kept"), Exception);
    EXPECT_EQ(log.lines, std::vector<std::string>{"kept"});
}

} // namespace
