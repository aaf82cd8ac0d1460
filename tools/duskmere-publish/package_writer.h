// The compressed copies the update host serves: gzip streams with a fixed header (no name,
// modification time 0, fixed OS byte), so the same input always gives the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace duskmere::publishing {

// What the file list says about one published file.
struct PackagedFile {
  std::int64_t size = 0;            // of the file itself
  std::int64_t compressedSize = 0;  // of the package
  std::string crc;                  // CRC-32 of the file, eight upper-case hex digits
  std::string packageSha256;        // lowercase hex of the package
};

// Compresses `source` into `package` (creating its folders) in one streaming pass and
// describes both; false with a one-line `error` when either file cannot be used.
bool writeGzipPackage(const std::filesystem::path& source, const std::filesystem::path& package,
                      PackagedFile& described, std::string& error);

// The same gzip stream for bytes in memory.
std::string gzipBytes(const std::string& data);

}  // namespace duskmere::publishing
