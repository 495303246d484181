// The remote print server's web pages updater: the web event agent's HTML folder in the
// installation paths, the web client folder and URL handler defaults, and the Port and
// RequireHttps items from the internal secure channel setting.
#include <gtest/gtest.h>

#include "manager/TupClassFactory.h"
#include "modules/ServerUpdaterTestWorld.h"
#include "modules/TupRvxWebpagesUpdater.h"

namespace {

using namespace server_tests;

const std::wstring kAgent = kProduct + L"\\TavAps\\WebEventAgent";
const std::wstring kHandlers = kProduct + L"\\TavAps\\TcpServer\\HttpHandler";
const std::wstring kHandlersKey = kProductKey + L"\\TavAps\\TcpServer\\HttpHandler";
const wchar_t* const kPages[] = {
    L"/wbclient/jobevents/attachcc.asp", L"/wbclient/misc/generalfailure.asp",
    L"/wbclient/jobevents/identifyuser.asp", L"/wbclient/jobevents/askjobcode.asp",
    L"/wbclient/jobevents/dispjobcode.asp"};
const wchar_t* const kOldUrls[] = {L"/wbclient/isapi/OzaroRequest.dll?script=attachcc.ozaro",
                                   L"/wbclient/isapi/OzaroRequest.dll?script=generalfailure.ozaro",
                                   L"/wbclient/isapi/OzaroRequest.dll?script=identifyuser.ozaro",
                                   L"/wbclient/isapi/OzaroRequest.dll?script=askJobCode.ozaro",
                                   L"/wbclient/isapi/OzaroRequest.dll?script=dispjobcode.ozaro"};

// A pattern entry, an entry with the placeholder twice, and one with a built-in token; the
// first and the last are planned for the customization check.
std::vector<CTupModuleFile> Files() {
    std::vector<CTupModuleFile> files = {
        MakeFile(L"web\\*.asp", L"[$WEBEVENTAGENT_HTMLRESOURCEFILES]x\\*.asp"),
        MakeFile(L"readme.htm",
                 L"[$WEBEVENTAGENT_HTMLRESOURCEFILES]a\\[$WEBEVENTAGENT_HTMLRESOURCEFILES]b.htm"),
        MakeFile(L"bin\\agent.dll", L"[$TN_INSTALL_PATH]agent.dll")};
    files[0].SetUserCustomizationCheckPlanned(1);
    files[2].SetUserCustomizationCheckPlanned(1);
    return files;
}

TEST(TupRvxWebpagesUpdaterTest, TheHtmlFolderReplacesItsPlaceholderAndMissingValuesGetDefaults) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    world.Put(L"HTMLRESOURCEFILES", L"D:\\Html\\", kAgent);
    // A handler value with other data stays as it is.
    world.Put(kPages[2], L"/custom/identify.asp", kHandlers);
    world.machine.files.AddFile(L"C:\\Update\\package\\web\\a.asp");
    world.machine.files.AddFile(L"C:\\Update\\package\\web\\b.dll");
    auto& updater = world.Make<CTupRvxWebpagesUpdater>();
    updater.Files() = Files();

    EXPECT_EQ(1, updater.PrepareUpdate());

    EXPECT_EQ(
        (Strings{L"D:\\Html\\x\\a.asp", L"D:\\Html\\a\\D:\\Html\\b.htm", L"C:\\TAV\\agent.dll"}),
        ServerWorld::InstallPaths(updater));
    EXPECT_EQ(L"web\\a.asp", updater.Files()[0].UpdatePackageFile());
    EXPECT_EQ(1u, updater.Files()[0].UserCustomizationCheckPlanned());
    EXPECT_EQ(0u, updater.Files()[2].UserCustomizationCheckPlanned());
    EXPECT_EQ(L"C:\\TAV\\Web\\", world.Get(L"WEBCLIENTPATH"));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(i == 2 ? L"/custom/identify.asp" : kOldUrls[i], world.Get(kPages[i], kHandlers))
            << i;
    }

    const Reports reports = world.TakeReports();
    const Reports start = {
        {tav::kTextUsingPath, L"C:\\TAV\\"},      {tav::kTextInstallPathsChanged, L"1"},
        {tav::kTextReadingHtmlResourcePath, L""}, {tav::kTextReplacingHtmlResourcePath, L""},
        {tav::kTextUsingPath, L"D:\\Html\\"},     {tav::kTextInstallPathsChanged, L"2"},
        {tav::kTextExpandingFilePatterns, L""}};
    ASSERT_GE(reports.size(), start.size());
    EXPECT_EQ(start, Reports(reports.begin(), reports.begin() + start.size()));
    Reports end = Written(kProductKey, L"WEBCLIENTPATH", L"C:\\TAV\\Web\\");
    for (int i = 0; i < 5; ++i) {
        const Reports value = i == 2 ? Found(kHandlersKey, kPages[i], L"/custom/identify.asp")
                                     : Written(kHandlersKey, kPages[i], kOldUrls[i]);
        end.insert(end.end(), value.begin(), value.end());
    }
    ASSERT_GE(reports.size(), end.size());
    EXPECT_EQ(end, Reports(reports.end() - end.size(), reports.end()));
}

