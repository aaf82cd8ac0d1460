// Test scaffolding for the update engine: an update host on loopback whose signed tree is
// written by the publisher, game folders written from tables, and a recorder of what the
// engine posts.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/http_server.h"
#include "support/temp_folder.h"
#include "update/app_messages.h"
#include "update/update_engine.h"

namespace duskmere::test {

// A game build: list path -> contents.
using GameFiles = std::map<std::string, std::string>;

void writeGameFiles(const std::filesystem::path& folder, const GameFiles& files);

// Bytes that gzip cannot shrink, so package sizes are predictable.
std::string incompressibleBytes(std::size_t count, unsigned seed);

class EngineHost {
 public:
  EngineHost();

  TestHttpServer& server() { return server_; }
  std::string host() const { return server_.host(); }
  std::string baseUrl() const;
  std::string listBaseUrl(std::int32_t version, bool base = false) const;
  // The folder served as "/autopatcher".
  std::filesystem::path root() const;
  // The request path of a file's package, as the server records it.
  std::string packageRequestPath(std::int32_t version, const std::string& listPath,
                                 bool base = false) const;
  // The package file the host serves for a published file.
  std::filesystem::path packageFile(std::int32_t version, const std::string& listPath,
                                    bool base = false) const;

  void publishFiles(std::int32_t version, const GameFiles& files, bool base = false);
  // A version record for the game and base versions, with a Linux launcher build when
  // launcherVersion is above 0.
  void publishLatest(std::int32_t gameVersion, std::int32_t baseVersion,
                     std::int32_t launcherVersion = 0);
  // A version record with this exact text, signed.
  void publishRecord(const std::string& text);
  // The digest and size of the launcher file publishLatest published.
  std::string launcherDigest() const;
  std::int64_t launcherSize() const;

  std::vector<std::string> requestedPaths() const { return server_.requestedPaths(); }
  // Requests whose path contains `part`.
  std::vector<RecordedRequest> requestsFor(const std::string& part) const;

 private:
  TempFolder folder_;
  TestHttpServer server_;
};

// Records every message the engine posts and the state each status carried.
class PostedMessages {
 public:
  void connect(UpdateEngine& engine);
  std::vector<AppMessage> messages() const;
  std::vector<std::int32_t> states() const;
  int count(AppMessage message) const;

 private:
  mutable std::mutex lock_;
  std::vector<AppMessage> messages_;
  std::vector<std::int32_t> states_;
};

// Polls `condition` every 5 ms until it holds or `limit` has passed; whether it held.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace duskmere::test
