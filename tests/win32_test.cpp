#include "platform/platform.h"
#include "scratch_dir.h"
#include "support/failure.h"
#include "win32_helper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Names and paths in UTF-8; std::filesystem would take a plain string as ANSI.
std::filesystem::path pathOf(const std::string &utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

std::string readByPath(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string failureOf(auto operation) {
    try {
        operation();
    } catch (const Exception &e) {
        return e.message;
    }
    return "no failure";
}

#define REQUIRE_SHIFT_JIS()                                                                        \
    if (ansiCodePage() != 932)                                                                     \
    GTEST_SKIP() << "needs ANSI code page 932 (run under LC_ALL=ja_JP.UTF-8), have "               \
                 << ansiCodePage()

const std::string a = "\xE3\x81\x82";        // あ
const std::string clef = "\xF0\x9D\x84\x9E"; // U+1D11E, two UTF-16 units

TEST(Win32Text, ShiftJisRoundTrip) {
    REQUIRE_SHIFT_JIS();
    struct Case {
        std::string ansi, utf8;
    } cases[] = {
        {"\x82\xA0", a},
        {"\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"}, // テスト
        {"\xB1\xB2", "\xEF\xBD\xB1\xEF\xBD\xB2"},                             // ｱｲ half-width
        {"\x95\x5C\x8E\xA6", "\xE8\xA1\xA8\xE7\xA4\xBA"},                     // 表示: 0x5C trails
        {"C:\\UTAU\\\x89\xB9\x8C\xB9\\oto.ini",
         "C:\\UTAU\\\xE9\x9F\xB3\xE6\xBA\x90\\oto.ini"}, // 音源
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(platform::ansiToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(platform::utf8ToAnsi(c.utf8), c.ansi);
    }
}

TEST(Win32Text, AsciiPassesUnchanged) {
    std::string ascii;
    for (int byte = 0; byte < 0x80; ++byte)
        ascii += static_cast<char>(byte);
    EXPECT_EQ(platform::utf8ToAnsi(ascii), ascii);
    EXPECT_EQ(platform::ansiToUtf8(ascii), ascii);
    EXPECT_EQ(platform::utf8ToAnsi(""), "");
    EXPECT_EQ(platform::ansiToUtf8(""), "");
}

TEST(Win32Text, InvalidUtf8IsRefused) {
    for (std::string bad :
         {"\x82\xA0", "\xC0\xAF", "\xE3\x81", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ok\xFF"}) {
        SCOPED_TRACE(testing::PrintToString(bad));
        std::string message = failureOf([&] { platform::utf8ToAnsi(bad); });
        EXPECT_EQ(message, "invalid UTF-8 sequence");
    }
}

TEST(Win32Text, MissingCharactersBecomeTheDefaultCharacter) {
    REQUIRE_SHIFT_JIS();
    struct Case {
        std::string utf8, ansi;
    } cases[] = {
        {"caf\xC3\xA9", "caf?"}, // é, which best fit would make "e"
        {"\xE2\x82\xAC"
         "1",
         "?1"},                            // €
        {a + "\xE2\x88\x95", "\x82\xA0?"}, // U+2215 division slash, best fit "/"
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(platform::utf8ToAnsi(c.utf8), c.ansi);
    }
    // However many code units a character beyond the BMP takes, only question marks remain.
    std::string emoji = platform::utf8ToAnsi("x\xF0\x9F\x8E\xB5y");
    EXPECT_TRUE(emoji == "x?y" || emoji == "x??y") << emoji;
}

TEST(Win32Files, PathsBeyondTheCodePage) {
    ScratchDir dir;
    std::string name = a + clef + ".txt"; // 11 + 4 bytes in UTF-8, 7 units in UTF-16
    std::string path = dir.path.string() + "\\" + name;
    platform::writeWhole(path, "[#0000]");
    platform::append(path, "\r\nLyric=" + a);
    EXPECT_EQ(platform::readWhole(path), "[#0000]\r\nLyric=" + a);
    EXPECT_EQ(readByPath(pathOf(path)), "[#0000]\r\nLyric=" + a);
    platform::replaceWhole(path, "new");
    EXPECT_EQ(readByPath(pathOf(path)), "new");
    platform::truncate(path);
    EXPECT_EQ(readByPath(pathOf(path)), "");
    std::vector<std::u8string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path))
        names.push_back(entry.path().filename().u8string());
    EXPECT_EQ(names, std::vector<std::u8string>{pathOf(name).u8string()});
}

TEST(Win32Files, ErrorTextIsTheSystemsOwnInUtf8) {
    ScratchDir dir;
    std::string missing = dir.file("none.tmp");
    std::string message = failureOf([&] { platform::readWhole(missing); });
    std::string prefix = "), data file " + missing + ": ";
    size_t at = message.find(prefix);
    ASSERT_NE(at, std::string::npos) << message;
    std::string text = message.substr(at + prefix.size());
    EXPECT_EQ(text, fileNotFoundText());
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(text.ends_with("\n") || text.ends_with("\r")) << text;
    if (ansiCodePage() == 932) {
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }))
            << "expected Japanese text: " << text;
    }
}

