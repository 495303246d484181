// A program that a module starts after the update.
#pragma once

#include <cstdint>
#include <string>

#include "persist/PersistentObject.h"

class CTupExecutableFile : public CPersistentObject {
public:
    // Reads or stores Path, Parameter and WaitTillEnd.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Program path; tokens are replaced in it before the start.
    const std::wstring& Path() const { return path_; }
    void SetPath(const std::wstring& path) { path_ = path; }
    // Command-line parameters, passed unchanged.
    const std::wstring& Parameter() const { return parameter_; }
    void SetParameter(const std::wstring& parameter) { parameter_ = parameter; }
    // Non-zero: wait for the program to end.
    uint32_t WaitTillEnd() const { return waitTillEnd_; }
    void SetWaitTillEnd(uint32_t wait) { waitTillEnd_ = wait; }

private:
    std::wstring path_;
    std::wstring parameter_;
    uint32_t waitTillEnd_ = 0;
};
