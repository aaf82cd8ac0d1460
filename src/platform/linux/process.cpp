#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace duskmere::platform {
namespace {

struct SpawnActions {
  posix_spawn_file_actions_t actions;
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
};

struct SpawnAttributes {
  posix_spawnattr_t attributes;
  SpawnAttributes() { posix_spawnattr_init(&attributes); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
};

std::optional<ProcessId> spawn(const ProgramCommand& command,
                               const std::filesystem::path& workingFolder, bool ownSession) {
  if (command.program.empty())
    return std::nullopt;
  // The child changes folder before it starts the program: a relative path must not move.
  const bool searchPath = !command.program.has_parent_path();
  const std::string program =
      searchPath ? command.program.string() : std::filesystem::absolute(command.program).string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& argument : command.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  SpawnActions actions;
  if (!workingFolder.empty() &&
      posix_spawn_file_actions_addchdir_np(&actions.actions, workingFolder.c_str()) != 0)
    return std::nullopt;
  SpawnAttributes attributes;
  // The child must not inherit signals the launcher blocks or ignores.
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes.attributes, &signals);
  sigfillset(&signals);
  posix_spawnattr_setsigdefault(&attributes.attributes, &signals);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (ownSession)
    flags |= POSIX_SPAWN_SETSID;
  posix_spawnattr_setflags(&attributes.attributes, flags);

  pid_t pid = -1;
  // glibc reports a failed exec (missing program, no execute bit) as the spawn's result.
  const int result = searchPath ? posix_spawnp(&pid, program.c_str(), &actions.actions,
                                               &attributes.attributes, argv.data(), environ)
                                : posix_spawn(&pid, program.c_str(), &actions.actions,
                                              &attributes.attributes, argv.data(), environ);
  if (result != 0)
    return std::nullopt;
  return ProcessId{pid};
}

// Executable here: the execute bit for us and an ELF or "#!" header.
bool isNativeExecutable(const std::filesystem::path& file) {
  struct stat status {};
  if (stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
    return false;
  if (access(file.c_str(), X_OK) != 0)
    return false;
  const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0)
    return false;
  std::array<char, 4> header{};
  const ssize_t count = read(descriptor, header.data(), header.size());
  close(descriptor);
  if (count >= 4 && header[0] == '\x7f' && header[1] == 'E' && header[2] == 'L' && header[3] == 'F')
    return true;
  return count >= 2 && header[0] == '#' && header[1] == '!';
}

}  // namespace

std::optional<ProcessId> startProcess(const ProgramCommand& command,
                                      const std::filesystem::path& workingFolder) {
  return spawn(command, workingFolder, false);
}

std::optional<int> waitForProcess(ProcessId process) {
  if (process.value <= 0)
    return std::nullopt;
  int status = 0;
  pid_t result;
  do {
    result = waitpid(process.value, &status, 0);
  } while (result < 0 && errno == EINTR);
  if (result != process.value)
    return std::nullopt;
  if (WIFEXITED(status))
    return WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    return 128 + WTERMSIG(status);
  return std::nullopt;
}

bool startDetached(const ProgramCommand& command, const std::filesystem::path& workingFolder) {
  // Its own session, so that it outlives a launcher that ends right after starting it.
  const auto process = spawn(command, workingFolder, true);
  if (!process)
    return false;
  std::thread([process] { waitForProcess(*process); }).detach();
  return true;
}

ProgramCommand windowsProgramCommand(const std::filesystem::path& exe,
                                     const std::vector<std::string>& arguments) {
  if (isNativeExecutable(exe))
    return {exe, arguments};
  const char* wine = std::getenv("DUSKMERE_WINE");
  ProgramCommand command{(wine != nullptr && wine[0] != '\0') ? wine : "wine", {exe.string()}};
  command.arguments.insert(command.arguments.end(), arguments.begin(), arguments.end());
  return command;
}

}  // namespace duskmere::platform
