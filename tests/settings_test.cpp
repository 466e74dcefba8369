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

} // namespace
