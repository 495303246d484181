// Base of the signatures embedded in delivered web, script and XML files: reading, decoding,
// writing and checking the signature line, and the digest frame of the line-based classes.
#include "signature/KmkSignature.h"

#include <cstring>

#include "signature/Des.h"
#include "signature/LineRules.h"
#include "signature/Md5.h"
#include "signature/SignaturePattern.h"
#include "system/Machine.h"

namespace {

// The key of the signature cipher.
constexpr uint8_t kKey[8] = {'K', 'R', '4', 'v', 'p', 'L', 'N', 'Q'};
constexpr size_t kDesBlock = 8;

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What of a file's bytes is read when it is read as text: everything before its first Ctrl-Z,
// which the C runtime's text mode takes for the end of the file.
std::string_view TextPart(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\x1A'));
}

// Whether a line (without its line feed, cut at its first zero byte) is a signature line;
// captured receives the signature text.
bool IsSignatureLine(const CSignaturePattern& pattern, std::string_view line,
                     std::string& captured) {
    return !line.empty() && pattern.Search(line, captured);
}

// Calls visit(raw, line) for each line of the bytes, in order: raw is the line with its line
// feed, line the text before the line feed cut at its first zero byte. visit returns false to
// stop.
template <typename Visit>
void ForEachLine(std::string_view bytes, Visit&& visit) {
    // Text files rarely hold a zero byte: one look at the whole file spares one per line.
    const bool zeros = bytes.find('\0') != std::string_view::npos;
    size_t at = 0;
    while (at < bytes.size()) {
        const char* start = bytes.data() + at;
        const size_t left = bytes.size() - at;
        const void* feed = std::memchr(start, '\n', left);
        const size_t length = feed ? size_t(static_cast<const char*>(feed) - start) : left;
        const std::string_view raw(start, feed ? length + 1 : length);
        std::string_view line(start, length);
        if (const void* zero = zeros ? std::memchr(start, '\0', length) : nullptr) {
            line = line.substr(0, size_t(static_cast<const char*>(zero) - start));
        }
        if (!visit(raw, line)) return;
        at += raw.size();
    }
}

}  // namespace

// Keeps the bytes of one file for the reads of one Verify or Sign, and lets them go after it.
class CKmkSignature::CKeptFile {
public:
    CKeptFile(CKmkSignature& signature, const std::wstring& path) : signature_(signature) {
        signature_.keptPath_ = &path;
        signature_.kept_ = false;
    }
    ~CKeptFile() {
        signature_.keptPath_ = nullptr;
        signature_.kept_ = false;
        signature_.content_ = std::string();
    }
    CKeptFile(const CKeptFile&) = delete;
    CKeptFile& operator=(const CKeptFile&) = delete;

private:
    CKmkSignature& signature_;
};

bool CKmkSignature::ReadFile(const std::wstring& path, std::string_view& bytes) {
    const bool keep = keptPath_ != nullptr && *keptPath_ == path;
    if (!keep || !kept_) {
        if (!sys::CurrentMachine().files->ReadAll(path, content_)) return false;
        kept_ = keep;
    }
    bytes = content_;
    return true;
}

bool CKmkSignature::Verify(const std::wstring& path) {
    const CKeptFile kept(*this, path);
    std::wstring text;
    if (!ReadSignature(path, text) || !DecodeSignature(text)) return false;
    Digest digest;
    if (!ComputeDigest(path, digest)) return false;
    // The second word of the block carries the digest's first, the fourth its fourth.
    return std::memcmp(block_.data() + 4, digest.data(), 4) == 0 &&
           std::memcmp(block_.data() + 12, digest.data() + 12, 4) == 0;
}

bool CKmkSignature::DecodeSignature(const std::wstring& text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (const wchar_t c : text) {
        if (c == L'-') continue;
        const int value = HexValue(c);
        if (value < 0) return false;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(uint8_t(high << 4 | value));
            high = -1;
        }
    }
    // An odd digit count, and anything the cipher cannot have made, is no signature.
    if (high >= 0 || bytes.empty() || bytes.size() % kDesBlock != 0) return false;

    const CDes des(kKey);
    std::vector<uint8_t> plain(bytes.size());
    for (size_t at = 0; at < bytes.size(); at += kDesBlock) {
        des.DecryptBlock(bytes.data() + at, plain.data() + at);
    }
    size_t length = plain.size();
    const uint8_t pad = plain.back();
    if (pad >= 1 && pad <= kDesBlock) {
        bool padded = true;
        for (size_t i = length - pad; i < length; ++i) padded = padded && plain[i] == pad;
        if (padded) length -= pad;
    }
    if (length < block_.size()) return false;

    std::memcpy(block_.data(), plain.data(), block_.size());
    signature_ = std::move(bytes);
    return true;
}

