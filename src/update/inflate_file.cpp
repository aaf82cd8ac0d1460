#include "update/inflate_file.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

namespace duskmere {
namespace {

struct GzipCloser {
  void operator()(gzFile file) const { gzclose_r(file); }
};
using GzipReader = std::unique_ptr<gzFile_s, GzipCloser>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileWriter = std::unique_ptr<std::FILE, FileCloser>;

constexpr unsigned kBlockBytes = 65536;

// Streams the whole package into `output`; false on a corrupt or truncated stream or a short
// write.
bool inflateInto(gzFile input, std::FILE* output) {
  std::vector<char> block(kBlockBytes);
  for (;;) {
    const int count = gzread(input, block.data(), kBlockBytes);
    if (count < 0)
      return false;
    if (count == 0)
      break;
    if (std::fwrite(block.data(), 1, static_cast<std::size_t>(count), output) !=
        static_cast<std::size_t>(count))
      return false;
  }
  // A stream cut short ends like a clean one but leaves an error behind.
  int error = Z_OK;
  gzerror(input, &error);
  return error == Z_OK;
}

}  // namespace

bool inflateFile(const std::filesystem::path& package, const std::filesystem::path& target) {
  GzipReader input(gzopen(package.c_str(), "rb"));
  if (!input)
    return false;
  auto partial = target;
  partial += ".inflating";
  FileWriter output(std::fopen(partial.c_str(), "wb"));
  if (!output)
    return false;

  bool written = inflateInto(input.get(), output.get());
  // Closing flushes the last block: a full disk may only show here.
  written = std::fclose(output.release()) == 0 && written;
  written = gzclose_r(input.release()) == Z_OK && written;

  std::error_code error;
  if (written)
    std::filesystem::rename(partial, target, error);
  if (!written || error) {
    std::filesystem::remove(partial, error);
    return false;
  }
  return true;
}

}  // namespace duskmere
