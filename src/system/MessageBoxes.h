// Message boxes: questions and notices for the administrator.
#pragma once

#include <cstdint>
#include <string>

namespace sys {

// Buttons and icons, with the numbers Windows gives them.
namespace MessageStyle {
constexpr uint32_t Ok = 0x0;
constexpr uint32_t OkCancel = 0x1;
constexpr uint32_t YesNoCancel = 0x3;
constexpr uint32_t YesNo = 0x4;
constexpr uint32_t RetryCancel = 0x5;
constexpr uint32_t IconError = 0x10;
constexpr uint32_t IconQuestion = 0x20;
constexpr uint32_t IconWarning = 0x30;
constexpr uint32_t IconInformation = 0x40;
// For a right-to-left language: the text aligned right and read right to left.
constexpr uint32_t Right = 0x80000;
constexpr uint32_t RtlReading = 0x100000;
}  // namespace MessageStyle

// The button that closed a message box.
namespace MessageAnswer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Retry = 4;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace MessageAnswer

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;

    // Shows a message box over the given window (0: none) and returns the answer.
    virtual int Show(uintptr_t ownerWindow, const std::wstring& text, const std::wstring& caption,
                     uint32_t style) = 0;
};

}  // namespace sys
