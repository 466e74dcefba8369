#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "win32_helper.h"

#include <stdexcept>

namespace {

std::string utf8(std::wstring_view wide) {
    std::string text(wide.size() * 3, '\0');
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                     text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(length));
    return text;
}

// Closes on every way out of the test.
struct Closer {
    HANDLE handle;
    ~Closer() { CloseHandle(handle); }
};

} // namespace

unsigned ansiCodePage() { return GetACP(); }

int localMinusUtcMinutes() {
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    auto ticks = [](const SYSTEMTIME &time) { // 100 ns since 1601
        FILETIME file;
        SystemTimeToFileTime(&time, &file);
        return static_cast<long long>(file.dwHighDateTime) << 32 | file.dwLowDateTime;
    };
    return static_cast<int>((ticks(local) - ticks(utc)) / 600'000'000);
}

std::string fileNotFoundText() {
    wchar_t buffer[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, ERROR_FILE_NOT_FOUND, 0, buffer, 512, nullptr);
    std::wstring_view text(buffer, length);
    while (text.ends_with(L'\n') || text.ends_with(L'\r'))
        text.remove_suffix(1);
    return utf8(text);
}

OpenHandle::OpenHandle(const std::filesystem::path &path, Access access, Sharing sharing) {
    DWORD rights = access == Access::None   ? 0
                   : access == Access::Read ? GENERIC_READ
                                            : GENERIC_READ | GENERIC_WRITE;
    DWORD shares = sharing == Sharing::Nothing ? 0
                   : sharing == Sharing::Read  ? FILE_SHARE_READ
                                               : FILE_SHARE_READ | FILE_SHARE_WRITE;
    handle = CreateFileW(path.c_str(), rights, shares, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw std::runtime_error("test setup: cannot open " + path.string());
}

OpenHandle::~OpenHandle() { CloseHandle(handle); }

ChildRun run(const std::filesystem::path &program, const std::wstring &arguments) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE reader, writer;
    if (!CreatePipe(&reader, &writer, &inherited, 0))
        throw std::runtime_error("test setup: no pipe");
    Closer readEnd{reader};
    SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer;
    startup.hStdError = writer;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &process);
    CloseHandle(writer); // the pipe ends when the child's copy closes
    if (!started)
        throw std::runtime_error("test setup: cannot start " + program.string());
    Closer processHandle{process.hProcess}, threadHandle{process.hThread};

    ChildRun result{};
    char chunk[4096];
    DWORD got;
    while (ReadFile(reader, chunk, sizeof chunk, &got, nullptr) && got > 0)
        result.output.append(chunk, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    return result;
}

std::filesystem::path thisProgram() {
    wchar_t buffer[32768];
    DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
    return std::wstring(buffer, length);
}
