#include "duskmere-publish/publishing.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>
#include <vector>

#include "config/constants.h"
#include "update/file_manifest.h"
#include "update/signed_document.h"

namespace duskmere::publishing {
namespace {

// The launcher reads every number of the update host's documents as a signed 32-bit value.
constexpr std::int64_t kLargestListedSize = std::numeric_limits<std::int32_t>::max();

PublishResult failure(std::string error) {
  PublishResult result;
  result.error = std::move(error);
  return result;
}

// ROOT + a constant that carries its own leading "/".
std::filesystem::path underRoot(const std::filesystem::path& root, const std::string& name) {
  return root / name.substr(name.front() == '/' ? 1 : 0);
}

bool isInside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  std::error_code ignored;
  const auto innerPath = std::filesystem::weakly_canonical(inner, ignored);
  const auto outerPath = std::filesystem::weakly_canonical(outer, ignored);
  auto innerPart = innerPath.begin();
  for (const auto& outerPart : outerPath) {
    if (innerPart == innerPath.end() || *innerPart != outerPart)
      return false;
    ++innerPart;
  }
  return true;
}

// What goes wrong with a relative path in a file list, or "" when it can be listed.
std::string listPathProblem(const std::string& listPath) {
  if (listPath.find_first_of("\t\r\n\\") != std::string::npos)
    return "its name holds a tab, a line break or a backslash";
  if (!isSafeListPath(listPath))
    return "its path would not stay inside the game folder";
  return "";
}

struct SourceFile {
  std::string listPath;
  std::filesystem::path path;
};

bool collectSourceFiles(const std::filesystem::path& source, std::vector<SourceFile>& files,
                        std::string& error) {
  std::error_code status;
  std::filesystem::recursive_directory_iterator walk(source, status);
  const std::filesystem::recursive_directory_iterator end;
  for (; !status && walk != end; walk.increment(status)) {
    std::error_code kind;
    if (!walk->is_regular_file(kind))
      continue;
    const auto relative = walk->path().lexically_relative(source).generic_string();
    if (const auto problem = listPathProblem(relative); !problem.empty()) {
      error = "cannot publish " + walk->path().string() + ": " + problem;
      return false;
    }
    files.push_back({relative, walk->path()});
  }
  if (status) {
    error = "cannot read folder " + source.string() + ": " + status.message();
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile& a, const SourceFile& b) { return a.listPath < b.listPath; });
  return true;
}

bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string& error) {
  std::error_code status;
  if (to.has_parent_path())
    std::filesystem::create_directories(to.parent_path(), status);
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, status);
  if (status) {
    error = "cannot copy " + from.string() + " to " + to.string() + ": " + status.message();
    return false;
  }
  return true;
}

// The digest and size of a launcher file for the record.
bool describeLauncher(const std::filesystem::path& file, std::string& checksum, std::int64_t& size,
                      std::string& error) {
  std::error_code status;
  if (!std::filesystem::is_regular_file(file, status)) {
    error = "launcher file " + file.string() + " does not exist or is not a file";
    return false;
  }
  size = std::int64_t(std::filesystem::file_size(file, status));
  checksum = sha256FileHex(file);
  if (status || checksum.empty()) {
    error = "cannot read launcher file " + file.string();
    return false;
  }
  if (size > kLargestListedSize) {
    error = "launcher file " + file.string() + " is larger than 2147483647 bytes";
    return false;
  }
  return true;
}

bool appendLauncherKeys(std::ostringstream& record, const std::string& suffix,
                        const std::filesystem::path& file, std::int32_t version,
                        const std::string& option, std::string& error) {
  std::string checksum;
  std::int64_t size = 0;
  if (!file.empty()) {
    if (version < 1) {
      error = option + " needs a launcher version of 1 or more";
      return false;
    }
    if (!describeLauncher(file, checksum, size, error))
      return false;
  }
  record << "launcher_version" << suffix << '=' << version << '\n'
         << "launcher_checksum" << suffix << '=' << checksum << '\n'
         << "launcher_size" << suffix << '=' << size << '\n';
  return true;
}

std::string keyProblem(const std::filesystem::path& keyFile, std::string& pem) {
  std::string error;
  return readPrivateKeyFile(keyFile, pem, error) ? "" : error;
}

}  // namespace

std::filesystem::path listFolderOf(const std::filesystem::path& root, std::int32_t version,
                                   bool base) {
  const auto folder = base ? underRoot(root, kBasePath) : root;
  return folder / std::to_string(version);
}

std::string checksumsLine(const std::string& listPath, const PackagedFile& file) {
  return listPath + '\t' + std::to_string(file.size) + '\t' + std::to_string(file.compressedSize) +
         '\t' + file.crc + '\t' + file.packageSha256 + '\n';
}

