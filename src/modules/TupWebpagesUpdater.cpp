// Updater of the product's web pages and their IIS configuration.
#include "modules/TupWebpagesUpdater.h"

#include <initializer_list>
#include <memory>

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "modules/TupUpdaterSteps.h"
#include "persist/ObjContainer.h"
#include "system/Machine.h"
#include "system/ProgramStart.h"

namespace {

// The string values of a key (32-bit view), empty where missing.
std::vector<std::wstring> ReadStrings(const std::wstring& key,
                                      std::initializer_list<const wchar_t*> names) {
    ObjContainer values;
    values.LoadFromRegistry(key, false, -1, false);
    std::vector<std::wstring> found;
    for (const wchar_t* name : names) {
        std::wstring value;
        values.GetString(name, value);
        found.push_back(value);
    }
    return found;
}

const wchar_t* const kCertificateLibrary = L"TavCertHlp.dll";
const wchar_t* const kSite = L"Default Web Site";
const wchar_t* const kProtocol = L"https";
const wchar_t* const kBinding = L"*:443:";
constexpr int32_t kMachineStore = 16;

}  // namespace

void CTupWebpagesUpdater::Exchange(ObjContainer* container, bool isLoading) {
    CTupModuleUpdater::Exchange(container, isLoading);
    if (container && isLoading) container->GetStringList(L"WebsToCreate", websToCreate_);
}

int CTupWebpagesUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextReadingWebFolders);
    const std::vector<std::wstring> folders = ReadStrings(
        CTupManager::kProductKey, {L"WEBCLIENTPATH", L"WEBSERVERPATH", L"WEBQUEUEMANPATH"});
    for (const std::wstring& folder : folders) {
        if (folder.empty()) {
            Report(tav::kTextWebFolderNotSet);
            return 0;
        }
    }
    Report(tav::kTextReplacingWebFolders);
    for (const std::wstring& folder : folders) Report(tav::kTextUsingPath, folder);
    const int changed =
        TupSteps::ReplacePathPlaceholders(Files(), {{kWebClientPath, folders[0]},
                                                    {kWebServerPath, folders[1]},
                                                    {kWebQueueManPath, folders[2]}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));
    ExpandFilePatterns();
    RestrictCustomizationCheck();
    return 1;
}

int CTupWebpagesUpdater::LaunchExecutables() {
    if (!GrantJobTicketFolder()) return 0;

    const CTupManager* manager = Manager();
    Run run;
    uint32_t majorVersion = 0;
    {
        ObjContainer inetStp;
        inetStp.LoadFromRegistry(kInetStpKey, false, -1, false);
        inetStp.GetUnsignedLong(L"MajorVersion", majorVersion);
    }
    run.oldIis = majorVersion == kOldIisMajorVersion;
    run.clientMsiFolder = manager ? manager->ClientMsiFolder() : std::wstring();
    run.tools = TupIis::ToolLocations(run.clientMsiFolder,
                                      sys::CurrentMachine().operatingSystem->SystemFolder());
    run.enforceSecureChannel = manager && manager->EnforceSecureChannel();
    run.installSslCertificate = manager && manager->InstallSslCertificate();

    for (const std::wstring& entry : websToCreate_) {
        TupIis::WebEntry web;
        if (!TupIis::ParseWebEntry(entry, web)) continue;
        ReplaceTokens(web.folder);
        ConfigureWeb(run, web);
    }

    TupSteps::WriteDwordItems(RegistryKeys(), *this, Manager(),
                              {{L"RequireHttps", run.enforceSecureChannel ? 1u : 0u}},
                              manager && manager->HasEnforceSecureChannel());
    return run.result;
}

const wchar_t* CTupWebpagesUpdater::FrameworkFolderFor(size_t pointerBytes) {
    return pointerBytes == 8 ? L"Framework64" : L"Framework";
}

bool CTupWebpagesUpdater::GrantJobTicketFolder() const {
    std::wstring folder = ReadStrings(CTupManager::kProductKey, {L"WEBCLIENTPATH"})[0];
    if (folder.empty()) return true;
    if (folder.back() != L'\\') folder += L'\\';
    folder += L"jobevents\\jobtickets\\TAVJTX\\xml";
    if (!FolderExists(folder)) return true;
    return GrantEveryoneFullAccess(folder);
}

void CTupWebpagesUpdater::ConfigureWeb(Run& run, TupIis::WebEntry web) {
    if (web.createWeb) RunCommands(run, TupIis::CreateWebCommands(run.tools, web));
    if (web.createAppPool && !run.appPoolDone) {
        if (!run.oldIis) RunCommands(run, TupIis::AppPoolCommands(run.tools, run.clientMsiFolder));
        run.appPoolDone = true;
    }
    RunCommands(run, TupIis::AuthenticationCommands(run.tools, web, run.enforceSecureChannel));
    if (web.redirect) {
        // A page that could not be copied is tried again for the next web that
        // asks.
        if (!run.redirectPageCopied) run.redirectPageCopied = CopyRedirectPage();
        RunCommands(run, TupIis::RedirectCommands(run.tools, web.name, run.oldIis));
    }
    if (web.removeErrorPage403 && !run.oldIis) {
        RunCommands(run, TupIis::RemoveErrorPage403Commands(run.tools, web.name));
    }
    if (web.staticPage401 && !run.oldIis) {
        RunCommands(run, TupIis::StaticPage401Commands(run.tools, web.name, run.clientMsiFolder));
    }
    if (web.sslCertificate && run.installSslCertificate && !run.certificateDone) {
        InstallCertificate(run);
        run.certificateDone = true;
    }
}

