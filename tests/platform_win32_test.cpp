#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(Win32Files, AFileOpenElsewhereIsNotReplaced) {
    ScratchDir dir;
    const std::string path = dir.file("song.tmp");
    writeFile(path, "old");
    // No data access, sharing all but deletion: the first open for writing passes, so the
    // rename is what fails.
    HANDLE holder = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_THROW(platform::replaceWhole(path, "new"), Exception);
    CloseHandle(holder);
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1)
        << "no neighbouring file left behind";
}

// A virus scanner or a search indexer holds a file for a moment right after it is written or
// closed: every open waits for it, and a song held for longer is left as it was.
TEST(Win32Files, WaitsForAFileHeldForAMoment) {
    ScratchDir dir;
    const std::string path = dir.file("song.tmp");
    writeFile(path, "old");
    auto hold = [](const std::string &file) {
        return CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    // The song while it is read, then the neighbouring file before it is made, each for 300 ms.
    const std::string neighbour = path + ".tessal-" + std::to_string(GetCurrentProcessId());
    for (const std::string &held : {path, neighbour}) {
        SCOPED_TRACE(held);
        HANDLE holder = hold(held);
        std::thread release([holder] {
            Sleep(300);
            CloseHandle(holder);
        });
        const DWORD start = GetTickCount();
        EXPECT_NO_THROW(held == path ? (void)platform::readWhole(path)
                                     : platform::replaceWhole(path, "new"));
        EXPECT_GE(GetTickCount() - start, 250u);
        release.join();
    }
    EXPECT_EQ(readFile(path), "new");
    HANDLE holder = hold(path);
    const DWORD start = GetTickCount();
    EXPECT_THROW(platform::replaceWhole(path, "newer"), Exception);
    const DWORD elapsed = GetTickCount() - start;
    CloseHandle(holder);
    EXPECT_TRUE(elapsed > 1300 && elapsed < 3500) << elapsed << " ms: it gives up after 1.375 s";
    EXPECT_EQ(readFile(path), "new");
}

// Runs only as the child of the test after it.
TEST(Win32Child, DISABLED_AccessViolation) {
    platform::reportMachineFaults({"Error: ", "\n"});
    platform::logMachineFaults("fault.log", {"fault: ", ".\r\n"});
    *static_cast<volatile int *>(nullptr) = 1;
}

TEST(Win32Process, AccessViolationIsReportedWithStatus1) {
    wchar_t program[32768];
    GetModuleFileNameW(nullptr, program, 32768);
    // Through cmd.exe, which takes the outer quotes off.
    const std::wstring command = L"\"\"" + std::wstring(program) +
                                 L"\" --gtest_also_run_disabled_tests --gtest_catch_exceptions=0 "
                                 L"--gtest_filter=Win32Child.DISABLED_AccessViolation\"";
    writeFile("fault.log", "Temporary file read.\r\n");
    FILE *child = _wpopen(command.c_str(), L"rb");
    ASSERT_NE(child, nullptr);
    std::string output;
    for (int c; (c = std::fgetc(child)) != EOF;)
        output += static_cast<char>(c);
    EXPECT_EQ(_pclose(child), 1);
    EXPECT_TRUE(output.ends_with("Error: Access violation\n")) << output;
    EXPECT_EQ(readFile("fault.log"), "Temporary file read.\r\nfault: Access violation.\r\n");
    std::filesystem::remove("fault.log");
}

} // namespace
