#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"
#include "scratch_dir.h"
#include "support/failure.h"

#include <gtest/gtest.h>

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
