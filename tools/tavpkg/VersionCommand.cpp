// tavpkg version: the version of an executable file as the wizard reads it.
#include "base/WideText.h"
#include "system/FileVersion.h"
#include "tavpkg/Commands.h"

namespace tavpkg {

int RunVersion(const Args& args, std::ostream& out, std::ostream& err) {
    std::wstring file;
    bool product = false;
    for (const auto& arg : args) {
        if (arg == L"--help") {
            out << "usage: tavpkg version FILE [--product]\n"
                   "Prints the file version of FILE from its version resource, or\n"
                   "\"unknown_version\" when it has none (exit 1).\n"
                   "  --product  the product version instead of the file version\n";
            return 0;
        }
        if (arg == L"--product") {
            product = true;
        } else if (arg.size() > 1 && arg[0] == L'-') {
            return UsageError(err, "version", "unknown option '" + tav::ToUtf8(arg) + "'");
        } else if (!file.empty()) {
            return UsageError(err, "version", "only one FILE may be given");
        } else {
            file = arg;
        }
    }
    if (file.empty()) return UsageError(err, "version", "FILE is missing");
#ifndef _WIN32
    (void)product;
    err << "tavpkg version: version resources are read only on Windows\n";
    return 2;
#else
    const sys::FileVersion version(file, product);
    out << tav::ToUtf8(version.Text()) << "\n";
    return version.IsUnread() ? 1 : 0;
#endif
}

}  // namespace tavpkg
