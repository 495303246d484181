// The communication and synchronization settings forms.
#include "app/CommSyncSettings.h"

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"

namespace {

// Control ids of the three dialog templates.
struct FormIds {
    int dialog, link, intro, secure, secureInfo, internal, internalInfo, ssl, sslInfo, sync,
        syncInfo, understood;
};
constexpr FormIds kMainIds{132, 1029, 1030, 1025, 1031, 0, 0, 1026, 1032, 1027, 1033, 1028};
constexpr FormIds kInternalIds{133, 1039, 1040, 1034, 1041, 1035, 1042, 1036, 1043, 1037, 1044, 1038};
constexpr FormIds kServerIds{134, 1047, 1048, 0, 0, 1045, 1049, 0, 0, 0, 0, 1046};

const FormIds& IdsOf(CommSyncForm form) {
    switch (form) {
        case CommSyncForm::MainServer:
            return kMainIds;
        case CommSyncForm::MainServerInternal:
            return kInternalIds;
        default:
            return kServerIds;
    }
}

}  // namespace

CCommSyncSettings::CCommSyncSettings(CommSyncForm form, CStringBase& texts,
                                     const std::wstring* language, std::wstring helpAddress)
    : CSpecifyCommSyncSettingsDlgBase(texts, language, std::move(helpAddress)), form_(form) {
    using namespace tav;
    const FormIds& ids = IdsOf(form);
    const bool scan = form == CommSyncForm::ScanServer;
    if (ids.secure) {
        boxes_.push_back({ids.secure, kTextEnforceSecureChannel, ids.secureInfo,
                          kTextEnforceSecureChannelInfo, &CCommSyncSettings::enforceSecureChannel});
    }
    if (ids.internal) {
        boxes_.push_back({ids.internal, scan ? kTextScanServerSecureChannel : kTextEnforceSecureChannelInternal,
                          ids.internalInfo,
                          scan ? kTextScanServerSecureChannelInfo : kTextEnforceSecureChannelInternalInfo,
                          &CCommSyncSettings::enforceSecureChannelInternal});
    }
    if (ids.ssl) {
        boxes_.push_back({ids.ssl, kTextInstallSslCertificate, ids.sslInfo,
                          kTextInstallSslCertificateInfo, &CCommSyncSettings::installSslCertificate});
        boxes_.push_back({ids.sync, kTextEnforceSyncCompatibility, ids.syncInfo,
                          kTextEnforceSyncCompatibilityInfo,
                          &CCommSyncSettings::enforceSyncCompatibility});
    }
    boxes_.push_back({ids.understood, kTextUnderstood, 0, 0, &CCommSyncSettings::understood});
}

int CCommSyncSettings::DialogId() const { return IdsOf(form_).dialog; }
int CCommSyncSettings::HelpLinkId() const { return IdsOf(form_).link; }
int CCommSyncSettings::IntroductionId() const { return IdsOf(form_).intro; }

uint32_t CCommSyncSettings::TitleTextId() const {
    switch (form_) {
        case CommSyncForm::RemotePrintServer:
            return tav::kTextRemotePrintServerSettingsTitle;
        case CommSyncForm::ScanServer:
            return tav::kTextScanServerSettingsTitle;
        default:
            return tav::kTextCommSyncTitle;
    }
}

void CCommSyncSettings::SetDefaults() {
    enforceSecureChannel = 0;
    enforceSecureChannelInternal = 0;
    installSslCertificate = 0;
    enforceSyncCompatibility = 1;
    understood = 0;
}

std::wstring CCommSyncSettings::HelpLinkMarkup() const {
    return L"<a>" + texts.GetTextOrEmpty(tav::kTextOnlineHelpLink, *language) + L"</a>";
}

bool CCommSyncSettings::BrowserStart(const std::wstring& programFilesDir,
                                     sys::ProgramStart& start) const {
    if (!sys::CanQuote(programFilesDir) || !sys::CanQuote(helpAddress)) return false;
    // The browser is quoted: the folder usually holds a blank.
    return sys::MakeProgramStart(sys::Quoted(programFilesDir + L"\\Internet Explorer\\iexplore.exe"),
                                 sys::Quoted(helpAddress), std::wstring(), start);
}
