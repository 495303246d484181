// Access lists (DACLs) of files and folders, moved to and from their portable form.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "system/win32/Win32Files.h"

namespace sys::win32 {
namespace {

// Memory from LocalAlloc, freed when it goes.
template <typename T>
class LocalMemory {
public:
    LocalMemory() = default;
    ~LocalMemory() {
        if (pointer_) LocalFree(pointer_);
    }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    T** Out() { return &pointer_; }
    T* Get() const { return pointer_; }

private:
    T* pointer_ = nullptr;
};

}  // namespace

bool Win32Files::ReadAccessList(const std::wstring& path, AccessList& list) {
    PACL dacl = nullptr;
    LocalMemory<void> descriptor;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, descriptor.Out()) != ERROR_SUCCESS) {
        return false;
    }
    AccessList entries;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) return false;
        auto* header = static_cast<ACE_HEADER*>(raw);
        // Allowed and denied entries share their layout; others are not handled here.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        LocalMemory<wchar_t> sid;
        if (!ConvertSidToStringSidW(reinterpret_cast<PSID>(&ace->SidStart), sid.Out())) return false;
        AccessEntry entry;
        entry.type = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? AccessEntry::kAllowed
                                                                : AccessEntry::kDenied;
        entry.flags = header->AceFlags;
        entry.mask = ace->Mask;
        entry.sid = sid.Get();
        entries.push_back(std::move(entry));
    }
    list.swap(entries);
    return true;
}

bool Win32Files::WriteAccessList(const std::wstring& path, const AccessList& list) {
    // Room for the list header and every entry with the largest SID.
    DWORD size = sizeof(ACL);
    std::vector<LocalMemory<void>> sids(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!ConvertStringSidToSidW(list[i].sid.c_str(), sids[i].Out())) return false;
        size += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sids[i].Get());
    }
    std::vector<BYTE> buffer(size);
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    if (!InitializeAcl(acl, size, ACL_REVISION)) return false;
    for (size_t i = 0; i < list.size(); ++i) {
        const BOOL added =
            list[i].type == AccessEntry::kAllowed
                ? AddAccessAllowedAceEx(acl, ACL_REVISION, list[i].flags, list[i].mask, sids[i].Get())
                : AddAccessDeniedAceEx(acl, ACL_REVISION, list[i].flags, list[i].mask, sids[i].Get());
        if (!added) return false;
    }
    std::wstring name = path;
    return SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, acl, nullptr) == ERROR_SUCCESS;
}

}  // namespace sys::win32
