// Holds a file open as another program would (a virus scanner, a search indexer), for the
// Windows end-to-end tests:
//   hold_open PATH none|read|read-write
// opens PATH for reading, sharing nothing, reading, or reading and writing, prints "held" and
// keeps the file open until its standard input ends. A PATH ending in "*" names a file yet to
// come, such as the plug-in's neighbouring file SONG.tessal-*: the program prints "watching",
// opens the first such file as soon as it appears, as a scanner opens a file being written,
// and prints "held" once the file's writer has closed it.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

namespace {

void say(const char *line) {
    std::puts(line);
    std::fflush(stdout);
}

// Polls until done() holds; false after 30 s, when the test has gone wrong.
bool pollUntil(const std::function<bool()> &done) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(1)) {
        if (done())
            return true;
    }
    return false;
}

// The first file that matches pattern, once there is one; empty if none comes.
std::wstring appearing(const std::wstring &pattern) {
    std::wstring found;
    pollUntil([&] {
        WIN32_FIND_DATAW match;
        HANDLE search = FindFirstFileW(pattern.c_str(), &match);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        found = pattern.substr(0, pattern.rfind(L'\\') + 1) + match.cFileName;
        return true;
    });
    return found;
}

// Whether no one has the file open for writing: only then may it be opened sharing just reads.
bool writerClosed(const std::wstring &path) {
    HANDLE probe = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(probe);
    return true;
}

} // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc != 3)
        return 2;
    std::wstring path = argv[1];
    DWORD sharing = std::wcscmp(argv[2], L"none") == 0   ? 0
                    : std::wcscmp(argv[2], L"read") == 0 ? FILE_SHARE_READ
                                                         : FILE_SHARE_READ | FILE_SHARE_WRITE;
    bool toCome = path.ends_with(L'*');
    if (toCome) {
        say("watching");
        path = appearing(path);
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || (toCome && !pollUntil([&] { return writerClosed(path); })))
        return 3;
    say("held");
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
