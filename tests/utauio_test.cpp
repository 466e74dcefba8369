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
    EXPECT_EQ(copy->toLines(), (std::vector<std::string>{"[#0000]", "VoiceDir=c", "Flags=g5", "[#0001]", "Flags="}));
    EXPECT_EQ(copy->flagsText(), "g5");
}

} // namespace
