#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "config/constants.h"
#include "duskmere-publish/publishing.h"
#include "support/temp_folder.h"
#include "update/file_manifest.h"
#include "update/version_manifest.h"

namespace duskmere {
namespace {

namespace fs = std::filesystem;

struct CommandRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a shell command with its output and error streams captured in files of `scratch`.
CommandRun run(const fs::path& scratch, const std::string& command) {
  const auto out = scratch / "command.out";
  const auto err = scratch / "command.err";
  const int status =
      std::system((command + " >'" + out.string() + "' 2>'" + err.string() + "'").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readFile(out), test::readFile(err)};
}

std::string shellQuoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

std::string tool() {
  return DUSKMERE_PUBLISH_TOOL;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream input(text);
  for (std::string line; std::getline(input, line);)
    lines.push_back(line);
  return lines;
}

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> pieces;
  std::istringstream input(line);
  for (std::string piece; std::getline(input, piece, separator);)
    pieces.push_back(piece);
  return pieces;
}

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(DUSKMERE_DEV_PRIVATE_KEY_FILE).empty())
      GTEST_SKIP() << "a release build has no development key";
    ASSERT_EQ(run(scratch.path(), "openssl pkey -in " + shellQuoted(key) + " -pubout -out " +
                                      shellQuoted(publicKey))
                  .exitCode,
              0);
    // A small game: nested folders, an empty file, a name with a space, and a file of several
    // 64 KiB blocks.
    test::writeFile(game / "Duskmere.exe", "MZ the game");
    test::writeFile(game / "data" / "maps" / "hollow crown.map", std::string(5000, 'm'));
    test::writeFile(game / "data" / "empty.pak", "");
    std::string large(300'000, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
      large[i] = char((i * 2654435761u) >> 13);
    test::writeFile(game / "data" / "large.bin", large);
    test::writeFile(game / "UserData" / "config.exe", "config");
  }

  std::string shell(const std::string& command) {
    const auto result = run(scratch.path(), command);
    EXPECT_EQ(result.exitCode, 0) << command << "\n" << result.err;
    return result.out;
  }
  void expectVerified(const fs::path& document) {
    auto signature = document;
    signature.replace_extension(".sig");
    EXPECT_EQ(shell("openssl dgst -sha256 -verify " + shellQuoted(publicKey) + " -signature " +
                    shellQuoted(signature) + " " + shellQuoted(document)),
              "Verified OK\n")
        << document;
  }
  CommandRun publish(const std::string& arguments) {
    return run(scratch.path(), shellQuoted(tool()) + " " + arguments);
  }
  std::string publishFiles(const fs::path& root, const std::string& extra = "") {
    const auto result =
        publish("files --key " + shellQuoted(key) + " --source " + shellQuoted(game) + " --out " +
                shellQuoted(root) + " --version 57 " + extra);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
  }

  test::TempFolder scratch;
  const fs::path key = DUSKMERE_DEV_PRIVATE_KEY_FILE;
  const fs::path publicKey = scratch / "public.pem";
  const fs::path game = scratch / "game";
  const fs::path root = scratch / "autopatcher";
};

