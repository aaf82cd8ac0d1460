// Transfers and the abort flag across threads, as the update worker, the UI thread and the
// launcher self-update use them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "update/download_transport.h"
#include "update/support/transport_fixture.h"

namespace duskmere {
namespace {

namespace fs = std::filesystem;
using test::patternedBytes;
using test::readFile;
using test::writeFile;

class DownloadTransportThreadedTest : public test::TransportTest {};

// Runs `transfer` here while another thread sets the abort flag as soon as `started` holds,
// as a pause or stop from the UI does.
void abortWhen(const std::function<bool()>& started, const std::function<void()>& transfer) {
  std::atomic<bool> finished{false};
  std::thread stopper([&] {
    while (!finished.load() && !started()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    setDownloadAbort(true);
  });
  transfer();
  finished.store(true);
  stopper.join();
}

TEST_F(DownloadTransportThreadedTest, AbortDuringFileDownloadCancelsAndKeepsThePartialFile) {
  const std::string contents = patternedBytes(200 * 1024);
  writeFile(site / "game.bin", contents);
  server.stallAfter("/game.bin", 4096);  // only the abort can end this transfer early
  std::atomic<std::int64_t> fileProgress{0};
  const fs::path destination = downloads / "game.bin";

  DownloadResult result = DownloadResult::Ok;
  abortWhen(
      [&] { return fileProgress.load() >= 4096; },
      [&] { result = downloadToFile(url("/game.bin"), destination, &fileProgress, nullptr, 0); });
  EXPECT_EQ(result, DownloadResult::Cancelled);
  EXPECT_EQ(readFile(destination), contents.substr(0, 4096));
}

TEST_F(DownloadTransportThreadedTest, AbortDuringDocumentDownloadFailsIt) {
  server.serveBody("/autopatcher/latest.txt", patternedBytes(10000));
  server.stallAfter("/autopatcher/latest.txt", 100);
  bool downloaded = true;
  std::string body;
  abortWhen([&] { return !server.requests().empty(); },
            [&] { downloaded = downloadToMemory(url("/autopatcher/latest.txt"), body); });
  EXPECT_FALSE(downloaded);
}

TEST_F(DownloadTransportThreadedTest, TransfersOnThreadsOneAfterAnotherShareOneConnection) {
  const std::string contents = patternedBytes(20000);
  writeFile(site / "a.bin", contents);
  for (int i = 0; i < 6; ++i) {
    std::thread worker([&, i] {
      const fs::path destination = downloads / ("a" + std::to_string(i));
      EXPECT_EQ(downloadToFile(url("/a.bin"), destination, nullptr, nullptr, 0),
                DownloadResult::Ok);
      EXPECT_EQ(readFile(destination), contents);
    });
    worker.join();
  }
  EXPECT_EQ(server.connectionCount(), 1);
}

TEST_F(DownloadTransportThreadedTest, TransfersAtTheSameTimeEachArriveWhole) {
  const std::string contents = patternedBytes(100 * 1024);
  writeFile(site / "a.bin", contents);
  server.serveBody("/doc.txt", "document");
  std::vector<std::thread> workers;
  for (int t = 0; t < 3; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        const fs::path destination =
            downloads / ("a" + std::to_string(t) + "-" + std::to_string(i));
        EXPECT_EQ(downloadToFile(url("/a.bin"), destination, nullptr, nullptr, 0),
                  DownloadResult::Ok);
        EXPECT_EQ(readFile(destination), contents);
        std::string body;
        EXPECT_TRUE(downloadToMemory(url("/doc.txt"), body));
        EXPECT_EQ(body, "document");
      }
    });
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  EXPECT_EQ(server.requests().size(), 30u);
  EXPECT_LE(server.connectionCount(), 3);
}

}  // namespace
}  // namespace duskmere
