#include "update/transfer_rate.h"

#include <gtest/gtest.h>

namespace duskmere {
namespace {

struct RateCase {
  const char* name;
  TransferRateState previous;
  std::int64_t now;
  std::int64_t downloaded;
  std::int64_t total;
  double expectedSpeed;
  std::optional<double> expectedSecondsLeft;
};

TEST(TransferRateTest, SmoothsTheSpeedAndEstimatesTheTimeLeft) {
  const RateCase cases[] = {
      {"the first tick has no earlier sample", {0, 0, 0}, 1000, 500000, 4000000, 0, std::nullopt},
      {"1000000 bytes in 250 ms moves 2000000 to 2600000",
       {1000, 0, 2000000},
       1250,
       1000000,
       6200000,
       2600000,
       2.0},
      {"a first measured speed is taken as it is",
       {1000, 0, 0},
       1250,
       1000000,
       2000000,
       4000000,
       0.25},
      {"a new run from 0 bytes counts as no progress",
       {1000, 900000, 1000000},
       1250,
       0,
       3500000,
       700000,
       5.0},
      {"no time has passed: nothing is measured",
       {1000, 0, 2000000},
       1000,
       1000000,
       3000000,
       2000000,
       1.0},
      {"at 1 KiB/s and below there is no time left",
       {1000, 0, 0},
       2000,
       1024,
       5000,
       1024,
       std::nullopt},
      {"received ahead of the total shows no time left",
       {1000, 0, 0},
       1250,
       1000000,
       500000,
       4000000,
       0.0},
  };
  for (const RateCase& item : cases) {
    SCOPED_TRACE(item.name);
    const TransferRate rate =
        sampleTransferRate(item.previous, item.now, item.downloaded, item.total);
    EXPECT_DOUBLE_EQ(rate.bytesPerSecond, item.expectedSpeed);
    EXPECT_DOUBLE_EQ(rate.next.smoothedBytesPerSecond, item.expectedSpeed);
    EXPECT_EQ(rate.next.lastSampleAt, item.now);
    EXPECT_EQ(rate.next.lastSampleBytes, item.downloaded);
    ASSERT_EQ(rate.secondsLeft.has_value(), item.expectedSecondsLeft.has_value());
    if (item.expectedSecondsLeft) {
      EXPECT_DOUBLE_EQ(*rate.secondsLeft, *item.expectedSecondsLeft);
    }
  }
}

TEST(TransferRateTest, SuccessiveSamplesCarryTheirState) {
  TransferRateState state;
  std::int64_t now = 1700000000000;
  std::vector<double> speeds;
  for (std::int64_t bytes = 0; bytes <= 3000000; bytes += 1000000) {
    const TransferRate rate = sampleTransferRate(state, now, bytes, 10000000);
    speeds.push_back(rate.bytesPerSecond);
    state = rate.next;
    now += 250;
  }
  EXPECT_EQ(speeds, (std::vector<double>{0, 4000000, 4000000, 4000000}));
}

}  // namespace
}  // namespace duskmere