TEST_F(PublishTest, FilesWritesASignedListOfGzipPackagesThatIndependentToolsConfirm) {
  const auto summary = publishFiles(root);
  EXPECT_NE(summary.find("5 files, 305017 bytes"), std::string::npos) << summary;

  const auto listFile = root / "57" / "checksums.txt";
  expectVerified(listFile);
  const auto lines = linesOf(test::readFile(listFile));
  std::vector<std::string> paths;
  for (const auto& line : lines) {
    const auto pieces = split(line, '\t');
    ASSERT_EQ(pieces.size(), 5u) << line;
    const auto& path = pieces[0];
    paths.push_back(path);
    const auto original = game / path;
    const auto package = root / "57" / "files" / (path + ".gz");
    EXPECT_EQ(std::stoll(pieces[1]), std::int64_t(fs::file_size(original))) << path;
    EXPECT_EQ(std::stoll(pieces[2]), std::int64_t(fs::file_size(package))) << path;
    // gzip checks the stored CRC with its own code while it inflates; -lv shows that CRC.
    EXPECT_EQ(shell("gzip -dc " + shellQuoted(package)), test::readFile(original)) << path;
    const auto listing = linesOf(shell("gzip -lv " + shellQuoted(package)));
    ASSERT_EQ(listing.size(), 2u);
    std::string crc = split(listing[1], ' ')[1];
    for (auto& c : crc)
      c = char(std::toupper(c));
    EXPECT_EQ(pieces[3], crc) << path;
    EXPECT_EQ(split(shell("sha256sum " + shellQuoted(package)), ' ')[0], pieces[4]) << path;
  }
  EXPECT_EQ(paths,
            (std::vector<std::string>{"Duskmere.exe", "UserData/config.exe", "data/empty.pak",
                                      "data/large.bin", "data/maps/hollow crown.map"}));

  // The launcher reads the list and finds the source folder current.
  auto manifest = parseFileManifest(test::readFile(listFile));
  ASSERT_EQ(manifest.size(), 5u);
  RunProgress progress;
  const auto scan = scanLocalFiles(manifest, game, progress);
  EXPECT_EQ(scan.needCount, 0);
  EXPECT_EQ(scan.lockedCount, 0);
}

