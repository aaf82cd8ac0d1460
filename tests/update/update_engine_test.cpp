#include "update/update_engine.h"

#include <gtest/gtest.h>

#include "config/constants.h"

namespace duskmere {
namespace {

TEST(UpdateEngineTest, PercentCountsFilesWhileVerifyingAndBytesOtherwise) {
  struct PercentCase {
    const char* name;
    std::int32_t state;
    std::int64_t downloaded, total;
    std::int32_t filesDone, filesTotal;
    double percent;
  };
  const PercentCase cases[] = {
      {"verifying moves with files, not bytes", kStateVerifying, 900, 1000, 1, 4, 25},
      {"verifying with no files", kStateVerifying, 900, 1000, 0, 0, 0},
      {"downloading moves with bytes", kStateDownloading, 250, 1000, 3, 4, 25},
      {"paused keeps the byte share", kStatePaused, 500, 1000, 0, 4, 50},
      {"no byte total", kStateDownloading, 500, 0, 1, 1, 0},
      {"more bytes than the total is 100", kStateDownloading, 1500, 1000, 0, 1, 100},
      {"before any run", 0, 0, 0, 0, 0, 0},
  };
  for (const PercentCase& item : cases) {
    SCOPED_TRACE(item.name);
    EXPECT_DOUBLE_EQ(
        progressPercent(item.state, item.downloaded, item.total, item.filesDone, item.filesTotal),
        item.percent);
  }
}

TEST(UpdateEngineTest, SnapshotCopiesTheStatusAndTheCounters) {
  UpdateEngine engine("127.0.0.1:1");
  RunProgress& progress = engine.progress();
  engine.postStatus(kStateVerifying, "headline", "detail text");
  setCurrentItem(progress, "data/a.pak");
  progress.bytesDone = 300;
  progress.carriedBytes = 1000;
  progress.bytesTotal = 600;
  progress.filesDone = 2;
  progress.filesTotal = 8;
  progress.shownVersion = 57;

  const ProgressSnapshot snapshot = engine.snapshot();
  EXPECT_EQ(snapshot.state, kStateVerifying);
  EXPECT_EQ(snapshot.message, "headline");
  EXPECT_EQ(snapshot.detail, "detail text");
  EXPECT_EQ(snapshot.currentItem, "data/a.pak");
  EXPECT_EQ(snapshot.downloadedBytes, 300);
  EXPECT_EQ(snapshot.runBytes, 1300);
  EXPECT_EQ(snapshot.totalBytes, 600);
  EXPECT_EQ(snapshot.filesDone, 2);
  EXPECT_EQ(snapshot.filesTotal, 8);
  EXPECT_DOUBLE_EQ(snapshot.percent, 25);
  EXPECT_EQ(snapshot.version, 57);
}

TEST(UpdateEngineTest, TheDefaultHostIsTheBuildConstantAndPostsGoOnlyToASetTarget) {
  UpdateEngine engine;
  EXPECT_EQ(engine.updateHost(), kPatchHost);
  EXPECT_FALSE(engine.busy());

  std::vector<AppMessage> posted;
  engine.postStatus(kStateChecking, "", "");
  engine.setMessageTarget({[&](AppMessage message) { posted.push_back(message); }});
  engine.postStatus(kStateReady, "done", "");
  engine.post(WM_APP_LAUNCHER_UPDATE);
  engine.setMessageTarget({});
  engine.postStatus(kStateError, "", "");
  EXPECT_EQ(posted, (std::vector<AppMessage>{WM_APP_UPDATE_STATE, WM_APP_LAUNCHER_UPDATE}));
  EXPECT_EQ(WM_APP_UPDATE_STATE, 0x8001u);
  EXPECT_EQ(WM_APP_VERSION_PROBE, 0x8008u);
}

TEST(UpdateEngineTest, PauseWhileIdleDoesNothing) {
  UpdateEngine engine("127.0.0.1:1");
  engine.pause();
  EXPECT_FALSE(engine.pauseRequested());
  engine.resume();
  engine.stop();
  EXPECT_FALSE(engine.busy());
}

}  // namespace
}  // namespace duskmere
