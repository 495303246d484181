// Entry point of ReplaceTokenInFile.
#include <iostream>
#include <string>
#include <vector>

#include "ReplaceTokenInFile/ReplaceTokenCommand.h"

#ifdef _WIN32
#include <windows.h>

int wmain(int, wchar_t**) {
    // The runtime's own splitting would take the backslash of "C:\folder\" + quote as an
    // escaped quote; the updater writes no escapes, so the line is split by its rule.
    std::vector<std::wstring> args = replacetoken::SplitCommandLine(GetCommandLineW());
    if (!args.empty()) args.erase(args.begin());
    return replacetoken::Run(args, std::cerr);
}
#else
#include "base/WideText.h"

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(tav::FromUtf8(argv[i]));
    return replacetoken::Run(args, std::cerr);
}
#endif
