// What an update run did or would do to a machine, as the machines that keep a record of it
// note it: the programs started and the registry values written, in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "system/Machine.h"

namespace sys {

struct StartedProgram {
    std::wstring program;  // the file started; empty when Windows found it
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

// The text of a registry root as the update names keys.
const wchar_t* RegistryRootName(RegistryRoot root);

// The note of a write of a value to a key, with the value of that name among before (the key's
// values until then) that it replaces.
WrittenValue NoteOfWrite(RegistryRoot root, const std::wstring& path, RegistryView view,
                         const std::wstring& name, uint32_t type, const uint8_t* data, size_t bytes,
                         const std::vector<RegistryValue>& before);

// The notes, written by the run's worker while another thread may read them.
class CChangeNotes {
public:
    void Note(StartedProgram program);
    void Note(WrittenValue value);
    std::vector<StartedProgram> Programs() const;
    std::vector<WrittenValue> Values() const;

private:
    mutable std::mutex lock_;
    std::vector<StartedProgram> programs_;
    std::vector<WrittenValue> values_;
};

}  // namespace sys
