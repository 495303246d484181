// Special folders and shortcut files of the real shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "base/WideText.h"
#include "system/win32/Win32Shell.h"
#include "win/WinScratchFolder.h"
#include "win/WinTestSupport.h"

namespace {

// COM for the test's thread while the object lives.
class ComThread {
public:
    ComThread() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComThread() {
        if (ok_) CoUninitialize();
    }
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;

private:
    bool ok_;
};

// A COM interface pointer, released when it goes.
template <typename T>
class Com {
public:
    Com() = default;
    ~Com() {
        if (p_) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    void** Out() { return reinterpret_cast<void**>(&p_); }
    T* operator->() const { return p_; }

private:
    T* p_ = nullptr;
};

// What a shortcut file holds, read back through the shell.
struct ReadLink {
    bool loaded = false;
    std::wstring target, workingFolder, description, iconFile;
    int iconIndex = -1;
};

ReadLink Load(const std::wstring& linkPath) {
    ReadLink read;
    ComThread com;
    Com<IShellLinkW> link;
    Com<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.Out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.Out())) ||
        FAILED(file->Load(linkPath.c_str(), STGM_READ))) {
        return read;
    }
    wchar_t buffer[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) read.target = buffer;
    buffer[0] = L'\0';
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) read.workingFolder = buffer;
    buffer[0] = L'\0';
    if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH))) read.description = buffer;
    buffer[0] = L'\0';
    if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &read.iconIndex))) read.iconFile = buffer;
    read.loaded = true;
    return read;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ShellWin, CommonSpecialFoldersExistAfterwards) {
    sys::win32::Win32Shell shell;
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        std::wstring path;
        ASSERT_TRUE(shell.GetSpecialFolder(csidl, true, path)) << csidl;
        ASSERT_FALSE(path.empty());
        EXPECT_NE(L'\\', path.back()) << tav::ToUtf8(path);
        EXPECT_EQ(L':', path[1]) << tav::ToUtf8(path);
        EXPECT_TRUE(IsFolder(path)) << tav::ToUtf8(path);

        std::wstring again;
        EXPECT_TRUE(shell.GetSpecialFolder(csidl, false, again));
        EXPECT_EQ(path, again);
    }
    std::wstring programs, desktop;
    ASSERT_TRUE(shell.GetSpecialFolder(23, false, programs));
    ASSERT_TRUE(shell.GetSpecialFolder(25, false, desktop));
    EXPECT_NE(programs, desktop);
}

TEST(ShellWin, ShortcutHoldsWhatWasAskedForAndIsReplaced) {
    wintest::WinScratchFolder scratch;
    ASSERT_TRUE(scratch.Made());
    sys::win32::Win32Shell shell;
    const std::wstring link = scratch.PathOf(L"Tarnova Console.lnk");

    sys::ShortcutSpec shortcut;
    shortcut.target = wintest::ProbeExe();
    shortcut.workingFolder = scratch.Path();
    shortcut.description = L"Tarnova server console";
    shortcut.iconFile = wintest::Probe1000Exe();
    shortcut.iconIndex = 2;
    ASSERT_TRUE(shell.CreateShortcut(link, shortcut));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(link.c_str()));

    ReadLink read = Load(link);
    ASSERT_TRUE(read.loaded);
    EXPECT_TRUE(tav::FoldEquals(shortcut.target, read.target)) << tav::ToUtf8(read.target);
    EXPECT_TRUE(tav::FoldEquals(shortcut.workingFolder, read.workingFolder))
        << tav::ToUtf8(read.workingFolder);
    EXPECT_EQ(shortcut.description, read.description);
    EXPECT_TRUE(tav::FoldEquals(shortcut.iconFile, read.iconFile)) << tav::ToUtf8(read.iconFile);
    EXPECT_EQ(2, read.iconIndex);

    // Writing it again replaces the file.
    shortcut.description = L"Tarnova server console, new";
    shortcut.iconFile = shortcut.target;
    shortcut.iconIndex = 0;
    ASSERT_TRUE(shell.CreateShortcut(link, shortcut));
    read = Load(link);
    ASSERT_TRUE(read.loaded);
    EXPECT_EQ(shortcut.description, read.description);
    EXPECT_TRUE(tav::FoldEquals(shortcut.iconFile, read.iconFile)) << tav::ToUtf8(read.iconFile);
    EXPECT_EQ(0, read.iconIndex);

    EXPECT_FALSE(shell.CreateShortcut(scratch.PathOf(L"missing\\x.lnk"), shortcut));
}

}  // namespace
