// Whole update runs with the core server, resources and web pages updaters on a staged server
// under Wine, on IIS 10 and IIS 6: the exact commands the recording stand-ins saw, in order with
// the certificate component's calls and the regasm registrations around them, the tries of
// the binding calls, and the values written to the registry.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "win/WinIisRunWorld.h"

namespace {

using Lines = std::vector<std::wstring>;
using run_tests::ListItem;
using run_tests::StringItem;

const char* const kClientWeb =
    "[$TAV_WEBCLIENTPATH];wbclient;docreateweb;docreateapppool_aspnetcoreworkerpool;"
    "setauthntlmtrue;;aspsessiontimeout;configureredirect;installsslcertificate;accessssl;"
    "removeerrorpage403.4;makestaticfilepath401";
// Blanks around the fields; the pool, the redirect page and the certificate were done already.
const char* const kServerWeb =
    " [$TAV_WEBSERVERPATH] ; wbserver ; docreateweb ; docreateapppool_aspnetcoreworkerpool ; ; "
    "anonymous ; ; configureredirect ; installsslcertificate ";
// Too few fields: nothing is done for it.
const char* const kShortWeb = "[$TAV_WEBSERVERPATH];short";

std::string RegistryItem(int index, const std::string& key, const std::string& name,
                         unsigned value) {
    return "<ITEM key=\"Key" + std::to_string(index) + "\" type=\"OCContainer\">" +
           StringItem("KeyName", key) + StringItem("ValueName", name) +
           "<ITEM key=\"Value\" type=\"OCUnsignedLong\">" + std::to_string(value) +
           "</ITEM></ITEM>";
}

// One file of a module, replaced because it is not installed yet.
std::string NewFile(const std::string& packageFile, const std::string& installationFile) {
    return "<ITEM key=\"Files\" type=\"OCContainer\"><ITEM key=\"File0\" type=\"OCContainer\">" +
           StringItem("UpdatePackageFile", packageFile) +
           StringItem("InstallationFile", installationFile) +
           "<ITEM key=\"VersionCheckType\" type=\"OCUnsignedLong\">2</ITEM></ITEM></ITEM>";
}

// The core server's package: core server, resources and web pages updaters with one new file
// each, the last with the given webs and a RequireHttps item of the web client key.
std::string KernelPackage(const std::vector<std::string>& webs) {
    return "<?xml version=\"1.0\"?>\n<CONFIG><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">" +
           StringItem("ComponentName", "WebRun") +
           "<ITEM key=\"Updaters\" type=\"OCContainer\">"
           "<ITEM key=\"Updater0\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupKernelUpdater") +
           NewFile("server\\TavNotes.txt", "[$TN_INSTALL_PATH]TavNotes.txt") +
           "</ITEM><ITEM key=\"Updater1\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupKernelResourcesUpdater") +
           NewFile("resources\\TavRes.txt", "[$TN_INSTALL_PATH]TavRes.txt") +
           "</ITEM><ITEM key=\"Updater2\" type=\"OCContainer\">" +
           StringItem("ClassType", "CTupWebpagesUpdater") +
           NewFile("web\\index.htm", "[$TAV_WEBCLIENTPATH]index.htm") +
           ListItem("WebsToCreate", webs) + "<ITEM key=\"RegistryKeys\" type=\"OCContainer\">" +
           RegistryItem(0, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\WebClient", "RequireHttps",
                        7) +
           "</ITEM></ITEM></ITEM></ITEM></CONFIG>\n";
}

DWORD DwordOf(const wintest::ScratchKey::RawValue& value) {
    DWORD number = 0xFFFFFFFF;
    if (value.present && value.type == REG_DWORD && value.bytes.size() == 4) {
        std::memcpy(&number, value.bytes.data(), 4);
    }
    return number;
}

// The recorded lines of the commands the web pages updater starts, and a fixture that stages
// the server and runs the package on it.
class TupWebpagesUpdaterWin : public ::testing::Test {
protected:
    TupWebpagesUpdaterWin()
        : world_(L"Qelsrv.exe", KernelPackage({kClientWeb, kServerWeb, kShortWeb})) {}

    // Runs the staged package with the dialogs' settings; the run's result.
    bool Run(bool enforceSecureChannel, bool installSslCertificate) {
        if (!world_.AddPackageFile(L"server\\TavNotes.txt", "notes") ||
            !world_.AddPackageFile(L"resources\\TavRes.txt", "resources") ||
            !world_.AddPackageFile(L"web\\index.htm", "<html></html>")) {
            ADD_FAILURE() << "the package's files could not be written";
            return false;
        }
        CTupManager& manager = world_.Manager();
        manager.SetEnforceSecureChannel(enforceSecureChannel ? 1 : 0);
        manager.SetInstallSslCertificate(installSslCertificate ? 1 : 0);
        manager.SetEnforceSecureChannelInternal(1);
        install_ = manager.InstallFolder();
        package_ = manager.PackageFolder();
        if (!manager.LoadNextPackage() || manager.Updaters().size() != 3) {
            ADD_FAILURE() << "the package did not load its three updaters";
            return false;
        }
        return manager.RunUpdate();
    }

