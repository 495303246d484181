// The settings forms: which check boxes each has with which texts, the defaults, OK only while
// "understood" is ticked, and the help link.
#include "app/CommSyncSettings.h"

#include <gtest/gtest.h>

#include "app/lang/StringBase.h"

namespace {

class Texts final : public CStringBase {
public:
    Texts() : CStringBase(L"C:\\NoLanguageFiles") { AddString("53308", L"DE", L"Onlinehilfe"); }
};

TEST(CommSyncSettingsTest, EachFormHasItsDialogTitleAndCheckBoxes) {
    const struct {
        CommSyncForm form;
        int dialog, link, intro;
        uint32_t title;
        std::vector<std::vector<int>> boxes;  // control, text, explanation, its text
    } cases[] = {
        {CommSyncForm::MainServer, 132, 1029, 1030, 53307,
         {{1025, 53310, 1031, 53311}, {1026, 53312, 1032, 53342}, {1027, 53314, 1033, 53315},
          {1028, 53316, 0, 0}}},
        {CommSyncForm::MainServerInternal, 133, 1039, 1040, 53307,
         {{1034, 53310, 1041, 53311}, {1035, 53321, 1042, 53322}, {1036, 53312, 1043, 53342},
          {1037, 53314, 1044, 53315}, {1038, 53316, 0, 0}}},
        {CommSyncForm::RemotePrintServer, 134, 1047, 1048, 53325,
         {{1045, 53321, 1049, 53322}, {1046, 53316, 0, 0}}},
        {CommSyncForm::ScanServer, 134, 1047, 1048, 53326,
         {{1045, 53323, 1049, 53324}, {1046, 53316, 0, 0}}},
    };
    Texts texts;
    const std::wstring language = L"EN";
    for (const auto& c : cases) {
        CCommSyncSettings settings(c.form, texts, &language, L"h");
        EXPECT_EQ(c.dialog, settings.DialogId());
        EXPECT_EQ(c.link, settings.HelpLinkId());
        EXPECT_EQ(c.intro, settings.IntroductionId());
        EXPECT_EQ(c.title, settings.TitleTextId());
        std::vector<std::vector<int>> boxes;
        for (const auto& box : settings.CheckBoxes()) {
            boxes.push_back({box.controlId, int(box.textId), box.explanationId, int(box.explanationTextId)});
        }
        EXPECT_EQ(c.boxes, boxes) << c.dialog;
    }
}

TEST(CommSyncSettingsTest, DefaultsLeaveOnlySynchronizationOnAndOkWaitsForUnderstood) {
    Texts texts;
    const std::wstring language = L"EN";
    CCommSyncSettings settings(CommSyncForm::MainServerInternal, texts, &language, L"h");
    settings.enforceSecureChannel = settings.installSslCertificate = 1;
    settings.enforceSecureChannelInternal = settings.understood = 1;
    settings.enforceSyncCompatibility = 0;
    settings.SetDefaults();
    EXPECT_EQ(0u, settings.enforceSecureChannel);
    EXPECT_EQ(0u, settings.installSslCertificate);
    EXPECT_EQ(0u, settings.enforceSecureChannelInternal);
    EXPECT_EQ(1u, settings.enforceSyncCompatibility);
    EXPECT_FALSE(settings.OkEnabled());

    // The boxes are bound to their flags: ticking and clearing "understood" toggles OK.
    const auto& understood = settings.CheckBoxes().back();
    settings.Flag(understood) = 1;
    EXPECT_TRUE(settings.OkEnabled());
    settings.Flag(understood) = 0;
    EXPECT_FALSE(settings.OkEnabled());
    settings.Flag(settings.CheckBoxes()[1]) = 1;
    EXPECT_EQ(1u, settings.enforceSecureChannelInternal);
}

TEST(CommSyncSettingsTest, TheHelpLinkIsOneLinkAndOpensTheAddressInTheBrowser) {
    Texts texts;
    const std::wstring language = L"DE";
    CCommSyncSettings settings(CommSyncForm::ScanServer, texts, &language, L"https://h.example/x y");
    EXPECT_EQ(L"<a>Onlinehilfe</a>", settings.HelpLinkMarkup());
    sys::ProgramStart start;
    ASSERT_TRUE(settings.BrowserStart(L"C:\\Program Files", start));
    EXPECT_EQ(L"C:\\Program Files\\Internet Explorer\\iexplore.exe", start.program);
    EXPECT_EQ(L"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" \"https://h.example/x y\"",
              start.commandLine);
}

// A quote in the folder or the address would end the quotes early: nothing is started.
TEST(CommSyncSettingsTest, TheBrowserIsNotStartedForAQuoteInItsFolderOrTheAddress) {
    Texts texts;
    const std::wstring language = L"EN";
    const struct {
        std::wstring folder;
        std::wstring address;
    } cases[] = {{L"C:\\Program Files\" x", L"https://h.example/"},
                 {L"C:\\Program Files", L"https://h.example/\" -new"}};
    for (const auto& c : cases) {
        CCommSyncSettings settings(CommSyncForm::ScanServer, texts, &language, c.address);
        sys::ProgramStart start;
        EXPECT_FALSE(settings.BrowserStart(c.folder, start)) << c.folder << L" " << c.address;
    }
}

}  // namespace
