// Single DES (FIPS 46-3) on 8-byte blocks, each block by itself.
#include "signature/Des.h"

namespace {

// Permutation tables of FIPS 46-3: each entry is a bit position of the input, 1 for its most
// significant bit.
const uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

const uint8_t kFinalPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

const uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

const uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
    23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

const uint8_t kRoundShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

const uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

const uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,
     0,  15, 7,  4, 14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3, 8,
     4,  1,  14, 8, 13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5, 0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0, 1,  10, 6,  9, 11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,  9,  3, 2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6, 7,  12, 0,  5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3, 4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8, 15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6, 9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15,
     13, 8,  11, 5, 6,  15, 0,  3,  4,  7, 2, 12, 1,  10, 14, 9,
     10, 6,  9,  0, 12, 11, 7,  13, 15, 1, 3, 14, 5,  2,  8,  4,
     3,  15, 0,  6, 10, 1,  13, 8,  9,  4, 5, 11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9, 8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3, 0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7, 12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2, 8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9, 5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0, 8,  13, 3,  12, 9, 7,  5,  10, 6, 1,
     13, 0,  11, 7,  4,  9, 1,  10, 14, 3,  5, 12, 2,  15, 8, 6,
     1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6, 8,  0,  5,  9, 2,
     6,  11, 13, 8,  1,  4, 10, 7,  9,  5,  0, 15, 14, 2,  3, 12},
    {13, 2,  8,  4, 6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8, 10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1, 9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7, 4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Picks count bits of in (inBits wide) in the order of table.
uint64_t Permute(uint64_t in, int inBits, const uint8_t* table, int count) {
    uint64_t out = 0;
    for (int i = 0; i < count; ++i) out = (out << 1) | ((in >> (inBits - table[i])) & 1);
    return out;
}

// Each S-box followed by the permutation P, indexed by the box's six input bits: one lookup
// per box and round.
struct SpTables {
    uint32_t sp[8][64];

    SpTables() {
        for (int box = 0; box < 8; ++box) {
            for (int six = 0; six < 64; ++six) {
                const int row = ((six >> 4) & 2) | (six & 1);
                const int column = (six >> 1) & 15;
                const uint32_t placed = uint32_t(kSBoxes[box][row * 16 + column]) << (28 - 4 * box);
                sp[box][six] = uint32_t(Permute(placed, 32, kPermutation, 32));
            }
        }
    }
};

const SpTables& Sp() {
    static const SpTables tables;
    return tables;
}

uint32_t RotateLeft28(uint32_t half, int n) {
    return ((half << n) | (half >> (28 - n))) & 0x0FFFFFFFu;
}

}  // namespace

CDes::CDes(const uint8_t key[8]) {
    uint64_t k = 0;
    for (int i = 0; i < 8; ++i) k = (k << 8) | key[i];
    const uint64_t cd = Permute(k, 64, kPermutedChoice1, 56);
    uint32_t c = uint32_t(cd >> 28) & 0x0FFFFFFFu;
    uint32_t d = uint32_t(cd) & 0x0FFFFFFFu;
    for (int round = 0; round < 16; ++round) {
        c = RotateLeft28(c, kRoundShifts[round]);
        d = RotateLeft28(d, kRoundShifts[round]);
        subkeys_[round] = Permute((uint64_t(c) << 28) | d, 56, kPermutedChoice2, 48);
    }
}

void CDes::EncryptBlock(const uint8_t in[8], uint8_t out[8]) const { Crypt(in, out, false); }

void CDes::DecryptBlock(const uint8_t in[8], uint8_t out[8]) const { Crypt(in, out, true); }

void CDes::Crypt(const uint8_t in[8], uint8_t out[8], bool decrypt) const {
    const SpTables& tables = Sp();
    uint64_t block = 0;
    for (int i = 0; i < 8; ++i) block = (block << 8) | in[i];
    block = Permute(block, 64, kInitialPermutation, 64);
    uint32_t left = uint32_t(block >> 32);
    uint32_t right = uint32_t(block);

    for (int round = 0; round < 16; ++round) {
        const uint64_t key = subkeys_[decrypt ? 15 - round : round];
        // The expansion E as 34 bits: R32, R1..R32, R1; box i takes six of them from bit 4i.
        const uint64_t wide = (uint64_t(right & 1) << 33) | (uint64_t(right) << 1) | (right >> 31);
        uint32_t f = 0;
        for (int box = 0; box < 8; ++box) {
            const uint32_t six = uint32_t((wide >> (28 - 4 * box)) ^ (key >> (42 - 6 * box))) & 0x3F;
            f |= tables.sp[box][six];
        }
        const uint32_t next = left ^ f;
        left = right;
        right = next;
    }

    // The halves swap once more before the final permutation.
    block = Permute((uint64_t(right) << 32) | left, 64, kFinalPermutation, 64);
    for (int i = 7; i >= 0; --i) {
        out[i] = uint8_t(block);
        block >>= 8;
    }
}
