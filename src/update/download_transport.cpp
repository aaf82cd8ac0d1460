#include "update/download_transport.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>

#include "config/download_rate_limit.h"
#include "update/download_transport_handles.h"
#include "update/download_transport_testing.h"

namespace duskmere {

namespace {

constexpr long kConnectTimeoutSeconds = 15;

std::atomic<bool> abortRequested{false};
std::atomic<std::int64_t> stallLimitMilliseconds{60'000};

using Clock = std::chrono::steady_clock;

// One per transfer, on the caller's stack while it runs.
struct TransferProgress {
  std::atomic<std::int64_t>* fileProgress = nullptr;
  std::atomic<std::int64_t>* runProgress = nullptr;
  std::int64_t base = 0;
  curl_off_t lastNow = 0;
  // A monotonic clock, so that setting the system clock neither fakes nor hides a stall.
  Clock::time_point lastProgressAt = Clock::now();
  std::chrono::milliseconds stallLimit{stallLimitMilliseconds.load()};
  bool abortedByFlag = false;
};

int onTransferInfo(void* record, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto& progress = *static_cast<TransferProgress*>(record);
  if (abortRequested.load()) {
    progress.abortedByFlag = true;
    return 1;
  }
  const Clock::time_point now = Clock::now();
  if (received > progress.lastNow) {
    progress.lastProgressAt = now;
  }
  if (now - progress.lastProgressAt > progress.stallLimit) {
    return 1;
  }
  const curl_off_t previous = progress.lastNow;
  progress.lastNow = received;
  if (progress.fileProgress != nullptr) {
    progress.fileProgress->store(progress.base + received);
  }
  if (progress.runProgress != nullptr && received > previous) {
    progress.runProgress->fetch_add(received - previous);
  }
  return 0;
}

size_t writeToFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

struct MemoryBody {
  std::string* text;
};

size_t appendToMemory(char* data, size_t size, size_t count, void* target) {
  std::string& text = *static_cast<MemoryBody*>(target)->text;
  const size_t bytes = size * count;
  // A host that never stops sending must not exhaust memory: returning short fails the
  // transfer like any write error.
  if (text.size() + bytes > static_cast<size_t>(kMaxMemoryDownloadBytes)) {
    return 0;
  }
  text.append(data, bytes);
  return bytes;
}

// The options both kinds of download share, in the order libcurl is given them.
void setCommonOptions(CURL* handle, const std::string& url, curl_write_callback write,
                      void* writeTarget, TransferProgress& progress) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, write);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, writeTarget);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onTransferInfo);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &progress);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
}

long responseCode(CURL* handle) {
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool downloadToMemory(const std::string& url, std::string& body) {
  body.clear();
  TransferHandleLease handle;
  if (handle.get() == nullptr) {
    return false;
  }
  TransferProgress progress;
  MemoryBody target{&body};
  setCommonOptions(handle.get(), url, appendToMemory, &target, progress);
  const CURLcode code = curl_easy_perform(handle.get());
  return code == CURLE_OK && responseCode(handle.get()) == 200;
}

DownloadResult downloadToFile(const std::string& url, const std::filesystem::path& destination,
                              std::atomic<std::int64_t>* fileProgress,
                              std::atomic<std::int64_t>* runProgress, std::int64_t resumeFrom) {
  TransferHandleLease handle;
  if (handle.get() == nullptr) {
    return DownloadResult::Failed;
  }
  createParentDirectories(destination);
  std::unique_ptr<std::FILE, FileCloser> file(
      std::fopen(destination.c_str(), resumeFrom > 0 ? "ab" : "wb"));
  if (!file) {
    return DownloadResult::CannotOpenFile;
  }

  TransferProgress progress;
  progress.fileProgress = fileProgress;
  progress.runProgress = runProgress;
  progress.base = resumeFrom;
  setCommonOptions(handle.get(), url, writeToFile, file.get(), progress);
  if (resumeFrom > 0) {
    curl_easy_setopt(handle.get(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeFrom));
  }
  const std::int64_t rateLimit = downloadRateLimit();
  if (rateLimit > 0) {
    curl_easy_setopt(handle.get(), CURLOPT_MAX_RECV_SPEED_LARGE,
                     static_cast<curl_off_t>(rateLimit));
  }

  const CURLcode code = curl_easy_perform(handle.get());
  const long status = responseCode(handle.get());
  // The last buffered block reaches the disk only here; if that fails the file is not whole.
  const bool closed = std::fclose(file.release()) == 0;

  if (code == CURLE_OK) {
    const bool complete = resumeFrom > 0 ? status == 206 : status == 200;
    return complete && closed ? DownloadResult::Ok : DownloadResult::Failed;
  }
  if (code == CURLE_ABORTED_BY_CALLBACK && progress.abortedByFlag) {
    return DownloadResult::Cancelled;
  }
  return DownloadResult::Failed;
}

bool createParentDirectories(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path();
  if (folder.empty()) {
    return true;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return !error;
}

bool setDownloadAbort(bool abort) {
  return abortRequested.exchange(abort);
}

bool downloadAbortRequested() {
  return abortRequested.load();
}

void setDownloadStallLimit(std::chrono::milliseconds limit) {
  stallLimitMilliseconds.store(limit.count());
}

std::chrono::milliseconds downloadStallLimit() {
  return std::chrono::milliseconds(stallLimitMilliseconds.load());
}

}  // namespace duskmere