    // The log without the browser's line: the browser is started without waiting, so its line
    // may come anywhere; it must be there exactly once.
    Lines WaitedFor() const {
        Lines lines = world_.Log();
        const std::wstring browser = L"iexplore.exe|";
        Lines rest;
        int browsers = 0;
        for (const std::wstring& line : lines) {
            if (line.rfind(browser, 0) == 0) {
                ++browsers;
                EXPECT_EQ(L"iexplore.exe|\"" + ProgramFilesDir() +
                              L"\\Internet Explorer\\iexplore.exe\" \"" + world_.ClientFolder() +
                              L"ReadMe\\readme.html\"",
                          line);
            } else {
                rest.push_back(line);
            }
        }
        EXPECT_EQ(1, browsers);
        return rest;
    }

    std::wstring ProgramFilesDir() const {
        wchar_t value[MAX_PATH + 1] = {};
        DWORD bytes = sizeof value - sizeof(wchar_t);
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                          KEY_READ | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
            RegQueryValueExW(key, L"ProgramFilesDir", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(value), &bytes);
            RegCloseKey(key);
        }
        return value;
    }

    std::wstring CrtVDir(const std::wstring& parameters) const {
        return L"CrtVDir.exe|\"" + world_.ClientFolder() + L"Support\\CrtVDir.exe\" " + parameters;
    }
    std::wstring Appcmd(const std::wstring& parameters) const {
        return L"appcmd.exe|\"" + world_.SystemFolder() + L"\\inetsrv\\appcmd\" " + parameters;
    }
    std::wstring Adsutil(const std::wstring& name, const std::wstring& setting) const {
        return L"cscript.exe|cscript.exe \"" + world_.ClientFolder() +
               L"Support\\adsutil.vbs\" set w3svc/1/root/" + name + L"/" + setting;
    }
    std::wstring Regasm(const std::wstring& arguments) const {
        wchar_t root[MAX_PATH + 1] = {};
        GetEnvironmentVariableW(L"SYSTEMROOT", root, MAX_PATH + 1);
        // The regasm of the wizard's bitness, whose registration this 64-bit process finds.
        return L"regasm.exe|\"" + std::wstring(root) +
               L"\\Microsoft.NET\\Framework64\\v4.0.30319\\regasm\" \"" + package_ +
               L"TavCertHlp.dll\" " + arguments;
    }
    static std::wstring HttpErrors(const std::wstring& name, const std::wstring& change) {
        return L"set config \"Default Web Site/" + name +
               L"\" -section:system.webServer/httpErrors " + change + L" /commit:apphost";
    }
    Lines Redirect403(const std::wstring& name) const {
        return {Appcmd(HttpErrors(name, L"/-\"[statusCode='403',subStatusCode='4']\"")),
                Appcmd(HttpErrors(name,
                                  L"/+\"[statusCode='403',subStatusCode='4',prefixLanguageFilePath="
                                  L"'',path='/webanon/redirect403_4.asp',responseMode='ExecuteURL']"
                                  L"\"")),
                Appcmd(HttpErrors(name, L"/errormode:\"Custom\""))};
    }

    // What the run starts before the web pages updater's IIS work.
    Lines ServerRegistration() const {
        return {L"Qelsrv.exe|\"" + install_ + L"Qelsrv.exe\" /RegServer"};
    }

    wintest::IisRunWorld world_;
    std::wstring install_;
    std::wstring package_;
};

template <typename... Parts>
Lines Joined(const Parts&... parts) {
    Lines all;
    (all.insert(all.end(), parts.begin(), parts.end()), ...);
    return all;
}

