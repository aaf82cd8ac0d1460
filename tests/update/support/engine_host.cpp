#include "update/support/engine_host.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "duskmere-publish/publishing.h"
#include "duskmere-publish/signing.h"
#include "update/signed_document.h"

namespace duskmere::test {
namespace {

std::string privateKeyPem() {
  std::string pem;
  std::string error;
  if (!publishing::readPrivateKeyFile(DUSKMERE_DEV_PRIVATE_KEY_FILE, pem, error))
    ADD_FAILURE() << error;
  return pem;
}

}  // namespace

void writeGameFiles(const std::filesystem::path& folder, const GameFiles& files) {
  for (const auto& [path, contents] : files)
    writeFile(folder / path, contents);
}

std::string incompressibleBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes)
    byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

EngineHost::EngineHost() : server_(folder_ / "host") {
  std::filesystem::create_directories(root());
}

std::string EngineHost::baseUrl() const {
  return host() + "/autopatcher";
}

std::string EngineHost::listBaseUrl(std::int32_t version, bool base) const {
  return baseUrl() + (base ? "/base/" : "/") + std::to_string(version);
}

std::filesystem::path EngineHost::root() const {
  return folder_ / "host" / "autopatcher";
}

std::string EngineHost::packageRequestPath(std::int32_t version, const std::string& listPath,
                                           bool base) const {
  return listBaseUrl(version, base).substr(host().size()) + "/files/" + listPath + ".gz";
}

std::filesystem::path EngineHost::packageFile(std::int32_t version, const std::string& listPath,
                                              bool base) const {
  return publishing::listFolderOf(root(), version, base) / "files" / (listPath + ".gz");
}

void EngineHost::publishFiles(std::int32_t version, const GameFiles& files, bool base) {
  const auto source = folder_ / "builds" / ((base ? "base-" : "") + std::to_string(version));
  std::filesystem::remove_all(source);
  std::filesystem::create_directories(source);
  writeGameFiles(source, files);
  publishing::FilesOptions options;
  options.keyFile = DUSKMERE_DEV_PRIVATE_KEY_FILE;
  options.source = source;
  options.root = root();
  options.version = version;
  options.base = base;
  const auto result = publishing::publishFiles(options);
  ASSERT_TRUE(result.ok) << result.error;
}

void EngineHost::publishLatest(std::int32_t gameVersion, std::int32_t baseVersion,
                               std::int32_t launcherVersion) {
  publishing::LatestOptions options;
  options.keyFile = DUSKMERE_DEV_PRIVATE_KEY_FILE;
  options.root = root();
  options.gameVersion = gameVersion;
  options.baseVersion = baseVersion;
  if (launcherVersion > 0) {
    options.launcherFile = folder_ / "launcher";
    writeFile(options.launcherFile, "#!/bin/sh\necho new launcher\n");
    options.launcherVersion = launcherVersion;
  }
  const auto result = publishing::publishLatest(options);
  ASSERT_TRUE(result.ok) << result.error;
}

void EngineHost::publishRecord(const std::string& text) {
  std::string error;
  ASSERT_TRUE(publishing::writeSignedDocument(privateKeyPem(), root() / "latest.txt", text, error))
      << error;
}

std::string EngineHost::launcherDigest() const {
  return sha256FileHex(folder_ / "launcher");
}

std::int64_t EngineHost::launcherSize() const {
  return static_cast<std::int64_t>(std::filesystem::file_size(folder_ / "launcher"));
}

std::vector<RecordedRequest> EngineHost::requestsFor(const std::string& part) const {
  std::vector<RecordedRequest> found;
  for (const RecordedRequest& request : server_.requests()) {
    if (request.path.find(part) != std::string::npos)
      found.push_back(request);
  }
  return found;
}

void PostedMessages::connect(UpdateEngine& engine) {
  engine.setMessageTarget({[this, &engine](AppMessage message) {
    // Called on the worker right after the status was stored, so the snapshot shows it.
    const std::int32_t state = message == WM_APP_UPDATE_STATE ? engine.snapshot().state : 0;
    std::lock_guard lock(lock_);
    messages_.push_back(message);
    if (message == WM_APP_UPDATE_STATE)
      states_.push_back(state);
  }});
}

std::vector<AppMessage> PostedMessages::messages() const {
  std::lock_guard lock(lock_);
  return messages_;
}

std::vector<std::int32_t> PostedMessages::states() const {
  std::lock_guard lock(lock_);
  return states_;
}

int PostedMessages::count(AppMessage message) const {
  std::lock_guard lock(lock_);
  int found = 0;
  for (const AppMessage posted : messages_)
    found += posted == message ? 1 : 0;
  return found;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace duskmere::test