TEST(TupRvxWebpagesUpdaterTest, WithoutTheHtmlFolderThePreparationFailsBeforeAnyDefault) {
    ServerWorld world(L"C:\\Tav\\TavAps.exe");
    world.Put(L"HTMLRESOURCEFILES", L"", kAgent);
    auto& updater = world.Make<CTupRvxWebpagesUpdater>();
    updater.Files() = Files();

    EXPECT_EQ(0, updater.PrepareUpdate());

    EXPECT_EQ(L"[$WEBEVENTAGENT_HTMLRESOURCEFILES]x\\*.asp", updater.Files()[0].InstallationFile());
    EXPECT_EQ(L"web\\*.asp", updater.Files()[0].UpdatePackageFile());
    EXPECT_EQ(L"<none>", world.Get(L"WEBCLIENTPATH"));
    EXPECT_EQ(L"<none>", world.Get(kPages[0], kHandlers));
    EXPECT_EQ((Reports{{tav::kTextUsingPath, L"C:\\TAV\\"},
                       {tav::kTextInstallPathsChanged, L"1"},
                       {tav::kTextReadingHtmlResourcePath, L""},
                       {tav::kTextHtmlResourcePathNotSet, L""}}),
              world.TakeReports());
}

// The setting replaces values found only when this run's dialog set it; never set, it reads
// as off and the items are written only where no value is.
TEST(TupRvxWebpagesUpdaterTest, PortAndRequireHttpsReplaceValuesFoundOnlyWhenTheDialogSetThem) {
    struct Case {
        const char* name;
        int setting;  // -1: never set in the dialogs
        bool found;   // Port and RequireHttps are there (4321) before
        int64_t port, requireHttps;
    } cases[] = {
        {"never set, no values", -1, false, 8005, 0},
        {"never set keeps the values found", -1, true, 4321, 4321},
        {"on, no values", 1, false, 8448, 1},
        {"on over the values found", 1, true, 8448, 1},
        {"off, no values", 0, false, 8005, 0},
        {"off over the values found", 0, true, 8005, 0},
    };
    const std::wstring tcp = kProduct + L"\\TavAps\\TcpServer";
    const std::wstring tcpKey = kProductKey + L"\\TavAps\\TcpServer";
    const std::wstring agentKey = kProductKey + L"\\TavAps\\WebEventAgent";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServerWorld world(L"C:\\Tav\\TavAps.exe");
        if (c.setting >= 0) world.Manager().SetEnforceSecureChannelInternal(c.setting);
        for (const auto& [key, name] : {std::pair{tcp, L"Port"}, std::pair{tcp, L"Timeout"},
                                        std::pair{kAgent, L"RequireHttps"}}) {
            if (!c.found && std::wstring(name) != L"Timeout") continue;
            world.machine.registry.PutDword(sys::RegistryRoot::LocalMachine, key,
                                            sys::RegistryView::Bits32, name, 4321);
        }
        auto& updater = world.Make<CTupRvxWebpagesUpdater>();
        auto item = [](const std::wstring& key, const std::wstring& valueName) {
            CTupRegistryKey made;
            made.SetKeyName(key);
            made.SetValueName(valueName);
            made.SetStringValue(L"from the package");
            return made;
        };
        updater.RegistryKeys() = {item(agentKey, L"requirehttps"), item(tcpKey, L"Timeout"),
                                  item(tcpKey, L"PORT")};
        updater.RegistryKeys64() = {item(tcpKey, L"Port")};

        EXPECT_EQ(1, updater.LaunchExecutables());

        EXPECT_EQ(c.port, world.Dword(L"Port", tcp));
        EXPECT_EQ(c.requireHttps, world.Dword(L"RequireHttps", kAgent));
        EXPECT_EQ(4321, world.Dword(L"Timeout", tcp));
        EXPECT_EQ(nullptr, world.machine.registry.Get(sys::RegistryRoot::LocalMachine, tcp,
                                                      sys::RegistryView::Bits64, L"Port"));
        // In the order of the items.
        EXPECT_EQ((Reports{{tav::kTextWritingRegistryValue, agentKey},
                           {tav::kTextWritingRegistryValue, tcpKey}}),
                  world.TakeReports());
        EXPECT_EQ(1u, updater.RegistryKeys()[1].IsString());
    }
}

TEST(TupRvxWebpagesUpdaterTest, IsCreatedByItsName) {
    std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(L"CTupRvxWebpagesUpdater");
    EXPECT_NE(nullptr, dynamic_cast<CTupRvxWebpagesUpdater*>(object.get()));
}

}  // namespace
