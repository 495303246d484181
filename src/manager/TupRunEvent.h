// What the update run did, told as typed events to an owner that keeps a record of the run
// (the unattended front end); status lines and text ids are for people and the result log.
#pragma once

#include <cstdint>
#include <string>

// What the run decided about one file of a module.
enum class FileDecision { Replaced, KeptCustomized, LeftAlone, Missing, NotReplaced };

struct TupRunEvent {
    enum class Kind {
        NothingInstalled,  // no installation of the server was found; nothing changed
        StepFailed,        // a step of the run failed: textId and subject name it
        ServiceStopped,    // subject: the service's name
        ServiceStarted,
        ListValueWritten,  // a value of a module's registry list is about to be written, if
                           // missing: subject the key, detail the value's name
        FileDecided,       // subject the installed path, detail the package path, module the
                           // module's short name, decision what became of the file
    };

    Kind kind = Kind::StepFailed;
    uint32_t textId = 0;
    std::wstring subject;
    std::wstring detail;
    bool view64 = false;
    std::wstring module;
    FileDecision decision = FileDecision::Replaced;

    static TupRunEvent NothingInstalled() { return {Kind::NothingInstalled, 0, {}, {}, false}; }
    static TupRunEvent StepFailed(uint32_t textId, std::wstring text) {
        return {Kind::StepFailed, textId, std::move(text), {}, false};
    }
    static TupRunEvent Service(Kind kind, std::wstring name) {
        return {kind, 0, std::move(name), {}, false};
    }
    static TupRunEvent ListValue(std::wstring key, std::wstring name, bool view64) {
        return {Kind::ListValueWritten, 0, std::move(key), std::move(name), view64};
    }
    static TupRunEvent File(FileDecision decision, std::wstring module, std::wstring packagePath,
                            std::wstring installed) {
        TupRunEvent event{Kind::FileDecided, 0, std::move(installed), std::move(packagePath), false};
        event.module = std::move(module);
        event.decision = decision;
        return event;
    }
};
