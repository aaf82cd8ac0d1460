// Brings the files the scan marked into the game folder: download each gzip package beside its
// target (resuming a partial one), check its SHA-256 against the list, inflate it over the
// target and remove it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "update/file_manifest.h"
#include "update/inflate_file.h"
#include "update/update_engine.h"

namespace duskmere {

struct FetchResult {
  // False when the run was stopped; the counts then cover the files handled so far.
  bool finished = true;
  // Every failed file; the ones whose cause is the local disk also count in failedWrites.
  std::int32_t failedDownloads = 0;
  std::int32_t failedWrites = 0;
};

// Where the package of the list path `listPath` is served, below the list base URL.
std::string packageUrlOf(const std::string& listBaseUrl, const std::string& listPath);

// The compressed copy kept beside the target until it has been inflated.
std::filesystem::path packagePathOf(const std::filesystem::path& gameFolder,
                                    const std::string& listPath);

// Fetches every entry marked needsDownload, in list order, one transfer at a time; sets
// failed and errorText on the entries that could not be brought in.
FetchResult fetchFiles(UpdateEngine& engine, const std::string& listBaseUrl,
                       const std::filesystem::path& gameFolder, FileManifest& manifest,
                       std::int32_t needCount, std::int64_t needBytes);

}  // namespace duskmere
