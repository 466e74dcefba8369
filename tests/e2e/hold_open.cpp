// Holds a file open as another program would (a virus scanner, a search indexer), for the
// Windows end-to-end tests:
//   hold_open PATH none|read|read-write
// opens PATH for reading, sharing nothing, reading, or reading and writing, prints "held" and
// keeps the file open until its standard input ends. A PATH ending in "*" names a file yet to
// come, such as the plug-in's neighbouring file SONG.tessal-*: the program prints "watching",
// opens the first such file as soon as it appears, as a scanner opens a file being written,
// and prints "held" once the file's writer has closed it.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

// Polls until done() holds; false after 30 s, when the test has gone wrong.
template <typename Done> static bool pollUntil(Done done) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(1)) {
        if (done())
            return true;
    }
    return false;
}

static HANDLE openShared(const std::wstring &path, DWORD sharing) {
    return CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int wmain(int, wchar_t **argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each line reaches the test as it is printed
    std::wstring path = argv[1];
    DWORD sharing = std::wcscmp(argv[2], L"none") == 0   ? 0
                    : std::wcscmp(argv[2], L"read") == 0 ? FILE_SHARE_READ
                                                         : FILE_SHARE_READ | FILE_SHARE_WRITE;
    bool toCome = path.ends_with(L'*');
    WIN32_FIND_DATAW match;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (toCome) {
        std::puts("watching");
        if (!pollUntil([&] {
                return (search = FindFirstFileW(path.c_str(), &match)) != INVALID_HANDLE_VALUE;
            }))
            return 3;
        FindClose(search);
        path = path.substr(0, path.rfind(L'\\') + 1) + match.cFileName;
    }
    HANDLE file = openShared(path, sharing);
    // Only once no one has the file open for writing may it be opened sharing just reads.
    auto writerClosed = [&] {
        HANDLE probe = openShared(path, FILE_SHARE_READ);
        return probe != INVALID_HANDLE_VALUE && CloseHandle(probe);
    };
    if (file == INVALID_HANDLE_VALUE || (toCome && !pollUntil(writerClosed)))
        return 3;
    std::puts("held");
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
