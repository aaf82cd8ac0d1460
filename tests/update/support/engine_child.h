// Test scaffolding for faults that only a separate process can show: a file-size limit that
// makes writes fail as on a full disk, file permissions that bind even a root process, and a
// process killed in the middle of an install. The child runs on a fork of the test process and
// talks to the test's own loopback server.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace duskmere::test {

struct ChildOutcome {
  bool exitedNormally = false;
  int exitCode = -1;
  std::string report;  // what the child's body returned
};

// Runs `body` in a forked child and waits for it; the child ends with _exit(0).
ChildOutcome runInChild(const std::function<std::string()>& body);

// A forked child that runs `body` until it returns or is killed.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<void()>& body);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // SIGKILL, then waits; true when the child died of it.
  bool kill();

 private:
  int pid_ = -1;
};

// In the calling process: writes past `bytes` fail (with SIGXFSZ ignored) as on a full disk.
void limitFileSize(std::uint64_t bytes);

// In the calling process: drops the capabilities that let root ignore permission bits, so an
// unreadable file is unreadable here too.
void dropFileAccessOverride();

}  // namespace duskmere::test
