// The notes of programs started and registry values written, shared by the recording and the
// preview machine.
#include "system/changes/ChangeNotes.h"

#include "base/WideText.h"

namespace sys {

const wchar_t* RegistryRootName(RegistryRoot root) {
    switch (root) {
    case RegistryRoot::ClassesRoot:
        return L"HKEY_CLASSES_ROOT";
    case RegistryRoot::CurrentUser:
        return L"HKEY_CURRENT_USER";
    case RegistryRoot::LocalMachine:
        return L"HKEY_LOCAL_MACHINE";
    case RegistryRoot::Users:
        return L"HKEY_USERS";
    }
    return L"";
}

WrittenValue NoteOfWrite(RegistryRoot root, const std::wstring& path, RegistryView view,
                         const std::wstring& name, uint32_t type, const uint8_t* data, size_t bytes,
                         const std::vector<RegistryValue>& before) {
    WrittenValue written;
    written.key = std::wstring(RegistryRootName(root)) + L"\\" + path;
    written.view = view;
    written.name = name;
    written.type = type;
    if (data) written.data.assign(data, data + bytes);
    for (const RegistryValue& value : before) {
        if (!tav::FoldEquals(value.name, name)) continue;
        written.replaced = true;
        written.previousType = value.type;
        written.previousData = value.data;
    }
    return written;
}

void CChangeNotes::Note(StartedProgram program) {
    std::lock_guard<std::mutex> guard(lock_);
    programs_.push_back(std::move(program));
}

void CChangeNotes::Note(WrittenValue value) {
    std::lock_guard<std::mutex> guard(lock_);
    values_.push_back(std::move(value));
}

std::vector<StartedProgram> CChangeNotes::Programs() const {
    std::lock_guard<std::mutex> guard(lock_);
    return programs_;
}

std::vector<WrittenValue> CChangeNotes::Values() const {
    std::lock_guard<std::mutex> guard(lock_);
    return values_;
}

}  // namespace sys
