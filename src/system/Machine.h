// The set of machine interfaces the update logic works through.
#pragma once

#include "system/CertificateComponent.h"
#include "system/Clock.h"
#include "system/CodePage.h"
#include "system/Environment.h"
#include "system/Files.h"
#include "system/Launcher.h"
#include "system/MessageBoxes.h"
#include "system/OperatingSystem.h"
#include "system/Processes.h"
#include "system/Program.h"
#include "system/Registry.h"
#include "system/Services.h"
#include "system/Shell.h"
#include "system/Spooler.h"
#include "system/VersionResources.h"
#include "system/Wow64.h"

namespace sys {

// Borrowed pointers to one implementation of each interface; all are set.
struct Machine {
    IRegistry* registry = nullptr;
    IProcesses* processes = nullptr;
    IVersionResources* versions = nullptr;
    IClock* clock = nullptr;
    IProgram* program = nullptr;
    IFiles* files = nullptr;
    IServices* services = nullptr;
    ILauncher* launcher = nullptr;
    IEnvironment* environment = nullptr;
    IShell* shell = nullptr;
    IMessageBoxes* messageBoxes = nullptr;
    ICodePage* codePage = nullptr;
    IOperatingSystem* operatingSystem = nullptr;
    ISpooler* spooler = nullptr;
    IWow64* wow64 = nullptr;
    ICertificateComponent* certificates = nullptr;
};

// The machine this build runs on (Windows, or the reduced Linux one).
Machine& HostMachine();

// The machine the update logic uses: the host unless a test has put another in place.
Machine& CurrentMachine();

// Makes machine the current one until the returned previous one is put back.
Machine* ReplaceCurrentMachine(Machine* machine);

// Puts a machine in place for the lifetime of the object.
class MachineInPlace {
public:
    explicit MachineInPlace(Machine* machine) : previous_(ReplaceCurrentMachine(machine)) {}
    ~MachineInPlace() { ReplaceCurrentMachine(previous_); }
    MachineInPlace(const MachineInPlace&) = delete;
    MachineInPlace& operator=(const MachineInPlace&) = delete;

private:
    Machine* previous_;
};

}  // namespace sys
