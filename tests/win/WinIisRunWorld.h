// A staged server for whole update runs with the web pages updaters on the real machine: the
// product key, the IIS version key and the client, web, install and wizard folders of the
// test's own; the recorder in place of every tool the run starts, the certificate component's
// double in the package folder and the regasm stand-ins where the updaters look for them, all
// writing into one log; the service "TavSvc" installed (not started) so that the run goes
// ahead. Everything outside the test's own folders and keys is put back when the world goes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "manager/TupManager.h"
#include "manager/TupRunTestWorld.h"
#include "win/WinScratchFolder.h"
#include "win/WinStandIns.h"
#include "win/WinTestSupport.h"
#include "win/WinUpdaterSupport.h"

namespace wintest {

// A service installed (demand start, not started) for the test, after removing one of the same
// name that an interrupted run left; deleted when the object goes.
class InstalledService {
public:
    InstalledService(const wchar_t* name, const std::wstring& program)
        : manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        if (!manager_) return;
        if (SC_HANDLE leftOver = OpenServiceW(manager_, name, SERVICE_ALL_ACCESS)) {
            DeleteService(leftOver);
            CloseServiceHandle(leftOver);
        }
        const std::wstring command = L"\"" + program + L"\"";
        service_ =
            CreateServiceW(manager_, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr,
                           nullptr, nullptr, nullptr, nullptr);
    }
    ~InstalledService() {
        if (service_) {
            DeleteService(service_);
            CloseServiceHandle(service_);
        }
        if (manager_) CloseServiceHandle(manager_);
    }
    InstalledService(const InstalledService&) = delete;
    InstalledService& operator=(const InstalledService&) = delete;
    bool Installed() const { return service_ != nullptr; }

private:
    SC_HANDLE manager_;
    SC_HANDLE service_ = nullptr;
};

// A string value of a machine key outside the test's own, set for the test and put back (or
// removed when it was missing) afterwards.
class BorrowedValue {
public:
    BorrowedValue(std::wstring subkey, std::wstring name, REGSAM view, const std::wstring& value,
                  HKEY root = HKEY_LOCAL_MACHINE)
        : subkey_(std::move(subkey)), name_(std::move(name)), view_(view), root_(root) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root_, subkey_.c_str(), 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE | view_, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            return;
        }
        DWORD bytes = 0;
        if (RegQueryValueExW(key, name_.c_str(), nullptr, &type_, nullptr, &bytes) ==
            ERROR_SUCCESS) {
            saved_.resize(bytes);
            had_ = RegQueryValueExW(key, name_.c_str(), nullptr, &type_, saved_.data(), &bytes) ==
                   ERROR_SUCCESS;
        }
        set_ = RegSetValueExW(
                   key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~BorrowedValue() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root_, subkey_.c_str(), 0, KEY_WRITE | view_, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        if (had_) {
            RegSetValueExW(key, name_.c_str(), 0, type_, saved_.data(),
                           static_cast<DWORD>(saved_.size()));
        } else {
            RegDeleteValueW(key, name_.c_str());
        }
        RegCloseKey(key);
    }
    BorrowedValue(const BorrowedValue&) = delete;
    BorrowedValue& operator=(const BorrowedValue&) = delete;
    bool Set() const { return set_; }

private:
    std::wstring subkey_, name_;
    REGSAM view_;
    HKEY root_;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> saved_;
    bool had_ = false;
    bool set_ = false;
};

class IisRunWorld {
public:
    static constexpr const wchar_t* kHostName = L"tavhost";
    static constexpr const wchar_t* kDomain = L"corp.example";

    // serverProgram: the server executable the manager finds running in the install folder
    // ("Qelsrv.exe" or "TavAps.exe"); a recorder copy, so that its "/RegServer" is logged.
    // description: the package's config.xml.
    IisRunWorld(const std::wstring& serverProgram, const std::string& description) {
        if (!turn_.Owned() || !install_.Made() || !wizard_.Made() || !client_.Made() ||
            !webs_.Made() || !logs_.Made() || !hostName_.Set() || !domain_.Set() ||
            !programFiles_.Set()) {
            return;
        }
        const std::wstring recorder = ToolRecorderExe();
        wchar_t system[MAX_PATH + 1] = {};
        systemFolder_.assign(system, GetSystemDirectoryW(system, MAX_PATH + 1));
        const std::wstring systemRoot = FolderOf(systemFolder_);
        const std::wstring destinations[] = {
            install_.PathOf(serverProgram),
            client_.PathOf(L"Support\\CrtVDir.exe"),
            client_.PathOf(L"Support\\selfssl.exe"),
            systemFolder_ + L"\\inetsrv\\appcmd.exe",
            // The updaters start the system folder's cscript, wherever they run from.
            systemFolder_ + L"\\cscript.exe",
            programFilesFolder_.Path() + L"\\Internet Explorer\\iexplore.exe",
        };
        for (const std::wstring& destination : destinations) {
            if (!Place(recorder, destination)) return;
        }
        // Both bitnesses' regasm: the product's assemblies and the certificate component are
        // registered by different ones.
        if (!Place(RegasmStandInExe(), RegasmPlace(systemRoot, L"Framework")) ||
            !Place(RegasmStandInExe(), RegasmPlace(systemRoot, L"Framework64")) ||
            !Place(CertificateDoubleDll(), wizard_.PathOf(L"package\\TavCertHlp.dll")) ||
            !WriteWholeFile(wizard_.PathOf(L"package\\redirect403_4.asp"), "<% redirect %>") ||
            !WriteWholeFile(wizard_.PathOf(L"config.xml"), description) ||
            !CreateDirectoryW(install_.PathOf(L"WebAnon").c_str(), nullptr)) {
            return;
        }
        for (const wchar_t* folder :
             {L"client", L"client\\jobevents", L"client\\jobevents\\jobtickets",
              L"client\\jobevents\\jobtickets\\TAVJTX",
              L"client\\jobevents\\jobtickets\\TAVJTX\\xml", L"server", L"queueman"}) {
            if (!CreateDirectoryW(webs_.PathOf(folder).c_str(), nullptr)) return;
        }
        if (!product.WriteString(false, L"Tav", L"TAVCLNTMSIPATH",
                                 client_.PathOf(L"TavClntMsi.exe")) ||
            !product.WriteString(false, L"Tav", L"WEBCLIENTPATH", WebClientFolder()) ||
            !product.WriteString(false, L"Tav", L"WEBSERVERPATH", WebServerFolder()) ||
            !product.WriteString(false, L"Tav", L"WEBQUEUEMANPATH", webs_.PathOf(L"queueman\\"))) {
            return;
        }
        service_ = std::make_unique<InstalledService>(L"TavSvc", install_.PathOf(serverProgram));
        if (!service_->Installed()) return;
        // Services decide the server's kind: a remote print server has its TavAps service.
        if (serverProgram == L"TavAps.exe") {
            apsService_ = std::make_unique<InstalledService>(L"TavAps", install_.PathOf(serverProgram));
            if (!apsService_->Installed()) return;
        }
        staged_ = std::make_unique<StagedMachine>(wizard_.PathOf(L"TavUpdateWizard.exe"),
                                                  install_.PathOf(serverProgram));
        ready_ = true;
    }
    ~IisRunWorld() {
        manager_.reset();
        // The double's library goes once COM has let it go.
        CoFreeUnusedLibrariesEx(0, 0);
    }
    IisRunWorld(const IisRunWorld&) = delete;
    IisRunWorld& operator=(const IisRunWorld&) = delete;