bool versionRecordText(const LatestOptions& options, std::string& text, std::string& error) {
  if (options.gameVersion < 1) {
    error = "the game version must be 1 or more";
    return false;
  }
  if (options.baseVersion < 0 || options.launcherVersion < 0 ||
      options.windowsLauncherVersion < 0) {
    error = "versions cannot be negative";
    return false;
  }
  std::ostringstream record;
  record << "game_version=" << options.gameVersion << '\n'
         << "base_version=" << options.baseVersion << '\n';
  if (!appendLauncherKeys(record, "", options.windowsLauncherFile, options.windowsLauncherVersion,
                          "--windows-launcher", error) ||
      !appendLauncherKeys(record, "_linux", options.launcherFile, options.launcherVersion,
                          "--launcher", error))
    return false;
  text = record.str();
  return true;
}

PublishResult publishFiles(const FilesOptions& options) {
  if (options.version < 1)
    return failure("the version must be 1 or more");
  std::string pem;
  if (auto problem = keyProblem(options.keyFile, pem); !problem.empty())
    return failure(problem);
  std::error_code status;
  if (!std::filesystem::is_directory(options.source, status))
    return failure("source folder " + options.source.string() +
                   " does not exist or is not a folder");
  if (isInside(options.root, options.source))
    return failure("the output folder " + options.root.string() +
                   " lies inside the source folder " + options.source.string());
  std::vector<SourceFile> files;
  std::string error;
  if (!collectSourceFiles(options.source, files, error))
    return failure(error);
  if (files.empty())
    return failure("no files to publish in " + options.source.string());

  const auto folder = listFolderOf(options.root, options.version, options.base);
  PublishResult result;
  std::string list;
  for (const auto& file : files) {
    std::error_code sizeStatus;
    if (std::int64_t(std::filesystem::file_size(file.path, sizeStatus)) > kLargestListedSize &&
        !sizeStatus)
      return failure("cannot publish " + file.path.string() +
                     ": it is larger than 2147483647 bytes");
    PackagedFile described;
    const auto package = folder / "files" / (file.listPath + ".gz");
    if (!writeGzipPackage(file.path, package, described, error))
      return failure(error);
    if (described.size > kLargestListedSize || described.compressedSize > kLargestListedSize)
      return failure("cannot publish " + file.path.string() +
                     ": it or its package is larger than 2147483647 bytes");
    list += checksumsLine(file.listPath, described);
    result.files += 1;
    result.bytes += described.size;
    result.compressedBytes += described.compressedSize;
  }
  if (!writeSignedDocument(pem, underRoot(folder, kChecksumsFile), list, error))
    return failure(error);
  result.ok = true;
  return result;
}

PublishResult publishLatest(const LatestOptions& options) {
  std::string pem;
  if (auto problem = keyProblem(options.keyFile, pem); !problem.empty())
    return failure(problem);
  std::string text;
  std::string error;
  if (!versionRecordText(options, text, error))
    return failure(error);
  // The launchers are in place before the record that names them.
  PublishResult result;
  const std::pair<std::filesystem::path, std::filesystem::path> launchers[] = {
      {options.launcherFile, underRoot(options.root, kLauncherDownloadFile)},
      {options.windowsLauncherFile, underRoot(options.root, "/latest_ostrel.exe")},
  };
  for (const auto& [from, to] : launchers) {
    if (from.empty())
      continue;
    if (!copyFile(from, to, error))
      return failure(error);
    std::error_code ignored;
    result.files += 1;
    result.bytes += std::int64_t(std::filesystem::file_size(to, ignored));
  }
  if (!writeSignedDocument(pem, underRoot(options.root, kLatestFile), text, error))
    return failure(error);
  result.ok = true;
  return result;
}

PublishResult publishNews(const NewsOptions& options) {
  std::string pem;
  if (auto problem = keyProblem(options.keyFile, pem); !problem.empty())
    return failure(problem);
  std::error_code status;
  if (!std::filesystem::is_regular_file(options.textFile, status))
    return failure("news file " + options.textFile.string() + " does not exist or is not a file");
  std::ifstream file(options.textFile, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file.is_open() || file.bad())
    return failure("cannot read news file " + options.textFile.string());
  // The launcher treats an empty document as missing.
  if (text.str().empty())
    return failure("news file " + options.textFile.string() + " is empty");
  std::string error;
  if (!writeSignedDocument(pem, underRoot(options.root, kNewsFile), text.str(), error))
    return failure(error);
  PublishResult result;
  result.ok = true;
  result.files = 1;
  result.bytes = std::int64_t(text.str().size());
  return result;
}

}  // namespace duskmere::publishing
