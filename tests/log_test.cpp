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

// A new run empties the old one's log; a line the file cannot take stays pending.
TEST(Log, EmptiesTheOldRunAndKeepsWhatItCannotAppend) {
    ScratchDir dir;
    const std::string path = dir.file("tessal.log");
    writeFile(path, "old run\r\n");
    Log log(path, false);
    EXPECT_TRUE(readFile(path).starts_with(path + " ")) << readFile(path);
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_THROW(log.writeLine("kept"), Exception);
    EXPECT_EQ(log.lines, std::vector<std::string>{"kept"});
}

} // namespace
