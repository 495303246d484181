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

}  // namespace tav
