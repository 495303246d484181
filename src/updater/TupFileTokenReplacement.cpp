// One token to replace inside one file.
#include "updater/TupFileTokenReplacement.h"

#include "system/Machine.h"
#include "system/ProgramStart.h"
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
    // A quote inside a value would end its quotes early and shift the tool's arguments.
    if (!sys::CanQuote(file) || !sys::CanQuote(token) || !sys::CanQuote(replacement)) return;
    sys::ProgramStart start;
    if (!sys::MakeProgramStart(tool,
                               sys::QuotedVerbatim(file) + L" " + sys::QuotedVerbatim(token) +
                                   L" " + sys::QuotedVerbatim(replacement),
                               machine.operatingSystem->SystemFolder(), start)) {
        return;
    }
    machine.launcher->Run(start.program, start.commandLine, true, nullptr);  // outcome not examined
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
