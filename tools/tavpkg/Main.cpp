// Entry point of tavpkg.
#include <iostream>
#include <string>
#include <vector>

#include "tavpkg/Tavpkg.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
    // UTF-8 bytes exactly as written, with the same line ends as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    const int code = tavpkg::Run(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
#else
#include "base/WideText.h"

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(tav::FromUtf8(argv[i]));
    const int code = tavpkg::Run(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
#endif
