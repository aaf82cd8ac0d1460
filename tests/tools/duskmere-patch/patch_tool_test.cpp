#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "duskmere-patch/progress_line.h"
#include "duskmere-publish/publishing.h"
#include "support/http_server.h"
#include "support/temp_folder.h"

namespace duskmere {
namespace {

namespace fs = std::filesystem;

TEST(PatchOutput, FormatsFiguresForPeople) {
  const std::pair<double, const char*> bytes[] = {
      {0, "0 B"}, {512, "512 B"}, {1536, "1.5 KB"}, {3.2 * 1048576, "3.2 MB"}};
  for (const auto& [value, text] : bytes)
    EXPECT_EQ(patch::formatBytes(value), text) << value;
  const std::pair<double, const char*> durations[] = {
      {7, "0:07"}, {245, "4:05"}, {3909, "1:05:09"}, {-3, "0:00"}};
  for (const auto& [value, text] : durations)
    EXPECT_EQ(patch::formatDuration(value), text);

  ProgressSnapshot snapshot;
  snapshot.state = kStateDownloading;
  snapshot.percent = 41;
  snapshot.currentItem = "data/maps/ash_12.pak";
  EXPECT_EQ(patch::progressLine(snapshot, {3.2 * 1048576, 42.0}),
            "downloading   41.0%  data/maps/ash_12.pak  3.2 MB/s  0:42 left");
  snapshot.state = kStateVerifying;
  EXPECT_EQ(patch::progressLine(snapshot, {0, std::nullopt}),
            "verifying   41.0%  data/maps/ash_12.pak");

  const auto json = nlohmann::json::parse(patch::progressJson("progress", snapshot, {}));
  EXPECT_EQ(json["state"], "verifying");
  EXPECT_FALSE(json.contains("speedBps"));
}

struct Outcome {
  int exitCode = -1;
  std::string output;
};

// Runs the patcher with `arguments`, its output read through a pipe (so not a terminal).
// `whileRunning` is called with the child's pid once it runs.
Outcome runPatcher(const std::vector<std::string>& arguments,
                   const std::function<void(pid_t)>& whileRunning = {}) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0)
    return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::dup2(pipeEnds[1], STDERR_FILENO);
    ::close(pipeEnds[0]);
    std::vector<char*> argv{const_cast<char*>(DUSKMERE_PATCH_TOOL)};
    for (const auto& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(DUSKMERE_PATCH_TOOL, argv.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  if (whileRunning)
    whileRunning(child);
  Outcome outcome;
  std::array<char, 4096> buffer;
  ssize_t count;
  while ((count = ::read(pipeEnds[0], buffer.data(), buffer.size())) > 0) {
    outcome.output.append(buffer.data(), static_cast<std::size_t>(count));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return outcome;
}

class PatchToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(source / "Duskmere.exe", "game");
    test::writeFile(source / "data/big.pak", std::string(300000, 'x') + "tail");
    publish(source, 50, true);
    publish(source, 50, false);
    publishing::LatestOptions latest;
    latest.keyFile = DUSKMERE_DEV_PRIVATE_KEY_FILE;
    latest.root = root;
    latest.gameVersion = 50;
    latest.baseVersion = 50;
    ASSERT_TRUE(publishing::publishLatest(latest).ok);
  }
  void publish(const fs::path& folder, int version, bool base) {
    publishing::FilesOptions options;
    options.keyFile = DUSKMERE_DEV_PRIVATE_KEY_FILE;
    options.source = folder;
    options.root = root;
    options.version = version;
    options.base = base;
    ASSERT_TRUE(publishing::publishFiles(options).ok);
  }
  test::TempFolder folder;
  fs::path source = folder / "build";
  fs::path root = folder / "host" / "autopatcher";
  fs::path game = folder / "player" / "Duskmere";
  test::TestHttpServer server{folder / "host"};
};

TEST_F(PatchToolTest, InstallsThenFindsNothingToDoAndRepairs) {
  auto first = runPatcher({"--game-path", game.string(), "--update-host", server.host()});
  EXPECT_EQ(first.exitCode, 0) << first.output;
  EXPECT_NE(first.output.find("Installation complete — you are ready to play."), std::string::npos)
      << first.output;
  EXPECT_EQ(test::readFile(game / "data/big.pak"), test::readFile(source / "data/big.pak"));

  auto second = runPatcher({"--game-path", game.string(), "--update-host", server.host()});
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_NE(second.output.find("Latest version installed"), std::string::npos);

  test::writeFile(game / "data/big.pak", "damaged");
  auto repair = runPatcher(
      {"--repair", "--json", "--game-path", game.string(), "--update-host", server.host()});
  EXPECT_EQ(repair.exitCode, 0) << repair.output;
  std::istringstream lines(repair.output);
  std::string line;
  nlohmann::json last;
  while (std::getline(lines, line)) {
    last = nlohmann::json::parse(line);  // every line is one JSON object
  }
  EXPECT_EQ(last["event"], "state");
  EXPECT_EQ(last["state"], "ready");
  EXPECT_EQ(last["message"], "Update complete — you are ready to play.");
  EXPECT_EQ(test::readFile(game / "data/big.pak"), test::readFile(source / "data/big.pak"));
}

TEST_F(PatchToolTest, ReportsErrorsAndBadUsageByExitCode) {
  auto unreachable = runPatcher({"--game-path", game.string(), "--update-host", "127.0.0.1:1"});
  EXPECT_EQ(unreachable.exitCode, 1);
  EXPECT_NE(unreachable.output.find("CANNOT REACH UPDATE SERVER"), std::string::npos);
  EXPECT_NE(unreachable.output.find("Could not load the version info from 127.0.0.1:1."),
            std::string::npos);

  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--bogus"},
                                                    {"--game-path"},
                                                    {"--update-host", "http://127.0.0.1:8080"}}) {
    EXPECT_EQ(runPatcher(arguments).exitCode, 2) << arguments[0];
  }
  EXPECT_EQ(runPatcher({"--help"}).exitCode, 0);
}

TEST_F(PatchToolTest, InterruptStopsCleanlyAndTheNextRunResumes) {
  server.stallAfter("/autopatcher/base/50/files/data/big.pak.gz", 100);
  const auto interrupted =
      runPatcher({"--game-path", game.string(), "--update-host", server.host()}, [&](pid_t pid) {
        for (int i = 0; i < 400; ++i) {
          for (const auto& request : server.requests()) {
            if (request.path.find("big.pak.gz") != std::string::npos) {
              std::this_thread::sleep_for(std::chrono::milliseconds(200));
              ::kill(pid, SIGINT);
              return;
            }
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
      });
  EXPECT_EQ(interrupted.exitCode, 130) << interrupted.output;
  EXPECT_TRUE(fs::exists(game / "data/big.pak.gz"));

  server.clearFaults();
  const auto resumed = runPatcher({"--game-path", game.string(), "--update-host", server.host()});
  EXPECT_EQ(resumed.exitCode, 0) << resumed.output;
  bool rangeSent = false;
  for (const auto& request : server.requests()) {
    if (request.path.find("big.pak.gz") != std::string::npos && !request.range.empty()) {
      rangeSent = request.status == 206;
    }
  }
  EXPECT_TRUE(rangeSent);
  EXPECT_EQ(test::readFile(game / "data/big.pak"), test::readFile(source / "data/big.pak"));
}

}  // namespace
}  // namespace duskmere
