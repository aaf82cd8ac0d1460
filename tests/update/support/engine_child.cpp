#include "update/support/engine_child.h"

#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace duskmere::test {

ChildOutcome runInChild(const std::function<std::string()>& body) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0)
    throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(pipeEnds[0]);
    const std::string report = body();
    std::size_t written = 0;
    while (written < report.size()) {
      const auto count = ::write(pipeEnds[1], report.data() + written, report.size() - written);
      if (count <= 0)
        ::_exit(2);
      written += static_cast<std::size_t>(count);
    }
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  ChildOutcome outcome;
  char block[4096];
  for (;;) {
    const auto count = ::read(pipeEnds[0], block, sizeof block);
    if (count <= 0)
      break;
    outcome.report.append(block, static_cast<std::size_t>(count));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  outcome.exitedNormally = WIFEXITED(status);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

ChildProcess::ChildProcess(const std::function<void()>& body) {
  pid_ = ::fork();
  if (pid_ < 0)
    throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    body();
    ::_exit(0);
  }
}

ChildProcess::~ChildProcess() {
  kill();
}

bool ChildProcess::kill() {
  if (pid_ <= 0)
    return false;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

void limitFileSize(std::uint64_t bytes) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
    throw std::runtime_error("setrlimit failed");
}

void dropFileAccessOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (::syscall(SYS_capget, &header, data) != 0)
    throw std::runtime_error("capget failed");
  for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
    data[capability / 32].effective &= ~(1u << (capability % 32));
    data[capability / 32].permitted &= ~(1u << (capability % 32));
  }
  if (::syscall(SYS_capset, &header, data) != 0)
    throw std::runtime_error("capset failed");
}

}  // namespace duskmere::test
