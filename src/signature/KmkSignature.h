// Base of the signatures embedded in delivered web, script and XML files: tells whether a file
// still has the content it was signed with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CLineRules;
class CMd5;

class CKmkSignature {
public:
    using Digest = std::array<uint8_t, 16>;

    CKmkSignature() = default;
    virtual ~CKmkSignature() = default;
    CKmkSignature(const CKmkSignature&) = delete;
    CKmkSignature& operator=(const CKmkSignature&) = delete;

    // True when the file carries a signature line that matches its content.
    bool Verify(const std::wstring& path);
    // Reads a signature text (hex digit pairs, '-' ignored), decrypts it and keeps the block.
    bool DecodeSignature(const std::wstring& text);
    // The signature text of the object's signature bytes.
    std::wstring FormatSignature() const;

    // Files are read as text, as the C runtime's text mode reads them: they end at a Ctrl-Z.

    // Writes the class's signature line for the file's present content into the file, in
    // place of any earlier one, at the end of its text; bytes from a Ctrl-Z on stay after it.
    virtual bool Sign(const std::wstring& path);
    // The text between the braces of the first signature line of the file.
    virtual bool ReadSignature(const std::wstring& path, std::wstring& text);
    // MD5 of the file's significant content.
    virtual bool ComputeDigest(const std::wstring& path, Digest& digest) = 0;

    // The decrypted block and the signature bytes, as the last decode or sign left them.
    const std::array<uint8_t, 20>& Block() const { return block_; }
    const std::vector<uint8_t>& SignatureBytes() const { return signature_; }

protected:
    // What the derived classes tell the base: the pattern that recognises their signature
    // line and the line they write.
    virtual const char* LinePattern() const = 0;
    // The line written by Sign, without its line end.
    virtual std::string SignatureLine(const std::string& signatureText) const = 0;

    // The digest frame of the line-based classes: every line of the file's text that is not a
    // signature line goes through rules, and what is left of it, without surrounding white
    // space and without carriage returns, is hashed. False only when the file cannot be read.
    bool ComputeLineDigest(const std::wstring& path, CLineRules& rules, Digest& digest);

    // Adds text to the digest without its leading and trailing white space and without any
    // carriage return or line feed.
    static void AddTrimmedText(CMd5& md5, std::string_view text);

private:
    class CKeptFile;

    // The bytes of a file; while Verify or Sign works on a file, it is read only once.
    bool ReadFile(const std::wstring& path, std::string_view& bytes);

    std::array<uint8_t, 20> block_{};
    std::vector<uint8_t> signature_;
    // The file Verify or Sign works on, whether content_ holds it, and the last file read.
    const std::wstring* keptPath_ = nullptr;
    bool kept_ = false;
    std::string content_;
};
