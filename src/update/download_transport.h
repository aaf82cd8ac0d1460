// The only code that talks to the update host: blocking downloads into memory or into a file
// over libcurl, with resume, the process-wide abort flag and rate cap, and a stall limit.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

namespace duskmere {

enum class DownloadResult {
  Ok = 0,              // complete, with status 200 (or 206 when resuming)
  Cancelled = 1,       // aborted while the abort flag was set
  CannotOpenFile = 2,  // the destination could not be opened for writing
  Failed = 3,          // anything else: transport error, stall, wrong status
};

// `url` is the host followed by a path and carries no scheme (plain HTTP unless redirected).
// True only for a complete transfer with status 200; `body` is cleared first.
bool downloadToMemory(const std::string& url, std::string& body);

// Streams the body into `destination`, appending from `resumeFrom` when it is above 0.
// `fileProgress` receives the bytes of this file present so far, `runProgress` grows by every
// received byte; either may be null.
DownloadResult downloadToFile(const std::string& url, const std::filesystem::path& destination,
                              std::atomic<std::int64_t>* fileProgress,
                              std::atomic<std::int64_t>* runProgress, std::int64_t resumeFrom);

// Creates every missing folder on the way to the file `path`.
bool createParentDirectories(const std::filesystem::path& path);

// The process-wide abort flag every transfer checks: set by stop and pause, cleared when a
// run starts and when a paused run resumes. Returns the previous value.
bool setDownloadAbort(bool abort);
bool downloadAbortRequested();

}  // namespace duskmere
