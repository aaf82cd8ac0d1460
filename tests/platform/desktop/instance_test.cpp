#include "platform/instance.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "platform/desktop/desktop_test_support.h"
#include "platform/main_loop.h"
#include "platform/process.h"
#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

const std::string kName = "Ostrel{4C7B2E91-5D30-4A8F-B6E2-19F0C3A7D845}";

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(initToolkit());
    environment.set("XDG_RUNTIME_DIR", (root / "runtime").string());
    std::filesystem::create_directories(root / "runtime");
  }

  std::optional<int> runHelper(const std::vector<std::string>& arguments) {
    const auto process = startProcess({DUSKMERE_DESKTOP_TEST_HELPER, arguments}, root.path());
    if (!process)
      return std::nullopt;
    return waitForProcess(*process);
  }

  test::TempFolder root;
  test::ScopedEnvironment environment;
  const std::filesystem::path fallback = root / "data";
};

TEST_F(InstanceTest, ASecondStartSeesTheFirstAndItsRequestReachesTheFirstsLoop) {
  int raises = 0;
  auto lock = holdInstanceLock(kName, fallback, [&] { ++raises; });
  ASSERT_TRUE(lock);
  EXPECT_TRUE(std::filesystem::exists(root / "runtime" / (kName + ".lock")));
  EXPECT_TRUE(std::filesystem::is_socket(root / "runtime" / (kName + ".socket")));
  // Our own lock does not count for us, only for other processes.
  EXPECT_FALSE(holdInstanceLock(kName, fallback, {}));

  EXPECT_EQ(runHelper({"second", kName, fallback.string()}), 0);
  EXPECT_TRUE(test::pumpUntil([&] { return raises == 1; }));
  EXPECT_EQ(runHelper({"second", kName, fallback.string()}), 0);
  EXPECT_TRUE(test::pumpUntil([&] { return raises == 2; }));

  lock.reset();
  EXPECT_FALSE(std::filesystem::exists(root / "runtime" / (kName + ".lock")));
  EXPECT_FALSE(std::filesystem::exists(root / "runtime" / (kName + ".socket")));
  EXPECT_EQ(runHelper({"second", kName, fallback.string()}), 3);
  EXPECT_FALSE(requestInstanceRaise(kName, fallback));
}

TEST_F(InstanceTest, ALockHeldElsewhereIsSeenAndEndsWithItsHolder) {
  const auto marker = root / "held";
  const auto holder = startProcess(
      {DUSKMERE_DESKTOP_TEST_HELPER, {"hold", kName, fallback.string(), marker.string()}},
      root.path());
  ASSERT_TRUE(holder);
  ASSERT_TRUE(test::pumpUntil([&] { return std::filesystem::exists(marker); }));

  EXPECT_TRUE(anotherInstanceRunning(kName, fallback));
  EXPECT_TRUE(anotherInstanceRunning(kName, fallback));  // looking takes nothing
  EXPECT_FALSE(holdInstanceLock(kName, fallback, {}));
  EXPECT_FALSE(anotherInstanceRunning("another name", fallback));

  // A holder that dies leaves its files; the lock is free all the same.
  kill(holder->value, SIGKILL);
  EXPECT_EQ(waitForProcess(*holder), 128 + SIGKILL);
  EXPECT_TRUE(std::filesystem::exists(root / "runtime" / (kName + ".socket")));
  EXPECT_FALSE(anotherInstanceRunning(kName, fallback));
  EXPECT_FALSE(requestInstanceRaise(kName, fallback));
  int raises = 0;
  auto lock = holdInstanceLock(kName, fallback, [&] { ++raises; });
  ASSERT_TRUE(lock);
  EXPECT_TRUE(requestInstanceRaise(kName, fallback));
  EXPECT_TRUE(test::pumpUntil([&] { return raises == 1; }));
}

TEST_F(InstanceTest, WithoutARuntimeFolderTheFallbackFolderHoldsTheLock) {
  environment.set("XDG_RUNTIME_DIR", std::nullopt);
  EXPECT_EQ(instanceFolder(fallback), fallback);
  auto lock = holdInstanceLock(kName, fallback, {});
  ASSERT_TRUE(lock);
  EXPECT_TRUE(std::filesystem::exists(fallback / (kName + ".lock")));
  EXPECT_EQ(runHelper({"second", kName, fallback.string()}), 0);
}

}  // namespace
}  // namespace duskmere::platform
