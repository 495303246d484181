// Facts about the running program itself.
#pragma once

#include <string>
#include <utility>

namespace sys {

class IProgram {
public:
    virtual ~IProgram() = default;

    // Full path of the program's executable file.
    virtual std::wstring ExecutablePath() = 0;
};

// The program as if its file were elsewhere: the tools that read a package as the wizard in its
// folder would.
class ProgramAtPath final : public IProgram {
public:
    explicit ProgramAtPath(std::wstring path) : path_(std::move(path)) {}
    std::wstring ExecutablePath() override { return path_; }

private:
    std::wstring path_;
};

}  // namespace sys
