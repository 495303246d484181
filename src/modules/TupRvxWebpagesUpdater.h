// Updater of the remote print server's web pages: the web event agent's HTML
// folder in the installation paths, the web client folder and the URL handlers
// of the server's HTTP handler key, and the Port and RequireHttps values of the
// module.
#pragma once

#include "modules/TupServerUpdater.h"

class CTupRvxWebpagesUpdater : public CTupServerUpdater {
public:
    static constexpr const wchar_t* kWebEventAgentKey =
        L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavAps\\WebEventAgent";
    static constexpr const wchar_t* kHttpHandlerKey =
        L"HKEY_LOCAL_"
        L"MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavAps\\TcpServer\\HttpHandler";
    static constexpr const wchar_t* kHtmlResourcePlaceholder =
        L"[$WEBEVENTAGENT_HTMLRESOURCEFILES]";

    // A page of the web client and the request URL that served it before.
    struct UrlHandler {
        const wchar_t* page;
        const wchar_t* oldUrl;
    };
    static const UrlHandler kUrlHandlers[5];

    // Base preparation, the HTML folder in place of its placeholder, wildcard
    // expansion, the customization check kept for web files, then the web client
    // folder and the URL handlers (defaults written where missing). 0 when the
    // HTML folder is not set.
    int PrepareUpdate() override;
    // Writes the module's Port and RequireHttps items from the internal secure
    // channel setting; values found are replaced only when this run's dialog set
    // it. Always 1.
    int LaunchExecutables() override;
};
