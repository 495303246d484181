// A machine over another that notes the changes an update makes through it: the programs it
// starts and the registry values it writes, each passed on to the machine below.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "system/Machine.h"

namespace sys {

struct StartedProgram {
    std::wstring commandLine;
    bool waited = false;
    bool started = false;
};

struct WrittenValue {
    std::wstring key;  // "HKEY_LOCAL_MACHINE\..." as the update named it
    RegistryView view = RegistryView::Bits32;
    std::wstring name;
    uint32_t type = RegType::None;
    std::vector<uint8_t> data;
    bool replaced = false;  // the value existed before
    uint32_t previousType = RegType::None;
    std::vector<uint8_t> previousData;
    bool written = false;
};

class CRecordingMachine {
public:
    // below must outlive this machine.
    explicit CRecordingMachine(Machine& below);
    ~CRecordingMachine();
    CRecordingMachine(const CRecordingMachine&) = delete;
    CRecordingMachine& operator=(const CRecordingMachine&) = delete;

    // The machine to run the update on: the one below, with starts and writes noted.
    Machine& Get() { return machine_; }

    std::vector<StartedProgram> Programs() const;
    std::vector<WrittenValue> Values() const;

    // Called by the recording parts.
    void Note(StartedProgram program);
    void Note(WrittenValue value);

private:
    class Launcher;
    class Registry;

    Machine machine_;
    std::unique_ptr<Launcher> launcher_;
    std::unique_ptr<Registry> registry_;
    mutable std::mutex lock_;  // the worker notes while another thread may read
    std::vector<StartedProgram> programs_;
    std::vector<WrittenValue> values_;
};

// The text of a registry root as the update names keys.
const wchar_t* RegistryRootName(RegistryRoot root);

}  // namespace sys
