#include "log/log.h"
#include "log/timestamp.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using Lines = std::vector<std::string>;

TEST(Timestamp, LocalClockAndOffsetLabel) {
    struct Case {
        platform::UtcTime utc;
        int offsetMinutes;
        std::string expected;
    } cases[] = {
        {{2026, 12, 5, 9, 33, 22, 999}, 9 * 60, "Sat Dec 05 18:33:22 GMT+0900 2026"},
        {{2026, 12, 5, 1, 10, 59, 500}, -(3 * 60 + 30), "Fri Dec 04 21:40:59 GMT-0330 2026"},
        {{2026, 12, 5, 1, 10, 59, 0}, 0, "Sat Dec 05 01:10:59 GMT+0000 2026"},
        // London either side of the shift to summer time (01:00 UTC, 29 March 2026): the
        // offset in force at that moment, daylight saving included, applies once.
        {{2026, 3, 29, 0, 59, 59, 0}, 0, "Sun Mar 29 00:59:59 GMT+0000 2026"},
        {{2026, 3, 29, 1, 0, 0, 0}, 60, "Sun Mar 29 02:00:00 GMT+0100 2026"},
        {{2026, 12, 31, 20, 0, 5, 0}, 9 * 60, "Fri Jan 01 05:00:05 GMT+0900 2027"},
        {{2024, 3, 1, 2, 0, 0, 0}, -5 * 60, "Thu Feb 29 21:00:00 GMT-0500 2024"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(timestampText({c.utc, c.offsetMinutes}), c.expected);
    }
}

const std::string timestamp = "[A-Z][a-z]{2} [A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d GMT[-+]\\d{4} \\d+";

// What a log file holds once a new log, appending or not, has started over an old run's.
std::string startedOverAnOldRun(const std::string &path, bool append) {
    writeFile(path, "old run\r\n");
    Log log(path, append);
    return readFile(path);
}

TEST(Log, FreshLogOverAnOldFileHoldsOneLine) {
    ScratchDir dir;
    std::string path = dir.file("tessal.log");
    std::string content = startedOverAnOldRun(path, false);
    ASSERT_TRUE(content.starts_with(path + " ")) << content;
    EXPECT_TRUE(std::regex_match(content.substr(path.size() + 1), std::regex(timestamp + "\r\n")))
        << content;
}

TEST(Log, AppendingSetsTheRunOffByThreeEmptyLines) {
    ScratchDir dir;
    std::string path = dir.file("tessal.log");
    std::string content = startedOverAnOldRun(path, true);
    EXPECT_TRUE(content.starts_with("old run\r\n\r\n\r\n\r\n" + path + " ")) << content;
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 5);
}

TEST(Log, LinesReachTheFileAtOnce) {
    ScratchDir dir;
    std::string path = dir.file("tessal.log");
    Log log(path, false);
    const std::string first = readFile(path);
    struct Step {
        std::function<void()> act;
        std::string added;
    } steps[] = {
        {[&] { log.write("ab"); }, ""},
        {[&] { log.write("c"); }, ""},
        {[&] { log.writeLine("d"); }, "abc\r\nd\r\n"},
        {[&] { log.writeLine(""); }, "\r\n"},
        {[&] { log.flush(); }, "\r\n"},
        {[&] { log.output("two\r\nlines"); }, "two\r\nlines\r\n"},
        {[&] { log.writeLineAnsi(std::string("cut\0here", 8)); }, "cut\r\n"},
    };
    std::string expected = first;
    for (Step &step : steps) {
        step.act();
        expected += step.added;
        EXPECT_EQ(readFile(path), expected);
    }
}

TEST(Log, ErrorLeavesItsLinePendingUntilTheNextFlush) {
    ScratchDir dir;
    std::string path = dir.file("tessal.log");
    Log log(path, false);
    const std::string before = readFile(path);
    log.write("x");
    try {
        log.error("boom");
        FAIL() << "no throw";
    } catch (const Error &e) {
        EXPECT_EQ(e.message, "boom");
    }
    EXPECT_EQ(log.lines, (Lines{"x", "** Error ** boom"}));
    EXPECT_EQ(readFile(path), before);
    log.flush();
    EXPECT_EQ(readFile(path), before + "x\r\n** Error ** boom\r\n");
}

TEST(Log, EmptyFileNameTouchesNoDisk) {
    ScratchDir dir;
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    Log log("", false);
    log.writeLine("a");
    log.write("b");
    log.flush();
    log.clear();
    EXPECT_EQ(log.lines.size(), 3u); // the name-and-time line, a, b
    EXPECT_EQ(log.lines[1], "a");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));
    std::filesystem::current_path(before);
}

TEST(Log, FailedAppendKeepsLinesPending) {
    ScratchDir dir;
    std::string path = dir.file("tessal.log");
    Log log(path, false);
    std::filesystem::remove(path);
    std::filesystem::create_directory(path); // appending to it now fails
    try {
        log.writeLine("kept");
        FAIL() << "no throw";
    } catch (const Exception &e) {
        EXPECT_EQ(e.kind, "FileException");
        EXPECT_NE(e.message.find(path), std::string::npos);
    }
    EXPECT_EQ(log.lines, (Lines{"kept"}));
}

} // namespace
