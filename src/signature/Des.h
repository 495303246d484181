// Single DES (FIPS 46-3) on 8-byte blocks, each block by itself.
#pragma once

#include <cstdint>

class CDes {
public:
    // The eight key bytes; the low bit of each (parity) is ignored.
    explicit CDes(const uint8_t key[8]);

    void EncryptBlock(const uint8_t in[8], uint8_t out[8]) const;
    void DecryptBlock(const uint8_t in[8], uint8_t out[8]) const;

private:
    void Crypt(const uint8_t in[8], uint8_t out[8], bool decrypt) const;

    uint64_t subkeys_[16];  // 48-bit round keys, in encryption order
};