void CTupWebpagesUpdater::RunCommands(Run& run, const TupIis::Commands& commands) {
    for (const TupIis::Command& command : commands) {
        const int started = RunAndWait(command.program, command.parameters);
        if (command.setsResult) run.result = started;
    }
}

bool CTupWebpagesUpdater::CopyRedirectPage() const {
    const CTupManager* manager = Manager();
    if (!manager) return false;
    return sys::CurrentMachine().files->Copy(
        manager->PackageFolder() + L"redirect403_4.asp",
        manager->InstallFolder() + L"WebAnon\\redirect403_4.asp", false);
}

void CTupWebpagesUpdater::InstallCertificate(Run& run) {
    const std::vector<std::wstring> names =
        ReadStrings(kTcpipParametersKey, {L"Hostname", L"Domain"});
    // The names stand between quotes in the certificate's subject; a quote in one would end
    // them early and add names of its own.
    if (!sys::CanQuote(names[0]) || !sys::CanQuote(names[1])) {
        run.result = 0;
        return;
    }
    const TupIis::CertificateSuffixes suffixes =
        TupIis::MakeCertificateSuffixes(names[0], names[1], run.oldIis ? L"," : L";");

    // The tools' paths are quoted: the client folder and the system root may hold
    // blanks.
    if (run.oldIis) {
        run.result = RunAndWait(L"\"" + run.clientMsiFolder + L"Support\\selfssl.exe\"",
                                TupIis::SelfSslParameters(suffixes));
        return;
    }

    run.result = 0;
    std::wstring systemRoot;
    if (!sys::CurrentMachine().environment->GetVariable(L"SYSTEMROOT", systemRoot) ||
        systemRoot.empty()) {
        return;
    }
    if (systemRoot.back() != L'\\') systemRoot += L'\\';
    // The component is created by this process, so it is registered for this process's
    // bitness.
    const std::wstring regasm = L"\"" + systemRoot + L"Microsoft.NET\\" +
                                FrameworkFolderFor(sizeof(void*)) + L"\\v4.0.30319\\regasm\"";
    const std::wstring library = L"\"" + (Manager() ? Manager()->PackageFolder() : std::wstring()) +
                                 kCertificateLibrary + L"\"";
    if (!RunAndWait(regasm, library + L" /codebase /silent /nologo /tlb")) return;
    InstallCertificateWithComponent(run, suffixes);
    RunAndWait(regasm, library + L" /unregister");
}

void CTupWebpagesUpdater::InstallCertificateWithComponent(
    Run& run, const TupIis::CertificateSuffixes& suffixes) {
    sys::ICertificateComponent* component = sys::CurrentMachine().certificates;
    const std::unique_ptr<sys::ICertificateSession> session =
        component ? component->Create() : nullptr;
    if (!session) return;

    const std::wstring subjects = TupIis::SubjectNames(suffixes);
    const sys::LocalTime now = sys::CurrentMachine().clock->Now();
    const std::wstring name = TupIis::CertificateName(now.year, now.month, now.day, now.hour,
                                                      now.minute, now.second, suffixes);
    const std::wstring library = kCertificateLibrary;

    const bool created = CallComponent(
        library + L" CreateSelfSignedCertificateInStore 16 " + subjects + L" " + name + L" true",
        [&] {
            return session->CreateSelfSignedCertificateInStore(kMachineStore, subjects, name, true);
        });
    if (!created) return;

    const std::wstring binding = std::wstring(kSite) + L" " + kProtocol + L" " + kBinding;
    for (int i = 0; i < kBindingTries; ++i) {
        if (CallComponent(library + L" RemoveBindingForSite " + binding, [&] {
                return session->RemoveBindingForSite(kSite, kProtocol, kBinding);
            })) {
            break;
        }
    }
    // The new binding is added whether or not the old one could be removed.
    for (int i = 0; i < kBindingTries; ++i) {
        if (CallComponent(library + L" AddBindingForSite " + binding + L" " + name + L" 16", [&] {
                return session->AddBindingForSite(kSite, kProtocol, kBinding, name, kMachineStore);
            })) {
            run.result = 1;
            break;
        }
    }
}

bool CTupWebpagesUpdater::CallComponent(const std::wstring& text,
                                        const std::function<sys::ComponentCall()>& call) const {
    Report(tav::kTextCallingCertificateComponent, text);
    const sys::ComponentCall answer = call();
    if (!answer.called) {
        Report(tav::kTextCertificateComponentFailed, text);
        return false;
    }
    Report(tav::kTextCertificateComponentResult,
           text + L" (result: " + (answer.result ? L"1" : L"0") + L")");
    return answer.result;
}
