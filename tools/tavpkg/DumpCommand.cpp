// tavpkg dump: a package description as the wizard loads it, printed as JSON.
#include "base/WideText.h"
#include "persist/ObjContainerXml.h"
#include "tavpkg/Commands.h"
#include "tavpkg/ContainerJson.h"

namespace tavpkg {

int RunDump(const Args& args, std::ostream& out, std::ostream& err) {
    std::wstring file;
    for (const auto& arg : args) {
        if (arg == L"--help") {
            out << "usage: tavpkg dump FILE\n"
                   "Loads FILE as the wizard loads its package description and prints the\n"
                   "container as JSON, newest entry first. Exit 0 when the whole file is a\n"
                   "well-formed document, 1 when not (what was read is still printed).\n";
            return 0;
        }
        if (arg.size() > 1 && arg[0] == L'-') {
            return UsageError(err, "dump", "unknown option '" + tav::ToUtf8(arg) + "'");
        }
        if (!file.empty()) return UsageError(err, "dump", "only one FILE may be given");
        file = arg;
    }
    if (file.empty()) return UsageError(err, "dump", "FILE is missing");

    ObjContainerXml container;
    const bool complete = container.Load(file);
    out << ContainerToJson(container);
    if (!complete) {
        err << "tavpkg dump: " << tav::ToUtf8(file)
            << ": not read to the end as a well-formed XML document\n";
        return 1;
    }
    return 0;
}

}  // namespace tavpkg
