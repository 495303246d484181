// MD5 message digest (RFC 1321), fed piece by piece.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CMd5 {
public:
    using Digest = std::array<uint8_t, 16>;

    CMd5();

    // Adds bytes to the message.
    void Update(const void* data, size_t bytes);
    // The digest of everything added so far; the object starts a new message afterwards.
    Digest Final();

    // The digest of one whole message.
    static Digest Of(std::string_view bytes);
    // A digest as 32 lower-case hexadecimal digits.
    static std::wstring Hex(const Digest& digest);

private:
    void Restart();
    void Transform(const uint8_t block[64]);

    uint32_t state_[4];
    uint64_t length_ = 0;  // bytes added
    uint8_t buffer_[64];
};
