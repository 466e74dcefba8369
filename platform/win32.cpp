// Win32 implementation of platform.h. Text is UTF-8 inside; every call into the system takes
// UTF-16 (the W functions), so paths and arguments survive whatever the ANSI code page is.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out CommandLineToArgvW.
#include <shellapi.h>

#include "platform/fault_buffer.h"
#include "platform/platform.h"

#include "support/failure.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace platform {

const char pathSeparator = '\\';

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

namespace {

// The system's text for an error code, in UTF-8 without the trailing line break.
std::string systemText(DWORD code);

// What a conversion the system refused with this code throws.
Exception conversionFailure(DWORD code) {
    return code == ERROR_NO_UNICODE_TRANSLATION ? invalidUtf8() : conversionError(systemText(code));
}

// codePage is CP_UTF8 or CP_ACP; strict refuses ANSI bytes that are no character too.
std::wstring toWide(std::string_view text, UINT codePage, bool strict = false) {
    if (text.empty())
        return {};
    // Invalid UTF-8 is refused rather than silently replaced; ANSI text has no invalid form
    // worth refusing, unless the caller must tell whether it is ANSI text at all.
    DWORD flags = codePage == CP_UTF8 || strict ? MB_ERR_INVALID_CHARS : 0;
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length == 0)
        throw conversionFailure(GetLastError());
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length) == 0)
        throw conversionFailure(GetLastError());
    return wide;
}

// lacking (with CP_ACP only) is set when a character the code page lacks was replaced.
std::string fromWide(std::wstring_view text, UINT codePage, BOOL *lacking = nullptr) {
    if (text.empty())
        return {};
    // Best fit would turn a character the code page lacks into a look-alike (even into "\"
    // or "/" in a path); its default character is the honest answer.
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int size = static_cast<int>(text.size());
    int length =
        WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, lacking);
    if (length == 0)
        throw conversionFailure(GetLastError());
    std::string narrow(static_cast<size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), length, nullptr,
                            lacking) == 0)
        throw conversionFailure(GetLastError());
    return narrow;
}

std::string ansiToUtf8(std::string_view text) { return fromWide(toWide(text, CP_ACP), CP_UTF8); }

std::string systemText(DWORD code) {
    char buffer[1024];
    // Language 0 lets the system pick its own language, falling back to English.
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
    if (length == 0)
        return "GetLastError() = " + std::to_string(code);
    std::string text = ansiToUtf8(std::string_view(buffer, length));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Reads GetLastError() first, so nothing in between can change it.
Exception lastFileError(const std::string &path,
                        SourcePlace where = {__builtin_FILE(), __builtin_LINE()}) {
    DWORD code = GetLastError();
    return fileError(path, systemText(code), where);
}

// Closes on every path out of the operation that opened it.
struct Handle {
    HANDLE handle;
    explicit Handle(HANDLE handle) : handle(handle) {}
    ~Handle() {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    // Closes now, reporting a failure that would otherwise go unseen.
    bool close() { return CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE)) != 0; }
};

// A virus scanner or a search indexer opens a file for a moment right after it is written or
// closed, and meanwhile the system refuses whatever needs the file to itself. Such a refusal is
// tried again after waits growing by 25 ms, 10 times at most (1.375 s in all), as SQLite and
// Git for Windows do; any other error, or the last refusal, is left set for the caller.
bool retryWhileHeld(const std::function<bool()> &attempt) {
    for (DWORD wait = 25;; wait += 25) {
        if (attempt())
            return true;
        DWORD code = GetLastError();
        bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
                    code == ERROR_ACCESS_DENIED; // a scanner's hold shows as this too
        if (!held || wait > 250)
            return false;
        Sleep(wait);
    }
}

// Every open waits for a file held for a moment: the song, its neighbour and the log alike (two
// runs at once take turns at the log).
Handle openOrThrow(const std::string &path, DWORD access, DWORD sharing, DWORD disposition) {
    std::wstring wide = toWide(path, CP_UTF8);
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!retryWhileHeld([&] {
            file = CreateFileW(wide.c_str(), access, sharing, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            return file != INVALID_HANDLE_VALUE;
        }))
        throw lastFileError(path);
    return Handle(file);
}

