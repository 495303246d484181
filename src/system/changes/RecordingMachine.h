// A machine over another that notes the changes an update makes through it: the programs it
// starts and the registry values it writes, each passed on to the machine below.
#pragma once

#include <memory>
#include <vector>

#include "system/Machine.h"
#include "system/changes/ChangeNotes.h"

namespace sys {

class CRecordingMachine {
public:
    // below must outlive this machine.
    explicit CRecordingMachine(Machine& below);
    ~CRecordingMachine();
    CRecordingMachine(const CRecordingMachine&) = delete;
    CRecordingMachine& operator=(const CRecordingMachine&) = delete;

    // The machine to run the update on: the one below, with starts and writes noted.
    Machine& Get() { return machine_; }

    std::vector<StartedProgram> Programs() const { return notes_.Programs(); }
    std::vector<WrittenValue> Values() const { return notes_.Values(); }

    // Where the recording parts note.
    CChangeNotes& Notes() { return notes_; }

private:
    class Launcher;
    class Registry;

    Machine machine_;
    std::unique_ptr<Launcher> launcher_;
    std::unique_ptr<Registry> registry_;
    CChangeNotes notes_;
};

}  // namespace sys
