// Internals shared by the process area's files: starting Linux programs and the settings that
// children inherit.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "base/types.h"

namespace nux::process {

// The folder of the platform library: the platform's own programs (regsvr32) lie there.
std::string PlatformProgramFolder();
// The environment a child gets: ours, with the platform root and the debugger output and
// Windows runner settings made by calls.
std::vector<std::string> ChildEnvironment();
// Starts a Linux program (argv[0] included in args) in the folder; -1 with *error set to a
// Windows error code when it cannot start.
pid_t SpawnLinux(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                 DWORD* error);
// Waits for the child on a thread of its own and hands its exit code to done.
void ReapInBackground(pid_t pid, std::function<void(DWORD)> done);
// The debugger output file a call named (empty when none).
std::string DebugOutputFileSetting();
// The words of a command line from a setting, split at blanks and tabs (none for null).
std::vector<std::string> SplitWords(const char* text);

}  // namespace nux::process
