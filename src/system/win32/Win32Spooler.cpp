// The print spooler of Windows: print processor folder, listing and registration for the
// local server and the default environment.
#include "system/win32/Win32Spooler.h"

#include "system/win32/Win32Library.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace sys::win32 {
namespace {

using GetPrintProcessorDirectoryFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD);
using EnumPrintProcessorsFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
using AddPrintProcessorFn = BOOL(WINAPI*)(LPWSTR, LPWSTR, LPWSTR, LPWSTR);

// A byte buffer aligned for the pointers the spooler writes into it.
class InfoBuffer {
public:
    explicit InfoBuffer(DWORD bytes) : words_((bytes + sizeof(void*) - 1) / sizeof(void*)), bytes_(bytes) {}
    LPBYTE Data() { return words_.empty() ? nullptr : reinterpret_cast<LPBYTE>(words_.data()); }
    DWORD Bytes() const { return bytes_; }

private:
    std::vector<void*> words_;
    DWORD bytes_;
};

}  // namespace

bool Win32Spooler::GetPrintProcessorFolder(std::wstring& folder) {
    Library spooler(L"winspool.drv");
    auto getFolder = spooler.Function<GetPrintProcessorDirectoryFn>("GetPrintProcessorDirectoryW");
    if (!getFolder) return false;
    wchar_t buffer[kFolderChars] = {};
    DWORD needed = 0;
    if (!getFolder(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer), sizeof buffer, &needed)) {
        return false;
    }
    buffer[kFolderChars - 1] = L'\0';
    folder = buffer;
    return !folder.empty();
}

bool Win32Spooler::ListPrintProcessors(std::vector<std::wstring>& names) {
    Library spooler(L"winspool.drv");
    auto enumerate = spooler.Function<EnumPrintProcessorsFn>("EnumPrintProcessorsW");
    if (!enumerate) return false;
    InfoBuffer buffer(firstListBytes_);
    DWORD needed = 0;
    DWORD count = 0;
    if (!enumerate(nullptr, nullptr, 1, buffer.Data(), buffer.Bytes(), &needed, &count)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.Bytes()) return false;
        buffer = InfoBuffer(needed);
        count = 0;
        if (!enumerate(nullptr, nullptr, 1, buffer.Data(), buffer.Bytes(), &needed, &count)) {
            return false;
        }
    }
    names.clear();
    const auto* entries = reinterpret_cast<const PRINTPROCESSOR_INFO_1W*>(buffer.Data());
    for (DWORD i = 0; i < count; ++i) {
        names.emplace_back(entries[i].pName ? entries[i].pName : L"");
    }
    return true;
}

bool Win32Spooler::RegisterPrintProcessor(const std::wstring& library, const std::wstring& name) {
    Library spooler(L"winspool.drv");
    auto add = spooler.Function<AddPrintProcessorFn>("AddPrintProcessorW");
    if (!add) return false;
    // The spooler's declaration takes writable strings.
    std::wstring libraryCopy = library;
    std::wstring nameCopy = name;
    return add(nullptr, nullptr, libraryCopy.data(), nameCopy.data()) != FALSE;
}

}  // namespace sys::win32
