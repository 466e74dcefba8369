#include "log/log.h"
#include "scratch_dir.h"
#include "settings/punct_data.h"
#include "settings/setting_data.h"
#include "settings/setting_log.h"
#include "support/failure.h"

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::string>;

// Attaches a log that keeps its lines in memory for the test's duration.
struct AttachedLog {
    Log log{"", false};
    AttachedLog() {
        log.lines.clear();
        settingLog = &log;
    }
    ~AttachedLog() { settingLog = nullptr; }
};

SettingData loaded(const std::string &content) {
    ScratchDir dir;
    writeFile(dir.file("tessalini.txt"), content);
    SettingData data;
    data.load(dir.file("tessalini.txt"));
    return data;
}

TEST(SettingData, Lines) {
    SettingData data = loaded("vowels=a,i,u,e,o\r\nvowels = a, i\rx\n=v\nk=1\nk=2,\nlist=a,,b"
                              "\n#c=1\nexpr=a=b\n\n");
    struct Case {
        std::string key;
        Items items;
    } cases[] = {
        {"vowels", {"a", "i", "u", "e", "o"}},
        {"vowels ", {" a", " i"}},
        {"x", {""}},
        {"", {""}}, // the blank line came after "=v"
        {"k", {"2", ""}},
        {"list", {"a", "", "b"}},
        {"#c", {"1"}},
        {"expr", {"a=b"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(data.entries.at(c.key), c.items);
    }
    EXPECT_EQ(data.entries.size(), std::size(cases));
}

TEST(SettingData, EmptyValueIsOneEmptyItemAndLaterFilesAdd) {
    ScratchDir dir;
    writeFile(dir.file("a.txt"), "vowels=a\nother=1");
    writeFile(dir.file("b.txt"), "vowels=");
    SettingData data(dir.file("a.txt"));
    data.load(dir.file("b.txt"));
    EXPECT_EQ(data.entries.at("vowels"), Items{""});
    EXPECT_EQ(data.entries.at("other"), Items{"1"});
    EXPECT_TRUE(loaded("").entries.empty());
}

TEST(SettingData, MissingFileFailsAndStoresNothing) {
    ScratchDir dir;
    SettingData data;
    try {
        data.load(dir.file("tessalini.txt"));
        FAIL() << "no throw";
    } catch (const Exception &e) {
        EXPECT_EQ(e.kind, "FileException");
        EXPECT_NE(e.message.find("tessalini.txt"), std::string::npos);
    }
    EXPECT_TRUE(data.entries.empty());
}

TEST(SettingData, ReportsToAnAttachedLogOnly) {
    ScratchDir dir;
    writeFile(dir.file("s.txt"), "vowels=a,i\nx");
    SettingData{dir.file("s.txt")}; // no log attached: nothing to see, nothing fails
    AttachedLog attached;
    SettingData data(dir.file("s.txt"));
    EXPECT_EQ(attached.log.lines, (Items{"loading setting from: " + dir.file("s.txt"),
                                         "vowels=a,i", "x="}));
}

TEST(PunctData, PairsAndTheirOneLineReport) {
    ScratchDir dir;
    writeFile(dir.file("p.txt"), ",\t.\nno tab\n\t\nk\ta\tb\nk\tlater\n");
    AttachedLog attached;
    PunctData data;
    data.load(dir.file("p.txt"));
    EXPECT_EQ(data.aliases.at(","), ".");
    EXPECT_EQ(data.aliases.at(""), "");
    EXPECT_EQ(data.aliases.at("k"), "later");
    EXPECT_FALSE(data.aliases.contains("no tab"));
    EXPECT_EQ(attached.log.lines,
              Items{"punctuation aliases: [,] -> [.] ; [no tab] -> [] ; [] -> [] ; [k] -> [a\tb] ;"
                    " [k] -> [later] ;"});

    writeFile(dir.file("empty.txt"), "");
    attached.log.lines.clear();
    PunctData empty;
    empty.load(dir.file("empty.txt"));
    EXPECT_TRUE(empty.aliases.empty());
    EXPECT_EQ(attached.log.lines, Items{"punctuation aliases:"});
}

} // namespace