    bool Ready() const { return ready_; }

    // The manager the wizard would make on this server; the description is read here.
    CTupManager& Manager() {
        manager_ = std::make_unique<CTupManager>(&texts_, &language_, enforce_);
        return *manager_;
    }

    // Replaces the package's config.xml.
    bool Describe(const std::string& description) {
        return WriteWholeFile(wizard_.PathOf(L"config.xml"), description);
    }

    // A file of the package at a path below the package folder, one folder deep at most.
    bool AddPackageFile(const std::wstring& relative, const std::string& content) {
        const size_t slash = relative.find(L'\\');
        if (slash != std::wstring::npos) {
            CreateDirectoryW(wizard_.PathOf(L"package\\" + relative.substr(0, slash)).c_str(),
                             nullptr);
        }
        return WriteWholeFile(wizard_.PathOf(L"package\\" + relative), content);
    }

    // Takes the certificate component's library out of the package, so that regasm has nothing
    // to register.
    bool RemoveCertificateLibrary() {
        return DeleteFileW(wizard_.PathOf(L"package\\TavCertHlp.dll").c_str()) != FALSE;
    }

    // Every line the stand-ins and the double wrote, in order.
    std::vector<std::wstring> Log() const { return LogLines(log_); }

    std::wstring ClientFolder() const { return client_.Path() + L"\\"; }
    std::wstring WebClientFolder() const { return webs_.PathOf(L"client\\"); }
    std::wstring WebServerFolder() const { return webs_.PathOf(L"server\\"); }
    const std::wstring& SystemFolder() const { return systemFolder_; }

private:
    MachineWideTurn turn_;

public:
    // The product key, HKEY_LOCAL_MACHINE\SOFTWARE\Kelmark with everything below it.
    ScratchKey product{L"Kelmark"};
    // The IIS version key, HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\InetStp.
    ScratchKey inetStp{L"Microsoft\\InetStp"};

private:
    bool Place(const std::wstring& source, const std::wstring& destination) {
        copies_.push_back(std::make_unique<PlacedCopy>(source, destination));
        return copies_.back()->Placed();
    }
    WinScratchFolder install_, wizard_, client_, webs_, logs_;
    WinScratchFolder programFilesFolder_;
    const std::wstring log_ = logs_.PathOf(L"calls.log");
    ScopedVariable toolLog_{L"TAV_TOOL_LOG", log_};
    ScopedVariable doubleLog_{L"TAVCERTHLP_DOUBLE_LOG", log_};
    BorrowedValue hostName_{L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"Hostname",
                            KEY_WOW64_64KEY, kHostName};
    BorrowedValue domain_{L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters", L"Domain",
                          KEY_WOW64_64KEY, kDomain};
    // Wine runs its own cscript from the system folder unless told to load the file there.
    BorrowedValue cscriptLoadOrder_{L"Software\\Wine\\DllOverrides", L"cscript.exe", KEY_WOW64_64KEY,
                                    L"native", HKEY_CURRENT_USER};
    // The core server updater shows the readme with the browser below the 32-bit view's
    // program files folder; here that is a folder of the test's own.
    BorrowedValue programFiles_{L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir",
                                KEY_WOW64_32KEY, programFilesFolder_.Path()};
    std::wstring systemFolder_;
    std::vector<std::unique_ptr<PlacedCopy>> copies_;
    std::unique_ptr<InstalledService> service_;
    std::unique_ptr<StagedMachine> staged_;
    std::unique_ptr<InstalledService> apsService_;
    run_tests::IdTexts texts_;
    const std::wstring language_ = L"EN";
    uint32_t enforce_ = 0;
    std::unique_ptr<CTupManager> manager_;
    bool ready_ = false;
};

}  // namespace wintest
