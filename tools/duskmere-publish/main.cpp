// duskmere-publish: the operator's tool that signs the update host's documents and writes the
// tree the launcher reads.
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "duskmere-publish/publishing.h"

namespace {

using duskmere::publishing::PublishResult;

constexpr char kUsage[] = R"(usage:
  duskmere-publish files  --key KEY.pem --source GAME_DIR --out ROOT --version N [--base]
  duskmere-publish latest --key KEY.pem --out ROOT --game-version N [--base-version N]
                          [--launcher FILE --launcher-version N]
                          [--windows-launcher FILE --windows-launcher-version N]
  duskmere-publish news   --key KEY.pem --out ROOT --text NEWS.txt

Writes the update-host tree under ROOT, the folder the server serves as "/autopatcher".
Every document is signed with the RSA private key KEY.pem (PEM, unencrypted).

files   Publishes every file below GAME_DIR as version N: ROOT/N/checksums.txt and
        checksums.sig, and a gzip copy of each file as ROOT/N/files/<path>.gz.
          --source GAME_DIR  the game build folder
          --version N        the game version these files make up (1 or more)
          --base             publish under ROOT/base/N instead: the base package that a
                             first install starts from
latest  Writes the version record ROOT/latest.txt and latest.sig.
          --game-version N   the latest game version (1 or more)
          --base-version N   the base package a first install starts from (default 0: none)
          --launcher FILE    the Linux launcher; copied to ROOT/latest_ostrel_linux, its
                             SHA-256 and size go into the record's "_linux" launcher keys
          --launcher-version N
                             the Linux launcher's build number (default 0)
          --windows-launcher FILE, --windows-launcher-version N
                             the same for the Windows launcher (ROOT/latest_ostrel.exe and the
                             launcher keys without suffix)
news    Publishes the text file NEWS.txt byte for byte as ROOT/news.txt with news.sig.
          --text NEWS.txt    the news text

Common options:
  --key KEY.pem  the signing key
  --out ROOT     the update host's root folder (created when missing)
  --help         shows this text
)";

// Options that take no value.
bool isFlag(const std::string& name) {
  return name == "--base" || name == "--help";
}

struct Arguments {
  std::string command;
  std::map<std::string, std::string> values;
};

int usageError(const std::string& message) {
  std::cerr << "duskmere-publish: " << message << " (see --help)\n";
  return 2;
}

std::optional<std::int32_t> parseVersion(const std::string& text) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const auto value = std::stoll(text);
  if (value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return std::int32_t(value);
}

int report(const PublishResult& result, const std::string& what) {
  if (!result.ok) {
    std::cerr << "duskmere-publish: " << result.error << '\n';
    return 1;
  }
  std::cout << what << ": " << result.files << " files, " << result.bytes << " bytes";
  if (result.compressedBytes > 0)
    std::cout << ", " << result.compressedBytes << " compressed bytes";
  std::cout << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  for (const auto& word : words) {
    if (word == "--help" || word == "-h") {
      std::cout << kUsage;
      return 0;
    }
  }
  if (words.empty())
    return usageError("a command is needed: files, latest or news");
  Arguments arguments;
  arguments.command = words[0];
  const std::map<std::string, std::vector<std::string>> allowed = {
      {"files", {"--key", "--source", "--out", "--version", "--base"}},
      {"latest",
       {"--key", "--out", "--game-version", "--base-version", "--launcher", "--launcher-version",
        "--windows-launcher", "--windows-launcher-version"}},
      {"news", {"--key", "--out", "--text"}},
  };
  const auto options = allowed.find(arguments.command);
  if (options == allowed.end())
    return usageError("unknown command '" + arguments.command + "'");
  for (std::size_t i = 1; i < words.size(); ++i) {
    const auto& name = words[i];
    if (std::find(options->second.begin(), options->second.end(), name) == options->second.end())
      return usageError("unknown option '" + name + "' for " + arguments.command);
    if (isFlag(name)) {
      arguments.values[name] = "";
      continue;
    }
    if (i + 1 >= words.size())
      return usageError("option " + name + " needs a value");
    arguments.values[name] = words[++i];
  }
  const auto has = [&](const std::string& name) { return arguments.values.count(name) > 0; };
  for (const std::string required : {"--key", "--out"}) {
    if (!has(required))
      return usageError("option " + required + " is required");
  }
  std::map<std::string, std::int32_t> numbers;
  for (const std::string name : {"--version", "--game-version", "--base-version",
                                 "--launcher-version", "--windows-launcher-version"}) {
    if (!has(name))
      continue;
    const auto number = parseVersion(arguments.values[name]);
    if (!number)
      return usageError("option " + name + " needs a whole number from 0 to 2147483647");
    numbers[name] = *number;
  }
  const std::filesystem::path key = arguments.values["--key"];
  const std::filesystem::path root = arguments.values["--out"];

  if (arguments.command == "files") {
    if (!has("--source") || !has("--version"))
      return usageError("files needs --source and --version");
    duskmere::publishing::FilesOptions files;
    files.keyFile = key;
    files.root = root;
    files.source = arguments.values["--source"];
    files.version = numbers["--version"];
    files.base = has("--base");
    const auto where = duskmere::publishing::listFolderOf(root, files.version, files.base);
    return report(duskmere::publishing::publishFiles(files), "published " + where.string());
  }
  if (arguments.command == "latest") {
    if (!has("--game-version"))
      return usageError("latest needs --game-version");
    if (has("--launcher") && !has("--launcher-version"))
      return usageError("--launcher needs --launcher-version");
    if (has("--windows-launcher") && !has("--windows-launcher-version"))
      return usageError("--windows-launcher needs --windows-launcher-version");
    duskmere::publishing::LatestOptions latest;
    latest.keyFile = key;
    latest.root = root;
    latest.gameVersion = numbers["--game-version"];
    latest.baseVersion = numbers["--base-version"];
    latest.launcherFile = arguments.values["--launcher"];
    latest.launcherVersion = numbers["--launcher-version"];
    latest.windowsLauncherFile = arguments.values["--windows-launcher"];
    latest.windowsLauncherVersion = numbers["--windows-launcher-version"];
    return report(duskmere::publishing::publishLatest(latest),
                  "published " + (root / "latest.txt").string());
  }
  if (!has("--text"))
    return usageError("news needs --text");
  duskmere::publishing::NewsOptions news;
  news.keyFile = key;
  news.root = root;
  news.textFile = arguments.values["--text"];
  return report(duskmere::publishing::publishNews(news),
                "published " + (root / "news.txt").string());
}
