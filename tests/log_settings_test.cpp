#include "log/log.h"
#include "log/timestamp.h"
#include "scratch_dir.h"
#include "settings/punct_data.h"
#include "settings/setting_data.h"
#include "settings/setting_log.h"
#include "support/failure.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(Timestamp, LocalClockAndOffsetLabel) {
    const std::tuple<platform::UtcTime, int, std::string> cases[] = {
        {{2026, 12, 5, 9, 33, 22, 999}, 9 * 60, "Sat Dec 05 18:33:22 GMT+0900 2026"},
        {{2026, 12, 5, 1, 10, 59, 500}, -(3 * 60 + 30), "Fri Dec 04 21:40:59 GMT-0330 2026"},
        {{2026, 3, 29, 1, 0, 0, 0}, 0, "Sun Mar 29 01:00:00 GMT+0000 2026"},
        {{2026, 12, 31, 20, 0, 5, 0}, 9 * 60, "Fri Jan 01 05:00:05 GMT+0900 2027"},
        {{2024, 3, 1, 2, 0, 0, 0}, -5 * 60, "Thu Feb 29 21:00:00 GMT-0500 2024"},
    };
    for (const auto &[utc, offsetMinutes, text] : cases)
        EXPECT_EQ(timestampText({utc, offsetMinutes}), text);
}

TEST(Log, StartsOverAnOldRunAndWritesEachLineAtOnce) {
    ScratchDir dir;
    const std::string path = dir.file("tessal.log");
    writeFile(path, "old run\r\n");
    Log log(path, false);
    std::string expected = readFile(path); // the old run is gone: only the name and the time
    EXPECT_TRUE(expected.starts_with(path + " ") && expected.find('\n') == expected.size() - 1)
        << expected;
    const std::pair<std::function<void()>, std::string> steps[] = {
        {[&] { log.write("ab"); }, ""},
        {[&] { log.write("c"); }, ""},
        {[&] { log.writeLine("d"); }, "abc\r\nd\r\n"},
        {[&] { log.output("two\r\nlines"); }, "two\r\nlines\r\n"},
        {[&] { log.writeLineAnsi(std::string("cut\0here", 8)); }, "cut\r\n"},
        {[&] { log.write("x"); }, ""},
        {[&] { EXPECT_THROW(log.error("boom"), Error); }, ""}, // its line waits for a flush
        {[&] { log.flush(); }, "x\r\n** Error ** boom\r\n"},
    };
    for (const auto &[act, added] : steps) {
        act();
        EXPECT_EQ(readFile(path), expected += added);
    }
    Log appended(path, true); // sets the new run off by three empty lines
    EXPECT_TRUE(readFile(path).starts_with(expected + "\r\n\r\n\r\n" + path + " "));
    // Lines that cannot be appended stay pending.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_THROW(log.writeLine("kept"), Exception);
    EXPECT_EQ(log.lines, Lines{"kept"});
    Log(dir.file("new.log"), true).flush(); // appending makes the file
    EXPECT_TRUE(readFile(dir.file("new.log")).starts_with("\r\n\r\n\r\n" + dir.file("new.log")));
}

TEST(Settings, EntriesOfEveryLineAndTheirReport) {
    ScratchDir dir;
    // Files saved as "UTF-8 with BOM": the mark is no part of the first key.
    writeFile(dir.file("a.txt"),
              "\xEF\xBB\xBFvowels=a,i\r\nvowels = a, i\rx\n=v\nk=1\nlist=a,,b\nexpr=a=b\n\n");
    writeFile(dir.file("b.txt"), "k=2,\ne=");
    writeFile(dir.file("p.txt"), "\xEF\xBB\xBF,\t.\nno tab\n\t\nk\ta\tb\nk\tlater\n");
    writeFile(dir.file("none.txt"), "");
    SettingData{dir.file("b.txt")}; // with no log attached, nothing to report to
    const struct Attached {
        Log log{"", false}; // its lines stay in memory
        Attached() {
            log.lines.clear();
            settingLog = &log;
        }
        ~Attached() { settingLog = nullptr; }
    } attached;
    SettingData data(dir.file("a.txt"));
    data.load(dir.file("b.txt")); // adds to what the first file gave
    PunctData punctuation;
    punctuation.load(dir.file("p.txt"));
    punctuation.load(dir.file("none.txt"));
    EXPECT_EQ(data.entries.at("k"), (Lines{"2", ""})); // the later file's
    const std::pair<std::string, std::string> aliases[] = {{",", "."}, {"", ""}, {"k", "later"}};
    for (const auto &[key, alias] : aliases)
        EXPECT_EQ(punctuation.aliases.at(key), alias) << key;
    EXPECT_EQ(punctuation.aliases.size(), std::size(aliases));
    EXPECT_EQ(attached.log.lines,
              (Lines{"loading setting from: " + dir.file("a.txt"), "vowels=a,i", "vowels = a, i",
                     "x=", "=v", "k=1", "list=a,,b", "expr=a=b", "=", "k=2,", "e=",
                     "punctuation aliases: [,] -> [.] ; [no tab] -> [] ; [] -> [] ; "
                     "[k] -> [a\tb] ; [k] -> [later] ;",
                     "punctuation aliases:"}));
}

} // namespace
