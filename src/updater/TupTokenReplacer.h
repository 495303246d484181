// Replaces the [$NAME] tokens of paths, command lines and values by their values on this
// machine. Every module updater is one; it supplies its manager and its module tokens.
#pragma once

#include <string>
#include <vector>

#include "updater/TupToken.h"

class CTupManager;

class CTupTokenReplacer {
public:
    // Built-in tokens, in the order they are replaced.
    static constexpr const wchar_t* kInstallPath = L"[$TN_INSTALL_PATH]";
    static constexpr const wchar_t* kRvxInstallPath = L"[$TN_RVX_INSTALL_PATH]";
    static constexpr const wchar_t* kWebBasePath = L"[$WEB_BASE_PATH]";
    static constexpr const wchar_t* kSystemRoot = L"[$SYSTEMROOT]";
    static constexpr const wchar_t* kCommonPrograms = L"[$CSIDL_COMMON_PROGRAMS]";
    static constexpr const wchar_t* kCommonDesktop = L"[$CSIDL_COMMON_DESKTOPDIRECTORY]";
    static constexpr const wchar_t* kWebClientPath = L"[$TAV_WEBCLIENTPATH]";
    static constexpr const wchar_t* kWebServerPath = L"[$TAV_WEBSERVERPATH]";
    static constexpr const wchar_t* kWebQueueManPath = L"[$TAV_WEBQUEUEMANPATH]";
    static constexpr const wchar_t* kDifPath = L"[$TAV_DIFPATH]";

    virtual ~CTupTokenReplacer() = default;

    // Replaces every occurrence of every known token in text, in place; true when at least one
    // was replaced. Values are fetched anew on every call.
    bool ReplaceTokens(std::wstring& text) const;

protected:
    // The manager that gives the install folder, the client MSI folder and whether TavAps runs;
    // may be null (then those tokens are replaced with empty values).
    virtual const CTupManager* TokenManager() const = 0;
    // The module-defined tokens, in the order they are replaced.
    virtual const std::vector<CTupToken>& ModuleTokens() const = 0;
};
