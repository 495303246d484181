// One token to replace inside one file.
#include "updater/TupFileTokenReplacement.h"

#include "system/Machine.h"
#include "updater/TupTokenReplacer.h"

namespace {

std::wstring Replaced(const CTupTokenReplacer* replacer, std::wstring text) {
    if (replacer) replacer->ReplaceTokens(text);
    return text;
}

}  // namespace

void CTupFileTokenReplacement::Exchange(ObjContainer* container, bool isLoading) {
    if (!container) return;
    if (isLoading) {
        container->GetString(L"File", file_);
        container->GetString(L"Token", token_);
        container->GetString(L"Replacement", replacement_);
    } else {
        container->SetString(L"File", file_);
        container->SetString(L"Token", token_);
        container->SetString(L"Replacement", replacement_);
    }
}

void CTupFileTokenReplacement::Apply(const CTupTokenReplacer* replacer,
                                     const std::wstring& tool) const {
    const std::wstring file = GetFile(replacer);
    const std::wstring token = GetToken(replacer);
    const std::wstring replacement = GetReplacement(replacer);
    sys::Machine& machine = sys::CurrentMachine();
    if (!sys::IsExistingFile(*machine.files, file)) return;
    const std::wstring commandLine =
        tool + L" \"" + file + L"\" \"" + token + L"\" \"" + replacement + L"\"";
    machine.launcher->Run(commandLine, true, nullptr);  // the outcome is not examined
}

std::wstring CTupFileTokenReplacement::GetFile(const CTupTokenReplacer* replacer) const {
    return Replaced(replacer, file_);
}

std::wstring CTupFileTokenReplacement::GetToken(const CTupTokenReplacer* replacer) const {
    return Replaced(replacer, token_);
}

std::wstring CTupFileTokenReplacement::GetReplacement(const CTupTokenReplacer* replacer) const {
    return Replaced(replacer, replacement_);
}
