#include "driver/dir_name.h"
#include "driver/rewrite_lyrics.h"
#include "utauio/inout_data.h"

#include <gtest/gtest.h>

namespace {

TEST(DirName, Paths) {
    // Shift-JIS "表" ends in the byte of "\" (the last case); the directory is found on the
    // UTF-8 form.
    const std::string cases[][2] = {
        {"C:\\a\\b\\x.exe", "C:\\a\\b"},
        {"C:\\x.exe", "C:\\"},
        {"C:x.exe", "C:"},
        {"\\x.exe", "\\"},
        {"a/b/x.exe", "a/b"},
        {"C:\\a\\\\x.exe", "C:\\a\\"},
        {"x.exe", "."},
        {"", "."},
        {"/opt/t/tessal", "/opt/t"},
        {"C:\\\xE8\xA1\xA8\\x.exe", "C:\\\xE8\xA1\xA8"},
    };
    for (const auto &[path, dir] : cases)
        EXPECT_EQ(dirName(path), dir) << path;
}

TEST(RewriteLyrics, NoteBeforeTheSelectionCountsOnlyWhenAsked) {
    // PREV's lines (none: no PREV at all), whether it counts, the first note's lyric after.
    const std::tuple<const char *, bool, const char *> cases[] = {
        {"Lyric=R\n", true, "- a"}, {nullptr, true, "- a"},    {"Length=480\n", true, "- a"},
        {"Lyric=ka\n", true, "a"},  {"Lyric=R \n", true, "a"}, {"Lyric=R\n", false, "a"},
        {nullptr, false, "a"},
    };
    for (const auto &[prev, checkPrev, first] : cases) {
        SCOPED_TRACE(std::string(prev ? prev : "no PREV") + (checkPrev ? " checked" : ""));
        InoutData data;
        data.parse((prev ? "[#PREV]\n" + std::string(prev) : "") +
                   "[#0000]\nLyric=a\n[#0001]\nLyric=R\n[#0002]\nLyric=i");
        const size_t changed = rewriteLyrics(data.notes, {"a", "i"}, *data.prev, checkPrev);
        EXPECT_EQ(data.notes[0]->entries.at("Lyric"), first);
        EXPECT_EQ(changed, std::string_view(first).size() > 1 ? 2u : 1u);
    }
}

} // namespace