TEST_F(TupWebpagesUpdaterWin, Iis10RunsAppcmdAndTheComponentWhoseBindingCallsAreTriedSixTimes) {
    ASSERT_TRUE(world_.Ready());
    ASSERT_TRUE(world_.inetStp.WriteDword(false, L"", L"MajorVersion", 10));
    ASSERT_TRUE(world_.inetStp.WriteDword(true, L"", L"MajorVersion", 10));
    ASSERT_TRUE(world_.product.WriteDword(false, L"Tav\\WebClient", L"RequireHttps", 7));
    // The old binding never goes; the new one is taken at the sixth try.
    wintest::ScopedVariable answers(L"TAVCERTHLP_DOUBLE_ANSWERS",
                                    L"Create=ok;Remove=false;Add=fail,false,false,false,false,ok");

    EXPECT_TRUE(Run(true, true));

    const Lines log = WaitedFor();
    // The certificate's name carries the local time of the run.
    const std::wstring suffix = L"localhost;127.0.0.1;tavhost;tavhost.corp.example";
    std::wstring name;
    for (const std::wstring& line : log) {
        std::wsmatch match;
        static const std::wregex create(
            LR"(CreateSelfSignedCertificateInStore\|16\|.*\|(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} .*)\|true)");
        if (std::regex_match(line, match, create)) name = match[1];
    }
    ASSERT_EQ(20 + suffix.size(), name.size()) << tav::ToUtf8(name);
    EXPECT_EQ(suffix, name.substr(20));

    const std::wstring page =
        world_.ClientFolder() + L"WebUI\\wwwroot\\errorpages\\unauthenticated.html";
    const Lines client{CrtVDir(L"CD \"" + world_.WebClientFolder() + L"\\\" wbclient 5"),
                       CrtVDir(L"CA w3svc/1/root/wbclient OOP"),
                       Appcmd(L"add apppool /name:\"AspNetCoreWorkerPool\" /managedRuntimeVersion: "
                              L"/processmodel.identityType:LocalSystem"),
                       Appcmd(L"set apppool /apppool.name:\"AspNetCoreWorkerPool\" "
                              L"/recycling.periodicRestart.time:00:00:00"),
                       Appcmd(L"set apppool /apppool.name:\"AspNetCoreWorkerPool\" "
                              L"/+recycling.periodicRestart.schedule.[value='23:59:00']"),
                       Appcmd(L"set vdir \"Default Web Site/tav\" -physicalpath:\"" +
                              world_.ClientFolder() + L"WebUI\""),
                       Appcmd(L"set app /app.name:\"Default Web Site/tav\" "
                              L"/applicationPool:\"AspNetCoreWorkerPool\""),
                       Adsutil(L"wbclient", L"AuthBasic False"),
                       Adsutil(L"wbclient", L"AuthAnonymous False"),
                       Adsutil(L"wbclient", L"AuthNTLM True"),
                       Adsutil(L"wbclient", L"AspSessionTimeout 60"),
                       Adsutil(L"wbclient", L"AccessSSL True")};
    const Lines errorPages{
        Appcmd(HttpErrors(L"wbclient", L"/-\"[statusCode='403',subStatusCode='4']\"")),
        Appcmd(HttpErrors(L"wbclient", L"/-\"[statusCode='401',subStatusCode='1']\"")),
        Appcmd(HttpErrors(L"wbclient",
                          L"/+\"[statusCode='401',subStatusCode='1',"
                          L"prefixLanguageFilePath='',path='" +
                              page + L"',responseMode='File']\"")),
        Appcmd(HttpErrors(L"wbclient", L"/-\"[statusCode='401']\"")),
        Appcmd(HttpErrors(L"wbclient", L"/+\"[statusCode='401',prefixLanguageFilePath='',path='" +
                                           page + L"',responseMode='File']\""))};
    Lines certificate{Regasm(L"/codebase /silent /nologo /tlb"),
                      L"CreateSelfSignedCertificateInStore|16|cn=\"localhost\";cn=\"127.0.0.1\";"
                      L"cn=\"tavhost\";cn=\"tavhost.corp.example\"|" +
                          name + L"|true"};
    certificate.insert(certificate.end(), 6, L"RemoveBindingForSite|Default Web Site|https|*:443:");
    certificate.insert(certificate.end(), 6,
                       L"AddBindingForSite|Default Web Site|https|*:443:|" + name + L"|16");
    certificate.push_back(Regasm(L"/unregister"));
    const Lines server{CrtVDir(L"CD \"" + world_.WebServerFolder() + L"\\\" wbserver 5"),
                       CrtVDir(L"CA w3svc/1/root/wbserver OOP")};
    EXPECT_EQ(Joined(ServerRegistration(), client, Redirect403(L"wbclient"), errorPages,
                     certificate, server, Redirect403(L"wbserver")),
              log);

    // Each module's file is in place.
    std::string installed;
    EXPECT_TRUE(wintest::ReadWholeFile(install_ + L"TavNotes.txt", installed) &&
                installed == "notes");
    EXPECT_TRUE(wintest::ReadWholeFile(install_ + L"TavRes.txt", installed) &&
                installed == "resources");
    EXPECT_TRUE(wintest::ReadWholeFile(world_.WebClientFolder() + L"index.htm", installed) &&
                installed == "<html></html>");
    // The redirect page was copied once, the class is unregistered again, and the values read
    // back are the enforced ones.
    std::string copied;
    EXPECT_TRUE(wintest::ReadWholeFile(install_ + L"WebAnon\\redirect403_4.asp", copied));
    EXPECT_EQ("<% redirect %>", copied);
    EXPECT_EQ(L"", wintest::RegisteredCertificateServer());
    EXPECT_EQ(1u, DwordOf(world_.product.Read(false, L"Tav\\WebClient", L"RequireHttps")));
    EXPECT_EQ(1u, DwordOf(world_.product.Read(false, L"Tav\\TavTcpServer", L"ForceHttps")));
    EXPECT_EQ(8443u, DwordOf(world_.product.Read(false, L"Tav\\TavTcpServer", L"HttpsPort")));
}

