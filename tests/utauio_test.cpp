#include "scratch_dir.h"
#include "support/failure.h"
#include "utauio/inout_data.h"
#include "utauio/section_name.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Lines = std::vector<std::string>;

std::string joined(const Lines &lines) {
    std::string text;
    for (const std::string &line : lines)
        text += (text.empty() ? "" : "\r\n") + line;
    return text;
}

std::string rewritten(const std::string &input) {
    InoutData data;
    data.parse(input);
    return data.toText();
}

TEST(SectionName, NumericTest) {
    struct Case {
        std::string name;
        bool numeric;
    } cases[] = {
        {"0000", true},    {"0123", true},     {"12", true},       {"-3", true},
        {"1.5", true},     {"1e+5", true},     {"1E-5", true},     {"NaN", true},
        {"nani", true},    {"nan+nani", true}, {"INF", true},      {"-inf", true},
        {"7u", true},      {"7UL", true},      {"1.5f", true},     {"2l", true},
        {"3i", true},      {"1.5fi", true},    {"2li", true},      {"1+2i", true},
        {"-", true},       {"+", true},        {"1.2+3.4", true},  {"1e+2+3e-4", true},
        {"7\xC4\xB0", true}, // U+0130 lowers to i
        {"", false},       {"1e5", false},     {"1e", false},      {"12x", false},
        {"setting", false}, {"1,000", false},  {"1.2.3", false},   {"1e+2e+3", false},
        {"1.5u", false},   {"1.5ul", false},   {"1+2l", false},    {"1+2u", false},
        {"+inf", false},   {"x1", false},      {"\xE3\x81\x82", false}, {"TRACKEND", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isNumericName(c.name), c.numeric);
    }
}

TEST(SectionName, InvalidUtf8FailsToDecode) {
    try {
        isNumericName("12\x82\xA0");
        FAIL() << "no throw";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message, "invalid UTF-8 sequence");
    }
}

TEST(Session, EntryLines) {
    Session session("0000");
    for (const char *line : {"Lyric=a=b", "Length=", " Lyric=x", "flags=g5", "Velocity=1",
                             "Velocity=2", "NoEquals", "=lead", "[#0007]"})
        session.parseLine(line);
    EXPECT_EQ(session.name, "0007");
    EXPECT_EQ(session.entries.at("Lyric"), "a=b");
    EXPECT_EQ(session.entries.at("Length"), "");
    EXPECT_EQ(session.entries.at(" Lyric"), "x");
    EXPECT_EQ(session.entries.at("flags"), "g5");
    EXPECT_EQ(session.entries.at("Velocity"), "2");
    EXPECT_EQ(session.entries.at("NoEquals"), "");
    EXPECT_EQ(session.entries.at("=lead"), "");
    EXPECT_TRUE(session.flags.empty());
}

// A bare "Flags" line once became an entry of that name, written as a second "Flags=" line
// that read back differently: writing was not stable.
TEST(Session, BareFlagsLineIsAnEmptyFlagsEntry) {
    Session session("0000");
    session.parseLines({"Flags", "Lyric=a"});
    EXPECT_EQ(session.toLines(), (Lines{"[#0000]", "Lyric=a", "Flags="}));
}

// The "Flags" line comes back as the host wrote it (its last one): flags of several letters
// ("Mt50") once came back as other flags ("t50"), and the host rendered the note differently.
// The letters are still taken apart for code that reads single flags.
TEST(Session, FlagsComeBackAsWritten) {
    struct Case {
        Lines values;
        std::string written, letters;
    } cases[] = {
        {{"g0Mt50B0H0P86"}, "g0Mt50B0H0P86", "g0t50B0H0MP86"},
        {{"Hb50Hv100Ht20g0"}, "Hb50Hv100Ht20g0", "b50g0t20v100H"},
        {{"B50g-5"}, "B50g-5", "g-5B50"},
        {{"5g2"}, "5g2", "g2"},
        {{""}, "", ""},
        {{"g5", "B1"}, "B1", "g5B1"},
        {{"g\x82\xA0 1 "}, "g\x82\xA0 1 ", "g\x82\xA0 1 "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.values[0]);
        Session session("0000");
        for (const std::string &value : c.values)
            session.parseLine("Flags=" + value);
        EXPECT_EQ(session.toLines().back(), "Flags=" + c.written);
        EXPECT_EQ(session.flagsText(), c.letters);
        EXPECT_FALSE(session.entries.contains("Flags"));
    }
}

