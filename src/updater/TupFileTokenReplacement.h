// One token to replace inside one file, done by the package's file token replacement program.
#pragma once

#include <string>

#include "persist/PersistentObject.h"

class CTupTokenReplacer;

class CTupFileTokenReplacement : public CPersistentObject {
public:
    // Reads or stores File, Token and Replacement.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Runs tool "file" "token" "replacement" (tokens replaced in the three values when a
    // replacer is given) and waits for it to end; nothing is started when the file does not
    // exist or is a folder. Whether the program ran and what it returned is not examined.
    void Apply(const CTupTokenReplacer* replacer, const std::wstring& tool) const;

    // The fields with tokens replaced (unchanged for a null replacer), for the log line.
    std::wstring GetFile(const CTupTokenReplacer* replacer) const;
    std::wstring GetToken(const CTupTokenReplacer* replacer) const;
    std::wstring GetReplacement(const CTupTokenReplacer* replacer) const;

    // The fields as stored.
    const std::wstring& File() const { return file_; }
    void SetFile(const std::wstring& file) { file_ = file; }
    const std::wstring& Token() const { return token_; }
    void SetToken(const std::wstring& token) { token_ = token; }
    const std::wstring& Replacement() const { return replacement_; }
    void SetReplacement(const std::wstring& replacement) { replacement_ = replacement; }

private:
    std::wstring file_;
    std::wstring token_;
    std::wstring replacement_;
};
