#include "update/file_manifest.h"

#include <gtest/gtest.h>

#include "config/constants.h"
#include "support/http_server.h"
#include "support/temp_folder.h"
#include "update/support/documents_keys.h"

namespace duskmere {
namespace {

const std::string kDigest = "5f3c0d1e9a8b7c6d5e4f3a2b1c0d9e8f7a6b5c4d3e2f1a0b9c8d7e6f5a4b3c2d";

std::string line(const std::string& path, const std::string& rest = "10\t5\tABCDEF01\t" + kDigest) {
  return path + "\t" + rest + "\n";
}

std::vector<std::string> pathsOf(const FileManifest& manifest) {
  std::vector<std::string> paths;
  for (const auto& entry : manifest)
    paths.push_back(entry.path);
  return paths;
}

TEST(ParseFileManifest, ReadsTheFivePiecesOfEachWellFormedLine) {
  const std::string text = "data\\items.pak\t1048576\t402112\t0a1b2c3d\t" + kDigest + "\r\n" +
                           "\n\r\n" + "a.txt\t10\t\t5\tABCDEF01\t" + kDigest + "\n" +
                           "four\t1\t2\tABCDEF01\n" + "\tlead.txt\t1\t2\tABCDEF01\t" + kDigest +
                           "\textra\tpieces\t\n" + "big.bin\t3000000000\tlots\tABCDEF01\t" +
                           kDigest + "tail" + "\n" + "short.bin\t1\t1\tABCDEF01\tabc\r";
  const auto manifest = parseFileManifest(text);
  ASSERT_EQ(pathsOf(manifest), (std::vector<std::string>{"data\\items.pak", "a.txt", "lead.txt",
                                                         "big.bin", "short.bin"}));
  struct Expected {
    std::int64_t size, compressedSize;
    std::string crc, packageSha256;
  };
  const Expected expected[] = {
      {1048576, 402112, "0A1B2C3D", kDigest},  // upper-cased CRC, carriage return cut off
      {10, 5, "ABCDEF01", kDigest},            // the double tab is one separator
      {1, 2, "ABCDEF01", kDigest},             // leading tab and extra pieces add nothing
      {0, 0, "ABCDEF01", kDigest},             // sizes beyond 32 bits or not numbers read as 0
      {1, 1, "ABCDEF01", "abc\r"},             // a short digest keeps what there is
  };
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    const auto& entry = manifest[i];
    EXPECT_EQ(entry.size, expected[i].size) << entry.path;
    EXPECT_EQ(entry.compressedSize, expected[i].compressedSize) << entry.path;
    EXPECT_EQ(entry.crc, expected[i].crc) << entry.path;
    EXPECT_EQ(entry.packageSha256, expected[i].packageSha256) << entry.path;
    EXPECT_FALSE(entry.needsDownload || entry.failed || !entry.errorText.empty()) << entry.path;
  }
}

TEST(ParseFileManifest, DropsPathsThatWouldLeaveTheGameFolder) {
  const char* unsafe[] = {
      "../outside.txt",
      "data/../../outside.txt",
      "data\\..\\..\\outside.txt",
      "..",
      "/etc/passwd",
      "\\windows\\system.ini",
      "\\\\server\\share\\x",
      "C:\\x.txt",
      "c:x.txt",
      ".",
      "./",
      "a/..",
  };
  std::string text = line("first.txt");
  for (const char* path : unsafe)
    text += line(path);
  text += line("data/./last.txt");
  EXPECT_EQ(pathsOf(parseFileManifest(text)),
            (std::vector<std::string>{"first.txt", "data/./last.txt"}));
  EXPECT_FALSE(isSafeListPath(std::string("a\0b", 3)));
  EXPECT_TRUE(isSafeListPath("..data/x..y"));
}

TEST(LocalPathOf, SplitsAtBothSeparatorsBelowTheGameFolder) {
  const std::filesystem::path game = "/games/Duskmere";
  const std::pair<std::string, std::filesystem::path> cases[] = {
      {"Duskmere.exe", game / "Duskmere.exe"},
      {"data\\items.pak", game / "data" / "items.pak"},
      {"data/maps\\a b.map", game / "data" / "maps" / "a b.map"},
      {"data//./items.pak", game / "data" / "items.pak"},
      {"../outside.txt", {}},
      {"/etc/passwd", {}},
      {"C:\\x.txt", {}},
  };
  for (const auto& [listPath, expected] : cases)
    EXPECT_EQ(localPathOf(game, listPath), expected) << listPath;
}

TEST(DownloadPathOf, SendsBackslashesAsSlashesAndKeepsTheRest) {
  const std::pair<std::string, std::string> cases[] = {
      {"data\\items.pak", "data/items.pak"},
      {"data/maps\\a b.map", "data/maps/a b.map"},
      {"Duskmere.exe", "Duskmere.exe"},
  };
  for (const auto& [listPath, expected] : cases)
    EXPECT_EQ(downloadPathOf(listPath), expected) << listPath;
}

class FetchFileManifestTest : public ::testing::Test {
 protected:
  std::string listBaseUrl() const { return server.host() + kPatchBasePath + "/57"; }
  std::filesystem::path listPath() const { return root / "autopatcher" / "57" / "checksums.txt"; }

  test::TempFolder root;
  test::TestHttpServer server{root.path()};
  RunProgress progress;
};

TEST_F(FetchFileManifestTest, LoadsAVerifiedListAndSetsTheTotalBytes) {
  test::documents::writeSignedDocument(
      listPath(), line("a.txt", "10\t5\tABCDEF01\t" + kDigest) + "broken line\n" +
                      line("data/b.bin", "1000\t700\t01234567\t" + kDigest));
  const auto manifest = fetchFileManifest(listBaseUrl(), progress);
  EXPECT_EQ(pathsOf(manifest), (std::vector<std::string>{"a.txt", "data/b.bin"}));
  EXPECT_EQ(progress.bytesTotal.load(), 1010);
  EXPECT_EQ(server.requestedPaths(), (std::vector<std::string>{"/autopatcher/57/checksums.txt",
                                                               "/autopatcher/57/checksums.sig"}));
}

TEST_F(FetchFileManifestTest, IsEmptyWhenTheListIsMissingUnverifiedOrAllMalformed) {
  const std::string text = line("a.txt");
  const auto otherKey = test::documents::generateKeyPair();
  struct Case {
    const char* what;
    std::string document;  // "" leaves the file out
    std::string signature;
  };
  const Case cases[] = {
      {"no list", "", test::documents::sign(test::documents::developmentPrivateKey(), text)},
      {"no signature", text, ""},
      {"signed by another key", text, test::documents::sign(otherKey.privatePem, text)},
      {"every line malformed", "a.txt\t1\t2\n",
       test::documents::sign(test::documents::developmentPrivateKey(), "a.txt\t1\t2\n")},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(root / "autopatcher");
    std::filesystem::create_directories(listPath().parent_path());
    if (!c.document.empty())
      test::writeFile(listPath(), c.document);
    if (!c.signature.empty())
      test::writeFile(root / "autopatcher" / "57" / "checksums.sig", c.signature);
    EXPECT_TRUE(fetchFileManifest(listBaseUrl(), progress).empty()) << c.what;
  }
}

}  // namespace
}  // namespace duskmere
