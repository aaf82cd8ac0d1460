// Writes the update-host tree exactly as the launcher reads it, under ROOT (what the server
// serves as "/autopatcher"):
//   ROOT/<version>/checksums.txt, checksums.sig and files/<path>.gz     (files)
//   ROOT/base/<version>/...                                             (files, base package)
//   ROOT/latest.txt, latest.sig, latest_ostrel_linux, latest_ostrel.exe (latest)
//   ROOT/news.txt, news.sig                                             (news)
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "duskmere-publish/package_writer.h"
#include "duskmere-publish/signing.h"

namespace duskmere::publishing {

struct PublishResult {
  bool ok = false;
  std::string error;  // one line, when !ok
  std::int32_t files = 0;
  std::int64_t bytes = 0;
  std::int64_t compressedBytes = 0;
};

struct FilesOptions {
  std::filesystem::path keyFile;  // PEM private key
  std::filesystem::path source;   // the game build folder
  std::filesystem::path root;
  std::int32_t version = 0;  // 1 or more
  bool base = false;         // publish as the base package of a full install
};

struct LatestOptions {
  std::filesystem::path keyFile;
  std::filesystem::path root;
  std::int32_t gameVersion = 0;
  std::int32_t baseVersion = 0;
  // The Linux launcher (the "_linux" keys); without a file the record names no digest and size.
  std::filesystem::path launcherFile;
  std::int32_t launcherVersion = 0;
  // The Windows launcher (the keys without suffix), likewise optional.
  std::filesystem::path windowsLauncherFile;
  std::int32_t windowsLauncherVersion = 0;
};

struct NewsOptions {
  std::filesystem::path keyFile;
  std::filesystem::path root;
  std::filesystem::path textFile;  // published byte for byte
};

// The folder of a file list below the root: ROOT/<version> or ROOT/base/<version>.
std::filesystem::path listFolderOf(const std::filesystem::path& root, std::int32_t version,
                                   bool base);

// One line of checksums.txt: path, size, compressed size, CRC-32, package digest, tab-separated.
std::string checksumsLine(const std::string& listPath, const PackagedFile& file);

// The version record's text for these options (launcher digests and sizes read from the files).
bool versionRecordText(const LatestOptions& options, std::string& text, std::string& error);

// Publishes every regular file below options.source, in sorted order, with "/" separators.
PublishResult publishFiles(const FilesOptions& options);
PublishResult publishLatest(const LatestOptions& options);
PublishResult publishNews(const NewsOptions& options);

}  // namespace duskmere::publishing