TEST_F(PublishTest, TheSameInputGivesTheSameBytes) {
  const auto first = scratch / "first";
  const auto second = scratch / "second";
  publishFiles(first);
  // Another modification time must not matter either.
  fs::last_write_time(game / "Duskmere.exe",
                      fs::file_time_type::clock::now() - std::chrono::hours(50));
  publishFiles(second);
  EXPECT_EQ(shell("diff -r " + shellQuoted(first) + " " + shellQuoted(second) + " && echo same"),
            "same\n");
  // Fixed header: no name, modification time 0.
  const auto package = test::readFile(first / "57" / "files" / "Duskmere.exe.gz");
  ASSERT_GE(package.size(), 10u);
  EXPECT_EQ(package.substr(0, 8), std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00", 8));
}

TEST_F(PublishTest, BaseGoesUnderTheBaseFolder) {
  publishFiles(root, "--base");
  expectVerified(root / "base" / "57" / "checksums.txt");
  EXPECT_TRUE(fs::is_regular_file(root / "base" / "57" / "files" / "data" / "large.bin.gz"));
  EXPECT_FALSE(fs::exists(root / "57"));
}

TEST_F(PublishTest, LatestWritesTheVersionRecordForBothLaunchers) {
  const auto linuxLauncher = scratch / "DuskmereAutopatcher";
  const auto windowsLauncher = scratch / "DuskmereAutopatcher.exe";
  test::writeFile(linuxLauncher, "linux launcher build 213");
  test::writeFile(windowsLauncher, "windows launcher build 214");
  const auto result =
      publish("latest --key " + shellQuoted(key) + " --out " + shellQuoted(root) +
              " --game-version 57 --base-version 50 --launcher " + shellQuoted(linuxLauncher) +
              " --launcher-version 213 --windows-launcher " + shellQuoted(windowsLauncher) +
              " --windows-launcher-version 214");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto record = root / "latest.txt";
  expectVerified(record);
  const auto digest = [&](const fs::path& file) {
    return split(shell("sha256sum " + shellQuoted(file)), ' ')[0];
  };
  EXPECT_EQ(test::readFile(record),
            "game_version=57\nbase_version=50\nlauncher_version=214\n"
            "launcher_checksum=" +
                digest(windowsLauncher) +
                "\nlauncher_size=26\nlauncher_version_linux=213\n"
                "launcher_checksum_linux=" +
                digest(linuxLauncher) + "\nlauncher_size_linux=24\n");
  EXPECT_EQ(test::readFile(root / "latest_ostrel_linux"), test::readFile(linuxLauncher));
  EXPECT_EQ(test::readFile(root / "latest_ostrel.exe"), test::readFile(windowsLauncher));

  VersionManifest manifest;
  ASSERT_TRUE(parseVersionManifest(test::readFile(record), manifest));
  EXPECT_EQ(manifest.gameVersion, 57);
  EXPECT_EQ(manifest.baseVersion, 50);
  EXPECT_EQ(manifest.launcherVersion, 213);
  EXPECT_EQ(manifest.launcherChecksum, digest(linuxLauncher));
  EXPECT_EQ(manifest.launcherSize, 24);
}

TEST_F(PublishTest, NewsIsPublishedByteForByte) {
  const std::string text = "Hollow Crown season\r\nline 2\nline 3\nhttps://example.test/a\n";
  test::writeFile(scratch / "news-in.txt", text);
  const auto result = publish("news --key " + shellQuoted(key) + " --out " + shellQuoted(root) +
                              " --text " + shellQuoted(scratch / "news-in.txt"));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(test::readFile(root / "news.txt"), text);
  expectVerified(root / "news.txt");
}

TEST_F(PublishTest, ProblemsGiveOneLineAndANonZeroExitAndWriteNothing) {
  test::writeFile(scratch / "not-a-key.pem", "just text\n");
  test::writeFile(scratch / "bad-names" / "tab\tname", "x");
  const auto source =
      " --source " + shellQuoted(game) + " --out " + shellQuoted(root) + " --version 57";
  const std::pair<const char*, std::string> cases[] = {
      {"missing key", "files --key " + shellQuoted(scratch / "none.pem") + source},
      {"not a key", "files --key " + shellQuoted(scratch / "not-a-key.pem") + source},
      {"missing folder", "files --key " + shellQuoted(key) + " --source " +
                             shellQuoted(scratch / "none") + " --out " + shellQuoted(root) +
                             " --version 57"},
      {"a name the list cannot hold", "files --key " + shellQuoted(key) + " --source " +
                                          shellQuoted(scratch / "bad-names") + " --out " +
                                          shellQuoted(root) + " --version 57"},
      {"output inside the source", "files --key " + shellQuoted(key) + " --source " +
                                       shellQuoted(game) + " --out " + shellQuoted(game / "out") +
                                       " --version 57"},
      {"version 0", "files --key " + shellQuoted(key) + " --source " + shellQuoted(game) +
                        " --out " + shellQuoted(root) + " --version 0"},
      {"version not a number", "files --key " + shellQuoted(key) + source + "x"},
      {"missing launcher", "latest --key " + shellQuoted(key) + " --out " + shellQuoted(root) +
                               " --game-version 57 --launcher " + shellQuoted(scratch / "none") +
                               " --launcher-version 213"},
      {"missing news", "news --key " + shellQuoted(key) + " --out " + shellQuoted(root) +
                           " --text " + shellQuoted(scratch / "none.txt")},
      {"unknown option", "files --key " + shellQuoted(key) + source + " --verbose"},
      {"unknown command", "publish"},
      {"no command", ""},
  };
  for (const auto& [what, arguments] : cases) {
    const auto result = publish(arguments);
    EXPECT_NE(result.exitCode, 0) << what;
    EXPECT_EQ(result.out, "") << what;
    EXPECT_EQ(linesOf(result.err).size(), 1u) << what << ": " << result.err;
    EXPECT_EQ(result.err.rfind("duskmere-publish: ", 0), 0u) << what << ": " << result.err;
    EXPECT_FALSE(fs::exists(root / "57" / "checksums.txt") || fs::exists(root / "latest.txt") ||
                 fs::exists(root / "news.txt") || fs::exists(game / "out"))
        << what;
  }
}

TEST_F(PublishTest, HelpExplainsEveryOption) {
  const auto result = publish("--help");
  EXPECT_EQ(result.exitCode, 0);
  for (const char* option :
       {"files", "latest", "news", "--key", "--source", "--out", "--version", "--base",
        "--game-version", "--base-version", "--launcher", "--launcher-version",
        "--windows-launcher", "--windows-launcher-version", "--text", "--help"})
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace duskmere
