// The communication and synchronization settings the administrator confirms before an update
// that changes how the servers talk to each other: which form asks what, with which texts, the
// defaults, and when OK may be pressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/ProgramStart.h"

class CStringBase;

// What every settings dialog holds.
class CSpecifyCommSyncSettingsDlgBase {
public:
    CSpecifyCommSyncSettingsDlgBase(CStringBase& texts, const std::wstring* language,
                                    std::wstring helpAddress)
        : texts(texts), language(language), helpAddress(std::move(helpAddress)) {}
    virtual ~CSpecifyCommSyncSettingsDlgBase() = default;

    CStringBase& texts;
    const std::wstring* language;
    uint32_t understood = 0;
    std::wstring helpAddress;
};

// The settings of the main server's dialogs.
class CSpecifyCommSyncSettingsDlgV52Base {
public:
    virtual ~CSpecifyCommSyncSettingsDlgV52Base() = default;
    uint32_t enforceSecureChannel = 0;
    uint32_t installSslCertificate = 0;
    uint32_t enforceSyncCompatibility = 0;
};

// The setting of the internal web server.
class CSpecifyCommSyncSettingsDlgV53Base {
public:
    virtual ~CSpecifyCommSyncSettingsDlgV53Base() = default;
    uint32_t enforceSecureChannelInternal = 0;
};

// The four forms: dialog 132, dialog 133, and dialog 134 for either server kind.
enum class CommSyncForm { MainServer, MainServerInternal, RemotePrintServer, ScanServer };

// One form's state and layout; the dialog only shows it and hands clicks in.
class CCommSyncSettings : public CSpecifyCommSyncSettingsDlgBase,
                          public CSpecifyCommSyncSettingsDlgV52Base,
                          public CSpecifyCommSyncSettingsDlgV53Base {
public:
    // A check box bound to a flag, with its explanation below it.
    struct CheckBox {
        int controlId;
        uint32_t textId;
        int explanationId;  // 0: none
        uint32_t explanationTextId;
        uint32_t CCommSyncSettings::*flag;
    };

    CCommSyncSettings(CommSyncForm form, CStringBase& texts, const std::wstring* language,
                      std::wstring helpAddress);

    CommSyncForm Form() const { return form_; }
    int DialogId() const;
    uint32_t TitleTextId() const;
    int HelpLinkId() const;
    int IntroductionId() const;
    // Every check box of the form in tab order, the understood box last.
    const std::vector<CheckBox>& CheckBoxes() const { return boxes_; }

    // Secure channels and the certificate off, synchronization compatibility on, not understood.
    void SetDefaults();
    // OK may be pressed exactly while the understood box is ticked.
    bool OkEnabled() const { return understood != 0; }
    // The help link's text: the whole text is one link.
    std::wstring HelpLinkMarkup() const;
    // The start of the browser of programFilesDir on the help address; false when the folder
    // or the address holds a quote, which would break the command line's quotes.
    bool BrowserStart(const std::wstring& programFilesDir, sys::ProgramStart& start) const;

    uint32_t& Flag(const CheckBox& box) { return this->*box.flag; }

private:
    CommSyncForm form_;
    std::vector<CheckBox> boxes_;
};
