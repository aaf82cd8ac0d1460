// Starting programs, waiting for them, and the rule for starting the Windows game.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace duskmere::platform {

// A started child process. It must be waited for exactly once (waitForProcess), or the
// system keeps its exit status until the launcher ends.
struct ProcessId {
  int value = -1;
};

// A program and the arguments to start it with. A program without "/" is searched in PATH.
struct ProgramCommand {
  std::filesystem::path program;
  std::vector<std::string> arguments;
};

// Starts `command` in `workingFolder`; nothing when it could not be started (missing or not
// executable program, missing folder).
std::optional<ProcessId> startProcess(const ProgramCommand& command,
                                      const std::filesystem::path& workingFolder);

// Blocks until the process ends and returns its exit code (128 + the signal number when a
// signal ended it); nothing when it is not a child of ours or was already waited for.
// Callable from any thread.
std::optional<int> waitForProcess(ProcessId process);

// Starts `command` in `workingFolder` without anyone waiting for it; its exit is collected
// in the background. False when it could not be started.
bool startDetached(const ProgramCommand& command, const std::filesystem::path& workingFolder);

// How to start the Windows program `exe`: directly when the file is itself executable here
// (an ELF file or a "#!" script with the execute bit), else through Wine: the program named
// by $DUSKMERE_WINE, else "wine" from PATH, with `exe` as its first argument.
ProgramCommand windowsProgramCommand(const std::filesystem::path& exe,
                                     const std::vector<std::string>& arguments);

}  // namespace duskmere::platform
