// Holds a file open without sharing, as another program would, until a release file appears.
//   tav_file_holder PATH RELEASE_PATH [MAX_SECONDS]
// Prints "held" once the file is open and "released" once it is closed again; exits 1 when
// the file cannot be opened. Without a release file it lets go after MAX_SECONDS (120).
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: tav_file_holder PATH RELEASE_PATH [MAX_SECONDS]\n", stderr);
        return 2;
    }
    const DWORD maxSeconds = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 120;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open the file: error %lu\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    const ULONGLONG deadline = GetTickCount64() + maxSeconds * 1000ULL;
    while (GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
        Sleep(50);
    }
    CloseHandle(file);
    std::puts("released");
    std::fflush(stdout);
    return 0;
}
