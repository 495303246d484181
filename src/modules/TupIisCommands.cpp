// The web entries of the web pages module and the IIS tool commands that
// configure them.
#include "modules/TupIisCommands.h"

#include <cwchar>
#include <initializer_list>

#include "base/WideText.h"
#include "system/ProgramStart.h"

namespace TupIis {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

std::wstring Trimmed(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<std::wstring> Fields(const std::wstring& entry) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        const size_t at = entry.find(L';', start);
        fields.push_back(Trimmed(entry.substr(start, at == std::wstring::npos ? at : at - start)));
        if (at == std::wstring::npos) break;
        start = at + 1;
    }
    return fields;
}

// The IIS configuration path of a web below the default site.
std::wstring SiteConfig(const std::wstring& name) { return L"\"Default Web Site/" + name + L"\""; }

const wchar_t* const kHttpErrors = L" -section:system.webServer/httpErrors ";
const wchar_t* const kCommit = L" /commit:apphost";

Command Appcmd(const Tools& tools, const std::wstring& parameters) {
    return Command{tools.appcmd, parameters, false};
}

// A script run by cscript; refused when the script is unknown.
std::wstring ScriptHost(const std::wstring& script) {
    return script.empty() ? std::wstring() : L"cscript.exe";
}

// The commands, each refused (an empty program) when one of the values they put between
// quotes holds a quote, which would end the quotes early.
Commands Refused(Commands commands, std::initializer_list<std::wstring> quotedValues) {
    for (const std::wstring& value : quotedValues) {
        if (sys::CanQuote(value)) continue;
        for (Command& command : commands) command.program.clear();
        break;
    }
    return commands;
}

Command Adsutil(const Tools& tools, const std::wstring& name, const wchar_t* setting) {
    return Command{ScriptHost(tools.adsutil),
                   L"\"" + tools.adsutil + L"\" set w3svc/1/root/" + name + L"/" + setting, false};
}

Command Remove403Entry(const Tools& tools, const std::wstring& name) {
    return Appcmd(tools, L"set config " + SiteConfig(name) + kHttpErrors +
                             L"/-\"[statusCode='403',subStatusCode='4']\"" + kCommit);
}

// The last command of a list decides the result.
Commands LastSetsResult(Commands commands) {
    if (!commands.empty()) commands.back().setsResult = true;
    return commands;
}

}  // namespace

bool ParseWebEntry(const std::wstring& entry, WebEntry& web) {
    const std::vector<std::wstring> fields = Fields(entry);
    if (fields.size() < 3) return false;
    auto on = [&](size_t index, const wchar_t* keyword) {
        return index < fields.size() && tav::FoldEquals(fields[index], keyword);
    };
    web = WebEntry{};
    web.folder = fields[0];
    web.name = fields[1];
    web.createWeb = on(2, L"docreateweb");
    web.createAppPool = on(3, L"docreateapppool_aspnetcoreworkerpool");
    web.ntlm = on(4, L"setauthntlmtrue");
    web.anonymous = on(5, L"anonymous");
    web.sessionTimeout = on(6, L"aspsessiontimeout");
    web.redirect = on(7, L"configureredirect");
    web.sslCertificate = on(8, L"installsslcertificate");
    web.accessSsl = on(9, L"accessssl");
    web.removeErrorPage403 = on(10, L"removeerrorpage403.4");
    web.staticPage401 = on(11, L"makestaticfilepath401");
    return true;
}

Tools ToolLocations(const std::wstring& clientMsiFolder, const std::wstring& systemFolder) {
    std::wstring system = systemFolder;
    while (!system.empty() && system.back() == L'\\') system.pop_back();
    Tools tools;
    // Without the client folder's tools, commands that need them are refused.
    if (!sys::CanQuote(clientMsiFolder)) return Tools{L"", L"\"" + system + L"\\inetsrv\\appcmd\"", L"", L""};
    tools.crtVDir = L"\"" + clientMsiFolder + L"Support\\CrtVDir.exe\"";
    tools.appcmd = L"\"" + system + L"\\inetsrv\\appcmd\"";
    tools.adsutil = clientMsiFolder + L"Support\\adsutil.vbs";
    tools.chglist = clientMsiFolder + L"Support\\chglist.vbs";
    return tools;
}

Commands CreateWebCommands(const Tools& tools, const WebEntry& web) {
    return Refused({Command{tools.crtVDir, L"CD " + sys::Quoted(web.folder) + L" " + web.name + L" 5", false},
                    Command{tools.crtVDir, L"CA w3svc/1/root/" + web.name + L" OOP", true}},
                   {web.folder, web.name});
}