void writeAll(Handle &file, const std::string &path, std::string_view bytes) {
    DWORD written = 0;
    if (!WriteFile(file.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        throw lastFileError(path);
    if (written != bytes.size()) {
        SetLastError(ERROR_WRITE_FAULT);
        throw lastFileError(path);
    }
}

void closeOrThrow(Handle &file, const std::string &path) {
    if (!file.close())
        throw lastFileError(path);
}

} // namespace

std::vector<std::string> arguments(int, char **) {
    // argv went through the ANSI code page and lost what it lacks; the wide command line did not.
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (!wide)
        throw conversionError(systemText(GetLastError()));
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i)
        result.push_back(fromWide(wide.get()[i], CP_UTF8));
    return result;
}

std::string readWhole(const std::string &path) {
    Handle file = openOrThrow(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    DWORD high = 0;
    DWORD size = GetFileSize(file.handle, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        throw lastFileError(path);
    if (high != 0) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        throw lastFileError(path);
    }
    std::string content(size, '\0');
    DWORD got = 0;
    if (!ReadFile(file.handle, content.data(), size, &got, nullptr))
        throw lastFileError(path);
    if (got != size) { // the file shrank while it was read
        SetLastError(ERROR_HANDLE_EOF);
        throw lastFileError(path);
    }
    closeOrThrow(file, path);
    return content;
}

void replaceWhole(const std::string &path, const std::function<void(const Writer &)> &produce) {
    // Opening the file itself for writing first fails where a plain write would (a read-only
    // file, a missing folder, a file another process has open), which a rename over it might
    // get round or fail at only after the neighbour is written.
    Handle original = openOrThrow(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
    closeOrThrow(original, path);

    std::string neighbour = path + ".tessal-" + std::to_string(GetCurrentProcessId());
    std::wstring from = toWide(neighbour, CP_UTF8), to = toWide(path, CP_UTF8);
    try {
        // Sharing reads lets a scanner look at the neighbour while it is written; it is the
        // plug-in's own scratch file, and nobody else writes it.
        Handle file = openOrThrow(neighbour, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
        produce([&](std::string_view piece) { writeAll(file, neighbour, piece); });
        closeOrThrow(file, neighbour);
        // A rename over the original happens whole or not at all. ReplaceFileW, given no
        // backup name, can fail having already taken the original away.
        if (!retryWhileHeld([&] {
                return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
            }))
            throw lastFileError(path);
    } catch (...) {
        // A scanner may be holding the neighbour too.
        retryWhileHeld([&] { return DeleteFileW(from.c_str()) != 0; });
        throw;
    }
}

void append(const std::string &path, std::string_view bytes) {
    Handle file = openOrThrow(path, GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (SetFilePointer(file.handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        throw lastFileError(path);
    writeAll(file, path, bytes);
    closeOrThrow(file, path);
}

void truncate(const std::string &path) {
    Handle file = openOrThrow(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    closeOrThrow(file, path);
}

bool exists(const std::string &path) {
    return GetFileAttributesW(toWide(path, CP_UTF8).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isFolder(const std::string &path) {
    const DWORD attributes = GetFileAttributesW(toWide(path, CP_UTF8).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<FolderEntry> listFolder(const std::string &path) {
    const bool ended = !path.empty() && isPathSeparator(path.back());
    const std::wstring pattern = toWide(path + (ended ? "*" : "\\*"), CP_UTF8);
    WIN32_FIND_DATAW found;
    // The basic information in large batches: no short names, fewer calls into the system.
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    std::vector<FolderEntry> entries;
    if (search == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) // a drive's root with nothing in it
            return entries;
        throw lastFileError(path);
    }
    std::unique_ptr<void, decltype(&FindClose)> closer(search, &FindClose);
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const DWORD attributes = found.dwFileAttributes;
        // A junction or a folder link is not walked into: it may lead back up.
        const auto kind = !(attributes & FILE_ATTRIBUTE_DIRECTORY)    ? FolderEntry::file
                          : attributes & FILE_ATTRIBUTE_REPARSE_POINT ? FolderEntry::other
                                                                      : FolderEntry::folder;
        entries.push_back({kind, fromWide(name, CP_UTF8)});
    } while (FindNextFileW(search, &found));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        throw lastFileError(path);
    return entries;
}

unsigned long long fileSize(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(toWide(path, CP_UTF8).c_str(), GetFileExInfoStandard, &data))
        throw lastFileError(path);
    return static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::string folderFromHost(std::string_view value, bool utf8) {
    // UTF-8 that is not valid is refused here, as every path of ours is.
    std::string folder = utf8 ? fromWide(toWide(value, CP_UTF8), CP_UTF8) : ansiToUtf8(value);
    return folder.starts_with('/') ? "Z:" + folder : folder;
}

std::string utf8ToAnsi(std::string_view text) { return fromWide(toWide(text, CP_UTF8), CP_ACP); }

std::optional<std::string> ansiForm(std::string_view utf8) {
    if (GetACP() == CP_UTF8)
        return std::nullopt;
    try {
        BOOL lacking = FALSE;
        std::string form = fromWide(toWide(utf8, CP_UTF8), CP_ACP, &lacking);
        return lacking ? std::nullopt : std::optional<std::string>(std::move(form));
    } catch (const Exception &) {
        return std::nullopt;
    }
}

std::optional<std::string> unmarkedToUtf8(std::string_view text) {
    try {
        return fromWide(toWide(text, CP_ACP, true), CP_UTF8);
    } catch (const Exception &) {
        return std::nullopt;
    }
}

Clock now() {
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    TIME_ZONE_INFORMATION zone;
    DWORD which = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias + (which == TIME_ZONE_ID_STANDARD   ? zone.StandardBias
                             : which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias
                                                              : 0);
    return Clock{
        {utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds},
        static_cast<int>(-bias)};
}

std::string executablePathAnsi() {
    char buffer[260] = {};
    // A longer path comes back cut, and on old systems without its terminating zero.
    GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw lastFileError("GetModuleFileNameW");
        if (length < buffer.size()) {
            buffer.resize(length);
            return fromWide(buffer, CP_UTF8);
        }
        buffer.resize(buffer.size() * 2); // filled: it has been cut
    }
}

void showMessage(const std::string &text) {
    MessageBoxA(nullptr, text.c_str(), "Message", MB_OK | MB_ICONEXCLAMATION);
}

bool askYesNo(const std::string &text) {
    return MessageBoxA(nullptr, text.c_str(), "Message", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void writeStandardOutput(std::string_view text) {
    // A GUI-subsystem process has a standard output only when its parent redirected one.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

namespace {

const char *faultName(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
        return "Access violation";
    case EXCEPTION_IN_PAGE_ERROR:
        return "In-page error";
    case EXCEPTION_STACK_OVERFLOW:
        return "Stack overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
        return "Illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "Integer divide by zero";
    case EXCEPTION_INT_OVERFLOW:
        return "Integer overflow";
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return "Datatype misalignment";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        return "Array bounds exceeded";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
        return "Floating-point fault";
    default:
        return "Unhandled exception";
    }
}

FaultBuffer report, logEntry;
char faultLog[260]; // the log that a fault ends, or empty

LONG WINAPI onFault(EXCEPTION_POINTERS *fault) {
    // The heap may be what broke: the lines are built on the stack.
    const char *name = faultName(fault->ExceptionRecord->ExceptionCode);
    char line[320];
    writeStandardOutput(report.around(name, line));
    HANDLE log = faultLog[0] ? CreateFileA(faultLog, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                             : INVALID_HANDLE_VALUE;
    if (log != INVALID_HANDLE_VALUE) {
        const std::string_view entry = logEntry.around(name, line);
        DWORD written = 0;
        WriteFile(log, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
        CloseHandle(log);
    }
    // Nothing of this process runs again: no atexit handlers, no DLL detach code.
    TerminateProcess(GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void reportMachineFaults(const FaultText &text) {
    report.set(text);
    // No "program has stopped working" box, nor one asking to insert a disk.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(onFault);
}

void logMachineFaults(const std::string &logName, const FaultText &entry) {
    if (!keep(faultLog, logName) || !logEntry.set(entry))
        faultLog[0] = '\0';
}

} // namespace platform
