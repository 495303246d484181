// The OpenSSL command line as a reference for the hand-written digest and cipher (Linux only).
#pragma once

#ifndef _WIN32

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testing_support {

// Whether the openssl program is on PATH.
inline bool HaveOpenSsl() {
    return std::system("openssl version >/dev/null 2>&1") == 0;
}

// Runs a shell command and returns what it printed on standard output; empty on failure.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, got);
    if (pclose(pipe) != 0) out.clear();
    return out;
}

// A path quoted for the shell.
inline std::string ShellQuoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace testing_support

#endif