Commands AppPoolCommands(const Tools& tools, const std::wstring& clientMsiFolder) {
    const std::wstring pool = L"\"AspNetCoreWorkerPool\"";
    return Refused(LastSetsResult({
        Appcmd(tools, L"add apppool /name:" + pool +
                          L" /managedRuntimeVersion: "
                          L"/processmodel.identityType:LocalSystem"),
        Appcmd(tools,
               L"set apppool /apppool.name:" + pool + L" /recycling.periodicRestart.time:00:00:00"),
        Appcmd(tools, L"set apppool /apppool.name:" + pool +
                          L" /+recycling.periodicRestart.schedule.[value='23:59:00']"),
        Appcmd(tools, L"set vdir \"Default Web Site/tav\" -physicalpath:\"" + clientMsiFolder +
                          L"WebUI\""),
        Appcmd(tools, L"set app /app.name:\"Default Web Site/tav\" /applicationPool:" + pool),
    }), {clientMsiFolder});
}

Commands AuthenticationCommands(const Tools& tools, const WebEntry& web,
                                bool enforceSecureChannel) {
    Commands commands;
    if (!web.anonymous) {
        commands.push_back(Adsutil(tools, web.name, L"AuthBasic False"));
        commands.push_back(Adsutil(tools, web.name, L"AuthAnonymous False"));
        commands.back().setsResult = true;
    }
    auto setting = [&](const wchar_t* text) {
        commands.push_back(Adsutil(tools, web.name, text));
        commands.back().setsResult = true;
    };
    if (web.ntlm) setting(L"AuthNTLM True");
    if (web.sessionTimeout) setting(L"AspSessionTimeout 60");
    if (web.accessSsl && enforceSecureChannel) setting(L"AccessSSL True");
    return Refused(commands, {web.name});
}

Commands RedirectCommands(const Tools& tools, const std::wstring& name, bool oldIis) {
    if (oldIis) {
        return Refused(LastSetsResult({Command{ScriptHost(tools.chglist),
                                               L"\"" + tools.chglist + L"\" w3svc/1/root/" + name +
                                                   L"/HttpErrors 403,4 "
                                                   L"\"403,4,URL,/webanon/redirect403_4.asp\" /COMMIT",
                                               false}}),
                       {name});
    }
    const std::wstring site = L"set config " + SiteConfig(name) + kHttpErrors;
    return Refused(LastSetsResult({
        Remove403Entry(tools, name),
        Appcmd(tools, site +
                          L"/+\"[statusCode='403',subStatusCode='4',"
                          L"prefixLanguageFilePath='',"
                          L"path='/webanon/"
                          L"redirect403_4.asp',responseMode='ExecuteURL']\"" +
                          kCommit),
        Appcmd(tools, site + L"/errormode:\"Custom\"" + kCommit),
    }), {name});
}

Commands RemoveErrorPage403Commands(const Tools& tools, const std::wstring& name) {
    return Refused(LastSetsResult({Remove403Entry(tools, name)}), {name});
}

Commands StaticPage401Commands(const Tools& tools, const std::wstring& name,
                               const std::wstring& clientMsiFolder) {
    const std::wstring page = clientMsiFolder + L"WebUI\\wwwroot\\errorpages\\unauthenticated.html";
    const std::wstring site = L"set config " + SiteConfig(name) + kHttpErrors;
    return Refused(LastSetsResult({
        Appcmd(tools, site + L"/-\"[statusCode='401',subStatusCode='1']\"" + kCommit),
        Appcmd(tools, site +
                          L"/+\"[statusCode='401',subStatusCode='1',"
                          L"prefixLanguageFilePath='',path='" +
                          page + L"',responseMode='File']\"" + kCommit),
        Appcmd(tools, site + L"/-\"[statusCode='401']\"" + kCommit),
        Appcmd(tools, site + L"/+\"[statusCode='401',prefixLanguageFilePath='',path='" + page +
                          L"',responseMode='File']\"" + kCommit),
    }), {name, clientMsiFolder});
}

CertificateSuffixes MakeCertificateSuffixes(const std::wstring& hostName,
                                            const std::wstring& domain,
                                            const std::wstring& separator) {
    CertificateSuffixes suffixes;
    if (hostName.empty()) return suffixes;
    suffixes.subject = separator + L"cn=\"" + hostName + L"\"";
    suffixes.name = separator + hostName;
    if (!domain.empty()) {
        const std::wstring full = hostName + L"." + domain;
        suffixes.subject += separator + L"cn=\"" + full + L"\"";
        suffixes.name += separator + full;
    }
    return suffixes;
}

std::wstring SelfSslParameters(const CertificateSuffixes& suffixes) {
    return L"/N:cn=\"localhost\",cn=\"127.0.0.1\"" + suffixes.subject + L" /V:3650 /Q";
}

std::wstring SubjectNames(const CertificateSuffixes& suffixes) {
    return L"cn=\"localhost\";cn=\"127.0.0.1\"" + suffixes.subject;
}

std::wstring CertificateName(int year, int month, int day, int hour, int minute, int second,
                             const CertificateSuffixes& suffixes) {
    wchar_t stamp[64] = {};
    std::swprintf(stamp, sizeof stamp / sizeof stamp[0], L"%04d-%02d-%02d %02d:%02d:%02d ", year,
                  month, day, hour, minute, second);
    return stamp + std::wstring(L"localhost;127.0.0.1") + suffixes.name;
}

}  // namespace TupIis
