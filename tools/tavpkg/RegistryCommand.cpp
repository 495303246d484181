// tavpkg registry: a registry key read as the wizard reads it, printed as JSON.
#include "base/CrtNumbers.h"
#include "base/WideText.h"
#include "persist/ObjContainer.h"
#include "tavpkg/Commands.h"
#include "tavpkg/ContainerJson.h"

namespace tavpkg {
namespace {

bool ParseDepth(const std::wstring& text, int& depth) {
    if (text.empty() || text.size() > 9) return false;
    size_t i = text[0] == L'-' ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
    }
    depth = tav::CrtAtoi(text);
    return depth >= -1;
}

}  // namespace

int RunRegistry(const Args& args, std::ostream& out, std::ostream& err) {
    std::wstring path;
    bool recurse = false;
    bool view64 = false;
    int depth = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--help") {
            out << "usage: tavpkg registry PATH [--recurse] [--depth N] [--view64]\n"
                   "Reads the key PATH (ROOT\\sub\\key) as the wizard does and prints it as JSON.\n"
                   "  --recurse  read subkeys too\n"
                   "  --depth N  levels of subkeys to read (-1: all, the default)\n"
                   "  --view64   the 64-bit view of the registry (default: the 32-bit view)\n";
            return 0;
        }
        if (arg == L"--recurse") {
            recurse = true;
        } else if (arg == L"--view64") {
            view64 = true;
        } else if (arg == L"--depth") {
            if (i + 1 == args.size() || !ParseDepth(args[i + 1], depth)) {
                return UsageError(err, "registry", "--depth needs a number of -1 or more");
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == L'-') {
            return UsageError(err, "registry", "unknown option '" + tav::ToUtf8(arg) + "'");
        } else if (!path.empty()) {
            return UsageError(err, "registry", "only one PATH may be given");
        } else {
            path = arg;
        }
    }
    if (path.empty()) return UsageError(err, "registry", "PATH is missing");
#ifndef _WIN32
    (void)recurse;
    (void)view64;
    err << "tavpkg registry: the registry exists only on Windows\n";
    return 2;
#else
    ObjContainer container;
    container.LoadFromRegistry(path, recurse, depth, view64);
    out << ContainerToJson(container);
    return 0;
#endif
}

}  // namespace tavpkg
