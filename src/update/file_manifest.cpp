#include "update/file_manifest.h"

#include <string_view>

#include "config/constants.h"
#include "update/number_text.h"
#include "update/signed_document.h"

namespace duskmere {
namespace {

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

// The components of a list path between separators, empty ones left out.
std::vector<std::string_view> componentsOf(std::string_view path) {
  std::vector<std::string_view> components;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || isSeparator(path[i])) {
      if (i > start)
        components.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return components;
}

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string upperCase(std::string text) {
  for (auto& c : text) {
    if (c >= 'a' && c <= 'z')
      c = char(c - 'a' + 'A');
  }
  return text;
}

// The tab-separated pieces of a line; two tabs in a row are one separator.
std::vector<std::string_view> piecesOf(std::string_view line) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == '\t') {
      if (i > start)
        pieces.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  return pieces;
}

}  // namespace

bool isSafeListPath(const std::string& listPath) {
  if (listPath.empty() || isSeparator(listPath.front()))
    return false;
  if (listPath.find('\0') != std::string::npos)
    return false;
  if (listPath.size() >= 2 && isAsciiLetter(listPath[0]) && listPath[1] == ':')
    return false;
  bool namesSomething = false;
  for (const auto component : componentsOf(listPath)) {
    if (component == "..")
      return false;
    if (component != ".")
      namesSomething = true;
  }
  return namesSomething;
}

std::filesystem::path localPathOf(const std::filesystem::path& gameFolder,
                                  const std::string& listPath) {
  if (!isSafeListPath(listPath))
    return {};
  std::filesystem::path local = gameFolder;
  for (const auto component : componentsOf(listPath)) {
    if (component != ".")
      local /= std::string(component);
  }
  return local;
}

std::string downloadPathOf(const std::string& listPath) {
  std::string path = listPath;
  for (auto& c : path) {
    if (c == '\\')
      c = '/';
  }
  return path;
}

FileManifest parseFileManifest(const std::string& text) {
  FileManifest manifest;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    // A carriage return before the line feed stays in the line; at the end of the digest the
    // 64-character cut removes it.
    const std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (line.empty() || line == "\r")
      continue;
    const auto pieces = piecesOf(line);
    if (pieces.size() < 5)
      continue;
    FileEntry entry;
    entry.path = std::string(pieces[0]);
    // A path that would leave the game folder is dropped like a malformed line.
    if (!isSafeListPath(entry.path))
      continue;
    entry.size = parseDocumentNumber(pieces[1]);
    entry.compressedSize = parseDocumentNumber(pieces[2]);
    entry.crc = upperCase(std::string(pieces[3]));
    entry.packageSha256 = std::string(pieces[4].substr(0, 64));
    manifest.push_back(std::move(entry));
  }
  return manifest;
}

FileManifest fetchFileManifest(const std::string& listBaseUrl, RunProgress& progress) {
  std::string text;
  if (!fetchSignedDocument(listBaseUrl + kChecksumsFile, listBaseUrl + kChecksumsSig, text))
    return {};
  auto manifest = parseFileManifest(text);
  std::int64_t total = 0;
  for (const auto& entry : manifest)
    total += entry.size;
  progress.bytesTotal.store(total);
  return manifest;
}

}  // namespace duskmere
