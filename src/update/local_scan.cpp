#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "config/folders.h"
#include "update/file_manifest.h"

namespace duskmere {
namespace {

// The one place where the scan opens a listed file.
std::ifstream openForVerification(const std::filesystem::path& path) {
  return std::ifstream(path, std::ios::binary);
}

std::string crcHex(std::ifstream& file, std::vector<char>& buffer) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // A read error ends the loop like the end of the file; the CRC then will not match.
  while (file) {
    file.read(buffer.data(), std::streamsize(buffer.size()));
    const auto count = file.gcount();
    if (count <= 0)
      break;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), uInt(count));
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08lX", crc & 0xFFFFFFFFul);
  return text;
}

void markForDownload(FileEntry& entry, ScanResult& result) {
  entry.needsDownload = true;
  result.needCount += 1;
  result.needBytes += entry.compressedSize;
}

}  // namespace

ScanResult scanLocalFiles(FileManifest& manifest, const std::filesystem::path& gameFolder,
                          RunProgress& progress) {
  ScanResult result;
  progress.filesDone.store(0);
  progress.filesTotal.store(std::int32_t(manifest.size()));
  std::vector<char> buffer(65536);
  for (std::size_t position = 0; position < manifest.size(); ++position) {
    if (progress.cancelRequested.load())
      break;
    auto& entry = manifest[position];
    entry.needsDownload = false;
    entry.failed = false;
    entry.errorText.clear();
    setCurrentItem(progress, entry.path);
    const auto local = localPathOf(gameFolder, entry.path);
    if (local.empty()) {
      // A path that would leave the game folder is never looked at (the list parser drops it).
    } else if (!fileExists(local)) {
      markForDownload(entry, result);
    } else if (auto file = openForVerification(local); !file.is_open()) {
      entry.failed = true;
      entry.errorText = "could not open for verification";
      result.lockedCount += 1;
    } else {
      file.seekg(0, std::ios::end);
      const std::int64_t length = file.tellg();
      file.seekg(0, std::ios::beg);
      // Only a file of the listed length is read; any other length differs anyway.
      if (length != entry.size || crcHex(file, buffer) != entry.crc)
        markForDownload(entry, result);
    }
    progress.filesDone.store(std::int32_t(position + 1));
  }
  return result;
}

}  // namespace duskmere
