#pragma once

// What the Windows tests need from the system beyond platform.h, kept apart so that only
// win32_helper.cpp sees <windows.h>.

#include <filesystem>
#include <string>

unsigned ansiCodePage();

// Local time minus UTC now, as the system converts between them.
int localMinusUtcMinutes();

// The system's own text for "file not found", through the Unicode API, in UTF-8.
std::string fileNotFoundText();

// Another handle on a file, as another program holding it open would have.
class OpenHandle {
  public:
    enum class Access { None, Read, ReadWrite };
    enum class Sharing { Nothing, Read, ReadWrite };
    OpenHandle(const std::filesystem::path &path, Access access, Sharing sharing);
    ~OpenHandle();
    OpenHandle(const OpenHandle &) = delete;
    OpenHandle &operator=(const OpenHandle &) = delete;

  private:
    void *handle;
};

struct ChildRun {
    unsigned long exitCode;
    std::string output; // its standard output
};

// Runs program with the command-line arguments given and waits for it to end.
ChildRun run(const std::filesystem::path &program, const std::wstring &arguments);

std::filesystem::path thisProgram();
