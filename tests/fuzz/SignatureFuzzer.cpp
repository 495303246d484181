// Fuzzes the signature text and the signature lines: any bytes as a signature text must decode
// or fail without harm, and any bytes as a web page or script must be read, hashed, signed and
// then verified by each line-based signature class.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/WideText.h"
#include "signature/ASPSignature.h"
#include "signature/HtmlSignature.h"
#include "signature/JsSignature.h"

namespace {

// The classes take files only; each fuzzing process writes its inputs to its own files.
std::string TemporaryPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tav-fuzz-signature-" +
           std::to_string(getpid()) + name;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// A decoded text formats to a text that decodes to the same bytes and block.
void CheckDecoding(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i < size; ++i) text += wchar_t(data[i]);
    CJsSignature signature;
    if (!signature.DecodeSignature(text)) return;
    CJsSignature again;
    if (!again.DecodeSignature(signature.FormatSignature()) ||
        again.SignatureBytes() != signature.SignatureBytes() || again.Block() != signature.Block()) {
        std::abort();
    }
}

// Reading and hashing the input; when sign is set also signing a copy, which must then verify.
void CheckFile(CKmkSignature& reader, CKmkSignature& signer, bool sign, const std::wstring& input,
               const std::wstring& copy, const uint8_t* data, size_t size) {
    std::wstring text;
    CKmkSignature::Digest digest;
    if (reader.ReadSignature(input, text)) reader.DecodeSignature(text);
    if (!reader.ComputeDigest(input, digest)) std::abort();
    reader.Verify(input);
    if (!sign) return;

    if (!WriteFile(tav::ToUtf8(copy), data, size) || !signer.Sign(copy)) return;
    CKmkSignature::Digest signedDigest;
    if (!reader.ComputeDigest(copy, signedDigest) || signedDigest != digest) std::abort();
    if (!reader.Verify(copy)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckDecoding(data, size);

    static const std::wstring input = tav::FromUtf8(TemporaryPath(".txt"));
    static const std::wstring copy = tav::FromUtf8(TemporaryPath("-signed.txt"));
    if (!WriteFile(tav::ToUtf8(input), data, size)) return 0;
    // Signing writes three files; one class a run keeps the fuzzer fast.
    const size_t signing = size % 3;
    {
        CASPSignature reader, signer;
        CheckFile(reader, signer, signing == 0, input, copy, data, size);
    }
    {
        CHtmlSignature reader, signer;
        CheckFile(reader, signer, signing == 1, input, copy, data, size);
    }
    {
        CJsSignature reader, signer;
        CheckFile(reader, signer, signing == 2, input, copy, data, size);
    }
    return 0;
}
