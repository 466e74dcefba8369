// Holds a file open as another program would, for the Windows end-to-end tests:
//   hold_open PATH none|read
// opens PATH for reading, sharing nothing or sharing reading, prints "held" and keeps the file
// open until its standard input ends.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t **argv) {
    if (argc != 3)
        return 2;
    DWORD sharing = std::wcscmp(argv[2], L"read") == 0 ? FILE_SHARE_READ : 0;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
