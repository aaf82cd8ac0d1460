// The signed list of every file of one game version, and the scan that compares it with the
// game folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "update/run_progress.h"

namespace duskmere {

struct FileEntry {
  std::string path;  // relative to the game folder, as written in the list
  std::int64_t size = 0;
  std::int64_t compressedSize = 0;
  std::string crc;            // eight hex digits, upper case
  std::string packageSha256;  // lowercase hex of the compressed copy
  bool needsDownload = false;
  bool failed = false;
  std::string errorText;
};

// Empty means "not available".
using FileManifest = std::vector<FileEntry>;

struct ScanResult {
  std::int32_t lockedCount = 0;
  std::int32_t needCount = 0;
  std::int64_t needBytes = 0;
};

// Fetches and verifies `listBaseUrl` + "/checksums.txt" and its signature; sets
// progress.bytesTotal to the sum of the sizes. Empty on any failure.
FileManifest fetchFileManifest(const std::string& listBaseUrl, RunProgress& progress);

// Parses a verified list; lines that are malformed or would leave the game folder are dropped.
FileManifest parseFileManifest(const std::string& text);

// True when a list path names a file inside the game folder: not empty, not absolute, no drive
// letter, no ".." component and no NUL byte ("\\" and "/" both separate).
bool isSafeListPath(const std::string& listPath);

// The local file of a list path below `gameFolder` ("\\" and "/" both separate); empty when
// the path is not safe.
std::filesystem::path localPathOf(const std::filesystem::path& gameFolder,
                                  const std::string& listPath);

// The list path as it goes into a download address: as written, with every "\\" sent as "/".
std::string downloadPathOf(const std::string& listPath);

// Marks entries that are missing or differ, counts files that cannot be opened, and drives the
// verify progress; stops early when progress.cancelRequested is set.
ScanResult scanLocalFiles(FileManifest& manifest, const std::filesystem::path& gameFolder,
                          RunProgress& progress);

}  // namespace duskmere
