// Replaces a token inside a text file, in the file's own encoding.
#include "ReplaceTokenInFile/TokenFileEditor.h"

#include "system/Machine.h"

namespace replacetoken {
namespace {

using sys::FileAttribute::Archive;
using sys::FileAttribute::Hidden;
using sys::FileAttribute::Normal;
using sys::FileAttribute::ReadOnly;
using sys::FileAttribute::System;

// The attributes a file can be given, of those it has; Normal when none.
uint32_t SettableAttributes(uint32_t attributes) {
    const uint32_t kept = attributes & (ReadOnly | Hidden | System | Archive);
    return kept ? kept : Normal;
}

// Removes a temporary file, also after it was made read-only.
void RemoveTemporary(sys::IFiles& files, const std::wstring& path) {
    files.SetAttributes(path, Normal);
    files.Remove(path);
}

}  // namespace

TokenFileEditor::Outcome TokenFileEditor::ReplaceInContent(const std::string& content,
                                                           const std::wstring& token,
                                                           const std::wstring& replacement,
                                                           sys::ICodePage& codePage,
                                                           std::string& result, size_t& count) {
    count = 0;
    if (token.empty()) return Outcome::EmptyToken;
    const TextEncoding encoding = DetectEncoding(content);
    if (encoding == TextEncoding::Unsupported) return Outcome::UnsupportedFile;
    std::string tokenBytes;
    std::string replacementBytes;
    if (!EncodeText(token, encoding, codePage, tokenBytes) ||
        !EncodeText(replacement, encoding, codePage, replacementBytes)) {
        return Outcome::NotRepresentable;
    }
    // A match counts only where a character begins, so that the token never matches the
    // second half of a UTF-16 unit or of a double-byte character. The walk over characters
    // between matches goes over each byte once.
    const size_t start = MarkLength(encoding);
    std::string out;
    out.reserve(content.size());
    size_t copied = 0;    // content before this is in out
    size_t scan = start;  // a character start; the next match is looked for from here
    for (;;) {
        const size_t found = content.find(tokenBytes, scan);
        if (found == std::string::npos) break;
        size_t boundary = scan;
        while (boundary < found) boundary += CharacterLength(content, boundary, encoding, codePage);
        if (boundary != found) {
            scan = boundary;  // inside a character: look again after it
            continue;
        }
        out.append(content, copied, found - copied);
        out += replacementBytes;
        copied = scan = found + tokenBytes.size();
        ++count;
    }
    out.append(content, copied, std::string::npos);
    if (out == content) return Outcome::Unchanged;
    result.swap(out);
    return Outcome::Replaced;
}

TokenFileEditor::Outcome TokenFileEditor::Replace(const std::wstring& path,
                                                  const std::wstring& token,
                                                  const std::wstring& replacement) const {
    if (token.empty()) return Outcome::EmptyToken;
    sys::Machine& machine = sys::CurrentMachine();
    sys::IFiles& files = *machine.files;
    uint32_t attributes = 0;
    if (!files.GetAttributes(path, attributes) || (attributes & sys::FileAttribute::Directory)) {
        return Outcome::ReadFailed;
    }
    std::string content;
    if (!files.ReadAll(path, content)) return Outcome::ReadFailed;
    std::string edited;
    size_t count = 0;
    const Outcome outcome =
        ReplaceInContent(content, token, replacement, *machine.codePage, edited, count);
    if (outcome != Outcome::Replaced) return outcome;

    const std::wstring temporary = FreeTemporaryPath(files, path);
    if (temporary.empty()) return Outcome::WriteFailed;
    // The new file takes the old one's attributes before it takes its place.
    if (!files.WriteAll(temporary, edited) ||
        !files.SetAttributes(temporary, SettableAttributes(attributes))) {
        RemoveTemporary(files, temporary);
        return Outcome::WriteFailed;
    }
    // A read-only file cannot be replaced until it is writable.
    const bool readOnly = (attributes & ReadOnly) != 0;
    if (readOnly && !files.SetAttributes(path, SettableAttributes(attributes & ~ReadOnly))) {
        RemoveTemporary(files, temporary);
        return Outcome::WriteFailed;
    }
    if (!files.Move(temporary, path, true)) {
        if (readOnly) files.SetAttributes(path, SettableAttributes(attributes));
        RemoveTemporary(files, temporary);
        return Outcome::WriteFailed;
    }
    return Outcome::Replaced;
}

std::wstring TokenFileEditor::FreeTemporaryPath(sys::IFiles& files, const std::wstring& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = path + L"~" + std::to_wstring(attempt) + L".tmp";
        uint32_t attributes = 0;
        if (!files.GetAttributes(candidate, attributes)) return candidate;
    }
    return std::wstring();
}

}  // namespace replacetoken
