// The program's start: the one command-line switch and the chain of prerequisite questions
// asked before the wizard opens.
#pragma once

#include <cstdint>
#include <string>

// The runtimes and updates a package may need, in the order they are asked about.
enum class Prerequisite {
    DotNetFrameworkPolicy,
    DotNet4,
    KB2468871x86,
    KB2468871x64,
    VcRedist2008Sp1x86,
    VcRedist2015x86,
    VcRedist2015x64,
    DotNet452,
    AspNetCoreModulex86,
    AspNetCoreModulex64,
};

class IPrerequisites {
public:
    virtual ~IPrerequisites() = default;
    // Whether the package needs it and the machine lacks it.
    virtual bool Needs(Prerequisite prerequisite) = 0;
    // Starts its installer; for DotNet452 waits and gives the exit code (-1: none, the
    // installer was not waited for).
    virtual int Install(Prerequisite prerequisite) = 0;
};

class IStartupPrompts {
public:
    virtual ~IStartupPrompts() = default;
    // A message box without owner, in English; style and answer as sys::MessageStyle and
    // sys::MessageAnswer.
    virtual int Ask(uint32_t textId, uint32_t style) = 0;
};

// The arguments after the program's name, as the program's command line holds them.
std::wstring CommandLineTail(const std::wstring& commandLine);

// The language the administrator chose in an earlier run, as the product key holds it.
std::wstring StoredLanguageSetting();

// 1 when the tail is exactly the switch that enforces the update, else 0.
uint32_t EnforceFlagOf(const std::wstring& commandTail);

// Asks about every missing prerequisite in turn and installs what the administrator agrees to;
// false when the program is to end without the wizard.
bool RunPrerequisiteChain(IPrerequisites& prerequisites, IStartupPrompts& prompts);

// How the chain ends for an update without anyone at the screen.
enum class ChainEnd { Ready, Refused, RestartNeeded, Failed };

// The chain of an unattended update: an installer that ends with 0 does not end it, the chain is
// checked again and the update goes on; one that asks for a restart (3010, 1641), or one after
// which the wizard ends without an exit code to tell better, ends it with RestartNeeded; any
// other exit code, or a prerequisite still missing after its installer succeeded, is Failed.
ChainEnd RunPrerequisiteChainUnattended(IPrerequisites& prerequisites, IStartupPrompts& prompts);
