// The launcher executable as a player runs it: its own process on the virtual display, an
// installed launcher home in a temporary folder, the test page beside it in place of the
// product page, and an update host on the loopback address the build names.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>

#include "config/folders.h"
#include "duskmere-publish/publishing.h"
#include "support/temp_folder.h"

extern char** environ;

namespace duskmere {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kUpdatePort = 8080;

// Serves the published tree under /autopatcher and records what the test page reports.
class UpdateHost {
 public:
  explicit UpdateHost(const fs::path& root) {
    server_.set_mount_point("/autopatcher", root.string());
    server_.Get(R"(/record/(\d+)/([^?]*))",
                [this](const httplib::Request& request, httplib::Response& response) {
                  std::lock_guard lock(recordsLock_);
                  std::string argument;
                  for (const auto& [key, value] : request.params)
                    argument = key + value;
                  records_[std::stoi(request.matches[1])] = {request.matches[2], argument};
                  response.status = 204;
                });
  }
  ~UpdateHost() {
    server_.stop();
    if (thread_.joinable())
      thread_.join();
  }
  bool listen() {
    if (!server_.bind_to_port("127.0.0.1", kUpdatePort))
      return false;
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    return true;
  }
  // Calls in the order the page received them.
  std::vector<std::pair<std::string, std::string>> records() {
    std::lock_guard lock(recordsLock_);
    std::vector<std::pair<std::string, std::string>> ordered;
    for (const auto& [sequence, call] : records_)
      ordered.push_back(call);
    return ordered;
  }
  // True once `name` arrived and every call before it too: the page reports each call on a
  // request of its own, so they may reach the server out of order.
  bool recorded(const std::string& name) {
    std::lock_guard lock(recordsLock_);
    int expected = 0;
    for (const auto& [sequence, call] : records_) {
      if (sequence != expected++)
        return false;
      if (call.first == name)
        return true;
    }
    return false;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  std::mutex recordsLock_;
  std::map<int, std::pair<std::string, std::string>> records_;
};

bool waitFor(const std::function<bool()>& done) {
  // A generous bound: only a broken build waits this long.
  for (int i = 0; i < 1200; ++i) {
    if (done())
      return true;
    std::this_thread::sleep_for(50ms);
  }
  return done();
}

pid_t startLauncher(const fs::path& exe, const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(exe.c_str())};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
    return -1;
  return pid;
}

// The exit code once the process has ended, or nothing while it still runs.
std::optional<int> exitCodeOf(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) != pid)
    return std::nullopt;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> lines(const fs::path& file) {
  std::vector<std::string> result;
  if (!fs::exists(file))
    return result;
  std::istringstream in(test::readFile(file));
  for (std::string line; std::getline(in, line);)
    result.push_back(line);
  return result;
}

class LauncherEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    // The wrapper gave this process its own user folders; the launcher inherits them.
    appFolder = root / "Duskmere";
    fs::create_directories(appFolder / "ui");
    fs::copy_file(DUSKMERE_LAUNCHER_EXE, appFolder / "DuskmereAutopatcher");
    test::writeFile(appFolder / ".duskmere_home", "");
    std::string page = test::readFile(DUSKMERE_TEST_PAGE);
    page.replace(page.find("RECORDER_BASE"), 13, "http://127.0.0.1:" + std::to_string(kUpdatePort));
    test::writeFile(appFolder / "ui/launcher.html", page);
    // The extracted product page cannot be written, so the launcher takes the page beside it.
    fs::create_directories(uiDir() / "ui/launcher.html");
    environment.set("DUSKMERE_OPEN_URI_LOG", (root / "opened.log").string());
    environment.set("DUSKMERE_MESSAGE_LOG", (root / "messages.log").string());
  }
  void TearDown() override {
    for (pid_t pid : started)
      if (!exitCodeOf(pid)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
  }

  test::TempFolder root;
  test::ScopedEnvironment environment;
  fs::path appFolder;
  std::vector<pid_t> started;
};