TEST(Session, TextSizeIsExact) {
    Session session("0001");
    session.parseLines({"Lyric=a", "Length=480", "NoEquals", "Flags=g-5B50", "Flags=Y0"});
    session.follower = std::make_unique<Session>("0002");
    session.follower->parseLine("PitchBend=" + std::string(300, '5'));
    auto expectExact = [&] {
        std::string text = "[#PREV]";
        session.appendText(text);
        EXPECT_EQ(text.size() - 7, session.textSize());
        Lines lines = session.toLines();
        EXPECT_EQ(text, "[#PREV]" + joined(lines) + "\r\n");
    };
    expectExact();
    // Longer and shorter values; a key that had no value.
    session.entries.set("Lyric", "- a");
    session.entries.set("Length", "48");
    session.entries.set("NoEquals", "now=1");
    session.parseLine("Flags=g-10");
    expectExact();
}

TEST(Session, CloneCopiesEverythingIndependently) {
    Session session("0001");
    session.parseLines({"Lyric=a", "Length=480", "Flags=g5"});
    session.follower = std::make_unique<Session>("0002");
    session.follower->parseLine("Lyric=i");
    auto copy = session.clone();
    session.entries.set("Lyric", "changed");
    EXPECT_EQ(copy->toLines(), (Lines{"[#0001]", "Length=480", "Lyric=a", "Flags=g5", "[#0002]",
                                      "Lyric=i", "Flags="}));
}

TEST(InoutData, WorkedExample) {
    std::string input = "[#SETTING]\nTempo=120\nTracks=1\n[#0000]\r\nLength=480\rLyric=a\r\n"
                        "NoteNum=60\nFlags=B50g-5\n\n[#NEXT]\nLyric=R\n";
    EXPECT_EQ(rewritten(input),
              joined({"[#SETTING]", "Tempo=120", "Tracks=1", "Flags=", "[#PREV]", "Flags=",
                      "[#0000]", "NoteNum=60", "Length=480", "Lyric=a", "Flags=B50g-5", "[#NEXT]",
                      "Lyric=R", "Flags="}));
}

TEST(InoutData, RealisticNoteComesOutInEntryOrder) {
    std::string input = "[#0003]\r\nLength=480\r\nLyric=\x82\xA0\r\nNoteNum=64\r\n"
                        "PreUtterance=\r\nVoiceOverlap=\r\nIntensity=100\r\nModulation=0\r\n"
                        "PBS=-40;0\r\nPBW=80\r\nEnvelope=0,5,35,0,100,100,0\r\nStartPoint=\r\n"
                        "Velocity=100\r\nFlags=g-2B40\r\n";
    InoutData data;
    data.parse(input);
    ASSERT_EQ(data.notes.size(), 1u);
    // Worked out by hand from the keys' hashes and slots.
    EXPECT_EQ(data.notes[0]->toLines(),
              (Lines{"[#0003]", "Intensity=100", "NoteNum=64", "Length=480", "PBS=-40;0",
                     "StartPoint=", "Velocity=100", "PBW=80", "PreUtterance=", "VoiceOverlap=",
                     "Modulation=0", "Envelope=0,5,35,0,100,100,0", "Lyric=\x82\xA0",
                     "Flags=g-2B40"}));
}

TEST(InoutData, Sections) {
    InoutData data;
    data.parse("\xEF\xBB\xBF[#PREV]\nD=4\nstray=1\n[#SETTING] \n[#setting]\nA=1\n[#]\nB=2\n[#-]\nLyric=R\n[#+]\n"
               "Lyric=a\n[#TRACKEND]\nC=3\n[#0003]\nLyric=x\n[#0003]\nLyric=y\n"
               "[#SETTING]\nTempo=1\n[#SETTING]\nTempo=2\nVoiceDir=v\n[#SETTING] \n");
    Lines names;
    for (auto &note : data.notes)
        names.push_back(note->name + ":" + std::string(note->entries.at("Lyric")));
    EXPECT_EQ(names, (Lines{"-:R", "+:a", "0003:x", "0003:y"}));
    EXPECT_EQ(data.setting->toLines(), (Lines{"[#SETTING]", "VoiceDir=v", "[#SETTING] =", "Tempo=2", "Flags="}));
    EXPECT_EQ(data.prev->toLines(), (Lines{"[#PREV]", "Flags="}));
    EXPECT_EQ(data.next->toLines(), (Lines{"[#NEXT]", "Flags="}));
}

TEST(InoutData, EmptyAndLineEndVariantsWriteAlike) {
    EXPECT_EQ(rewritten(""), joined({"[#SETTING]", "Flags=", "[#PREV]", "Flags=", "[#NEXT]",
                                     "Flags="}));
    const std::string crlf = "[#PREV]\r\nLyric=R\r\n[#0000]\r\nLyric=a\r\n";
    std::string lf = crlf, cr = crlf, lfcr = crlf;
    auto replaceAll = [](std::string &text, const std::string &with) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "\r\n") == 0) {
                out += with;
                ++i;
            } else {
                out += text[i];
            }
        }
        text = out;
    };
    replaceAll(lf, "\n");
    replaceAll(cr, "\r");
    replaceAll(lfcr, "\n\r");
    for (const std::string &variant : {lf, cr, lfcr}) {
        SCOPED_TRACE(testing::PrintToString(variant));
        EXPECT_EQ(rewritten(variant), rewritten(crlf));
    }
    EXPECT_FALSE(rewritten(crlf).ends_with("\r\n"));
}

