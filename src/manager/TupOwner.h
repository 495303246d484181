// What the update manager tells the wizard while it works; both calls come from any thread.
#pragma once

#include <string>

class ITupOwner {
public:
    virtual ~ITupOwner() = default;

    // A new line in the status list; progress values of -1 leave a bar unchanged.
    virtual void AddStatusLine(const std::wstring& text, int stepProgress, int totalProgress) = 0;
    virtual void SetCurrentAction(const std::wstring& text) = 0;
};
