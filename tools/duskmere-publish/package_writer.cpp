#include "duskmere-publish/package_writer.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

namespace duskmere::publishing {
namespace {

constexpr std::size_t kChunk = 65536;
// "Unknown" operating system, so that the bytes do not depend on where the package was made.
constexpr int kGzipOsByte = 255;

struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

// A deflate stream that writes a gzip wrapper with a fixed header and hands every compressed
// block to `sink`.
class GzipStream {
 public:
  explicit GzipStream(std::function<bool(const unsigned char*, std::size_t)> sink)
      : sink_(std::move(sink)) {
    ready_ = deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9,
                          Z_DEFAULT_STRATEGY) == Z_OK;
    if (ready_) {
      header_.os = kGzipOsByte;  // text 0, time 0, no extra field, name or comment
      ready_ = deflateSetHeader(&stream_, &header_) == Z_OK;
    }
  }
  ~GzipStream() { deflateEnd(&stream_); }
  GzipStream(const GzipStream&) = delete;
  GzipStream& operator=(const GzipStream&) = delete;

  bool ready() const { return ready_; }
  bool write(const char* data, std::size_t size) { return run(data, size, Z_NO_FLUSH); }
  bool finish() { return run(nullptr, 0, Z_FINISH); }

 private:
  bool run(const char* data, std::size_t size, int flush) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream_.avail_in = uInt(size);
    std::array<unsigned char, kChunk> out{};
    int result = Z_OK;
    do {
      stream_.next_out = out.data();
      stream_.avail_out = uInt(out.size());
      result = deflate(&stream_, flush);
      if (result == Z_STREAM_ERROR)
        return false;
      const std::size_t produced = out.size() - stream_.avail_out;
      if (produced > 0 && !sink_(out.data(), produced))
        return false;
    } while (stream_.avail_out == 0);
    // With Z_FINISH, room left over means the stream has ended.
    return flush != Z_FINISH || result == Z_STREAM_END;
  }

  std::function<bool(const unsigned char*, std::size_t)> sink_;
  z_stream stream_{};
  gz_header header_{};
  bool ready_ = false;
};

}  // namespace

bool writeGzipPackage(const std::filesystem::path& source, const std::filesystem::path& package,
                      PackagedFile& described, std::string& error) {
  described = PackagedFile{};
  std::ifstream in(source, std::ios::binary);
  if (!in.is_open()) {
    error = "cannot read " + source.string();
    return false;
  }
  std::error_code ignored;
  if (package.has_parent_path())
    std::filesystem::create_directories(package.parent_path(), ignored);
  std::ofstream out(package, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    error = "cannot write " + package.string();
    return false;
  }
  const DigestContext digest(EVP_MD_CTX_new());
  if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
    error = "cannot start a SHA-256 digest";
    return false;
  }
  GzipStream gzip([&](const unsigned char* data, std::size_t size) {
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    described.compressedSize += std::int64_t(size);
    return bool(out) && EVP_DigestUpdate(digest.get(), data, size) == 1;
  });
  if (!gzip.ready()) {
    error = "cannot start a gzip stream";
    return false;
  }
  uLong crc = crc32(0L, Z_NULL, 0);
  std::vector<char> buffer(kChunk);
  while (in) {
    in.read(buffer.data(), std::streamsize(buffer.size()));
    const auto count = std::size_t(in.gcount());
    if (count == 0)
      break;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), uInt(count));
    described.size += std::int64_t(count);
    if (!gzip.write(buffer.data(), count)) {
      error = "cannot write " + package.string();
      return false;
    }
  }
  if (in.bad()) {
    error = "cannot read " + source.string();
    return false;
  }
  if (!gzip.finish()) {
    error = "cannot write " + package.string();
    return false;
  }
  out.close();
  if (!out) {
    error = "cannot write " + package.string();
    return false;
  }
  std::array<unsigned char, EVP_MAX_MD_SIZE> sum{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(digest.get(), sum.data(), &length) != 1) {
    error = "cannot finish a SHA-256 digest";
    return false;
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08lX", crc & 0xFFFFFFFFul);
  described.crc = text;
  for (unsigned int i = 0; i < length; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", sum[i]);
    described.packageSha256 += pair;
  }
  return true;
}

std::string gzipBytes(const std::string& data) {
  std::string compressed;
  GzipStream gzip([&](const unsigned char* block, std::size_t size) {
    compressed.append(reinterpret_cast<const char*>(block), size);
    return true;
  });
  for (std::size_t offset = 0; gzip.ready() && offset < data.size(); offset += kChunk) {
    const auto size = std::min(kChunk, data.size() - offset);
    if (!gzip.write(data.data() + offset, size))
      return "";
  }
  if (!gzip.ready() || !gzip.finish())
    return "";
  return compressed;
}

}  // namespace duskmere::publishing
