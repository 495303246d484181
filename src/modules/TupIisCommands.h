// The web entries of the web pages module and the IIS tool commands that
// configure them: pure functions from the entry, the tool locations and the
// settings to the command lines.
#pragma once

#include <string>
#include <vector>

namespace TupIis {

// One entry of WebsToCreate: "folder;name;switch;switch;...", each switch on
// only when the field at its own position holds its keyword.
struct WebEntry {
    std::wstring folder;
    std::wstring name;
    bool createWeb = false;           // 2 "docreateweb"
    bool createAppPool = false;       // 3 "docreateapppool_aspnetcoreworkerpool"
    bool ntlm = false;                // 4 "setauthntlmtrue"
    bool anonymous = false;           // 5 "anonymous"
    bool sessionTimeout = false;      // 6 "aspsessiontimeout"
    bool redirect = false;            // 7 "configureredirect"
    bool sslCertificate = false;      // 8 "installsslcertificate"
    bool accessSsl = false;           // 9 "accessssl"
    bool removeErrorPage403 = false;  // 10 "removeerrorpage403.4"
    bool staticPage401 = false;       // 11 "makestaticfilepath401"
};

// Splits the entry at ";" and trims each field (empty fields keep their place);
// false for an entry of fewer than three fields. Keywords are compared with A-Z
// folded.
bool ParseWebEntry(const std::wstring& entry, WebEntry& web);

// Where the tools are: CrtVDir and appcmd as quoted programs, the two scripts
// as paths that cscript.exe runs.
struct Tools {
    std::wstring crtVDir;
    std::wstring appcmd;
    std::wstring adsutil;
    std::wstring chglist;
};

// The tools below clientMsiFolder's "Support\" and the system folder's
// "inetsrv\".
Tools ToolLocations(const std::wstring& clientMsiFolder, const std::wstring& systemFolder);

// One program start; setsResult: its start result becomes the configuration's
// result. An empty program is refused: a value it would put between quotes holds
// a quote (or its tool is unknown for that reason); it starts nothing and counts
// as not started.
struct Command {
    std::wstring program;
    std::wstring parameters;
    bool setsResult = false;
    bool operator==(const Command& other) const {
        return program == other.program && parameters == other.parameters &&
               setsResult == other.setsResult;
    }
};
using Commands = std::vector<Command>;

// The virtual directory of the web (CD, then CA).
Commands CreateWebCommands(const Tools& tools, const WebEntry& web);
// The application pool of the web UI and the web UI bound to it (newer IIS
// only).
Commands AppPoolCommands(const Tools& tools, const std::wstring& clientMsiFolder);
// Basic and anonymous authentication off unless the web keeps them, then NTLM,
// the session time-out and required SSL as the web asks (SSL only when
// enforceSecureChannel is set).
Commands AuthenticationCommands(const Tools& tools, const WebEntry& web, bool enforceSecureChannel);
// The 403.4 redirection: appcmd's three commands, or chglist's one on the old
// IIS.
Commands RedirectCommands(const Tools& tools, const std::wstring& name, bool oldIis);
// Removal of the custom 403.4 error entry (newer IIS).
Commands RemoveErrorPage403Commands(const Tools& tools, const std::wstring& name);
// The static page for 401 and 401.1 errors (newer IIS).
Commands StaticPage401Commands(const Tools& tools, const std::wstring& name,
                               const std::wstring& clientMsiFolder);

// What the host name and domain add to the certificate's subject names and to
// its name, each entry led by the separator ("," for the old IIS's selfssl, ";"
// for the component).
struct CertificateSuffixes {
    std::wstring subject;
    std::wstring name;
};
CertificateSuffixes MakeCertificateSuffixes(const std::wstring& hostName,
                                            const std::wstring& domain,
                                            const std::wstring& separator);

// The parameters of selfssl on the old IIS.
std::wstring SelfSslParameters(const CertificateSuffixes& suffixes);
// The subject names given to the component.
std::wstring SubjectNames(const CertificateSuffixes& suffixes);
// The certificate's name: the local time "YYYY-MM-DD hh:mm:ss ", the local
// names and the suffix.
std::wstring CertificateName(int year, int month, int day, int hour, int minute, int second,
                             const CertificateSuffixes& suffixes);

}  // namespace TupIis
