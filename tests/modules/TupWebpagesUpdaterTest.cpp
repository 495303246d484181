// The web pages updater: web folder placeholders, the web entries and the IIS commands they
// start on the old and the newer IIS, the once-per-run pieces, the certificate through selfssl
// or the certificate component, the job ticket folder and the RequireHttps items.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "manager/TupClassFactory.h"
#include "modules/ModuleTestWorld.h"
#include "modules/ServerUpdaterTestWorld.h"
#include "modules/TupWebpagesUpdater.h"

namespace fakes {
// Failures show a component call as its name and arguments.
inline void PrintTo(const FakeCertificateComponent::Call& call, std::ostream* out) {
    *out << tav::ToUtf8(call.name) << "(";
    for (size_t i = 0; i < call.arguments.size(); ++i) {
        *out << (i ? ", " : "") << tav::ToUtf8(call.arguments[i]);
    }
    *out << ")";
}
}  // namespace fakes

namespace {

using namespace server_tests;
using module_tests::HasRun;
using Call = fakes::FakeCertificateComponent::Call;
using Calls = std::vector<Call>;

constexpr int kMissing = -1;

// The client MSI folder holds the Support tools and the web UI; its path has a blank.
const std::wstring kClient = L"D:\\Tav Client\\";
const std::wstring kCrtVDir = L"\"D:\\Tav Client\\Support\\CrtVDir.exe\" ";
const std::wstring kAppcmd = L"\"C:\\Windows\\system32\\inetsrv\\appcmd\" ";
const std::wstring kAdsutil =
    L"cscript.exe \"D:\\Tav Client\\Support\\adsutil.vbs\" set w3svc/1/root/";
// The regasm of the wizard's own bitness: these tests, like the wizard, are 64-bit programs.
const std::wstring kRegasm = L"\"C:\\Windows\\Microsoft.NET\\Framework64\\v4.0.30319\\regasm\" ";
const std::wstring kLibrary = L"\"C:\\Update\\package\\TavCertHlp.dll\"";
const std::wstring kConfig =
    L"set config \"Default Web Site/web\" -section:system.webServer/httpErrors ";
const std::wstring kJobTickets = L"E:\\Web\\Client\\jobevents\\jobtickets\\TAVJTX\\xml";
// The certificate's name starts with the local time, which the world sets when it makes the
// updater.
const std::wstring kStamp = L"2027-01-02 03:04:05 ";

// Every switch on except "anonymous" (index 5 empty); the folder holds a token.
const std::wstring kFullEntry =
    L" [$TN_INSTALL_PATH]Web ; web ;docreateweb;docreateapppool_aspnetcoreworkerpool;"
    L"setauthntlmtrue;;aspsessiontimeout;configureredirect;installsslcertificate;accessssl;"
    L"removeerrorpage403.4;makestaticfilepath401";

class WebWorld : public ServerWorld {
public:
    // majorVersion: the IIS major version, or kMissing.
    explicit WebWorld(int majorVersion = 10) {
        Put(L"TAVCLNTMSIPATH", kClient + L"TavClnt.msi");
        Put(L"WEBCLIENTPATH", L"E:\\Web\\Client");
        Put(L"WEBSERVERPATH", L"E:\\Web\\Server\\");
        Put(L"WEBQUEUEMANPATH", L"E:\\Web\\QueueMan\\");
        if (majorVersion != kMissing) {
            machine.registry.PutDword(sys::RegistryRoot::LocalMachine,
                                      L"SOFTWARE\\Microsoft\\InetStp", sys::RegistryView::Bits32,
                                      L"MajorVersion", static_cast<uint32_t>(majorVersion));
        }
        machine.environment.variables[L"SYSTEMROOT"] = L"C:\\Windows";
        machine.files.AddFile(std::wstring(kPackage) + L"redirect403_4.asp", "page");
        machine.files.AddFolder(L"C:\\TAV\\WebAnon");
    }

    void Settings(bool enforceSecureChannel, bool installSslCertificate) {
        Manager().SetEnforceSecureChannel(enforceSecureChannel);
        Manager().SetInstallSslCertificate(installSslCertificate);
    }

    CTupWebpagesUpdater& Updater(const Strings& webs) {
        auto& updater = Make<CTupWebpagesUpdater>();
        updater.WebsToCreate() = webs;
        machine.clock.nowMs = 1000000;
        machine.clock.start = sys::LocalTime{2027, 1, 2, 3, 4, 5, 600, 6};
        return updater;
    }

