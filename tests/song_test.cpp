#include "driver/dir_name.h"
#include "driver/rewrite_lyrics.h"
#include "scratch_dir.h"
#include "settings/setting_data.h"
#include "utauio/inout_data.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

TEST(RewriteLyrics, Table) {
    // Lyrics before, the vowels, lyrics after; items separated by commas as in the settings.
    const std::string cases[][3] = {
        {"R,a,ka,R,- a,R,R,i,u", "a,i,u,e,o", "R,- a,ka,R,- a,R,R,- i,u"}, // worked example
        {"a,R", "a", "a,R"},                        // the first note never changes
        {"R,ka,a", "a", "R,ka,a"},                  // not a vowel ends the rest
        {"r,a, R,a,R ,a", "a", "r,a, R,a,R ,a"},    // only exact R is a rest
        {"R,- ", "- ", "R,- - "},                   // two bytes are no prefix yet
        {"R,", "", "R,- "},                         // an empty lyric, an empty item
        {"R,", "a", "R,"},                          // an empty lyric, no empty item
        {"R,R,a", "R,a", "R,- R,a"},                // no rest after its change
        {"R,a", "a,a", "R,- a"},                    // a repeated item prefixes once
        {"R,a,R,a ", "a ", "R,a,R,- a "},           // a trailing blank must match
        {"R,\x82\xA0", "\x82\xA0", "R,- \x82\xA0"}, // Shift-JIS bytes as bytes
        {"R,- a", "- a", "R,- a"},                  // prefixed, even when listed
    };
    for (const auto &[before, vowels, after] : cases) {
        SCOPED_TRACE(before + " with " + vowels);
        std::vector<std::unique_ptr<Session>> notes;
        for (const std::string &lyric : splitItems(before)) {
            notes.push_back(std::make_unique<Session>("0000"));
            notes.back()->entries.set("Lyric", lyric);
        }
        EXPECT_EQ(rewriteLyrics(notes, splitItems(vowels)), before != after);
        Texts lyrics;
        for (auto &note : notes)
            lyrics.emplace_back(note->entries.at("Lyric"));
        EXPECT_EQ(lyrics, splitItems(after));
    }
}

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

TEST(InoutData, VoiceBankPathsAndClones) {
    InoutData data;
    EXPECT_EQ(data.otoIniPath(), "C:\\Program Files\\UTAU\\voice\\oto\\oto.ini");
    // The setting's last VoiceDir counts, no other section's.
    data.parse("[#SETTING]\nVoiceDir=a\nVoiceDir=D:\\v\n[#0000]\nVoiceDir=c\nFlags=g5\n"
               "[#NEXT]\nVoiceDir=d");
    EXPECT_EQ(data.prefixMapPath(), "D:\\v\\prefix.map");
    Session &note = *data.notes[0];
    note.follower = std::make_unique<Session>("0001");
    const auto copy = note.clone();
    note.parseLines({"VoiceDir=changed", "Flags=B1"});
    note.follower->parseLine("Lyric=u");
    EXPECT_EQ(copy->toLines(), (Texts{"[#0000]", "VoiceDir=c", "Flags=g5", "[#0001]", "Flags="}));
    EXPECT_EQ(copy->flagsText(), "g5");
}

} // namespace
