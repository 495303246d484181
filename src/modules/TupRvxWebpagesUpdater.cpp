// Updater of the remote print server's web pages.
#include "modules/TupRvxWebpagesUpdater.h"

#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "persist/ObjContainer.h"

const CTupRvxWebpagesUpdater::UrlHandler CTupRvxWebpagesUpdater::kUrlHandlers[5] = {
    {L"/wbclient/jobevents/attachcc.asp",
     L"/wbclient/isapi/OzaroRequest.dll?script=attachcc.ozaro"},
    {L"/wbclient/misc/generalfailure.asp",
     L"/wbclient/isapi/OzaroRequest.dll?script=generalfailure.ozaro"},
    {L"/wbclient/jobevents/identifyuser.asp",
     L"/wbclient/isapi/OzaroRequest.dll?script=identifyuser.ozaro"},
    {L"/wbclient/jobevents/askjobcode.asp",
     L"/wbclient/isapi/OzaroRequest.dll?script=askJobCode.ozaro"},
    {L"/wbclient/jobevents/dispjobcode.asp",
     L"/wbclient/isapi/OzaroRequest.dll?script=dispjobcode.ozaro"},
};

int CTupRvxWebpagesUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    Report(tav::kTextReadingHtmlResourcePath);
    std::wstring htmlFolder;
    {
        ObjContainer agent;
        agent.LoadFromRegistry(kWebEventAgentKey, false, -1, false);
        agent.GetString(L"HTMLRESOURCEFILES", htmlFolder);
    }
    if (htmlFolder.empty()) {
        Report(tav::kTextHtmlResourcePathNotSet);
        return 0;
    }
    Report(tav::kTextReplacingHtmlResourcePath);
    Report(tav::kTextUsingPath, htmlFolder);
    const int changed = ReplaceFirstPlaceholder({{kHtmlResourcePlaceholder, htmlFolder}});
    Report(tav::kTextInstallPathsChanged, std::to_wstring(changed));

    ExpandFilePatterns();
    RestrictCustomizationCheck();

    EnsureInstallPath(CTupManager::kProductKey, L"WEBCLIENTPATH", L"Web\\");
    for (const UrlHandler& handler : kUrlHandlers) {
        std::wstring value;
        bool written = false;
        EnsureRegistryValue(kHttpHandlerKey, handler.page, handler.oldUrl, value, written);
    }
    return 1;
}

int CTupRvxWebpagesUpdater::LaunchExecutables() {
    // Never set in the dialogs reads as off, and then replaces no value found.
    const bool secure = Manager() && Manager()->EnforceSecureChannelInternal();
    TupSteps::WriteDwordItems(
        RegistryKeys(), *this, Manager(),
        {{L"Port", secure ? 8448u : 8005u}, {L"RequireHttps", secure ? 1u : 0u}},
        Manager() && Manager()->HasEnforceSecureChannelInternal());
    return 1;
}
