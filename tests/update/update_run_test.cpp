#include "update/update_run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include "update/file_fetch.h"
#include "update/support/engine_child.h"
#include "update/support/engine_host.h"

namespace duskmere {
namespace {

using test::GameFiles;
using test::readFile;
using test::writeFile;

// Base 50 is what a fresh install starts from; 57 changes the executable and one pack and
// adds another.
const GameFiles kBase50 = {{"Duskmere.exe", "game executable 50"},
                           {"data/a.pak", std::string(3000, 'a')},
                           {"data/b.pak", test::incompressibleBytes(60000, 5)},
                           {"readme.txt", "welcome to Duskmere"}};
const GameFiles kVersion57 = {{"Duskmere.exe", "game executable 57"},
                              {"data/a.pak", std::string(3500, 'A')},
                              {"data/b.pak", test::incompressibleBytes(60000, 5)},
                              {"data/new.pak", test::incompressibleBytes(2000, 6)},
                              {"readme.txt", "welcome to Duskmere"}};

struct RunOutcome {
  std::int32_t state = 0;
  std::string message;
  std::string detail;
  std::vector<std::int32_t> states;
  std::vector<AppMessage> messages;
};

// A game folder, an update host on loopback and an engine pointed at it.
struct RunBench {
  std::filesystem::path folder() const { return game.path() / "Duskmere"; }

  void installFiles(const GameFiles& files, const std::string& versionFile) {
    test::writeGameFiles(folder(), files);
    writeFile(folder() / "ostrel.ini", versionFile);
  }

  RunOutcome run(bool repair = false) {
    test::PostedMessages posted;
    posted.connect(engine);
    runUpdate(engine, folder(), repair);
    engine.setMessageTarget({});
    const ProgressSnapshot snapshot = engine.snapshot();
    return {snapshot.state, snapshot.message, snapshot.detail, posted.states(), posted.messages()};
  }

  std::vector<std::string> fetchedPackages(const std::string& listPart) {
    std::vector<std::string> paths;
    for (const auto& request : host.requestsFor(listPart + "/files/"))
      paths.push_back(request.path.substr(request.path.find("/files/") + 7));
    return paths;
  }

  void expectFolderHolds(const GameFiles& files) {
    for (const auto& [path, contents] : files) {
      EXPECT_EQ(readFile(folder() / path), contents) << path;
      EXPECT_FALSE(std::filesystem::exists(packagePathOf(folder(), path))) << path;
    }
  }