TEST(InoutData, VoiceBankPaths) {
    struct Case {
        std::string text;
        std::string oto, prefix;
    } cases[] = {
        {"", "C:\\Program Files\\UTAU\\voice\\oto\\oto.ini",
         "C:\\Program Files\\UTAU\\voice\\oto\\prefix.map"},
        {"[#SETTING]\nVoiceDir=\n", "\\oto.ini", "\\prefix.map"},
        {"[#SETTING]\nVoiceDir=D:\\v\\\n", "D:\\v\\\\oto.ini", "D:\\v\\\\prefix.map"},
        {"[#SETTING]\nVoiceDir=a\nVoiceDir=b\n[#NEXT]\nVoiceDir=c", "b\\oto.ini",
         "b\\prefix.map"},
        {"[#0000]\nVoiceDir=c\n[#PREV]\nVoiceDir=d", "C:\\Program Files\\UTAU\\voice\\oto\\oto.ini",
         "C:\\Program Files\\UTAU\\voice\\oto\\prefix.map"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        InoutData data;
        data.parse(c.text);
        EXPECT_EQ(data.otoIniPath(), c.oto);
        EXPECT_EQ(data.prefixMapPath(), c.prefix);
    }
}

TEST(InoutData, AnyBytesReadWithoutFailureAndRewriteIsStable) {
    std::mt19937 random(2026);
    const std::string alphabet = "[#]=\r\nFlagsLyric0123SETTINGPREVNEXT-+.e\x82\xA0 \t";
    for (int round = 0; round < 300; ++round) {
        std::string input;
        size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i)
            input += random() % 4 ? alphabet[random() % alphabet.size()] : char(random() % 128);
        SCOPED_TRACE(testing::PrintToString(input));
        std::string once = rewritten(input);
        EXPECT_EQ(rewritten(once), once);
    }
}

TEST(InoutData, SaveWritesTheFileAndReadsBackTheSame) {
    ScratchDir dir;
    std::string path = dir.file("song.tmp");
    writeFile(path, "[#0000]\nLyric=\x82\xA0\nFlags=B1g2\n");
    InoutData data(path);
    data.save();
    std::string once = readFile(path);
    EXPECT_EQ(once, rewritten("[#0000]\nLyric=\x82\xA0\nFlags=B1g2\n"));
    InoutData(path).save();
    EXPECT_EQ(readFile(path), once);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1)
        << "no neighbouring file left behind";
}

TEST(InoutData, LargeSongIsSavedAsItsText) {
    // Many notes and one long line, so the text is written in several pieces.
    std::string song = "[#SETTING]\nTempo=120\n";
    for (int i = 0; i < 4000; ++i) {
        song += "[#" + std::to_string(10000 + i) + "]\nLength=480\nLyric=a\nEnvelope=0,5,35,0," +
                std::to_string(i) + "\nFlags=g-5B" + std::to_string(i % 100) + "\n";
    }
    song += "[#NEXT]\nPitchBend=" + std::string(700000, '5');
    ScratchDir dir;
    std::string path = dir.file("song.tmp");
    writeFile(path, song);
    InoutData data(path);
    data.save();
    std::string saved = readFile(path);
    EXPECT_EQ(saved, data.toText());
    EXPECT_EQ(saved, rewritten(song));
    EXPECT_TRUE(saved.ends_with("\r\nPitchBend=" + std::string(700000, '5') + "\r\nFlags="));
}

TEST(InoutData, LoadAndSaveFailWithTheFileError) {
    ScratchDir dir;
    std::string missing = dir.file("nothing.tmp");
    try {
        InoutData data(missing);
        FAIL() << "no throw";
    } catch (const Exception &e) {
        EXPECT_EQ(e.kind, "FileException");
        EXPECT_NE(e.message.find("), data file " + missing + ": "), std::string::npos);
    }
    // The folder disappears between reading and saving: nothing is created anew.
    std::filesystem::create_directory(dir.file("gone"));
    writeFile(dir.file("gone/song.tmp"), "[#0000]\nLyric=a\n");
    InoutData data(dir.file("gone/song.tmp"));
    std::filesystem::remove_all(dir.file("gone"));
    EXPECT_THROW(data.save(), Exception);
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
}

} // namespace
