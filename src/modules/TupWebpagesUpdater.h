// Updater of the product's web pages, which afterwards configures IIS for the
// webs the package lists: virtual directories, the web UI's application pool,
// authentication and session options, error pages, a self-signed SSL
// certificate, and the module's RequireHttps values.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modules/TupIisCommands.h"
#include "system/CertificateComponent.h"
#include "updater/TupModuleUpdater.h"

class CTupWebpagesUpdater : public CTupModuleUpdater {
public:
    static constexpr const wchar_t* kInetStpKey =
        L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\InetStp";
    static constexpr const wchar_t* kTcpipParametersKey =
        L"HKEY_LOCAL_"
        L"MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    // The IIS major version that has the older tools.
    static constexpr uint32_t kOldIisMajorVersion = 6;
    // Tries of each binding call of the certificate component.
    static constexpr int kBindingTries = 6;

    // The base keys, then "WebsToCreate" when loading.
    void Exchange(ObjContainer* container, bool isLoading) override;

    // Base preparation, then the three web folders of the product key put in
    // place of their placeholders, wildcard expansion and the customization check
    // kept for web files. 0 when a web folder is not set.
    int PrepareUpdate() override;
    // The IIS configuration of every listed web, then the RequireHttps items (a
    // value found is replaced only when this run's dialog set the setting). 0
    // when the job ticket folder cannot be opened to everyone; otherwise the
    // result of the last command or certificate step that decides it.
    int LaunchExecutables() override;

    // The framework folder ("Framework" or "Framework64") whose regasm registers the
    // certificate component where a process with pointers of that many bytes looks for
    // classes: each regasm writes only into the registry view of its own bitness.
    static const wchar_t* FrameworkFolderFor(size_t pointerBytes);

    const StringList& WebsToCreate() const { return websToCreate_; }
    StringList& WebsToCreate() { return websToCreate_; }

private:
    // What one LaunchExecutables works with and what it has done so far.
    struct Run {
        TupIis::Tools tools;
        std::wstring clientMsiFolder;
        bool oldIis = false;
        bool enforceSecureChannel = false;
        bool installSslCertificate = false;
        bool appPoolDone = false;
        bool redirectPageCopied = false;
        bool certificateDone = false;
        int result = 1;
    };

    bool GrantJobTicketFolder() const;
    void ConfigureWeb(Run& run, TupIis::WebEntry web);
    void RunCommands(Run& run, const TupIis::Commands& commands);
    // Copies the package's redirection page into the install folder's WebAnon;
    // true when copied.
    bool CopyRedirectPage() const;
    void InstallCertificate(Run& run);
    void InstallCertificateWithComponent(Run& run, const TupIis::CertificateSuffixes& suffixes);
    // Reports the call's text, makes the call, reports its outcome; true for a
    // true result.
    bool CallComponent(const std::wstring& text,
                       const std::function<sys::ComponentCall()>& call) const;

    StringList websToCreate_;
};