  test::TempFolder game;
  test::EngineHost host;
  UpdateEngine engine{host.host()};
};

struct OutcomeCase {
  const char* name;
  std::function<void(RunBench&)> arrange;
  bool repair;
  std::int32_t state;
  std::string message;
  std::string detail;  // "%H" stands for the update host
};

TEST(UpdateRunTest, EveryOutcomeEndsInOneFinalStateWithItsTexts) {
  const std::string retry =
      ". Check your connection, then retry — the download resumes from where it stopped.";
  const OutcomeCase cases[] = {
      {"the host has no version record", [](RunBench&) {}, false, kStateError,
       "CANNOT REACH UPDATE SERVER", "Could not load the version info from %H."},
      {"the record's signature does not verify",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         writeFile(t.host.root() / "latest.sig", std::string(256, 's'));
       },
       false, kStateError, "CANNOT REACH UPDATE SERVER",
       "Could not load the version info from %H."},
      {"the record has no usable game version",
       [](RunBench& t) { t.host.publishRecord("game_version=none\nbase_version=50\n"); }, false,
       kStateError, "CANNOT REACH UPDATE SERVER",
       "The update server returned an invalid version file."},
      {"no game, no base package, no interrupted install",
       [](RunBench& t) { t.host.publishRecord("game_version=57\nbase_version=0\n"); }, false,
       kStateError, "INSTALLER NOT READY",
       "The game files are not available to install right now. Please retry in a moment, or "
       "download the full client from %H/download."},
      {"the base package list is missing", [](RunBench& t) { t.host.publishLatest(57, 50); }, false,
       kStateError, "INSTALL INFO DOWNLOAD FAILED",
       "Could not load or verify the game file list. Check your connection, then retry."},
      {"an installed file cannot be written",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(50, kBase50, true);
         std::filesystem::create_directories(t.folder() / "data/a.pak/in the way");
       },
       false, kStateError, "INSTALL COULD NOT BE WRITTEN",
       "Some files could not be saved. Check free disk space and that the folder is writable, "
       "then retry."},
      {"an installed file cannot be downloaded",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(50, kBase50, true);
         t.host.server().notFound(t.host.packageRequestPath(50, "readme.txt", true));
       },
       false, kStateError, "DOWNLOAD FAILED — CONNECTION LOST",
       "Could not download all game files from %H" + retry},
      {"the version's file list is missing",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.installFiles(kBase50, "50");
       },
       false, kStateError, "UPDATE INFO DOWNLOAD FAILED",
       "Could not load or verify the file list for version 57."},
      {"an updated file cannot be written",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(57, kVersion57);
         t.installFiles(kBase50, "50");
         std::filesystem::create_directories(t.folder() / "data/new.pak/in the way");
       },
       false, kStateError, "UPDATE COULD NOT BE WRITTEN",
       "Some files could not be saved. They may be in use (close the game) or the folder needs "
       "administrator rights."},
      {"an updated file cannot be downloaded",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(57, kVersion57);
         t.installFiles(kBase50, "50");
         t.host.server().notFound(t.host.packageRequestPath(57, "data/a.pak"));
       },
       false, kStateError, "DOWNLOAD FAILED — CONNECTION LOST",
       "Could not download all files from %H" + retry},
      {"the installed version is the published one",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.installFiles({}, "57");
       },
       false, kStateReady, "Latest version installed — you are ready to play.", ""},
      {"a fresh install of the current version",
       [](RunBench& t) {
         t.host.publishLatest(50, 50);
         t.host.publishFiles(50, kBase50, true);
       },
       false, kStateReady, "Installation complete — you are ready to play.", ""},
      {"every file is current but the version file is not",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(57, kVersion57);
         t.installFiles(kVersion57, "0");
       },
       false, kStateReady, "All files up to date — you are ready to play.", ""},
      {"a repair of an intact folder",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(57, kVersion57);
         t.installFiles(kVersion57, "57");
       },
       true, kStateReady, "All files verified — your client is intact.", ""},
      {"an update from 50 to 57",
       [](RunBench& t) {
         t.host.publishLatest(57, 50);
         t.host.publishFiles(57, kVersion57);
         t.installFiles(kBase50, "50");
       },
       false, kStateReady, "Update complete — you are ready to play.", ""},
  };
  for (const OutcomeCase& item : cases) {
    SCOPED_TRACE(item.name);
    RunBench bench;
    item.arrange(bench);

    const RunOutcome outcome = bench.run(item.repair);
    std::string detail = item.detail;
    if (const auto at = detail.find("%H"); at != std::string::npos)
      detail.replace(at, 2, bench.host.host());
    EXPECT_EQ(outcome.state, item.state);
    EXPECT_EQ(outcome.message, item.message);
    EXPECT_EQ(outcome.detail, detail);
    ASSERT_FALSE(outcome.states.empty());
    EXPECT_EQ(outcome.states.front(), kStateChecking);
    EXPECT_EQ(outcome.states.back(), item.state);
    EXPECT_EQ(std::count_if(outcome.states.begin(), outcome.states.end(),
                            [](std::int32_t state) { return state >= kStateError; }),
              1);
  }
}

std::vector<std::string> packagesOf(const GameFiles& files) {
  std::vector<std::string> packages;
  for (const auto& [path, contents] : files)
    packages.push_back(path + ".gz");
  return packages;
}

