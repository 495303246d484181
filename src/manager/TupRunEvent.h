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

    static TupRunEvent NothingInstalled() { return Make(Kind::NothingInstalled, {}, {}); }
    static TupRunEvent StepFailed(uint32_t textId, std::wstring text) {
        TupRunEvent event = Make(Kind::StepFailed, std::move(text), {});
        event.textId = textId;
        return event;
    }
    static TupRunEvent Service(Kind kind, std::wstring name) { return Make(kind, std::move(name), {}); }
    static TupRunEvent ListValue(std::wstring key, std::wstring name, bool view64) {
        TupRunEvent event = Make(Kind::ListValueWritten, std::move(key), std::move(name));
        event.view64 = view64;
        return event;
    }
    static TupRunEvent File(FileDecision decision, std::wstring module, std::wstring packagePath,
                            std::wstring installed) {
        TupRunEvent event = Make(Kind::FileDecided, std::move(installed), std::move(packagePath));
        event.module = std::move(module);
        event.decision = decision;
        return event;
    }

private:
    static TupRunEvent Make(Kind kind, std::wstring subject, std::wstring detail) {
        TupRunEvent event;
        event.kind = kind;
        event.subject = std::move(subject);
        event.detail = std::move(detail);
        return event;
    }
};
