// Set-up for the tests that run under Wine.
#include "win/WinTestSupport.h"

#include "base/WideText.h"

namespace wintest {
namespace {

REGSAM ViewFlag(bool view64) { return view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

// An open key, closed when it goes.
struct KeyHandle {
    HKEY key = nullptr;
    ~KeyHandle() {
        if (key) RegCloseKey(key);
    }
};

}  // namespace

std::wstring WindowsPathOf(std::string_view unixPath) {
    std::wstring path = L"Z:" + tav::FromUtf8(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::wstring ProbeExe() { return WindowsPathOf(TAV_PROBE_EXE); }
std::wstring Probe1000Exe() { return WindowsPathOf(TAV_PROBE_1000_EXE); }
std::wstring PlainExe() { return WindowsPathOf(TAV_PROBE_PLAIN_EXE); }

ScratchKey::ScratchKey(std::wstring name) : name_(std::move(name)) { RemoveEverywhere(); }

ScratchKey::~ScratchKey() { RemoveEverywhere(); }

void ScratchKey::RemoveEverywhere() const {
    for (bool view64 : {false, true}) {
        KeyHandle software;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | ViewFlag(view64),
                          &software.key) == ERROR_SUCCESS) {
            RegDeleteTreeW(software.key, name_.c_str());
        }
    }
}

std::wstring ScratchKey::Subkey(std::wstring_view below) const {
    std::wstring subkey = L"SOFTWARE\\" + name_;
    if (!below.empty()) subkey.append(L"\\").append(below);
    return subkey;
}

std::wstring ScratchKey::Path(std::wstring_view below) const {
    return L"HKEY_LOCAL_MACHINE\\" + Subkey(below);
}

bool ScratchKey::Write(bool view64, std::wstring_view below, std::wstring_view name, DWORD type,
                       const void* data, size_t bytes) const {
    KeyHandle key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, Subkey(below).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE | ViewFlag(view64), nullptr, &key.key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring valueName(name);
    return RegSetValueExW(key.key, valueName.empty() ? nullptr : valueName.c_str(), 0, type,
                          static_cast<const BYTE*>(data),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool ScratchKey::WriteString(bool view64, std::wstring_view below, std::wstring_view name,
                             std::wstring_view text, DWORD type) const {
    const std::vector<uint8_t> bytes = StringBytes(text);
    return Write(view64, below, name, type, bytes.data(), bytes.size());
}

bool ScratchKey::WriteDword(bool view64, std::wstring_view below, std::wstring_view name,
                            DWORD value) const {
    return Write(view64, below, name, REG_DWORD, &value, sizeof value);
}

bool ScratchKey::Exists(bool view64, std::wstring_view below) const {
    KeyHandle key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, Subkey(below).c_str(), 0,
                         KEY_READ | ViewFlag(view64), &key.key) == ERROR_SUCCESS;
}

ScratchKey::RawValue ScratchKey::Read(bool view64, std::wstring_view below,
                                      std::wstring_view name) const {
    RawValue value;
    KeyHandle key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Subkey(below).c_str(), 0, KEY_READ | ViewFlag(view64),
                      &key.key) != ERROR_SUCCESS) {
        return value;
    }
    const std::wstring valueName(name);
    const wchar_t* namePtr = valueName.empty() ? nullptr : valueName.c_str();
    DWORD bytes = 0;
    if (RegQueryValueExW(key.key, namePtr, nullptr, &value.type, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return value;
    }
    value.bytes.resize(bytes);
    if (RegQueryValueExW(key.key, namePtr, nullptr, &value.type, value.bytes.data(), &bytes) !=
        ERROR_SUCCESS) {
        return value;
    }
    value.bytes.resize(bytes);
    value.present = true;
    return value;
}

std::vector<uint8_t> StringBytes(std::wstring_view text) {
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

ChildProcess::ChildProcess(const std::wstring& commandLine) {
    std::wstring line = commandLine;  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_)) {
        info_ = PROCESS_INFORMATION{};
    }
}

ChildProcess::~ChildProcess() {
    if (!info_.hProcess) return;
    TerminateProcess(info_.hProcess, 0);
    WaitForSingleObject(info_.hProcess, 10000);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

}  // namespace wintest