TEST(UpdateRunTest, AnEmptyFolderIsInstalledAndUpdatedInOneRunFetchingOnlyWhatDiffers) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(50, kBase50, true);
  bench.host.publishFiles(57, kVersion57);

  const RunOutcome outcome = bench.run();
  EXPECT_EQ(outcome.message, "Update complete — you are ready to play.");
  EXPECT_EQ(outcome.states,
            (std::vector<std::int32_t>{kStateChecking, kStateVerifying, kStateDownloading,
                                       kStateVerifying, kStateDownloading, kStateReady}));
  EXPECT_EQ(bench.fetchedPackages("/base/50"), packagesOf(kBase50));
  EXPECT_EQ(bench.fetchedPackages("/autopatcher/57"),
            (std::vector<std::string>{"Duskmere.exe.gz", "data/a.pak.gz", "data/new.pak.gz"}));
  bench.expectFolderHolds(kVersion57);
  EXPECT_EQ(readFile(bench.folder() / "ostrel.ini"), "57");
  EXPECT_FALSE(std::filesystem::exists(bench.folder() / ".duskmere_install_incomplete"));
  for (const char* made : {"screenshot", "syserr", "upload", "lib/log"})
    EXPECT_TRUE(std::filesystem::is_directory(bench.folder() / made)) << made;
  EXPECT_EQ(readFile(bench.folder() / "unins.ini"),
            "Duskmere.exe\ndata/a.pak\ndata/b.pak\nreadme.txt\ndata/new.pak\n");

  std::int64_t packageBytes = 0;
  for (const auto& [path, contents] : kBase50)
    packageBytes += std::filesystem::file_size(bench.host.packageFile(50, path, true));
  for (const char* path : {"Duskmere.exe", "data/a.pak", "data/new.pak"})
    packageBytes += std::filesystem::file_size(bench.host.packageFile(57, path));
  const ProgressSnapshot snapshot = bench.engine.snapshot();
  EXPECT_EQ(snapshot.runBytes, packageBytes);
  EXPECT_EQ(snapshot.filesDone, 3);
  EXPECT_EQ(snapshot.version, 57);
}

TEST(UpdateRunTest, AnInstallWhoseBaseIsAlreadyCurrentEndsUpToDate) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(50, kVersion57, true);
  bench.host.publishFiles(57, kVersion57);
  EXPECT_EQ(bench.run().message, "All files up to date — you are ready to play.");
  EXPECT_TRUE(bench.fetchedPackages("/autopatcher/57").empty());
  bench.expectFolderHolds(kVersion57);
}

TEST(UpdateRunTest, AnInterruptedInstallIsTakenUpAgainFromTheBasePackage) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(50, kBase50, true);
  bench.host.publishFiles(57, kVersion57);
  // The executable came first; the marker says the rest never arrived.
  test::writeGameFiles(bench.folder(), {{"Duskmere.exe", kBase50.at("Duskmere.exe")}});
  writeFile(bench.folder() / ".duskmere_install_incomplete", "1");

  EXPECT_EQ(bench.run().message, "Update complete — you are ready to play.");
  EXPECT_EQ(bench.fetchedPackages("/base/50"),
            (std::vector<std::string>{"data/a.pak.gz", "data/b.pak.gz", "readme.txt.gz"}));
  bench.expectFolderHolds(kVersion57);
  EXPECT_FALSE(std::filesystem::exists(bench.folder() / ".duskmere_install_incomplete"));
}

TEST(UpdateRunTest, TheInstalledVersionShortcutsAndARepairChecksAndRewritesTheVersionFile) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(57, kVersion57);
  bench.installFiles(kVersion57, "0057");

  EXPECT_EQ(bench.run().message, "Latest version installed — you are ready to play.");
  EXPECT_EQ(bench.host.requestedPaths(),
            (std::vector<std::string>{"/autopatcher/latest.txt", "/autopatcher/latest.sig"}));
  EXPECT_EQ(bench.engine.snapshot().version, 57);

  EXPECT_EQ(bench.run(true).message, "All files verified — your client is intact.");
  EXPECT_EQ(readFile(bench.folder() / "ostrel.ini"), "57");
  EXPECT_EQ(bench.host.requestsFor("/autopatcher/57/checksums.txt").size(), 1u);
  EXPECT_TRUE(bench.host.requestsFor("/files/").empty());
}

