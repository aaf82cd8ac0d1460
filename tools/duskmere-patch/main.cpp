// duskmere-patch: one update run on a game folder from the command line, for machines without
// a desktop, dedicated servers and operators.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "config/constants.h"
#include "duskmere-patch/progress_line.h"
#include "update/transfer_rate.h"
#include "update/update_engine.h"

namespace {

using namespace duskmere;

constexpr int kExitReady = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) {
  interrupted = 1;
}

struct Options {
  bool repair = false;
  bool json = false;
  std::filesystem::path gamePath = ".";
  std::string updateHost = kPatchHost;
};

void printHelp() {
  std::cout << "usage: duskmere-patch [--repair] [--game-path DIR] [--update-host HOST] [--json]\n"
               "\n"
               "Brings the Duskmere game folder DIR (default: the current folder) to the latest\n"
               "published version: installs it from the base package when it is empty, updates it\n"
               "otherwise, and downloads only files that are missing or differ.\n"
               "\n"
               "  --repair            check every file even when the folder is up to date\n"
               "  --game-path DIR     the game folder (created when missing)\n"
               "  --update-host HOST  the update host, host[:port] without a scheme (default: "
            << kPatchHost
            << ")\n"
               "  --json              one JSON object per state change and per progress tick\n"
               "  --version           print the version and exit\n"
               "  --help              print this help and exit\n"
               "\n"
               "Exit codes: 0 ready, 1 error, 2 bad usage, 130 interrupted (Ctrl-C stops cleanly;\n"
               "the next run resumes a partial download).\n";
}

bool parseOptions(int argc, char** argv, Options& options, int& exitNow) {
  exitNow = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--help") {
      printHelp();
      exitNow = kExitReady;
      return true;
    } else if (argument == "--version") {
      std::cout << "duskmere-patch " << kLauncherVersionText << "\n";
      exitNow = kExitReady;
      return true;
    } else if (argument == "--repair") {
      options.repair = true;
    } else if (argument == "--json") {
      options.json = true;
    } else if (argument == "--game-path" && hasValue) {
      options.gamePath = argv[++i];
    } else if (argument == "--update-host" && hasValue) {
      options.updateHost = argv[++i];
    } else {
      std::cerr << "duskmere-patch: unknown or incomplete option '" << argument
                << "' (see --help)\n";
      return false;
    }
  }
  if (options.updateHost.empty() || options.updateHost.find("://") != std::string::npos) {
    std::cerr << "duskmere-patch: --update-host takes host[:port] without a scheme\n";
    return false;
  }
  return true;
}

// Counts the engine's posts; the worker only queues, the main thread waits.
struct PostBox {
  std::mutex lock;
  std::condition_variable signal;
  int statePosts = 0;
  bool launcherOffered = false;
};

std::int64_t wallClockMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

class Printer {
 public:
  Printer(bool json, bool terminal) : json_(json), terminal_(terminal) {}

  void stateChanged(const ProgressSnapshot& snapshot, const patch::RateFigures& rate) {
    if (json_) {
      std::cout << patch::progressJson("state", snapshot, rate) << std::endl;
    } else if (snapshot.state != kStateError && snapshot.state != kStateReady) {
      show(snapshot, rate, true);
    }
  }

  void tick(const ProgressSnapshot& snapshot, const patch::RateFigures& rate) {
    if (json_) {
      std::cout << patch::progressJson("progress", snapshot, rate) << std::endl;
      return;
    }
    // Without a terminal a line a second is plenty.
    if (terminal_ || ++ticks_ % 4 == 0)
      show(snapshot, rate, false);
  }

  void finish() {
    if (terminal_ && !json_ && lineShown_)
      std::cout << "\n";
    lineShown_ = false;
  }

 private:
  void show(const ProgressSnapshot& snapshot, const patch::RateFigures& rate, bool newState) {
    const auto line = patch::progressLine(snapshot, rate);
    if (terminal_) {
      // One live line, redrawn in place and cut to a common terminal width.
      std::cout << "\r\033[K" << line.substr(0, 120) << std::flush;
      lineShown_ = true;
    } else if (newState || snapshot.state == kStateDownloading ||
               snapshot.state == kStateVerifying) {
      std::cout << line << "\n" << std::flush;
    }
  }

  bool json_;
  bool terminal_;
  bool lineShown_ = false;
  long ticks_ = 0;
};

int runPatch(const Options& options) {
  std::error_code error;
  std::filesystem::create_directories(options.gamePath, error);
  const auto gamePath = std::filesystem::absolute(options.gamePath, error);

  PostBox box;
  UpdateEngine engine(options.updateHost);
  engine.setGamePath(gamePath);
  engine.setMessageTarget(MessageTarget{[&box](AppMessage message) {
    std::lock_guard guard(box.lock);
    if (message == WM_APP_UPDATE_STATE)
      ++box.statePosts;
    if (message == WM_APP_LAUNCHER_UPDATE)
      box.launcherOffered = true;
    box.signal.notify_all();
  }});

  Printer printer(options.json, ::isatty(STDOUT_FILENO) == 1);
  TransferRateState rateState;
  int statePostsSeen = 0;
  engine.start(options.repair);
  while (true) {
    bool stateChanged = false;
    {
      std::unique_lock guard(box.lock);
      box.signal.wait_for(guard, std::chrono::milliseconds(250),
                          [&] { return box.statePosts != statePostsSeen; });
      stateChanged = box.statePosts != statePostsSeen;
      statePostsSeen = box.statePosts;
    }
    if (interrupted) {
      engine.stop();
      printer.finish();
      std::cerr << "duskmere-patch: interrupted; the next run resumes where this one stopped\n";
      return kExitInterrupted;
    }
    const bool running = engine.busy();
    const auto snapshot = engine.snapshot();
    const auto rate = sampleTransferRate(rateState, wallClockMilliseconds(),
                                         snapshot.downloadedBytes, snapshot.totalBytes);
    rateState = rate.next;
    const patch::RateFigures figures{rate.bytesPerSecond, rate.secondsLeft};
    if (stateChanged) {
      printer.stateChanged(snapshot, figures);
    } else if (running) {
      printer.tick(snapshot, figures);
    }
    if (!running && !stateChanged) {
      std::lock_guard guard(box.lock);
      if (box.statePosts == statePostsSeen)
        break;  // no post left to print
    }
  }
  engine.stop();
  printer.finish();

  const auto final = engine.snapshot();
  if (box.launcherOffered) {
    const auto offer = engine.offeredLauncherUpdate();
    std::cout << "A newer launcher (build " << offer.version
              << ") is published; update the launcher first.\n";
    return kExitError;
  }
  if (!options.json) {
    std::cout << final.message << "\n";
    if (!final.detail.empty())
      std::cout << final.detail << "\n";
  }
  return final.state == kStateReady ? kExitReady : kExitError;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int exitNow = -1;
  if (!parseOptions(argc, argv, options, exitNow))
    return kExitUsage;
  if (exitNow >= 0)
    return exitNow;

  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  curl_global_init(CURL_GLOBAL_ALL);
  const int code = runPatch(options);
  curl_global_cleanup();
  return code;
}