std::wstring CKmkSignature::FormatSignature() const {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(signature_.size() * 2 + signature_.size() / 4);
    for (size_t i = 0; i < signature_.size(); ++i) {
        if (i > 0 && i % 4 == 0) text += L'-';
        text += kDigits[signature_[i] >> 4];
        text += kDigits[signature_[i] & 0xF];
    }
    return text;
}

bool CKmkSignature::Sign(const std::wstring& path) {
    sys::IFiles& files = *sys::CurrentMachine().files;
    const CKeptFile kept(*this, path);
    std::string_view bytes;
    Digest digest;
    if (!ReadFile(path, bytes) || !ComputeDigest(path, digest)) return false;

    // The block: digest words 1, 0, 2, 3 (so that words 1 and 3 are the ones Verify compares),
    // then the exclusive or of the four as the fifth word.
    static constexpr int kOrder[4] = {1, 0, 2, 3};
    for (int word = 0; word < 4; ++word) {
        std::memcpy(block_.data() + 4 * word, digest.data() + 4 * kOrder[word], 4);
    }
    for (int i = 0; i < 4; ++i) {
        block_[16 + i] = uint8_t(digest[i] ^ digest[4 + i] ^ digest[8 + i] ^ digest[12 + i]);
    }
    // 20 bytes and four pad bytes of 4 make three cipher blocks.
    std::vector<uint8_t> plain(block_.begin(), block_.end());
    plain.resize(24, 4);
    const CDes des(kKey);
    signature_.assign(plain.size(), 0);
    for (size_t at = 0; at < plain.size(); at += kDesBlock) {
        des.EncryptBlock(plain.data() + at, signature_.data() + at);
    }

    // The signature line goes at the end of the text, where reading finds it: before a Ctrl-Z,
    // and the bytes from the Ctrl-Z on stay as they are after it. It ends as the file's first
    // line does.
    const std::string_view textPart = TextPart(bytes);
    const size_t firstFeed = textPart.find('\n');
    const char* lineEnd =
        (firstFeed != std::string::npos && firstFeed > 0 && textPart[firstFeed - 1] == '\r')
            ? "\r\n"
            : "\n";
    const CSignaturePattern pattern(LinePattern());
    std::string captured;
    std::string signed_;
    signed_.reserve(bytes.size() + 128);
    ForEachLine(textPart, [&](std::string_view raw, std::string_view line) {
        if (!IsSignatureLine(pattern, line, captured)) signed_.append(raw);
        return true;
    });
    if (!signed_.empty() && signed_.back() != '\n') signed_ += lineEnd;
    const std::wstring text = FormatSignature();
    signed_ += SignatureLine(std::string(text.begin(), text.end()));
    signed_ += lineEnd;
    signed_.append(bytes.substr(textPart.size()));

    std::wstring temporary;
    if (!files.CreateTemporaryFile(L"SIG", temporary)) return false;
    const bool copied = files.WriteAll(temporary, signed_) && files.Copy(temporary, path, false);
    const bool removed = files.Remove(temporary);
    return copied && removed;
}

bool CKmkSignature::ReadSignature(const std::wstring& path, std::wstring& text) {
    std::string_view bytes;
    if (!ReadFile(path, bytes)) return false;
    const CSignaturePattern pattern(LinePattern());
    std::string captured;
    bool found = false;
    ForEachLine(TextPart(bytes), [&](std::string_view, std::string_view line) {
        found = IsSignatureLine(pattern, line, captured);
        return !found;
    });
    if (!found) return false;
    // Byte by byte: anything outside the hex digits fails decoding anyway.
    text.clear();
    for (const char c : captured) text += wchar_t(static_cast<unsigned char>(c));
    return true;
}

bool CKmkSignature::ComputeLineDigest(const std::wstring& path, CLineRules& rules,
                                      Digest& digest) {
    std::string_view bytes;
    if (!ReadFile(path, bytes)) return false;
    const CSignaturePattern pattern(LinePattern());
    std::string captured;
    CMd5 md5;
    ForEachLine(TextPart(bytes), [&](std::string_view, std::string_view line) {
        if (!IsSignatureLine(pattern, line, captured)) AddTrimmedText(md5, rules.Strip(line));
        return true;
    });
    digest = md5.Final();
    return true;
}

void CKmkSignature::AddTrimmedText(CMd5& md5, std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && IsWhiteSpace(text[first])) ++first;
    while (last > first && IsWhiteSpace(text[last - 1])) --last;
    text = text.substr(first, last - first);
    while (!text.empty()) {
        size_t piece = text.size();
        if (const void* cr = std::memchr(text.data(), '\r', piece)) {
            piece = size_t(static_cast<const char*>(cr) - text.data());
        }
        if (const void* lf = std::memchr(text.data(), '\n', piece)) {
            piece = size_t(static_cast<const char*>(lf) - text.data());
        }
        md5.Update(text.data(), piece);
        text.remove_prefix(piece < text.size() ? piece + 1 : piece);
    }
}
