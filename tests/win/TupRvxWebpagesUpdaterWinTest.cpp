// Whole update runs of the remote print server's package on a staged server under Wine: the
// server updater and the web pages updater, with the internal secure channel chosen and never
// set. What the registry holds afterwards (the data folder under the TavAps key, the URL handler
// values, Port and RequireHttps, the secure channel values) and the one program the run starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "win/WinIisRunWorld.h"

namespace {

using run_tests::StringItem;

const std::wstring kAgent = L"Tav\\TavAps\\WebEventAgent";
const std::wstring kHandlers = L"Tav\\TavAps\\TcpServer\\HttpHandler";

std::string NewFile(const std::string& packageFile, const std::string& installationFile) {
    return "<ITEM key=\"Files\" type=\"OCContainer\"><ITEM key=\"File0\" type=\"OCContainer\">" +
           StringItem("UpdatePackageFile", packageFile) +
           StringItem("InstallationFile", installationFile) +
           "<ITEM key=\"VersionCheckType\" type=\"OCUnsignedLong\">2</ITEM></ITEM></ITEM>";
}

std::string AgentItem(int index, const std::string& name) {
    return "<ITEM key=\"Key" + std::to_string(index) + "\" type=\"OCContainer\">" +
           StringItem("KeyName",
                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\TavAps\\WebEventAgent") +
           StringItem("ValueName", name) +
           "<ITEM key=\"Value\" type=\"OCUnsignedLong\">3</ITEM></ITEM>";
}

// The remote server's package: its server updater and its web pages updater with one new file
// each; the web event agent's items Port, RequireHttps and one of another name, all 3.
std::string RvxPackage() {
    return "<?xml version=\"1.0\"?>\n<CONFIG><ITEM key=\"Tarnova_RVX_Update\" "
           "type=\"OCContainer\">" +
           StringItem("ComponentName", "RvxRun") +
           "<ITEM key=\"Updaters\" type=\"OCContainer\">"
           "<ITEM key=\"Updater0\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupRvxUpdater") +
           NewFile("rvx\\TavApsNotes.txt", "[$TN_RVX_INSTALL_PATH]TavApsNotes.txt") +
           "</ITEM><ITEM key=\"Updater1\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupRvxWebpagesUpdater") +
           NewFile("web\\event.htm", "[$WEBEVENTAGENT_HTMLRESOURCEFILES]event.htm") +
           "<ITEM key=\"RegistryKeys\" type=\"OCContainer\">" + AgentItem(0, "Port") +
           AgentItem(1, "requirehttps") + AgentItem(2, "Timeout") +
           "</ITEM></ITEM></ITEM></ITEM></CONFIG>\n";
}

DWORD DwordOf(const wintest::ScratchKey::RawValue& value) {
    DWORD number = 0xFFFFFFFF;
    if (value.present && value.type == REG_DWORD && value.bytes.size() == 4) {
        std::memcpy(&number, value.bytes.data(), 4);
    }
    return number;
}

std::wstring TextOf(const wintest::ScratchKey::RawValue& value) {
    if (!value.present || value.type != REG_SZ || value.bytes.size() < 2) return L"(none)";
    std::wstring text;
    for (size_t i = 0; i + 1 < value.bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(value.bytes[i] | (value.bytes[i + 1] << 8)));
    }
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

