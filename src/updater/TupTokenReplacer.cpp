// Replaces the [$NAME] tokens by their values on this machine.
#include "updater/TupTokenReplacer.h"

#include "manager/TupManager.h"
#include "system/Machine.h"

namespace {

constexpr int kCsidlCommonPrograms = 23;
constexpr int kCsidlCommonDesktopDirectory = 25;

// Replaces every occurrence of token, left to right and without overlapping; the inserted
// value is not searched again. True when something was replaced.
bool ReplaceAll(std::wstring& text, std::wstring_view token, const std::wstring& value) {
    if (token.empty()) return false;
    bool replaced = false;
    std::wstring result;
    size_t from = 0;
    for (size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, from)) {
        result.append(text, from, at - from);
        result += value;
        from = at + token.size();
        replaced = true;
    }
    if (replaced) {
        result.append(text, from, std::wstring::npos);
        text.swap(result);
    }
    return replaced;
}

bool Contains(const std::wstring& text, std::wstring_view token) {
    return text.find(token) != std::wstring::npos;
}

void EnsureTrailingBackslash(std::wstring& path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
}

// A special folder, created when missing, with a trailing backslash; false when unavailable.
bool CommonFolder(int csidl, std::wstring& path) {
    if (!sys::CurrentMachine().shell->GetSpecialFolder(csidl, true, path)) return false;
    EnsureTrailingBackslash(path);
    return true;
}

}  // namespace

bool CTupTokenReplacer::ReplaceTokens(std::wstring& text) const {
    const CTupManager* manager = TokenManager();
    const std::wstring noFolder;
    const std::wstring& installFolder = manager ? manager->InstallFolder() : noFolder;
    const std::wstring& clientMsiFolder = manager ? manager->ClientMsiFolder() : noFolder;
    bool replaced = false;

    replaced |= ReplaceAll(text, kInstallPath, installFolder);
    replaced |= ReplaceAll(text, kRvxInstallPath, installFolder);
    replaced |= ReplaceAll(text, kWebBasePath, clientMsiFolder);

    if (Contains(text, kSystemRoot)) {
        std::wstring systemRoot;
        if (sys::CurrentMachine().environment->GetVariable(L"SYSTEMROOT", systemRoot)) {
            EnsureTrailingBackslash(systemRoot);
            replaced |= ReplaceAll(text, kSystemRoot, systemRoot);
        }
    }
    std::wstring folder;
    if (Contains(text, kCommonPrograms) && CommonFolder(kCsidlCommonPrograms, folder)) {
        replaced |= ReplaceAll(text, kCommonPrograms, folder);
    }
    if (Contains(text, kCommonDesktop) && CommonFolder(kCsidlCommonDesktopDirectory, folder)) {
        replaced |= ReplaceAll(text, kCommonDesktop, folder);
    }

    if (Contains(text, kWebClientPath) || Contains(text, kWebServerPath) ||
        Contains(text, kWebQueueManPath)) {
        ObjContainer product;
        product.LoadFromRegistry(CTupManager::kProductKey, false, -1, false);
        std::wstring client, server, queueMan;
        product.GetString(L"WEBCLIENTPATH", client);
        product.GetString(L"WEBSERVERPATH", server);
        product.GetString(L"WEBQUEUEMANPATH", queueMan);
        if (!client.empty() && !server.empty() && !queueMan.empty()) {
            replaced |= ReplaceAll(text, kWebClientPath, client);
            replaced |= ReplaceAll(text, kWebServerPath, server);
            replaced |= ReplaceAll(text, kWebQueueManPath, queueMan);
        }
    }

    if (Contains(text, kDifPath)) {
        std::wstring key = CTupManager::kProductKey;
        if (manager && manager->RunsTavAps()) key += L"\\TavAps";
        ObjContainer values;
        values.LoadFromRegistry(key, false, -1, false);
        std::wstring difPath;
        values.GetString(L"DIFPATH", difPath);
        replaced |= ReplaceAll(text, kDifPath, difPath);
    }

    for (const CTupToken& token : ModuleTokens()) {
        // Only a token that occurs is looked up; an empty name would match everywhere.
        if (token.Name().empty() || !Contains(text, token.Name())) continue;
        const std::wstring value = token.GetValue();
        if (!value.empty()) replaced |= ReplaceAll(text, token.Name(), value);
    }
    return replaced;
}
