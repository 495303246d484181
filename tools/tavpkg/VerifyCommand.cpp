// tavpkg verify: whether signed web, script and XML files still have their signed content.
#include <cstdint>
#include <memory>
#include <string>

#include "base/WideText.h"
#include "signature/SignatureFactory.h"
#include "system/Machine.h"
#include "tavpkg/Commands.h"

namespace tavpkg {
namespace {

constexpr const char* kUsage =
    "usage: tavpkg verify FILE...\n"
    "Checks each FILE's signature line against its content as the wizard does\n"
    "before it replaces the file, and prints one line per file:\n"
    "  FILE: unchanged (CLASS)   or   FILE: customized (CLASS)\n"
    "with the signature class chosen by the file's type. A file without a\n"
    "signature line, with a malformed one or with changed content is customized.\n"
    "Exit 0 when all files are unchanged, 1 when any is customized, 2 when a\n"
    "file is missing or its type carries no signature.\n";

}  // namespace

int RunVerify(const Args& args, std::ostream& out, std::ostream& err) {
    Args files;
    const int parsed = ReadFileArguments(args, "verify", kUsage, out, err, files);
    if (parsed >= 0) return parsed;

    int code = 0;
    for (const auto& file : files) {
        const std::string name = tav::ToUtf8(file);
        std::wstring kind;
        const std::unique_ptr<CKmkSignature> signature = CreateSignatureForFile(file, &kind);
        if (!signature) {
            err << "tavpkg verify: " << name << ": no signature for this type of file\n";
            code = 2;
            continue;
        }
        // The wizard counts a missing file as customized; here it is more likely a typing error.
        uint32_t attributes = 0;
        if (!sys::CurrentMachine().files->GetAttributes(file, attributes)) {
            err << "tavpkg verify: " << name << ": no such file\n";
            code = 2;
            continue;
        }
        const bool unchanged = signature->Verify(file);
        out << name << (unchanged ? ": unchanged (" : ": customized (") << tav::ToUtf8(kind) << ")\n";
        if (!unchanged && code == 0) code = 1;
    }
    return code;
}

}  // namespace tavpkg
