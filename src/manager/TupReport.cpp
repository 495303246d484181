// The report channel: status lines and current action for the wizard, lines of the result log.
#include <memory>

#include "app/lang/StringBase.h"
#include "log/LogFile.h"
#include "manager/TupManager.h"
#include "manager/TupOwner.h"

namespace {

// Keeps a result-log text in its column: quoted as the reader of a semicolon-separated file
// expects, and on one line.
std::wstring QuoteForResultLog(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    const bool quote = text.find(L';') != std::wstring::npos || (!text.empty() && text[0] == L'"');
    if (!quote) return text;
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') quoted += L'"';
        quoted += c;
    }
    quoted += L'"';
    return quoted;
}

}  // namespace

std::wstring CTupManager::Text(uint32_t textId, const std::wstring& language) const {
    if (!texts_) return std::wstring();
    const std::wstring* text = texts_->GetText(textId, language);
    return text ? *text : std::wstring();
}

void CTupManager::Report(int kind, uint32_t textId, int stepProgress, int totalProgress,
                         const std::wstring& extra) {
    const std::wstring uiLanguage = uiLanguage_ ? *uiLanguage_ : std::wstring(L"EN");
    const std::wstring tail = extra.empty() ? std::wstring() : L" " + extra;
    const std::wstring& component = ComponentName();

    std::wstring uiText;
    if (owner_) uiText = Text(textId, uiLanguage);
    if (owner_ && (kind == kReportStatus || kind == kReportBoth)) {
        owner_->AddStatusLine(component + L": " + uiText + tail, stepProgress, totalProgress);
    }
    if ((kind == kReportResultLog || kind == kReportBoth) && resultLog_) {
        const std::wstring line =
            L";" + QuoteForResultLog(component + L": " + Text(textId, resultLogLanguage_) + tail);
        resultLog_->Add(L"%ls", line.c_str());  // never as the format: a % stays as it is
        resultLog_->Flush();
    }
    if (owner_) owner_->SetCurrentAction(uiText + tail);
}

void CTupManager::TellFile(FileDecision decision, const std::wstring& packagePath,
                           const std::wstring& installed) {
    Tell(TupRunEvent::File(decision, currentModule_, packagePath, installed));
}

void CTupManager::ShowAction(uint32_t textId, const std::wstring& extra) {
    if (!owner_) return;
    const std::wstring uiLanguage = uiLanguage_ ? *uiLanguage_ : std::wstring(L"EN");
    owner_->SetCurrentAction(Text(textId, uiLanguage) + (extra.empty() ? L"" : L" " + extra));
}

void CTupManager::OpenResultLog(const std::wstring& path) {
    resultLog_ = HighPerformanceLog::GetLogFile(path, std::make_unique<CLfmStrategyDefault>());
}