TEST(TupRvxWebpagesUpdaterWin, RunWritesTheRemoteServersValuesByTheInternalSecureChannel) {
    constexpr DWORD kNone = 0xFFFFFFFF;
    // Without the dialog the items are written as every item is: where no value is, with the
    // package's value, and an administrator's secure channel stays.
    const struct {
        const char* label;
        bool chosen;  // the settings dialog set the internal secure channel on
        DWORD found;  // Port and RequireHttps before the run
        DWORD port, requireHttps, forceHttps, httpsPort;
    } cases[] = {{"secure channel chosen", true, kNone, 8448, 1, 1, 8443},
                 {"secure channel never set", false, kNone, 3, 3, kNone, kNone},
                 {"secure channel never set, the administrator's kept", false, 1, 1, 1, kNone,
                  kNone}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        wintest::IisRunWorld world(L"TavAps.exe", RvxPackage());
        ASSERT_TRUE(world.Ready());
        wintest::WinScratchFolder html;
        ASSERT_TRUE(html.Made());
        ASSERT_TRUE(
            world.product.WriteString(false, kAgent, L"HTMLRESOURCEFILES", html.Path() + L"\\"));
        ASSERT_TRUE(world.product.WriteString(
            false, kHandlers, L"/wbclient/misc/generalfailure.asp", L"/custom/failure.asp"));
        if (c.found != kNone) {
            ASSERT_TRUE(world.product.WriteDword(false, kAgent, L"Port", c.found));
            ASSERT_TRUE(world.product.WriteDword(false, kAgent, L"RequireHttps", c.found));
        }
        ASSERT_TRUE(world.AddPackageFile(L"rvx\\TavApsNotes.txt", "aps notes"));
        ASSERT_TRUE(world.AddPackageFile(L"web\\event.htm", "<html>event</html>"));

        CTupManager& manager = world.Manager();
        ASSERT_TRUE(manager.RunsTavAps());
        if (c.chosen) manager.SetEnforceSecureChannelInternal(1);
        ASSERT_TRUE(manager.LoadNextPackage());
        ASSERT_EQ(2u, manager.Updaters().size());
        EXPECT_TRUE(manager.RunUpdate());

        const std::wstring install = manager.InstallFolder();
        EXPECT_EQ(
            (std::vector<std::wstring>{L"TavAps.exe|\"" + install + L"TavAps.exe\" /RegServer"}),
            world.Log());
        std::string copied;
        EXPECT_TRUE(wintest::ReadWholeFile(install + L"TavApsNotes.txt", copied) &&
                    copied == "aps notes");
        EXPECT_TRUE(wintest::ReadWholeFile(html.PathOf(L"event.htm"), copied) &&
                    copied == "<html>event</html>");

        // The data folder belongs to the running remote server's key, and is there.
        EXPECT_EQ(install + L"Data\\",
                  TextOf(world.product.Read(false, L"Tav\\TavAps", L"DataFolder")));
        EXPECT_FALSE(world.product.Read(false, L"Tav", L"DataFolder").present);
        const DWORD attributes = GetFileAttributesW((install + L"Data").c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES &&
                    (attributes & FILE_ATTRIBUTE_DIRECTORY));

        // Missing URL handler values get the old request URLs; the one found stays.
        const std::pair<const wchar_t*, const wchar_t*> handlers[] = {
            {L"/wbclient/jobevents/attachcc.asp",
             L"/wbclient/isapi/OzaroRequest.dll?script=attachcc.ozaro"},
            {L"/wbclient/misc/generalfailure.asp", L"/custom/failure.asp"},
            {L"/wbclient/jobevents/identifyuser.asp",
             L"/wbclient/isapi/OzaroRequest.dll?script=identifyuser.ozaro"},
            {L"/wbclient/jobevents/askjobcode.asp",
             L"/wbclient/isapi/OzaroRequest.dll?script=askJobCode.ozaro"},
            {L"/wbclient/jobevents/dispjobcode.asp",
             L"/wbclient/isapi/OzaroRequest.dll?script=dispjobcode.ozaro"}};
        for (const auto& [page, url] : handlers) {
            EXPECT_EQ(url, TextOf(world.product.Read(false, kHandlers, page)));
        }

        EXPECT_EQ(c.port, DwordOf(world.product.Read(false, kAgent, L"Port")));
        EXPECT_EQ(c.requireHttps, DwordOf(world.product.Read(false, kAgent, L"requirehttps")));
        // The file update wrote every missing item with the package's value; only the two are
        // changed, and only when chosen.
        EXPECT_EQ(3u, DwordOf(world.product.Read(false, kAgent, L"Timeout")));
        EXPECT_EQ(c.forceHttps,
                  DwordOf(world.product.Read(false, L"Tav\\TavAps\\TcpServer", L"ForceHttps")));
        EXPECT_EQ(c.httpsPort,
                  DwordOf(world.product.Read(false, L"Tav\\TavAps\\TcpServer", L"HttpsPort")));
        // Nothing of it in the 64-bit view.
        EXPECT_FALSE(world.product.Exists(true, L"Tav"));
    }
}

}  // namespace