    // The command lines started so far, forgotten afterwards.
    Strings Started() {
        Strings lines;
        for (const auto& start : machine.launcher.starts) {
            EXPECT_TRUE(start.waited) << tav::ToUtf8(start.commandLine);
            lines.push_back(start.commandLine);
        }
        machine.launcher.starts.clear();
        return lines;
    }
};

Strings Join(std::initializer_list<Strings> parts) {
    Strings all;
    for (const Strings& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Strings kAppPoolCommands = {
    kAppcmd +
        L"add apppool /name:\"AspNetCoreWorkerPool\" /managedRuntimeVersion: "
        L"/processmodel.identityType:LocalSystem",
    kAppcmd +
        L"set apppool /apppool.name:\"AspNetCoreWorkerPool\" "
        L"/recycling.periodicRestart.time:00:00:00",
    kAppcmd +
        L"set apppool /apppool.name:\"AspNetCoreWorkerPool\" "
        L"/+recycling.periodicRestart.schedule.[value='23:59:00']",
    kAppcmd + L"set vdir \"Default Web Site/tav\" -physicalpath:\"D:\\Tav Client\\WebUI\"",
    kAppcmd +
        L"set app /app.name:\"Default Web Site/tav\" /applicationPool:\"AspNetCoreWorkerPool\"",
};

const std::wstring kRemove403 =
    kAppcmd + kConfig + L"/-\"[statusCode='403',subStatusCode='4']\" /commit:apphost";

Calls ComponentCalls(const std::wstring& subjects, const std::wstring& name) {
    return {{L"Create", {}},
            {L"CreateSelfSignedCertificateInStore", {L"16", subjects, name, L"true"}},
            {L"RemoveBindingForSite", {L"Default Web Site", L"https", L"*:443:"}},
            {L"AddBindingForSite", {L"Default Web Site", L"https", L"*:443:", name, L"16"}},
            {L"Release", {}}};
}

TEST(TupWebpagesUpdaterTest, AFullEntryStartsTheToolsOfItsIisFamily) {
    const std::wstring page = L"D:\\Tav Client\\WebUI\\wwwroot\\errorpages\\unauthenticated.html";
    const Strings common = {
        kCrtVDir + L"CD \"C:\\TAV\\Web\" web 5",
        kCrtVDir + L"CA w3svc/1/root/web OOP",
    };
    const Strings authentication = {
        kAdsutil + L"web/AuthBasic False", kAdsutil + L"web/AuthAnonymous False",
        kAdsutil + L"web/AuthNTLM True",   kAdsutil + L"web/AspSessionTimeout 60",
        kAdsutil + L"web/AccessSSL True",
    };
    const Strings newer = Join(
        {common,
         kAppPoolCommands,
         authentication,
         {kRemove403,
          kAppcmd + kConfig +
              L"/+\"[statusCode='403',subStatusCode='4',prefixLanguageFilePath='',"
              L"path='/webanon/redirect403_4.asp',responseMode='ExecuteURL']\" /commit:apphost",
          kAppcmd + kConfig + L"/errormode:\"Custom\" /commit:apphost", kRemove403,
          kAppcmd + kConfig + L"/-\"[statusCode='401',subStatusCode='1']\" /commit:apphost",
          kAppcmd + kConfig +
              L"/+\"[statusCode='401',subStatusCode='1',prefixLanguageFilePath='',path='" + page +
              L"',responseMode='File']\" /commit:apphost",
          kAppcmd + kConfig + L"/-\"[statusCode='401']\" /commit:apphost",
          kAppcmd + kConfig + L"/+\"[statusCode='401',prefixLanguageFilePath='',path='" + page +
              L"',responseMode='File']\" /commit:apphost",
          kRegasm + kLibrary + L" /codebase /silent /nologo /tlb",
          kRegasm + kLibrary + L" /unregister"}});
    struct Case {
        const char* name;
        int majorVersion;
        Strings commands;
        bool componentUsed;
    } cases[] = {
        {"IIS 6", 6,
         Join({common,
               authentication,
               {L"cscript.exe \"D:\\Tav Client\\Support\\chglist.vbs\" w3svc/1/root/web/HttpErrors "
                L"403,4 "
                L"\"403,4,URL,/webanon/redirect403_4.asp\" /COMMIT",
                L"\"D:\\Tav Client\\Support\\selfssl.exe\" /N:cn=\"localhost\",cn=\"127.0.0.1\" "
                L"/V:3650 /Q"}}),
         false},
        {"IIS 10", 10, newer, true},
        {"no IIS version", kMissing, newer, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebWorld world(c.majorVersion);
        world.Settings(true, true);
        auto& updater = world.Updater({kFullEntry});

        EXPECT_EQ(1, updater.LaunchExecutables());
        EXPECT_EQ(c.commands, world.Started());
        EXPECT_EQ("page", world.machine.files.Read(L"C:\\TAV\\WebAnon\\redirect403_4.asp"));
        EXPECT_EQ(c.componentUsed ? ComponentCalls(L"cn=\"localhost\";cn=\"127.0.0.1\"",
                                                   kStamp + L"localhost;127.0.0.1")
                                  : Calls{},
                  world.machine.certificates.calls);
    }
}

TEST(TupWebpagesUpdaterTest, EntriesAreSplitTrimmedAndSwitchedOnlyAtTheirOwnPlace) {
    struct Case {
        std::wstring entry;
        bool parsed;
        std::wstring folder, name;
        std::vector<bool> switches;  // indexes 2 to 11
    } cases[] = {
        {L"C:\\Web;web", false, L"", L"", {}},
        {L"", false, L"", L"", {}},
        {L"C:\\Web;web;docreateweb", true, L"C:\\Web", L"web", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {L" C:\\My Web\t;  web ; DocreateWEB  ",
         true,
         L"C:\\My Web",
         L"web",
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {L";;", true, L"", L"", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // "anonymous" one place too early is neither NTLM nor the anonymous switch.
        {L"f;n;;;anonymous", true, L"f", L"n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {L"f;n;;;;anonymous", true, L"f", L"n", {0, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
        {L"f;n;anonymous;docreateweb", true, L"f", L"n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {L"f;n;docreateweb;docreateapppool_aspnetcoreworkerpool;setauthntlmtrue;anonymous;"
         L"aspsessiontimeout;configureredirect;installsslcertificate;accessssl;removeerrorpage403."
         L"4;"
         L"MakeStaticFilePath401;extra",
         true,
         L"f",
         L"n",
         {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {L"f;n;;;;;;;;;removeerrorpage403_4;makestaticfilepath401 x",
         true,
         L"f",
         L"n",
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tav::ToUtf8(c.entry));
        TupIis::WebEntry web;
        ASSERT_EQ(c.parsed, TupIis::ParseWebEntry(c.entry, web));
        if (!c.parsed) continue;
        EXPECT_EQ(c.folder, web.folder);
        EXPECT_EQ(c.name, web.name);
        EXPECT_EQ(c.switches,
                  (std::vector<bool>{web.createWeb, web.createAppPool, web.ntlm, web.anonymous,
                                     web.sessionTimeout, web.redirect, web.sslCertificate,
                                     web.accessSsl, web.removeErrorPage403, web.staticPage401}));
    }
}

TEST(TupWebpagesUpdaterTest, ShortEntriesAreSkippedAndAuthenticationIsSwitchedOffUnlessKept) {
    WebWorld world;
    world.Settings(false, false);
    auto& updater =
        world.Updater({L"C:\\Web;lone", L"C:\\Web\\A;a;docreateweb", L"C:\\Web\\B;b;;;anonymous",
                       L"C:\\Web\\C;c;;;;anonymous;;;;accessssl"});

    EXPECT_EQ(1, updater.LaunchExecutables());
    // Without HTTPS enforcement "accessssl" asks for nothing.
    EXPECT_EQ((Strings{kCrtVDir + L"CD \"C:\\Web\\A\" a 5", kCrtVDir + L"CA w3svc/1/root/a OOP",
                       kAdsutil + L"a/AuthBasic False", kAdsutil + L"a/AuthAnonymous False",
                       kAdsutil + L"b/AuthBasic False", kAdsutil + L"b/AuthAnonymous False"}),
              world.Started());
}

TEST(TupWebpagesUpdaterTest, PoolRedirectPageAndCertificateAreDoneOncePerRun) {
    WebWorld world;
    world.Settings(true, true);
    // The page reaches the package only once the first web's redirection has been set up:
    // the failed copy is tried again for the second web.
    fakes::FakeFiles& files = world.machine.files;
    ASSERT_TRUE(files.Remove(std::wstring(ServerWorld::kPackage) + L"redirect403_4.asp"));
    world.machine.launcher.onStart = [&](const std::wstring& line) {
        if (line.find(L"errormode") != std::wstring::npos) {
            files.AddFile(std::wstring(ServerWorld::kPackage) + L"redirect403_4.asp", "late");
        }
    };
    const std::wstring entry =
        L";;docreateapppool_aspnetcoreworkerpool;;anonymous;;configureredirect;"
        L"installsslcertificate";
    auto& updater = world.Updater({L"C:\\Web\\A;a" + entry, L"C:\\Web\\B;b" + entry});

    EXPECT_EQ(1, updater.LaunchExecutables());
    const Strings started = world.Started();
    // Pool, redirection and certificate for the first web; the redirection for the second.
    ASSERT_EQ(13u, started.size());
    EXPECT_EQ(kAppPoolCommands, Strings(started.begin(), started.begin() + 5));
    EXPECT_EQ(kRegasm + kLibrary + L" /unregister", started[9]);
    EXPECT_EQ(kAppcmd +
                  L"set config \"Default Web Site/b\" -section:system.webServer/httpErrors "
                  L"/-\"[statusCode='403',subStatusCode='4']\" /commit:apphost",
              started[10]);
    EXPECT_EQ("late", files.Read(L"C:\\TAV\\WebAnon\\redirect403_4.asp"));
    EXPECT_EQ(5u, world.machine.certificates.calls.size());

    // Nothing is remembered for the next run.
    world.machine.certificates.calls.clear();
    EXPECT_EQ(1, updater.LaunchExecutables());
    EXPECT_EQ(13u, world.Started().size());
    EXPECT_EQ(5u, world.machine.certificates.calls.size());
}

TEST(TupWebpagesUpdaterTest, HostNameAndDomainJoinTheCertificateListsWithTheSeparatorOfTheFamily) {
    struct Case {
        std::wstring host, domain, separator, subject, name;
    } cases[] = {
        {L"", L"", L";", L"", L""},
        {L"", L"corp.example", L";", L"", L""},
        {L"srv", L"", L";", L";cn=\"srv\"", L";srv"},
        {L"srv", L"corp.example", L";", L";cn=\"srv\";cn=\"srv.corp.example\"",
         L";srv;srv.corp.example"},
        {L"srv", L"corp.example", L",", L",cn=\"srv\",cn=\"srv.corp.example\"",
         L",srv,srv.corp.example"},
    };
    for (const Case& c : cases) {
        const TupIis::CertificateSuffixes suffixes =
            TupIis::MakeCertificateSuffixes(c.host, c.domain, c.separator);
        EXPECT_EQ(c.subject, suffixes.subject) << tav::ToUtf8(c.host + L"." + c.domain);
        EXPECT_EQ(c.name, suffixes.name) << tav::ToUtf8(c.host + L"." + c.domain);
    }
    EXPECT_EQ(L"2027-01-02 03:04:05 localhost;127.0.0.1;srv",
              TupIis::CertificateName(2027, 1, 2, 3, 4, 5, {L"", L";srv"}));

    for (int majorVersion : {6, 10}) {
        SCOPED_TRACE(majorVersion);
        WebWorld world(majorVersion);
        world.Settings(false, true);
        const std::wstring tcpip = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
        world.Put(L"Hostname", L"srv", tcpip);
        world.Put(L"Domain", L"corp.example", tcpip);
        auto& updater = world.Updater({L"C:\\Web;web;;;;anonymous;;;installsslcertificate"});

        EXPECT_EQ(1, updater.LaunchExecutables());
        const Strings started = world.Started();
        if (majorVersion == 6) {
            EXPECT_EQ((Strings{L"\"D:\\Tav Client\\Support\\selfssl.exe\" /N:cn=\"localhost\","
                               L"cn=\"127.0.0.1\",cn=\"srv\",cn=\"srv.corp.example\" /V:3650 /Q"}),
                      started);
        } else {
            EXPECT_EQ(2u, started.size());
            EXPECT_EQ(ComponentCalls(
                          L"cn=\"localhost\";cn=\"127.0.0.1\";cn=\"srv\";cn=\"srv.corp.example\"",
                          kStamp + L"localhost;127.0.0.1;srv;srv.corp.example"),
                      world.machine.certificates.calls);
        }
    }
}

TEST(TupWebpagesUpdaterTest, AQuoteInTheHostNameOrDomainMakesNoCertificate) {
    const std::wstring tcpip = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    for (int majorVersion : {6, 10}) {
        for (const auto& [host, domain] : {std::pair{L"srv\" /N:cn=\"x", L"corp"},
                                           std::pair{L"srv", L"corp\" /V:1 \""}}) {
            SCOPED_TRACE(majorVersion);
            WebWorld world(majorVersion);
            world.Settings(false, true);
            world.Put(L"Hostname", host, tcpip);
            world.Put(L"Domain", domain, tcpip);
            auto& updater = world.Updater({L"C:\\Web;web;;;;anonymous;;;installsslcertificate"});

            EXPECT_EQ(0, updater.LaunchExecutables());
            EXPECT_TRUE(world.Started().empty());
            EXPECT_TRUE(world.machine.certificates.calls.empty());
        }
    }
}

TEST(TupWebpagesUpdaterTest, CertificateComponentCallsTheirRetriesAndTheirReports) {
    using Component = fakes::FakeCertificateComponent;
    const std::wstring subjects = L"cn=\"localhost\";cn=\"127.0.0.1\"";
    const std::wstring name = kStamp + L"localhost;127.0.0.1";
    const Call create{L"CreateSelfSignedCertificateInStore", {L"16", subjects, name, L"true"}};
    const Call remove{L"RemoveBindingForSite", {L"Default Web Site", L"https", L"*:443:"}};
    const Call add{L"AddBindingForSite", {L"Default Web Site", L"https", L"*:443:", name, L"16"}};
    const std::wstring createText = L"TavCertHlp.dll CreateSelfSignedCertificateInStore 16 " +
                                    subjects + L" " + name + L" true";
    const std::wstring removeText =
        L"TavCertHlp.dll RemoveBindingForSite Default Web Site https *:443:";
    const std::wstring addText =
        L"TavCertHlp.dll AddBindingForSite Default Web Site https *:443: " + name + L" 16";
    const std::wstring regasm = kRegasm + kLibrary + L" /codebase /silent /nologo /tlb";
    const std::wstring unregister = kRegasm + kLibrary + L" /unregister";

    struct Case {
        const char* name;
        std::function<void(WebWorld&)> arrange;
        Strings events;  // program starts and component calls, in order
        int result;
    } cases[] = {
        {"all answers true",
         [](WebWorld&) {},
         {regasm, L"Create", create.name, remove.name, add.name, L"Release", unregister},
         1},
        {"bindings refused six times each",
         [](WebWorld& w) {
             w.machine.certificates.answers = {{true, true, L""}};
             for (int i = 0; i < 6; ++i)
                 w.machine.certificates.answers.push_back(Component::Refused());
             for (int i = 0; i < 6; ++i)
                 w.machine.certificates.answers.push_back(Component::Failed());
         },
         Join({{regasm, L"Create", create.name},
               Strings(6, remove.name),
               Strings(6, add.name),
               {L"Release", unregister}}),
         0},
        {"removal refused, add succeeds on its third try",
         [](WebWorld& w) {
             w.machine.certificates.answers = {{true, true, L""}};
             for (int i = 0; i < 6; ++i)
                 w.machine.certificates.answers.push_back(Component::Failed());
             w.machine.certificates.answers.push_back(Component::Refused());
             w.machine.certificates.answers.push_back(Component::Failed());
         },
         Join({{regasm, L"Create", create.name},
               Strings(6, remove.name),
               Strings(3, add.name),
               {L"Release", unregister}}),
         1},
        {"certificate not created",
         [](WebWorld& w) { w.machine.certificates.answers = {Component::Refused()}; },
         {regasm, L"Create", create.name, L"Release", unregister},
         0},
        {"component cannot be created",
         [](WebWorld& w) { w.machine.certificates.creatable = false; },
         {regasm, L"Create", unregister},
         0},
        // Only the registration fails to start: an unregistration would be seen.
        {"regasm cannot be started",
         [](WebWorld& w) { w.machine.launcher.failing = {L"/codebase"}; },
         {},
         0},
        {"no SYSTEMROOT", [](WebWorld& w) { w.machine.environment.variables.clear(); }, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebWorld world;
        world.Settings(false, true);
        Strings events;
        world.machine.launcher.onStart = [&](const std::wstring& line) { events.push_back(line); };
        world.machine.certificates.onCall = [&](const std::wstring& call) {
            events.push_back(call);
        };
        c.arrange(world);
        auto& updater = world.Updater({L"C:\\Web;web;;;;anonymous;;;installsslcertificate"});
        world.TakeReports();

        EXPECT_EQ(c.result, updater.LaunchExecutables());
        EXPECT_EQ(c.events, events);
        const Calls& calls = world.machine.certificates.calls;
        // Every call with its arguments.
        for (const Call& call : calls) {
            if (call.name == create.name) {
                EXPECT_EQ(create, call);
            } else if (call.name == remove.name) {
                EXPECT_EQ(remove, call);
            } else if (call.name == add.name) {
                EXPECT_EQ(add, call);
            }
        }
        const Reports reports = world.TakeReports();
        if (std::string(c.name) == "all answers true") {
            EXPECT_EQ((Reports{{tav::kTextCallingCertificateComponent, createText},
                               {tav::kTextCertificateComponentResult, createText + L" (result: 1)"},
                               {tav::kTextCallingCertificateComponent, removeText},
                               {tav::kTextCertificateComponentResult, removeText + L" (result: 1)"},
                               {tav::kTextCallingCertificateComponent, addText},
                               {tav::kTextCertificateComponentResult, addText + L" (result: 1)"}}),
                      reports);
        }
        if (std::string(c.name) == "bindings refused six times each") {
            ASSERT_EQ(2u + 12u * 2u, reports.size());
            EXPECT_EQ((Seen{tav::kTextCertificateComponentResult, removeText + L" (result: 0)"}),
                      reports[3]);
            EXPECT_EQ((Seen{tav::kTextCallingCertificateComponent, addText}), reports[14]);
            EXPECT_EQ((Seen{tav::kTextCertificateComponentFailed, addText}), reports.back());
        }
    }
}

TEST(TupWebpagesUpdaterTest, TheJobTicketFolderIsOpenedToEveryoneBeforeAnyCommand) {
    struct Case {
        const char* name;
        bool folderExists;
        bool grantable;
        int result;
        size_t commands;
        Reports grantReports;
    } cases[] = {
        {"granted",
         true,
         true,
         1,
         4,
         {{tav::kTextGrantingFullAccess, kJobTickets}, {tav::kTextFullAccessGranted, L""}}},
        {"refused",
         true,
         false,
         0,
         0,
         {{tav::kTextGrantingFullAccess, kJobTickets}, {tav::kTextFullAccessNotGranted, L""}}},
        {"no folder", false, false, 1, 4, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebWorld world;
        world.Settings(true, false);
        if (c.folderExists) world.machine.files.AddFolder(kJobTickets);
        world.machine.files.accessListsWritable = c.grantable;
        auto& updater = world.Updater({L"C:\\Web;web;docreateweb"});
        CTupRegistryKey item;
        item.SetKeyName(kProductKey + L"\\Web");
        item.SetValueName(L"RequireHttps");
        updater.RegistryKeys().push_back(item);

        EXPECT_EQ(c.result, updater.LaunchExecutables());
        EXPECT_EQ(c.commands, world.Started().size());
        Reports grants;
        for (const Seen& seen : world.TakeReports()) {
            if (seen.id >= tav::kTextGrantingFullAccess &&
                seen.id <= tav::kTextFullAccessNotGranted) {
                grants.push_back(seen);
            }
        }
        EXPECT_EQ(c.grantReports, grants);
        // A refused grant ends the step before the registry items too.
        EXPECT_EQ(c.result ? 1 : -1, world.Dword(L"RequireHttps", kProduct + L"\\Web"));
    }
}

// The setting replaces a value found only when this run's dialog supplied it; otherwise the
// item is written as every item is, where no value is.
TEST(TupWebpagesUpdaterTest, RequireHttpsItemsOfThe32BitListReplaceAValueOnlyWhenTheDialogSetIt) {
    struct Case {
        const char* name;
        int dialog;     // -1: no dialog in this run; else its HTTPS choice
        int64_t found;  // kMissing: no value before
        int64_t written;
    } cases[] = {
        {"no dialog, no value", -1, kMissing, 0},
        {"no dialog keeps the administrator's 1", -1, 1, 1},
        {"no dialog keeps a 0", -1, 0, 0},
        {"dialog on, no value", 1, kMissing, 1},
        {"dialog on over 0", 1, 0, 1},
        {"dialog off, no value", 0, kMissing, 0},
        {"dialog off over 1", 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebWorld world;
        if (c.dialog >= 0) world.Settings(c.dialog == 1, false);
        const std::wstring key = kProduct + L"\\Web";
        if (c.found != kMissing) {
            world.machine.registry.PutDword(sys::RegistryRoot::LocalMachine, key,
                                            sys::RegistryView::Bits32, L"RequireHttps",
                                            static_cast<uint32_t>(c.found));
        }
        world.machine.registry.PutDword(sys::RegistryRoot::LocalMachine, key,
                                        sys::RegistryView::Bits32, L"Other", 5);
        auto& updater = world.Updater({});
        auto item = [](const std::wstring& keyName, const std::wstring& valueName) {
            CTupRegistryKey made;
            made.SetKeyName(keyName);
            made.SetValueName(valueName);
            made.SetNumberValue(7);
            return made;
        };
        updater.RegistryKeys() = {item(kProductKey + L"\\Web", L"requireHTTPS"),
                                  item(kProductKey + L"\\Web", L"Other")};
        updater.RegistryKeys64() = {item(kProductKey + L"\\Web64", L"RequireHttps")};
        world.TakeReports();

        EXPECT_EQ(1, updater.LaunchExecutables());
        EXPECT_EQ(c.written, world.Dword(L"RequireHttps", key));
        EXPECT_EQ(5, world.Dword(L"Other", key));
        EXPECT_EQ(nullptr,
                  world.machine.registry.Get(sys::RegistryRoot::LocalMachine, kProduct + L"\\Web64",
                                             sys::RegistryView::Bits64, L"RequireHttps"));
        EXPECT_EQ((Reports{{tav::kTextWritingRegistryValue, kProductKey + L"\\Web"}}),
                  world.TakeReports());
    }
}

TEST(TupWebpagesUpdaterTest, TheResultIsTheStartOfTheLastCommandThatDecidesIt) {
    struct Case {
        const char* name;
        std::wstring entry;
        std::wstring failing;
        int result;
    } cases[] = {
        {"nothing to do", L"C:\\Web;web;;;;anonymous", L"", 1},
        {"two fields are skipped", L"C:\\Web;web", L"AuthAnonymous", 1},
        {"anonymous off fails", L"C:\\Web;web;", L"AuthAnonymous", 0},
        {"basic off fails", L"C:\\Web;web;", L"AuthBasic", 1},
        {"CA fails", L"C:\\Web;web;docreateweb;;;anonymous", L" CA ", 0},
        {"CD fails", L"C:\\Web;web;docreateweb;;;anonymous", L" CD ", 1},
        {"CA fails before the authentication", L"C:\\Web;web;docreateweb", L" CA ", 1},
        {"NTLM fails", L"C:\\Web;web;;;setauthntlmtrue;anonymous", L"AuthNTLM", 0},
        {"session fails", L"C:\\Web;web;;;;anonymous;aspsessiontimeout", L"AspSessionTimeout", 0},
        {"SSL access fails", L"C:\\Web;web;;;;anonymous;;;;accessssl", L"AccessSSL", 0},
        {"first pool command fails",
         L"C:\\Web;web;;docreateapppool_aspnetcoreworkerpool;;anonymous", L"add apppool", 1},
        {"last pool command fails", L"C:\\Web;web;;docreateapppool_aspnetcoreworkerpool;;anonymous",
         L"set app ", 0},
        {"redirect's first fails", L"C:\\Web;web;;;;anonymous;;configureredirect",
         L"/-\"[statusCode='403'", 1},
        {"redirect's last fails", L"C:\\Web;web;;;;anonymous;;configureredirect", L"errormode", 0},
        {"403.4 removal fails", L"C:\\Web;web;;;;anonymous;;;;;removeerrorpage403.4",
         L"/-\"[statusCode='403'", 0},
        {"401 page's last fails", L"C:\\Web;web;;;;anonymous;;;;;;makestaticfilepath401",
         L"/+\"[statusCode='401',prefix", 0},
        {"401 page's first fails", L"C:\\Web;web;;;;anonymous;;;;;;makestaticfilepath401",
         L"/-\"[statusCode='401',subStatusCode='1']", 1},
        {"unregistering fails", L"C:\\Web;web;;;;anonymous;;;installsslcertificate", L"/unregister",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebWorld world;
        world.Settings(true, true);
        if (!c.failing.empty()) world.machine.launcher.failing = {c.failing};
        auto& updater = world.Updater({c.entry});
        EXPECT_EQ(c.result, updater.LaunchExecutables());
    }

    // On the old IIS selfssl decides, and the later web's commands decide after it.
    WebWorld world(6);
    world.Settings(true, true);
    world.machine.launcher.failing = {L"selfssl"};
    EXPECT_EQ(
        0,
        world.Updater({L"C:\\Web;web;;;;anonymous;;;installsslcertificate"}).LaunchExecutables());
    EXPECT_EQ(1, world.Updater({L"C:\\Web;web;;;;anonymous;;;installsslcertificate", L"C:\\Web;b;"})
                     .LaunchExecutables());
}

TEST(TupWebpagesUpdaterTest, PreparationReplacesTheWebFoldersOrFailsWhenOneIsNotSet) {
    const auto files = [] {
        return std::vector<CTupModuleFile>{
            MakeFile(L"a.asp", L"[$TAV_WEBCLIENTPATH]a.asp"),
            MakeFile(L"b.dll", L"[$TAV_WEBSERVERPATH]bin\\[$TAV_WEBQUEUEMANPATH]b.dll"),
            MakeFile(L"c.htm", L"C:\\fixed\\c.htm")};
    };
    {
        SCOPED_TRACE("one folder missing");
        WebWorld world;
        world.Put(L"WEBQUEUEMANPATH", L"");
        auto& updater = world.Updater({});
        updater.Files() = files();
        updater.Files()[1].SetUpdatePackageFile(L"bin\\*.dll");

        EXPECT_EQ(0, updater.PrepareUpdate());
        EXPECT_EQ(
            (Strings{L"[$TAV_WEBCLIENTPATH]a.asp",
                     L"[$TAV_WEBSERVERPATH]bin\\[$TAV_WEBQUEUEMANPATH]b.dll", L"C:\\fixed\\c.htm"}),
            ServerWorld::InstallPaths(updater));
        EXPECT_EQ(L"bin\\*.dll", updater.Files()[1].UpdatePackageFile());
        EXPECT_EQ((Reports{{tav::kTextUsingPath, L"C:\\TAV\\"},
                           {tav::kTextInstallPathsChanged, L"0"},
                           {tav::kTextReadingWebFolders, L""},
                           {tav::kTextWebFolderNotSet, L""}}),
                  world.TakeReports());
    }
    {
        SCOPED_TRACE("all set");
        WebWorld world;
        auto& updater = world.Updater({});
        updater.Files() = files();
        updater.Files()[2].SetUserCustomizationCheckPlanned(1);
        updater.Files()[1].SetUserCustomizationCheckPlanned(1);

        EXPECT_EQ(1, updater.PrepareUpdate());
        // The token pass of the base preparation has already put all three folders in place,
        // so the folder step finds no placeholder left.
        EXPECT_EQ((Strings{L"E:\\Web\\Clienta.asp",
                           L"E:\\Web\\Server\\bin\\E:\\Web\\QueueMan\\b.dll", L"C:\\fixed\\c.htm"}),
                  ServerWorld::InstallPaths(updater));
        EXPECT_EQ(0u, updater.Files()[1].UserCustomizationCheckPlanned());
        EXPECT_EQ(1u, updater.Files()[2].UserCustomizationCheckPlanned());
        const Reports reports = world.TakeReports();
        EXPECT_TRUE(HasRun(reports, {{tav::kTextInstallPathsChanged, L"2"},
                                     {tav::kTextReadingWebFolders, L""},
                                     {tav::kTextReplacingWebFolders, L""},
                                     {tav::kTextUsingPath, L"E:\\Web\\Client"},
                                     {tav::kTextUsingPath, L"E:\\Web\\Server\\"},
                                     {tav::kTextUsingPath, L"E:\\Web\\QueueMan\\"},
                                     {tav::kTextInstallPathsChanged, L"0"},
                                     {tav::kTextExpandingFilePatterns, L""}}));
        EXPECT_TRUE(HasRun(reports, {{tav::kTextRestrictingCustomizationCheck, L""},
                                     {tav::kTextNoCustomizationCheck, L"b.dll"},
                                     {tav::kTextCustomizationCheckRestricted, L""}}));
    }
}

TEST(TupWebpagesUpdaterTest, TheComponentsRegasmIsTheOneOfTheCallersBitness) {
    EXPECT_STREQ(L"Framework", CTupWebpagesUpdater::FrameworkFolderFor(4));
    EXPECT_STREQ(L"Framework64", CTupWebpagesUpdater::FrameworkFolderFor(8));
}

TEST(TupWebpagesUpdaterTest, CreatedByNameItReadsItsWebsAfterTheBaseKeys) {
    std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(L"CTupWebpagesUpdater");
    auto* updater = dynamic_cast<CTupWebpagesUpdater*>(object.get());
    ASSERT_NE(nullptr, updater);
    ObjContainer section;
    section.SetStringList(L"websToCreate", {L"C:\\Web;web;docreateweb", L"C:\\Web;b"});
    section.SetStringList(L"AffectedServices", {L"W3SVC"});
    updater->Exchange(&section, true);
    EXPECT_EQ((Strings{L"C:\\Web;web;docreateweb", L"C:\\Web;b"}), updater->WebsToCreate());
    EXPECT_EQ((Strings{L"W3SVC"}), updater->AffectedServices());

    ObjContainer empty;
    updater->Exchange(&empty, true);
    EXPECT_EQ(2u, updater->WebsToCreate().size());
}

}  // namespace
