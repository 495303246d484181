// What the update manager tells the wizard while it works, and the questions it asks it.
#pragma once

#include <cstdint>
#include <string>

#include "manager/TupRunEvent.h"

class ITupOwner {
public:
    virtual ~ITupOwner() = default;

    // A new line in the status list; progress values of -1 leave a bar unchanged. Callable
    // from any thread.
    virtual void AddStatusLine(const std::wstring& text, int stepProgress, int totalProgress) = 0;
    virtual void SetCurrentAction(const std::wstring& text) = 0;

    // Shows a message box owned by the wizard and returns the button that closed it; style and
    // answer are sys::MessageStyle and sys::MessageAnswer values. Called from the worker thread.
    virtual int AskQuestion(const std::wstring& text, const std::wstring& caption,
                            uint32_t style) = 0;

    // What the run did, for an owner that reports on it; the wizard ignores it.
    virtual void RunEvent(const TupRunEvent& /*event*/) {}
};
