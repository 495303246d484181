// The command line of ReplaceTokenInFile: "file" "token" "replacement", and its exit codes.
#include "ReplaceTokenInFile/ReplaceTokenCommand.h"

#include "ReplaceTokenInFile/TokenFileEditor.h"
#include "base/WideText.h"

namespace replacetoken {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> args;
    size_t pos = 0;
    for (;;) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size()) break;
        size_t end = 0;
        if (line[pos] == L'"') {
            ++pos;
            end = line.find(L'"', pos);
            if (end == std::wstring_view::npos) end = line.size();  // an open quote runs to the end
            args.emplace_back(line.substr(pos, end - pos));
            pos = end < line.size() ? end + 1 : end;
        } else {
            end = pos;
            while (end < line.size() && !IsBlank(line[end])) ++end;
            args.emplace_back(line.substr(pos, end - pos));
            pos = end;
        }
    }
    return args;
}

int Run(const std::vector<std::wstring>& args, std::ostream& err) {
    if (args.size() != 3) {
        err << "usage: ReplaceTokenInFile \"file\" \"token\" \"replacement\"\n";
        return kExitWrongCommand;
    }
    const std::string file = tav::ToUtf8(args[0]);
    switch (TokenFileEditor().Replace(args[0], args[1], args[2])) {
    case TokenFileEditor::Outcome::Replaced:
    case TokenFileEditor::Outcome::Unchanged:
        return kExitDone;
    case TokenFileEditor::Outcome::EmptyToken:
        err << "ReplaceTokenInFile: the token is empty\n";
        return kExitWrongCommand;
    case TokenFileEditor::Outcome::ReadFailed:
        err << "ReplaceTokenInFile: cannot read " << file << "\n";
        return kExitFileFailed;
    case TokenFileEditor::Outcome::UnsupportedFile:
        err << "ReplaceTokenInFile: " << file << " is UTF-16 big endian or UTF-32\n";
        return kExitFileFailed;
    case TokenFileEditor::Outcome::NotRepresentable:
        err << "ReplaceTokenInFile: token or replacement cannot be written in the encoding of "
            << file << "\n";
        return kExitFileFailed;
    case TokenFileEditor::Outcome::WriteFailed:
        err << "ReplaceTokenInFile: cannot write " << file << "; it is unchanged\n";
        return kExitFileFailed;
    }
    return kExitFileFailed;
}

}  // namespace replacetoken