TEST(Win32Files, AFileHeldOpenWithoutSharingCannotBeRead) {
    ScratchDir dir;
    std::string path = dir.file("song.tmp");
    writeFile(path, "old");
    OpenHandle holder(path, OpenHandle::Access::ReadWrite, OpenHandle::Sharing::Nothing);
    std::string message = failureOf([&] { platform::readWhole(path); });
    EXPECT_TRUE(message.starts_with("In win32.cpp(")) << message;
}

TEST(Win32Files, AFileHeldOpenIsNotReplaced) {
    struct Case {
        const char *what;
        OpenHandle::Access access;
        OpenHandle::Sharing sharing;
    } cases[] = {
        {"reading, sharing reads", OpenHandle::Access::Read, OpenHandle::Sharing::Read},
        {"reading, sharing everything but deletion", OpenHandle::Access::Read,
         OpenHandle::Sharing::ReadWrite},
        // Passes the first open for writing, so the rename is what must fail.
        {"no data access, sharing everything but deletion", OpenHandle::Access::None,
         OpenHandle::Sharing::ReadWrite},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        std::string path = dir.file("song.tmp");
        writeFile(path, "old");
        {
            OpenHandle holder(path, c.access, c.sharing);
            std::string message = failureOf([&] { platform::replaceWhole(path, "new"); });
            EXPECT_TRUE(message.starts_with("In win32.cpp(")) << message;
        }
        EXPECT_EQ(readFile(path), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1)
            << "no neighbouring file left behind";
    }
}

// scripts/windows-test.sh sets TZ, which Wine maps to a Windows time zone, so that this
// compares a non-zero offset.
TEST(Win32Clock, OffsetIsLocalTimeMinusUtc) {
    EXPECT_EQ(platform::now().offsetMinutes, localMinusUtcMinutes());
}

// The DISABLED_ tests below run only as children of the tests after them.

TEST(Win32Child, DISABLED_PrintArguments) {
    for (const std::string &argument : platform::arguments(0, nullptr))
        platform::writeStandardOutput("<" + argument + ">\n");
}

TEST(Win32Child, DISABLED_PrintExecutablePaths) {
    platform::writeStandardOutput("<" + platform::executablePath() + ">\n<" +
                                  platform::executablePathAnsi() + ">\n");
}

TEST(Win32Child, DISABLED_AccessViolation) {
    platform::reportMachineFaults();
    *static_cast<volatile int *>(nullptr) = 1;
}

const std::wstring runChild = L"--gtest_also_run_disabled_tests --gtest_catch_exceptions=0 "
                              L"--gtest_filter=Win32Child.DISABLED_";

TEST(Win32Process, ArgumentsComeFromTheWideCommandLine) {
    ChildRun child = run(thisProgram(), runChild + L"PrintArguments \"\u3042 \U0001D11E\" x");
    EXPECT_EQ(child.exitCode, 0u) << child.output;
    EXPECT_NE(child.output.find("<" + a + " " + clef + ">\n<x>\n"), std::string::npos)
        << child.output;
}

TEST(Win32Process, ExecutablePathsFullAndCutToTheClassicBuffer) {
    REQUIRE_SHIFT_JIS();
    ScratchDir dir;
    // 120 characters: 360 bytes in UTF-8, 240 in Shift-JIS, 120 units in UTF-16.
    std::string folder;
    for (int i = 0; i < 120; ++i)
        folder += a;
    std::string program = dir.path.string() + "\\" + folder + "\\copy.exe";
    std::filesystem::create_directory(pathOf(dir.path.string() + "\\" + folder));
    std::filesystem::copy_file(thisProgram(), pathOf(program));

    ChildRun child = run(pathOf(program), runChild + L"PrintExecutablePaths");
    EXPECT_EQ(child.exitCode, 0u) << child.output;
    std::string ansiProgram = platform::utf8ToAnsi(program);
    ASSERT_GT(ansiProgram.size(), 260u);
    std::string full = "<" + program + ">\n";
    size_t at = child.output.find(full);
    ASSERT_NE(at, std::string::npos) << child.output;
    std::string rest = child.output.substr(at + full.size());
    std::string cut = rest.substr(1, rest.find(">\n") - 1);
    // 260 bytes when the system leaves out the terminating zero; one fewer, or two where a
    // double-byte character would straddle the end, when it does not.
    EXPECT_GE(cut.size(), 258u);
    EXPECT_LE(cut.size(), 260u);
    EXPECT_TRUE(ansiProgram.starts_with(cut)) << cut;
}

TEST(Win32Process, AccessViolationIsReportedWithStatus1) {
    ChildRun child = run(thisProgram(), runChild + L"AccessViolation");
    EXPECT_EQ(child.exitCode, 1u);
    EXPECT_TRUE(child.output.ends_with("Error: Access violation\n")) << child.output;
}

} // namespace
