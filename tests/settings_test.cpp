#include "log/log.h"
#include "scratch_dir.h"
#include "settings/setting_data.h"
#include "settings/setting_log.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// What the run's log cannot show: the settings' report, and files read one after another.
TEST(Settings, EntriesOfEveryLineAndTheirReport) {
    ScratchDir dir;
    writeFile(dir.file("a.txt"), "\xEF\xBB\xBFvowels=a,i\r\nx\n=v\nk=1\nlist=a,,b\nexpr=a=b\n\n");
    writeFile(dir.file("b.txt"), "k=2,\ne=");
    Log log("", false); // its lines stay in memory
    log.lines.clear();
    settingLog = &log;
    SettingData data(dir.file("a.txt"));
    data.load(dir.file("b.txt")); // adds to what the first file gave
    settingLog = nullptr;
    EXPECT_EQ(data.entries.at("k"), (Lines{"2", ""})); // the later file's
    EXPECT_EQ(data.entries.size(), 7u);
    EXPECT_EQ(log.lines, (Lines{"loading setting from: " + dir.file("a.txt"), "vowels=a,i",
                                "x=", "=v", "k=1", "list=a,,b", "expr=a=b", "=", "k=2,", "e="}));
}

// Notepad's "UTF-16 LE" and "UTF-16 BE" come after the marks FF FE and FE FF, read as UTF-8
// (each length of it up to its limits); a file that only starts like one is read as its bytes.
TEST(Settings, Utf16WithItsMark) {
    ScratchDir dir;
    const std::tuple<std::string, std::string, Lines> cases[] = {
        {std::string("\xFF\xFEv\0=\0a\0,\0B0=\xD8\0\xDE\r\0\n\0", 20),
         "v",
         {"a", "\xE3\x81\x82\xF0\x9F\x98\x80"}},
        {std::string("\xFE\xFF\0v\0=\0\x7F\x07\xFF\x08\0\xFF\xFF\xDB\xFF\xDF\xFF", 18),
         "v",
         {"\x7F\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF"}},
        {"\xFF\xFEv=a", "\xFF\xFEv", {"a"}}, // an odd length
        {std::string("\xFF\xFEv\0=\0\0\xDC", 8),
         std::string("\xFF\xFEv\0", 4),
         {std::string("\0\0\xDC", 3)}}, // a lone surrogate
    };
    for (const auto &[bytes, key, items] : cases) {
        SCOPED_TRACE(bytes.size());
        writeFile(dir.file("s.txt"), bytes);
        SettingData data(dir.file("s.txt"));
        EXPECT_EQ(data.entries.at(key), items);
    }
}

} // namespace
