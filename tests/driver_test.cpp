#include "driver/dir_name.h"
#include "driver/rewrite_lyrics.h"
#include "support/failure.h"
#include "utauio/inout_data.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

TEST(DirName, Paths) {
    struct Case {
        std::string path, dir;
    } cases[] = {
        {"C:\\a\\b\\x.exe", "C:\\a\\b"}, {"C:\\x.exe", "C:\\"},  {"C:x.exe", "C:"},
        {"\\x.exe", "\\"},               {"a/b/x.exe", "a/b"},   {"C:\\a\\\\x.exe", "C:\\a\\"},
        {"x.exe", "."},                  {"", "."},              {"/opt/t/tessal", "/opt/t"},
        // Shift-JIS "表" ends in the byte of "\"; the directory is found on the UTF-8 form.
        {"C:\\\xE8\xA1\xA8\\x.exe", "C:\\\xE8\xA1\xA8"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(dirName(c.path), c.dir);
    }
}

// The lyrics after one pass over notes with these lyrics.
Texts afterPass(const Texts &lyrics, const Texts &vowels) {
    InoutData data;
    for (const std::string &lyric : lyrics) {
        data.notes.push_back(std::make_unique<Session>("0000"));
        data.notes.back()->entries.set("Lyric", lyric);
    }
    rewriteLyrics(data.notes, vowels);
    Texts result;
    for (auto &note : data.notes)
        result.emplace_back(note->entries.at("Lyric"));
    return result;
}

TEST(RewriteLyrics, Table) {
    const Texts aiueo = {"a", "i", "u", "e", "o"};
    struct Case {
        const char *what;
        Texts lyrics, vowels, expected;
    } cases[] = {
        {"worked example", {"R", "a", "ka", "R", "- a", "R", "R", "i", "u"}, aiueo,
         {"R", "- a", "ka", "R", "- a", "R", "R", "- i", "u"}},
        {"first note never changes", {"a", "R"}, aiueo, {"a", "R"}},
        {"not a vowel ends the rest", {"R", "ka", "a"}, aiueo, {"R", "ka", "a"}},
        {"only exact R is a rest", {"r", "a", " R", "a", "R ", "a"}, aiueo,
         {"r", "a", " R", "a", "R ", "a"}},
        {"two-byte prefix is not protected", {"R", "- "}, {"- "}, {"R", "- - "}},
        {"empty lyric, empty item", {"R", ""}, {""}, {"R", "- "}},
        {"empty lyric, no empty item", {"R", ""}, aiueo, {"R", ""}},
        {"R as an item is no rest after the change", {"R", "R", "a"}, {"R", "a"},
         {"R", "- R", "a"}},
        {"repeated item prefixes once", {"R", "a"}, {"a", "a"}, {"R", "- a"}},
        {"empty vowel list", {"R", "a"}, {}, {"R", "a"}},
        {"trailing blank must match", {"R", "a", "R", "a "}, {"a "}, {"R", "a", "R", "- a "}},
        {"Shift-JIS bytes compare as bytes", {"R", "\x82\xA0"}, {"\x82\xA0"},
         {"R", "- \x82\xA0"}},
        {"protected even when listed", {"R", "- a"}, {"- a"}, {"R", "- a"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(afterPass(c.lyrics, c.vowels), c.expected);
    }
}

TEST(RewriteLyrics, NoteWithoutLyricFailsWithTheMapError) {
    InoutData data;
    data.parse("[#0000]\nLyric=R\n[#0001]\nLength=480\n");
    try {
        rewriteLyrics(data.notes, {"a"});
        FAIL() << "no throw";
    } catch (const Error &e) {
        EXPECT_TRUE(e.report().starts_with("RangeError@rewrite_lyrics(")) << e.report();
        EXPECT_TRUE(e.report().ends_with("): Range violation")) << e.report();
    }
}

} // namespace
