// What the launcher is handed for one program.
#include "system/ProgramStart.h"

#include "base/WideText.h"
#include "system/Files.h"

namespace sys {
namespace {

// The Windows tools the product's steps name without a folder.
const wchar_t* const kWindowsTools[] = {L"regsvr32", L"cscript", L"msiexec"};

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "X:\...", "\\server\..." or another path from a root, which no search completes.
bool IsFullPath(const std::wstring& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSlash(path[2])) {
        return true;
    }
    return !path.empty() && IsSlash(path[0]);
}

// path, with ".exe" when its file name has no extension.
std::wstring WithExtension(const std::wstring& path) {
    const size_t name = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    if (dot != std::wstring::npos && (name == std::wstring::npos || dot > name)) return path;
    return path + L".exe";
}

// A program named without a folder or drive.
bool IsBareName(const std::wstring& word) {
    return word.find_first_of(L"\\/:") == std::wstring::npos;
}

// The file of a bare program name in the system folder; empty while that folder is unknown.
std::wstring InSystemFolder(const std::wstring& name, const std::wstring& systemFolder) {
    std::wstring folder = systemFolder;
    while (!folder.empty() && IsSlash(folder.back())) folder.pop_back();
    if (folder.empty()) return {};
    return folder + L"\\" + WithExtension(name);
}

// The tool's file in the system folder when word is a bare tool name; empty otherwise.
// known: whether word names a tool at all.
std::wstring WindowsTool(const std::wstring& word, const std::wstring& systemFolder, bool& known) {
    known = false;
    for (const wchar_t* tool : kWindowsTools) {
        const std::wstring name = tool;
        if (tav::FoldEquals(word, name) || tav::FoldEquals(word, name + L".exe")) {
            known = true;
            return InSystemFolder(name, systemFolder);
        }
    }
    return {};
}

std::wstring Joined(const std::wstring& program, const std::wstring& parameters) {
    return parameters.empty() ? program : program + L" " + parameters;
}

// A start for a command line that begins with a quote or a Windows tool; false in *handled
// when it does neither.
bool StartOfFirstWord(const std::wstring& commandLine, const std::wstring& systemFolder,
                      ProgramStart& start, bool& handled) {
    handled = true;
    start = ProgramStart{L"", commandLine};
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        if (close == std::wstring::npos || close == 1) return false;
        if (close + 1 < commandLine.size() && commandLine[close + 1] != L' ') return false;
        const std::wstring path = commandLine.substr(1, close - 1);
        if (IsFullPath(path)) start.program = WithExtension(path);
        return true;
    }
    bool known = false;
    const std::wstring tool =
        WindowsTool(commandLine.substr(0, commandLine.find(L' ')), systemFolder, known);
    if (!known) {
        handled = false;
        return false;
    }
    start.program = tool;
    return !tool.empty();
}

}  // namespace

bool CanQuote(const std::wstring& value) { return value.find(L'"') == std::wstring::npos; }

std::wstring Quoted(const std::wstring& value) {
    size_t trailing = 0;
    while (trailing < value.size() && value[value.size() - 1 - trailing] == L'\\') ++trailing;
    return L"\"" + value + std::wstring(trailing, L'\\') + L"\"";
}

std::wstring QuotedVerbatim(const std::wstring& value) { return L"\"" + value + L"\""; }

std::wstring QuotedWhenBlank(const std::wstring& value) {
    return value.find(L' ') == std::wstring::npos ? value : Quoted(value);
}

bool MakeProgramStart(const std::wstring& program, const std::wstring& parameters,
                      const std::wstring& systemFolder, ProgramStart& start) {
    if (program.empty()) return false;
    bool handled = false;
    const bool made = StartOfFirstWord(Joined(program, parameters), systemFolder, start, handled);
    if (handled) return made;
    if (!CanQuote(program)) return false;
    start.program = IsFullPath(program) ? WithExtension(program) : std::wstring();
    start.commandLine = Joined(QuotedWhenBlank(program), parameters);
    return true;
}

bool MakeCommandStart(const std::wstring& commandLine, const std::wstring& systemFolder,
                      IFiles& files, ProgramStart& start) {
    start = ProgramStart{L"", commandLine};
    if (commandLine.empty()) return false;
    if (commandLine.front() == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        if (close == std::wstring::npos || close == 1) return false;
        if (close + 1 < commandLine.size() && commandLine[close + 1] != L' ') return false;
        const std::wstring word = commandLine.substr(1, close - 1);
        start.program = IsBareName(word) ? InSystemFolder(word, systemFolder) : WithExtension(word);
        return !start.program.empty();
    }
    const std::wstring firstWord = commandLine.substr(0, commandLine.find(L' '));
    if (IsBareName(firstWord)) {
        start.program = InSystemFolder(firstWord, systemFolder);
        return !start.program.empty();
    }
    // The longest part first: the shorter ones are what a folder's first words would start.
    size_t end = commandLine.size();
    while (end > 0) {
        if (commandLine[end - 1] != L' ') {
            // Taken as written: "C:\\Program" never stands for "C:\\Program.exe".
            const std::wstring candidate = commandLine.substr(0, end);
            if (IsExistingFile(files, candidate)) {
                start.program = candidate;
                return true;
            }
        }
        const size_t blank = commandLine.rfind(L' ', end - 1);
        if (blank == std::wstring::npos) break;
        end = blank;
    }
    return false;
}

}  // namespace sys