TEST(UpdateRunTest, ANewerLauncherIsOfferedBeforeAnyGameFileIsLookedAt) {
  struct LauncherCase {
    const char* name;
    std::function<void(RunBench&)> publish;
    bool offered;
  };
  const LauncherCase cases[] = {
      {"a Linux launcher 213 with a game update",
       [](RunBench& b) { b.host.publishLatest(57, 50, 213); }, true},
      {"a Linux launcher 213 and no usable game version",
       [](RunBench& b) { b.host.publishRecord("launcher_version_linux=213\n"); }, true},
      {"only the Windows launcher is newer",
       [](RunBench& b) { b.host.publishRecord("game_version=57\nlauncher_version=213\n"); }, false},
      {"the Linux launcher is this build",
       [](RunBench& b) { b.host.publishRecord("game_version=57\nlauncher_version_linux=212\n"); },
       false},
  };
  for (const LauncherCase& item : cases) {
    SCOPED_TRACE(item.name);
    RunBench bench;
    bench.installFiles(kVersion57, "57");
    item.publish(bench);

    const RunOutcome outcome = bench.run();
    const SelfUpdateRequest offer = bench.engine.offeredLauncherUpdate();
    const bool posted =
        std::count(outcome.messages.begin(), outcome.messages.end(), WM_APP_LAUNCHER_UPDATE) == 1;
    EXPECT_EQ(posted, item.offered);
    if (item.offered) {
      EXPECT_EQ(outcome.states, (std::vector<std::int32_t>{kStateChecking}));
      EXPECT_EQ(offer.version, 213);
      EXPECT_TRUE(bench.host.requestsFor("checksums").empty());
    } else {
      EXPECT_EQ(outcome.message, "Latest version installed — you are ready to play.");
      EXPECT_EQ(offer.version, 0);
    }
  }

  RunBench bench;
  bench.host.publishLatest(57, 50, 213);
  bench.run();
  const SelfUpdateRequest offer = bench.engine.offeredLauncherUpdate();
  EXPECT_EQ(offer.checksum, bench.host.launcherDigest());
  EXPECT_EQ(offer.checksum.size(), 64u);
  EXPECT_EQ(offer.size, bench.host.launcherSize());
}

TEST(UpdateRunTest, SkippingTheLauncherCheckHoldsForOneRun) {
  RunBench bench;
  bench.host.publishLatest(57, 50, 213);
  bench.installFiles(kVersion57, "57");
  bench.engine.setSkipLauncherCheckOnce(true);

  EXPECT_EQ(bench.run().message, "Latest version installed — you are ready to play.");
  EXPECT_FALSE(bench.engine.skipLauncherCheckOnce());
  const RunOutcome next = bench.run();
  EXPECT_EQ(next.states, (std::vector<std::int32_t>{kStateChecking}));
  EXPECT_EQ(next.messages.back(), WM_APP_LAUNCHER_UPDATE);
}

TEST(UpdateRunTest, ATransferCutShortIsResumedByTheNextRun) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(57, kVersion57);
  bench.installFiles(kBase50, "50");
  const std::string cutPath = bench.host.packageRequestPath(57, "data/new.pak");
  bench.host.server().cutAfter(cutPath, 700);

  EXPECT_EQ(bench.run().message, "DOWNLOAD FAILED — CONNECTION LOST");
  EXPECT_EQ(std::filesystem::file_size(packagePathOf(bench.folder(), "data/new.pak")), 700u);
  EXPECT_EQ(readFile(bench.folder() / "ostrel.ini"), "0");

  bench.host.server().clearFaults();
  EXPECT_EQ(bench.run().message, "Update complete — you are ready to play.");
  const auto requests = bench.host.requestsFor(cutPath);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].range, "bytes=700-");
  EXPECT_EQ(requests[1].status, 206);
  bench.expectFolderHolds(kVersion57);
  EXPECT_EQ(readFile(bench.folder() / "ostrel.ini"), "57");
}

std::string outcomeText(UpdateEngine& engine) {
  const ProgressSnapshot snapshot = engine.snapshot();
  return std::to_string(snapshot.state) + "|" + snapshot.message + "|" + snapshot.detail;
}

