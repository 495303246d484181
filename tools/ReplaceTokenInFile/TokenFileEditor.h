// Replaces a token inside a text file, in the file's own encoding.
#pragma once

#include <cstddef>
#include <string>

#include "ReplaceTokenInFile/TextEncoding.h"
#include "system/Files.h"

namespace replacetoken {

// Replaces every occurrence of a token in a file, left to right and without overlapping, and
// keeps the file's byte-order mark, encoding and attributes. The new content goes to a
// temporary file beside the original, which replaces the original only once it is wholly
// written: the file ends either edited or untouched.
class TokenFileEditor {
public:
    enum class Outcome {
        Replaced,           // the file was rewritten
        Unchanged,          // nothing to change (the token does not occur); not rewritten
        EmptyToken,         // an empty token would match everywhere
        ReadFailed,         // missing, a folder, or unreadable
        UnsupportedFile,    // a UTF-16 big endian or UTF-32 file
        NotRepresentable,   // token or replacement has characters the file cannot hold
        WriteFailed,        // the new content could not be put in place; the file is as it was
    };

    // Edits the file through the current machine's files and code page.
    Outcome Replace(const std::wstring& path, const std::wstring& token,
                    const std::wstring& replacement) const;

    // The content with every occurrence of token replaced, in the content's encoding; count
    // tells how many were replaced. Only Replaced, Unchanged, EmptyToken, UnsupportedFile and
    // NotRepresentable are answered.
    static Outcome ReplaceInContent(const std::string& content, const std::wstring& token,
                                    const std::wstring& replacement, sys::ICodePage& codePage,
                                    std::string& result, size_t& count);

private:
    // A name beside path that no file has yet; empty when none is free.
    static std::wstring FreeTemporaryPath(sys::IFiles& files, const std::wstring& path);
};

}  // namespace replacetoken
