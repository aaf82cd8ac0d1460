#include "platform/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/desktop/desktop_test_support.h"

namespace duskmere::platform {
namespace {

constexpr unsigned kFirst = kAppMessageBase + 1;
constexpr unsigned kSecond = kAppMessageBase + 2;
constexpr unsigned kLast = kAppMessageBase + 9;

class MainLoopTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(initToolkit()); }
};

TEST_F(MainLoopTest, PostsFromOtherThreadsArriveInOrderOnTheUiThreadAndFailOnceTheLoopEnded) {
  constexpr int kPerThread = 2000;
  const auto uiThread = std::this_thread::get_id();
  std::vector<std::uintptr_t> first, second;
  int lastCount = 0;
  bool allOnUiThread = true;
  openMessageQueue([&](const Message& message) {
    allOnUiThread = allOnUiThread && std::this_thread::get_id() == uiThread;
    if (message.id == kFirst)
      first.push_back(message.wParam);
    else if (message.id == kSecond)
      second.push_back(message.wParam);
    else if (message.id == kLast && ++lastCount == 2)
      quitMainLoop(3);
  });
  std::atomic<int> refused = 0;
  auto poster = [&refused](unsigned id) {
    for (int i = 0; i < kPerThread; ++i) {
      if (!postMessage(id, static_cast<std::uintptr_t>(i), -i))
        ++refused;
    }
    if (!postMessage(kLast, 0, 0))
      ++refused;
  };
  std::thread one(poster, kFirst);
  std::thread two(poster, kSecond);
  EXPECT_EQ(runMainLoop(), 3);
  one.join();
  two.join();

  EXPECT_EQ(refused, 0);
  EXPECT_TRUE(allOnUiThread);
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kPerThread));
  ASSERT_EQ(second.size(), static_cast<std::size_t>(kPerThread));
  for (int i = 0; i < kPerThread; ++i) {
    ASSERT_EQ(first[i], static_cast<std::uintptr_t>(i));
    ASSERT_EQ(second[i], static_cast<std::uintptr_t>(i));
  }
  EXPECT_FALSE(postMessage(kFirst, 0, 0));
  std::thread late([] { EXPECT_FALSE(postMessage(kFirst, 0, 0)); });
  late.join();
}

TEST_F(MainLoopTest, NoQueueNoPost) {
  EXPECT_FALSE(postMessage(kFirst, 1, 2));
}

TEST_F(MainLoopTest, MessagesLeftAtQuitGoToTheDiscardedHookInOrderAndTheNextRunStartsEmpty) {
  std::vector<Message> delivered, discarded;
  openMessageQueue(
      [&](const Message& message) {
        delivered.push_back(message);
        quitMainLoop(0);
      },
      [&](const Message& message) { discarded.push_back(message); });
  for (int i = 1; i <= 4; ++i)
    ASSERT_TRUE(postMessage(kFirst, i, 10 * i));
  EXPECT_EQ(runMainLoop(), 0);
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].wParam, 1u);
  ASSERT_EQ(discarded.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(discarded[i].wParam, static_cast<std::uintptr_t>(i + 2));
    EXPECT_EQ(discarded[i].lParam, 10 * (i + 2));
  }

  delivered.clear();
  openMessageQueue([&](const Message& message) {
    delivered.push_back(message);
    quitMainLoop(5);
  });
  ASSERT_TRUE(postMessage(kSecond, 7, 0));
  EXPECT_EQ(runMainLoop(), 5);
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0].id, kSecond);
}

TEST_F(MainLoopTest, AQuitBeforeTheLoopRunsEndsItAtOnceWithItsCode) {
  bool delivered = false;
  openMessageQueue([&](const Message&) { delivered = true; });
  quitMainLoop(1);
  EXPECT_EQ(runMainLoop(), 1);
  EXPECT_FALSE(delivered);
}

TEST_F(MainLoopTest, TimersTickWithTheirIdsAndStopWhenStoppedOrRestarted) {
  constexpr unsigned kProgress = 1, kFeeds = 2, kReference = 3;
  std::vector<unsigned> ticks;
  int referenceTicks = 0;
  bool feedsStopped = false;
  openMessageQueue([&](const Message& message) {
    ASSERT_EQ(message.id, kTimerMessage);
    ASSERT_EQ(message.lParam, 0);
    const auto id = static_cast<unsigned>(message.wParam);
    ticks.push_back(id);
    if (id == kFeeds && !feedsStopped) {
      // A restart replaces the timer; one stop then ends it.
      startTimer(kFeeds, 5);
      stopTimer(kFeeds);
      feedsStopped = true;
      startTimer(kReference, 5);
    } else if (id == kReference && ++referenceTicks == 6) {
      quitMainLoop(0);
    }
  });
  startTimer(kProgress, 5);
  startTimer(kFeeds, 7);
  startTimer(kFeeds, 5);  // restarted before it ever ticked
  stopTimer(99);          // unknown ids are no error
  EXPECT_EQ(runMainLoop(), 0);

  const auto feedsTicks = std::count(ticks.begin(), ticks.end(), kFeeds);
  EXPECT_EQ(feedsTicks, 1);
  EXPECT_GE(std::count(ticks.begin(), ticks.end(), kProgress), 1);
  for (unsigned id : ticks)
    EXPECT_TRUE(id == kProgress || id == kFeeds || id == kReference) << id;

  // The first run's timers ended with it: only the new one ticks now.
  ticks.clear();
  referenceTicks = 0;
  openMessageQueue([&](const Message& message) {
    ticks.push_back(static_cast<unsigned>(message.wParam));
    if (message.wParam == kReference && ++referenceTicks == 6)
      quitMainLoop(0);
  });
  startTimer(kReference, 5);
  EXPECT_EQ(runMainLoop(), 0);
  EXPECT_EQ(std::count(ticks.begin(), ticks.end(), kReference), 6);
  EXPECT_EQ(ticks.size(), 6u);
}

TEST_F(MainLoopTest, MessagesKeepArrivingWhileAHandlerRunsANestedLoop) {
  std::vector<unsigned> order;
  openMessageQueue([&](const Message& message) {
    order.push_back(message.id);
    if (message.id == kFirst) {
      // As a modal dialog does: its own loop, left when the second message came.
      std::thread poster([] { postMessage(kSecond, 0, 0); });
      EXPECT_TRUE(test::pumpUntil([&] { return order.size() >= 2; }));
      poster.join();
      order.push_back(kLast);
      quitMainLoop(0);
    }
  });
  ASSERT_TRUE(postMessage(kFirst, 0, 0));
  EXPECT_EQ(runMainLoop(), 0);
  EXPECT_EQ(order, (std::vector<unsigned>{kFirst, kSecond, kLast}));
}

}  // namespace
}  // namespace duskmere::platform
