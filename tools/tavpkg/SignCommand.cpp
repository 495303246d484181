// tavpkg sign: writes the signature line of their present content into web, script and XML
// files.
#include <memory>
#include <string>

#include "base/WideText.h"
#include "signature/SignatureFactory.h"
#include "tavpkg/Commands.h"

namespace tavpkg {
namespace {

constexpr const char* kUsage =
    "usage: tavpkg sign FILE...\n"
    "Writes into each FILE the signature line of its present content, in place\n"
    "of any earlier one, with the signature class chosen by the file's type,\n"
    "and prints one line per signed file:  FILE: signed (CLASS)\n"
    "Every file is tried. Exit 0 when all files were signed, 1 when a file could\n"
    "not be read or written, 2 when a file's type carries no signature.\n";

}  // namespace

int RunSign(const Args& args, std::ostream& out, std::ostream& err) {
    Args files;
    const int parsed = ReadFileArguments(args, "sign", kUsage, out, err, files);
    if (parsed >= 0) return parsed;

    int code = 0;
    for (const auto& file : files) {
        const std::string name = tav::ToUtf8(file);
        std::wstring kind;
        const std::unique_ptr<CKmkSignature> signature = CreateSignatureForFile(file, &kind);
        if (!signature) {
            err << "tavpkg sign: " << name << ": no signature for this type of file\n";
            code = 2;
            continue;
        }
        if (!signature->Sign(file)) {
            err << "tavpkg sign: " << name << ": cannot be signed (not readable or not writable)\n";
            if (code == 0) code = 1;
            continue;
        }
        out << name << ": signed (" << tav::ToUtf8(kind) << ")\n";
    }
    return code;
}

}  // namespace tavpkg
