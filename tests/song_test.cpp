#include "driver/dir_name.h"
#include "scratch_dir.h"
#include "utauio/inout_data.h"

#include <gtest/gtest.h>

namespace {

TEST(DirName, Paths) {
    // Shift-JIS "表" ends in the byte of "\" (the last case); the directory is found on the
    // UTF-8 form.
    const std::string cases[][2] = {
        {"C:\\a\\b\\x.exe", "C:\\a\\b"}, {"C:\\x.exe", "C:\\"},  {"C:x.exe", "C:"},
        {"\\x.exe", "\\"},               {"a/b/x.exe", "a/b"},   {"C:\\a\\\\x.exe", "C:\\a\\"},
        {"x.exe", "."},                  {"", "."},              {"/opt/t/tessal", "/opt/t"},
        {"C:\\\xE8\xA1\xA8\\x.exe", "C:\\\xE8\xA1\xA8"},
    };
    for (const auto &[path, dir] : cases)
        EXPECT_EQ(dirName(path), dir) << path;
}

TEST(InoutData, LargeSongIsSavedAsItsText) {
    // Notes of 100 kB, so the text is written in several pieces.
    std::string song = "[#SETTING]\nTempo=120\n";
    for (char c = '0'; c < '7'; ++c)
        song +=
            "[#000" + std::string(1, c) + "]\nLyric=a\nPitchBend=" + std::string(100000, c) + "\n";
    ScratchDir dir;
    writeFile(dir.file("song.tmp"), song);
    InoutData data(dir.file("song.tmp"));
    data.save();
    EXPECT_EQ(readFile(dir.file("song.tmp")), data.toText());
    EXPECT_EQ(data.notes.size(), 7u);
}

} // namespace
