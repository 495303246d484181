// Number parsing with the Windows C runtime's rules and its 32-bit long, the same on every build.
#pragma once

#include <cstdint>
#include <string_view>

namespace tav {

// As wcstoul(text, nullptr, 10): leading white space, optional sign, digits up to the first
// non-digit; 0 without digits; 0xFFFFFFFF on overflow; a minus sign negates modulo 2^32.
uint32_t CrtWcstoul(std::wstring_view text);

// As _wtoi / atoi: leading white space, optional sign, digits; 0 without digits; clamped to the
// 32-bit range on overflow.
int32_t CrtAtoi(std::wstring_view text);

// The Windows runtime's pseudo-random generator (srand/rand), with one state per object.
class CrtRandom {
public:
    explicit CrtRandom(uint32_t seed) : state_(seed) {}
    // 0 to 32767, the same sequence rand() gives after srand(seed).
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};

}  // namespace tav
