// A test HTTP server serving a temporary folder, a second folder for downloads, and the
// transport's process-wide knobs put back to their defaults around each test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "config/download_rate_limit.h"
#include "support/http_server.h"
#include "support/temp_folder.h"
#include "update/download_transport.h"
#include "update/download_transport_testing.h"

namespace duskmere::test {

// Bytes that differ from position to position, so a misplaced block shows.
std::string patternedBytes(std::size_t size);

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override { resetTransport(); }
  void TearDown() override { resetTransport(); }

  static void resetTransport() {
    setDownloadAbort(false);
    setDownloadRateLimit(0);
    setDownloadStallLimit(std::chrono::seconds(60));
  }

  std::string url(const std::string& path) const { return server.host() + path; }

  TempFolder site;
  TempFolder downloads;
  TestHttpServer server{site.path()};
};

}  // namespace duskmere::test
