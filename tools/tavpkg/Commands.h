// The commands of tavpkg; each takes its own arguments and returns the exit code.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tavpkg {

using Args = std::vector<std::wstring>;

int RunDump(const Args& args, std::ostream& out, std::ostream& err);
int RunRegistry(const Args& args, std::ostream& out, std::ostream& err);
int RunVersion(const Args& args, std::ostream& out, std::ostream& err);
int RunText(const Args& args, std::ostream& out, std::ostream& err);
int RunPlan(const Args& args, std::ostream& out, std::ostream& err);
int RunSign(const Args& args, std::ostream& out, std::ostream& err);
int RunVerify(const Args& args, std::ostream& out, std::ostream& err);
int RunRestore(const Args& args, std::ostream& out, std::ostream& err);
int RunApply(const Args& args, std::ostream& out, std::ostream& err);
int RunPreview(const Args& args, std::ostream& out, std::ostream& err);

// A relative package folder is taken from the current folder once, here.
std::wstring FullFolder(const std::wstring& folder);

// Exit code of a wrong command line, after its one-line message.
int UsageError(std::ostream& err, const std::string& command, const std::string& message);

// Reads the arguments of a command that takes FILE...: --help prints usage and gives 0, an
// option or no file gives the usage error's code; -1 when files holds the files to work on.
int ReadFileArguments(const Args& args, const std::string& command, const char* usage,
                      std::ostream& out, std::ostream& err, Args& files);

}  // namespace tavpkg
