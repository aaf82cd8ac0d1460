#include <gtest/gtest.h>

#include <algorithm>

#include "update/file_fetch.h"
#include "update/support/engine_host.h"
#include "update/update_engine.h"

namespace duskmere {
namespace {

using test::readFile;
using test::waitFor;

const test::GameFiles kGame = {{"Duskmere.exe", "game executable"},
                               {"data/big.pak", test::incompressibleBytes(60000, 7)},
                               {"readme.txt", "welcome to Duskmere"}};

// A folder one version behind in every file, a host with version 2, and an engine on it.
class UpdateEngineThreadedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.publishLatest(2, 1);
    host.publishFiles(2, kGame);
    test::writeGameFiles(folder(), {{"Duskmere.exe", "older executable"}});
    engine.setGamePath(folder());
    posted.connect(engine);
  }

  std::filesystem::path folder() const { return game.path() / "Duskmere"; }
  std::string bigPackage() const { return host.packageRequestPath(2, "data/big.pak"); }
  std::int64_t bigPackageBytesHere() { return engine.progress().currentFileBytes.load(); }
  int postedCount(std::int32_t state) const {
    const auto states = posted.states();
    return static_cast<int>(std::count(states.begin(), states.end(), state));
  }
  bool runEnded() {
    return waitFor([this] { return !engine.busy(); });
  }

  test::TempFolder game;
  test::EngineHost host;
  test::PostedMessages posted;
  UpdateEngine engine{host.host()};
};

TEST_F(UpdateEngineThreadedTest, StartWhileBusyIsIgnoredAndAFinishedRunCanBeFollowedByAnother) {
  host.server().stallAfter(bigPackage(), 10000);
  engine.start(false);
  EXPECT_TRUE(engine.busy());
  ASSERT_TRUE(waitFor([this] { return !host.requestsFor(bigPackage()).empty(); }));
  engine.start(false);
  engine.start(true);
  EXPECT_EQ(host.requestsFor("latest.txt").size(), 1u);

  host.server().clearFaults();
  ASSERT_TRUE(runEnded());
  EXPECT_EQ(engine.snapshot().message, "Update complete — you are ready to play.");
  EXPECT_EQ(engine.gamePath(), folder());

  engine.start(true);
  engine.waitUntilIdle();
  EXPECT_EQ(engine.snapshot().message, "All files verified — your client is intact.");
  EXPECT_EQ(host.requestsFor("latest.txt").size(), 2u);
}

TEST_F(UpdateEngineThreadedTest, APausedTransferWaitsAndResumesFromItsPartialSize) {
  host.server().stallAfter(bigPackage(), 30000);
  engine.start(false);
  ASSERT_TRUE(waitFor([this] { return bigPackageBytesHere() == 30000; }));

  engine.pause();
  ASSERT_TRUE(waitFor([this] { return engine.snapshot().state == kStatePaused; }));
  EXPECT_TRUE(engine.busy());
  EXPECT_GE(engine.snapshot().downloadedBytes, 0);
  EXPECT_EQ(std::filesystem::file_size(packagePathOf(folder(), "data/big.pak")), 30000u);

  host.server().clearFaults();
  engine.resume();
  ASSERT_TRUE(runEnded());
  EXPECT_EQ(engine.snapshot().message, "Update complete — you are ready to play.");
  const auto requests = host.requestsFor(bigPackage());
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].range, "bytes=30000-");
  EXPECT_EQ(requests[1].status, 206);
  EXPECT_EQ(readFile(folder() / "data/big.pak"), kGame.at("data/big.pak"));
  EXPECT_EQ(postedCount(kStatePaused), 1);
  // Downloading again after the pause, then the final state.
  const auto states = posted.states();
  const auto paused = std::find(states.begin(), states.end(), kStatePaused);
  ASSERT_NE(paused, states.end());
  EXPECT_EQ(*(paused + 1), kStateDownloading);
  EXPECT_EQ(states.back(), kStateReady);
  const ProgressSnapshot snapshot = engine.snapshot();
  EXPECT_EQ(snapshot.downloadedBytes, snapshot.totalBytes);
}

TEST_F(UpdateEngineThreadedTest, StopWhilePausedEndsTheRunWithoutAFurtherState) {
  host.server().stallAfter(bigPackage(), 20000);
  engine.start(false);
  ASSERT_TRUE(waitFor([this] { return bigPackageBytesHere() == 20000; }));
  engine.pause();
  ASSERT_TRUE(waitFor([this] { return engine.snapshot().state == kStatePaused; }));

  engine.stop();
  EXPECT_FALSE(engine.busy());
  EXPECT_EQ(posted.states().back(), kStatePaused);
  EXPECT_EQ(std::filesystem::file_size(packagePathOf(folder(), "data/big.pak")), 20000u);
  EXPECT_EQ(readFile(folder() / "ostrel.ini"), "0");
}

TEST_F(UpdateEngineThreadedTest, SixPausesOnOneFileEndItWithDownloadFailed) {
  host.server().stallAfter(bigPackage(), 1000);
  engine.start(false);
  for (int pause = 1; pause <= 6; ++pause) {
    SCOPED_TRACE(pause);
    // Every pass receives 1000 more bytes before the host stalls again.
    ASSERT_TRUE(waitFor([&] { return bigPackageBytesHere() == pause * 1000; }));
    engine.pause();
    ASSERT_TRUE(waitFor([&] { return postedCount(kStatePaused) == pause; }));
    engine.resume();
  }
  ASSERT_TRUE(runEnded());
  const ProgressSnapshot snapshot = engine.snapshot();
  EXPECT_EQ(snapshot.state, kStateError);
  EXPECT_EQ(snapshot.message, "DOWNLOAD FAILED — CONNECTION LOST");
  EXPECT_GE(snapshot.downloadedBytes, 0);
  const auto requests = host.requestsFor(bigPackage());
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[5].range, "bytes=5000-");
  // The partial package stays for the next run to resume.
  EXPECT_EQ(std::filesystem::file_size(packagePathOf(folder(), "data/big.pak")), 6000u);
  EXPECT_EQ(readFile(folder() / "readme.txt"), kGame.at("readme.txt"));
}

}  // namespace
}  // namespace duskmere