TEST(UpdateRunTest, FilesThatCannotBeOpenedStopTheUpdateAndTheFirstThreeAreNamed) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(57, kVersion57);
  bench.installFiles(kVersion57, "57");
  for (const char* path : {"Duskmere.exe", "data/a.pak", "data/b.pak", "readme.txt"})
    ASSERT_EQ(::chmod((bench.folder() / path).c_str(), 0), 0);

  // Root reads any file; the child gives up that override so the permission bits count.
  const auto outcome = test::runInChild([&] {
    test::dropFileAccessOverride();
    runUpdate(bench.engine, bench.folder(), true);
    return outcomeText(bench.engine);
  });
  EXPECT_EQ(outcome.report,
            "5|SOME FILES COULD NOT BE VERIFIED|Files may be locked by the game or need "
            "administrator rights: Duskmere.exe · data/a.pak · data/b.pak · Close the game, "
            "then retry.");
  EXPECT_EQ(readFile(bench.folder() / "ostrel.ini"), "0");
  EXPECT_TRUE(bench.host.requestsFor("/files/").empty());
}

TEST(UpdateRunTest, AFullDiskLosesNoFileThatWasAlreadyCurrent) {
  RunBench bench;
  // The new pack inflates far beyond the limit from a package well below it.
  GameFiles version58 = kVersion57;
  version58["data/a.pak"] = std::string(400000, 'b');
  version58["readme.txt"] = "welcome back to Duskmere";
  bench.host.publishLatest(58, 50);
  bench.host.publishFiles(58, version58);
  bench.installFiles(kVersion57, "57");
  ASSERT_LT(std::filesystem::file_size(bench.host.packageFile(58, "data/a.pak")), 65536u);

  const auto outcome = test::runInChild([&] {
    test::limitFileSize(65536);
    runUpdate(bench.engine, bench.folder(), false);
    return outcomeText(bench.engine);
  });
  EXPECT_EQ(outcome.report,
            "5|UPDATE COULD NOT BE WRITTEN|Some files could not be saved. They may be in use "
            "(close the game) or the folder needs administrator rights.");
  GameFiles expected = kVersion57;
  expected["readme.txt"] = version58["readme.txt"];
  for (const auto& [path, contents] : expected)
    EXPECT_EQ(readFile(bench.folder() / path), contents) << path;
  EXPECT_FALSE(std::filesystem::exists(bench.folder() / "data/a.pak.inflating"));
  EXPECT_EQ(readFile(bench.folder() / "ostrel.ini"), "0");

  // With room again the kept package is inflated without a new request.
  EXPECT_EQ(bench.run().message, "Update complete — you are ready to play.");
  EXPECT_EQ(bench.host.requestsFor("/files/data/a.pak.gz").size(), 1u);
  bench.expectFolderHolds(version58);
}

TEST(UpdateRunTest, AnInstallKilledHalfwayIsCompletedByTheNextRun) {
  RunBench bench;
  bench.host.publishLatest(57, 50);
  bench.host.publishFiles(50, kBase50, true);
  bench.host.publishFiles(57, kVersion57);
  const std::string stalled = bench.host.packageRequestPath(50, "data/b.pak", true);
  bench.host.server().stallAfter(stalled, 30000);
  const auto partial = packagePathOf(bench.folder(), "data/b.pak");

  {
    test::ChildProcess child([&] { runUpdate(bench.engine, bench.folder(), false); });
    // The child stalls in the middle of the pack, once part of it has reached the disk.
    ASSERT_TRUE(test::waitFor([&] {
      std::error_code error;
      return std::filesystem::file_size(partial, error) > 0 && !error;
    }));
    EXPECT_TRUE(child.kill());
  }
  const auto partialSize = std::filesystem::file_size(partial);
  EXPECT_LE(partialSize, 30000u);

  EXPECT_TRUE(std::filesystem::exists(bench.folder() / ".duskmere_install_incomplete"));
  EXPECT_EQ(readFile(bench.folder() / "data/a.pak"), kBase50.at("data/a.pak"));

  bench.host.server().clearFaults();
  EXPECT_EQ(bench.run().message, "Update complete — you are ready to play.");
  const auto requests = bench.host.requestsFor(stalled);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(partialSize) + "-");
  EXPECT_EQ(requests[1].status, 206);
  EXPECT_EQ(bench.run(true).message, "All files verified — your client is intact.");
  bench.expectFolderHolds(kVersion57);
}

}  // namespace
}  // namespace duskmere
