#include "update/file_fetch.h"

#include <algorithm>
#include <system_error>

#include "update/download_transport.h"
#include "update/signed_document.h"

namespace duskmere {
namespace {

constexpr int kMaxPasses = 6;

const std::string kCouldNotWrite = "could not write file";
const std::string kDownloadFailed = "download failed";
const std::string kCouldNotOpen = "could not open for verification";
const std::string kVerificationFailed = "verification failed";
const std::string kDecompressionFailed = "decompression failed";

// Escapes every byte outside the unreserved set (and "/"), so that a file name with spaces or
// other such characters still makes a valid request; the host decodes it back.
std::string escapedUrlPath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char character : path) {
    const auto byte = static_cast<unsigned char>(character);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || character == '-' || character == '.' || character == '_' ||
        character == '~' || character == '/') {
      escaped += character;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

// Size of the package on disk, -1 when there is none (or it is not a file).
std::int64_t packageSize(const std::filesystem::path& package) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(package, error))
    return -1;
  const auto size = std::filesystem::file_size(package, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

void removePackage(const std::filesystem::path& package) {
  std::error_code error;
  std::filesystem::remove(package, error);
}

// Takes back bytes counted for a package that is being dropped or re-requested.
void takeBack(std::atomic<std::int64_t>& counter, std::int64_t bytes) {
  if (bytes <= 0)
    return;
  std::int64_t current = counter.load();
  while (!counter.compare_exchange_weak(current, std::max<std::int64_t>(0, current - bytes))) {
  }
}

enum class PackageState { Downloaded, Failed, Stopped };

struct FileFetch {
  UpdateEngine& engine;
  FetchResult& result;
  FileEntry& entry;
  const std::string url;
  const std::filesystem::path package;
  bool resumed = false;

  void fail(const std::string& text, bool localDisk) {
    entry.failed = true;
    entry.errorText = text;
    result.failedDownloads += 1;
    if (localDisk)
      result.failedWrites += 1;
  }

  // Brings the package to its listed size: at most six passes, resuming what is on disk.
  PackageState download() {
    RunProgress& progress = engine.progress();
    for (int pass = 0; pass < kMaxPasses; ++pass) {
      std::int64_t size = packageSize(package);
      if (size > entry.compressedSize) {
        // Longer than listed, e.g. after a range request was answered with the whole file.
        removePackage(package);
        size = -1;
      }
      if (size == entry.compressedSize)
        return PackageState::Downloaded;
      std::int64_t offset = 0;
      resumed = size > 0;
      if (resumed) {
        offset = size;
        progress.bytesDone += size;
      }
      switch (
          downloadToFile(url, package, &progress.currentFileBytes, &progress.bytesDone, offset)) {
        case DownloadResult::Ok:
          return PackageState::Downloaded;
        case DownloadResult::CannotOpenFile:
          fail(kCouldNotWrite, true);
          return PackageState::Failed;
        case DownloadResult::Failed:
          if (!resumed) {
            fail(kDownloadFailed, false);
            return PackageState::Failed;
          }
          // The earlier part may be stale or the host refused the range: start over from 0.
          takeBack(progress.bytesDone, std::max<std::int64_t>(0, packageSize(package)));
          removePackage(package);
          break;
        case DownloadResult::Cancelled:
          if (engine.cancelRequested())
            return PackageState::Stopped;
          // A pause, or one already lifted before this transfer noticed it: both wait (the
          // latter returns at once) and continue from the partial size.
          takeBack(progress.bytesDone, std::max<std::int64_t>(0, packageSize(package)));
          if (!engine.waitWhilePaused())
            return PackageState::Stopped;
          break;
      }
    }
    fail(kDownloadFailed, false);
    return PackageState::Failed;
  }

  // The package matches its listed digest; a mismatching one is removed.
  bool packageVerified(const std::string& digest) {
    if (entry.packageSha256.size() == 64 && digest == entry.packageSha256)
      return true;
    takeBack(engine.progress().bytesDone, std::max<std::int64_t>(0, packageSize(package)));
    removePackage(package);
    return false;
  }

  // False when the run was stopped.
  bool run(const std::filesystem::path& target) {
    switch (download()) {
      case PackageState::Stopped:
        return false;
      case PackageState::Failed:
        return true;
      case PackageState::Downloaded:
        break;
    }
    std::string digest = sha256FileHex(package);
    if (digest.size() != 64) {
      fail(kCouldNotOpen, true);
      return true;
    }
    if (!packageVerified(digest)) {
      if (!resumed) {
        fail(kVerificationFailed, false);
        return true;
      }
      // A resumed package may have a stale beginning: one fresh download from 0.
      switch (download()) {
        case PackageState::Stopped:
          return false;
        case PackageState::Failed:
          if (entry.errorText == kDownloadFailed)
            entry.errorText = kVerificationFailed;
          removePackage(package);
          return true;
        case PackageState::Downloaded:
          break;
      }
      digest = sha256FileHex(package);
      if (digest.size() != 64) {
        fail(kCouldNotOpen, true);
        return true;
      }
      if (!packageVerified(digest)) {
        fail(kVerificationFailed, false);
        return true;
      }
    }
    if (!inflateFile(package, target)) {
      // The verified package stays: the next run inflates it again without a request.
      fail(kDecompressionFailed, true);
      return true;
    }
    removePackage(package);
    engine.progress().filesDone += 1;
    return true;
  }
};

}  // namespace

std::string packageUrlOf(const std::string& listBaseUrl, const std::string& listPath) {
  return listBaseUrl + "/files/" + escapedUrlPath(downloadPathOf(listPath)) + ".gz";
}

std::filesystem::path packagePathOf(const std::filesystem::path& gameFolder,
                                    const std::string& listPath) {
  auto package = localPathOf(gameFolder, listPath);
  package += ".gz";
  return package;
}

FetchResult fetchFiles(UpdateEngine& engine, const std::string& listBaseUrl,
                       const std::filesystem::path& gameFolder, FileManifest& manifest,
                       std::int32_t needCount, std::int64_t needBytes) {
  RunProgress& progress = engine.progress();
  progress.carriedBytes += progress.bytesDone.exchange(0);
  progress.bytesTotal = needBytes;
  progress.filesDone = 0;
  progress.filesTotal = needCount;
  engine.postStatus(kStateDownloading, "", "");

  FetchResult result;
  for (FileEntry& entry : manifest) {
    if (engine.cancelRequested()) {
      result.finished = false;
      return result;
    }
    entry.failed = false;
    const auto target = localPathOf(gameFolder, entry.path);
    // The list parser already drops paths that leave the game folder; never write one.
    if (!entry.needsDownload || target.empty())
      continue;
    progress.currentFileBytes = 0;
    progress.currentFileSize = entry.compressedSize;
    setCurrentItem(progress, entry.path);
    FileFetch fetch{engine, result, entry, packageUrlOf(listBaseUrl, entry.path),
                    packagePathOf(gameFolder, entry.path)};
    if (!fetch.run(target)) {
      result.finished = false;
      return result;
    }
  }
  return result;
}

}  // namespace duskmere
