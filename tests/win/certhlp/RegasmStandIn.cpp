// A stand-in for the .NET assembly registration program, for the certificate component's test
// double: it appends its name and command line to the log named by TAV_TOOL_LOG, then registers
// the library named by its first argument as the in-process server of the component's class
// (HKEY_LOCAL_MACHINE\SOFTWARE\Classes, threading model Both, with the ProgID), or removes that
// registration when an argument is "/unregister". Like the program it stands in for, it writes
// only into the registry view of that program's bitness: placed in a "Framework" folder it is
// the 32-bit one and uses the 32-bit view, in a "Framework64" folder the 64-bit one and the
// 64-bit view; anywhere else it uses the view of its own bitness. Exit code 0 on success, 1
// when the log could not be written, 2 for a missing or absent library, 3 for a registry
// failure.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "iis/ToolLog.h"
#include "system/win32/TavCertHlp.h"

namespace {

constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// The view of the registration program whose place this program takes, from the folder names
// of its own path.
REGSAM ViewOfPlace() {
    wchar_t self[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return kOwnView;
    CharUpperW(self);
    const std::wstring path(self, length);
    if (path.find(L"\\FRAMEWORK64\\") != std::wstring::npos) return KEY_WOW64_64KEY;
    if (path.find(L"\\FRAMEWORK\\") != std::wstring::npos) return KEY_WOW64_32KEY;
    return kOwnView;
}

bool SetString(REGSAM view, const std::wstring& subkey, const wchar_t* name,
               const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE | view, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool ok =
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool DeleteTree(REGSAM view, const std::wstring& subkey) {
    HKEY classes = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", 0, KEY_ALL_ACCESS | view,
                      &classes) != ERROR_SUCCESS) {
        return false;
    }
    const LSTATUS status = RegDeleteTreeW(classes, subkey.c_str());
    RegCloseKey(classes);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

int wmain() {
    if (!toollog::AppendCall()) return 1;
    const REGSAM view = ViewOfPlace();
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 2) return 2;
    const std::wstring library = args[1];
    bool unregister = false;
    for (int i = 2; i < count; ++i) {
        if (lstrcmpiW(args[i], L"/unregister") == 0) unregister = true;
    }
    LocalFree(args);

    wchar_t clsid[64] = {};
    StringFromGUID2(tavcerthlp::kClassId, clsid, 64);
    const std::wstring classSubkey = std::wstring(L"CLSID\\") + clsid;
    if (unregister) {
        return DeleteTree(view, classSubkey) && DeleteTree(view, tavcerthlp::kProgId) ? 0 : 3;
    }
    const DWORD attributes = GetFileAttributesW(library.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 2;
    const std::wstring classKey = L"SOFTWARE\\Classes\\" + classSubkey;
    const std::wstring progIdKey = std::wstring(L"SOFTWARE\\Classes\\") + tavcerthlp::kProgId;
    const bool ok = SetString(view, classKey + L"\\InprocServer32", nullptr, library) &&
                    SetString(view, classKey + L"\\InprocServer32", L"ThreadingModel", L"Both") &&
                    SetString(view, classKey + L"\\ProgID", nullptr, tavcerthlp::kProgId) &&
                    SetString(view, progIdKey + L"\\CLSID", nullptr, clsid);
    return ok ? 0 : 3;
}