TEST_F(LauncherEndToEnd, BootRunNavigationHideAndHandOver) {
  // The game: two files, published signed with the development key.
  test::writeFile(root / "build/Duskmere.exe", std::string(200000, 'M'));
  // Bytes that do not compress, under a 1 MB/s cap, so the download lasts long enough for
  // its states and progress ticks to reach the page.
  std::mt19937 random(7);
  std::string items(4000000, '\0');
  for (char& byte : items)
    byte = static_cast<char>(random());
  test::writeFile(root / "build/data/items.pak", items);
  test::writeFile(uiDir().parent_path() / "settings.ini", "[launcher]\ndownloadLimitMBps=1\n");
  publishing::FilesOptions files;
  files.keyFile = DUSKMERE_DEV_PRIVATE_KEY_FILE;
  files.source = root / "build";
  files.root = root / "host";
  files.version = 105;
  ASSERT_TRUE(publishing::publishFiles(files).ok);
  // A fresh folder installs from the base package.
  files.base = true;
  ASSERT_TRUE(publishing::publishFiles(files).ok);
  publishing::LatestOptions latest;
  latest.keyFile = DUSKMERE_DEV_PRIVATE_KEY_FILE;
  latest.root = root / "host";
  latest.gameVersion = 105;
  latest.baseVersion = 105;
  latest.launcherVersion = 212;
  ASSERT_TRUE(publishing::publishLatest(latest).ok);
  UpdateHost host(root / "host");
  if (!host.listen())
    GTEST_SKIP() << "127.0.0.1:" << kUpdatePort << " is in use";

  const fs::path exe = appFolder / "DuskmereAutopatcher";
  const pid_t first = startLauncher(exe, {});
  ASSERT_GT(first, 0);
  started.push_back(first);

  ASSERT_TRUE(waitFor([&] { return host.recorded("closeSent"); })) << [&] {
    std::string seen;
    for (const auto& call : host.records())
      seen += call.first + " " + call.second + "\n";
    return seen;
  }();
  const auto calls = host.records();
  std::vector<std::string> names;
  for (const auto& call : calls)
    names.push_back(call.first);
  // The boot pushes, in order, then the run's states.
  ASSERT_GE(names.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
            (std::vector<std::string>{"setVersions", "setLinks", "setGamePath", "setLanguage",
                                      "setStatus"}));
  std::vector<std::string> states;
  bool speedShown = false;
  for (const auto& [name, argument] : calls) {
    if (name == "setProgress" && argument.find("\"speedBps\":") != std::string::npos)
      speedShown = true;
    if (name != "setStatus")
      continue;
    const auto status = nlohmann::json::parse(argument, nullptr, false);
    const std::string state = status.value("state", "");
    if (states.empty() || states.back() != state)
      states.push_back(state);
  }
  EXPECT_EQ(states.front(), "checking");
  EXPECT_EQ(states.back(), "ready");
  // The page shows the state current when it handles a post, so a state as short as
  // verifying two files may be passed over; the throttled download is not.
  EXPECT_NE(std::find(states.begin(), states.end(), "downloading"), states.end());
  EXPECT_TRUE(speedShown) << [&] {
    std::string seen;
    for (const auto& call : calls)
      seen += call.first + " " + call.second.substr(0, 120) + "\n";
    return seen;
  }();
  EXPECT_EQ(test::readFile(appFolder / "data/items.pak"), items);

  // The page stayed on its file; both web addresses went to the browser, the local one not.
  EXPECT_TRUE(waitFor([&] { return lines(root / "opened.log").size() >= 3; }));
  const std::vector<std::string> opened = lines(root / "opened.log");
  for (const char* uri : {"https://duskmere.example/target", "https://duskmere.example/away",
                          "https://duskmere.example/external"})
    EXPECT_NE(std::find(opened.begin(), opened.end(), uri), opened.end()) << uri;
  EXPECT_EQ(opened.size(), 3u);
  for (const auto& call : calls)
    if (call.first == "stillHere") {
      EXPECT_EQ(call.second, "\"file:\"");
    }

  // "close" only hid the window: the launcher still runs, and a second start hands over.
  EXPECT_FALSE(exitCodeOf(first));
  const pid_t second = startLauncher(exe, {});
  ASSERT_GT(second, 0);
  started.push_back(second);
  std::optional<int> secondCode;
  ASSERT_TRUE(waitFor([&] { return (secondCode = exitCodeOf(second)).has_value(); }));
  EXPECT_EQ(*secondCode, 0);
  EXPECT_FALSE(exitCodeOf(first));
}

TEST_F(LauncherEndToEnd, UninstallSwitchRemovesTheListedFiles) {
  test::writeFile(appFolder / "Duskmere.exe", "MZ");
  test::writeFile(appFolder / "data/items.pak", "items");
  test::writeFile(appFolder / "keep.txt", "mine");
  test::writeFile(appFolder / "unins.ini", "Duskmere.exe\ndata/items.pak\n");
  const pid_t pid = startLauncher(appFolder / "DuskmereAutopatcher", {"-uninstall", "-tray"});
  ASSERT_GT(pid, 0);
  started.push_back(pid);
  std::optional<int> code;
  ASSERT_TRUE(waitFor([&] { return (code = exitCodeOf(pid)).has_value(); }));
  EXPECT_EQ(*code, 0);
  EXPECT_FALSE(fs::exists(appFolder / "Duskmere.exe"));
  EXPECT_FALSE(fs::exists(appFolder / "data/items.pak"));
  EXPECT_TRUE(fs::exists(appFolder / "keep.txt"));
}

}  // namespace
}  // namespace duskmere