// The certificate is the last thing of the only web, so its outcome is the run's.
TEST_F(TupWebpagesUpdaterWin, Iis10RunFailsWhenTheNewBindingIsRefusedSixTimes) {
    ASSERT_TRUE(world_.Ready());
    ASSERT_TRUE(world_.Describe(KernelPackage({kClientWeb})));
    ASSERT_TRUE(world_.inetStp.WriteDword(false, L"", L"MajorVersion", 10));
    wintest::ScopedVariable answers(L"TAVCERTHLP_DOUBLE_ANSWERS", L"Create=ok;Remove=ok;Add=false");

    EXPECT_FALSE(Run(true, true));

    Lines calls;
    for (const std::wstring& line : WaitedFor()) {
        if (line.find(L"BindingForSite|") != std::wstring::npos ||
            line.rfind(L"regasm.exe|", 0) == 0) {
            calls.push_back(line.substr(0, line.find(L'|')));
        }
    }
    EXPECT_EQ((Lines{L"regasm.exe", L"RemoveBindingForSite", L"AddBindingForSite",
                     L"AddBindingForSite", L"AddBindingForSite", L"AddBindingForSite",
                     L"AddBindingForSite", L"AddBindingForSite", L"regasm.exe"}),
              calls);
    EXPECT_EQ(L"", wintest::RegisteredCertificateServer());
}

// Without the library nothing gets registered, the object cannot be made, and the registration
// is still taken back.
TEST_F(TupWebpagesUpdaterWin, Iis10RunFailsWhenTheComponentCannotBeCreated) {
    ASSERT_TRUE(world_.Ready());
    ASSERT_TRUE(world_.Describe(KernelPackage({kClientWeb})));
    ASSERT_TRUE(world_.inetStp.WriteDword(false, L"", L"MajorVersion", 10));
    ASSERT_TRUE(world_.RemoveCertificateLibrary());

    EXPECT_FALSE(Run(true, true));

    const Lines log = WaitedFor();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ((Lines{Regasm(L"/codebase /silent /nologo /tlb"), Regasm(L"/unregister")}),
              Lines(log.end() - 2, log.end()));
}

TEST_F(TupWebpagesUpdaterWin, Iis6RunsTheOlderToolsAndSelfsslWithoutTheComponent) {
    ASSERT_TRUE(world_.Ready());
    ASSERT_TRUE(world_.inetStp.WriteDword(false, L"", L"MajorVersion", 6));
    ASSERT_TRUE(world_.inetStp.WriteDword(true, L"", L"MajorVersion", 6));

    // HTTPS not enforced: no AccessSSL, and RequireHttps is written 0.
    EXPECT_TRUE(Run(false, true));

    const std::wstring chglist = L"cscript.exe|cscript.exe \"" + world_.ClientFolder() +
                                 L"Support\\chglist.vbs\" w3svc/1/root/";
    const std::wstring redirect =
        L"/HttpErrors 403,4 \"403,4,URL,/webanon/redirect403_4.asp\" /COMMIT";
    EXPECT_EQ(
        Joined(
            ServerRegistration(),
            Lines{CrtVDir(L"CD \"" + world_.WebClientFolder() + L"\\\" wbclient 5"),
                  CrtVDir(L"CA w3svc/1/root/wbclient OOP"),
                  Adsutil(L"wbclient", L"AuthBasic False"),
                  Adsutil(L"wbclient", L"AuthAnonymous False"),
                  Adsutil(L"wbclient", L"AuthNTLM True"),
                  Adsutil(L"wbclient", L"AspSessionTimeout 60"), chglist + L"wbclient" + redirect,
                  L"selfssl.exe|\"" + world_.ClientFolder() +
                      L"Support\\selfssl.exe\" /N:cn=\"localhost\",cn=\"127.0.0.1\","
                      L"cn=\"tavhost\",cn=\"tavhost.corp.example\" /V:3650 /Q",
                  CrtVDir(L"CD \"" + world_.WebServerFolder() + L"\\\" wbserver 5"),
                  CrtVDir(L"CA w3svc/1/root/wbserver OOP"), chglist + L"wbserver" + redirect}),
        WaitedFor());
    EXPECT_EQ(0u, DwordOf(world_.product.Read(false, L"Tav\\WebClient", L"RequireHttps")));
}

}  // namespace
