// tavpkg text: a language text as the wizard's text table returns it.
#include <cstdint>

#include "app/lang/StringBase.h"
#include "base/WideText.h"
#include "tavpkg/Commands.h"

namespace tavpkg {
namespace {

// A text id written as a decimal number with an optional minus sign, within 32 bits.
bool ParseTextId(const std::wstring& arg, int32_t& id) {
    size_t i = arg.size() > 1 && arg[0] == L'-' ? 1 : 0;
    if (i == arg.size()) return false;
    int64_t value = 0;
    for (; i < arg.size(); ++i) {
        if (arg[i] < L'0' || arg[i] > L'9') return false;
        value = value * 10 + (arg[i] - L'0');
        if (value > int64_t(INT32_MAX) + 1) return false;
    }
    if (arg[0] == L'-') value = -value;
    if (value > INT32_MAX) return false;
    id = static_cast<int32_t>(value);
    return true;
}

}  // namespace

int RunText(const Args& args, std::ostream& out, std::ostream& err) {
    std::vector<std::wstring> positional;
    std::wstring folder;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--help") {
            out << "usage: tavpkg text ID LANG [--folder DIR]\n"
                   "Prints the text of text id ID in language LANG (its first two letters\n"
                   "count) as the wizard reads it from TavLang.Xml and CustomTavLang*.Xml.\n"
                   "Exit 1 when the language files have no such text.\n"
                   "  --folder DIR  the language files of DIR instead of this tool's folder\n";
            return 0;
        }
        if (arg == L"--folder") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                return UsageError(err, "text", "--folder needs a folder");
            }
            folder = args[++i];
        } else if (arg.size() > 1 && arg[0] == L'-' && (arg[1] < L'0' || arg[1] > L'9')) {
            return UsageError(err, "text", "unknown option '" + tav::ToUtf8(arg) + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2) return UsageError(err, "text", "ID and LANG are needed");
    if (positional.size() > 2) {
        return UsageError(err, "text", "unexpected argument '" + tav::ToUtf8(positional[2]) + "'");
    }
    int32_t id = 0;
    if (!ParseTextId(positional[0], id)) {
        return UsageError(err, "text", "ID must be a decimal number, not '" +
                                           tav::ToUtf8(positional[0]) + "'");
    }
    if (positional[1].empty()) return UsageError(err, "text", "LANG is empty");

    // An empty folder stands for the tool's own.
    CStringBase table(folder);
    const std::wstring* text = table.GetText(id, positional[1]);
    if (text == nullptr) {
        err << "tavpkg text: no text for " << id << " in " << tav::ToUtf8(positional[1]) << "\n";
        return 1;
    }
    out << tav::ToUtf8(*text) << "\n";
    return 0;
}

}  // namespace tavpkg
