#include "scratch_dir.h"
#include "utauio/inout_data.h"

#include <gtest/gtest.h>

namespace {

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
    EXPECT_EQ(copy->toLines(),
              (std::vector<std::string>{"[#0000]", "VoiceDir=c", "Flags=g5", "[#0001]", "Flags="}));
    EXPECT_EQ(copy->flagsText(), "g5");
}

TEST(InoutData, ByteOrderMarkIsSetAsideAndWrittenFirst) {
    // Only a mark that starts the file is set aside; one in a value is the value's.
    ScratchDir dir;
    const std::string path = dir.file("song.tmp");
    for (std::string mark : {"", "\xEF\xBB\xBF"}) {
        writeFile(path, mark + "[#SETTING]\nTempo=1\n[#0000]\nLyric=\xEF\xBB\xBF"
                               "a");
        InoutData data(path);
        data.save();
        EXPECT_EQ(readFile(path), mark + "[#SETTING]\r\nTempo=1\r\nFlags=\r\n[#PREV]\r\nFlags=\r\n"
                                         "[#0000]\r\nLyric=\xEF\xBB\xBF"
                                         "a\r\nFlags=\r\n[#NEXT]\r\nFlags=");
        EXPECT_EQ(data.toText(), readFile(path));
    }
}

} // namespace
