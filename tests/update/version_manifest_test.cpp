#include "update/version_manifest.h"

#include <gtest/gtest.h>

#include <limits>

#include "config/constants.h"
#include "support/http_server.h"
#include "support/temp_folder.h"
#include "update/number_text.h"
#include "update/support/documents_keys.h"

namespace duskmere {
namespace {

TEST(ParseDocumentNumber, ReadsTheLongestLeadingDecimalIntegerOrZero) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"57", 57},
      {"57 ", 57},  // what an inline comment leaves
      {" \t\r\n57", 57},
      {"+57", 57},
      {"-57", -57},
      {"0057abc", 57},
      {"57.9", 57},
      {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", 0},
      {"3000000000", 0},
      {"-2147483649", 0},
      {"99999999999999999999999", 0},
      {"", 0},
      {"abc", 0},
      {"- 5", 0},
      {"+", 0},
      {"0x1F", 0},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(parseDocumentNumber(text), expected) << '"' << text << '"';
}

TEST(ParseVersionManifest, ReadsTheTopLevelKeysOfTheLinuxLauncher) {
  struct Case {
    const char* what;
    std::string text;
    bool parses;
    VersionManifest expected;
  };
  const std::string digest(64, 'a');
  const Case cases[] = {
      {"a full record; the Windows launcher keys are not this launcher's",
       "game_version=57\nbase_version=50\nlauncher_version=999\nlauncher_checksum=ffff\n"
       "launcher_size=1\nlauncher_version_linux=213\nlauncher_checksum_linux=" +
           digest + "\nlauncher_size_linux=4194304\n",
       true,
       {57, 213, digest, 4194304, 50}},
      {"CRLF line ends",
       "game_version=57\r\nlauncher_version_linux=213\r\nlauncher_size_linux=12\r\n",
       true,
       {57, 213, "", 12, 0}},
      {"game version 0 is still a parsed record", "game_version=0\n", true, {0, 0, "", 0, 0}},
      {"a size outside 32 bits reads as 0",
       "game_version=57\nlauncher_size_linux=3000000000\n",
       true,
       {57, 0, "", 0, 0}},
      {"inline comments and junk after the digits",
       "game_version=57 # current\nbase_version=50abc\n",
       true,
       {57, 0, "", 0, 50}},
      {"keys only inside a section are not seen",
       "game_version=57\n[extra]\nbase_version=50\nlauncher_version_linux=300\n",
       true,
       {57, 0, "", 0, 0}},
      {"a duplicated key breaks the grammar", "game_version=57\ngame_version=57\n", false, {}},
      {"a line without '=' breaks the grammar", "game_version=57\nbroken\n", false, {}},
  };
  for (const auto& c : cases) {
    VersionManifest manifest{1, 1, "stale", 1, 1};
    EXPECT_EQ(parseVersionManifest(c.text, manifest), c.parses) << c.what;
    EXPECT_EQ(manifest.gameVersion, c.expected.gameVersion) << c.what;
    EXPECT_EQ(manifest.launcherVersion, c.expected.launcherVersion) << c.what;
    EXPECT_EQ(manifest.launcherChecksum, c.expected.launcherChecksum) << c.what;
    EXPECT_EQ(manifest.launcherSize, c.expected.launcherSize) << c.what;
    EXPECT_EQ(manifest.baseVersion, c.expected.baseVersion) << c.what;
  }
}

class FetchVersionManifestTest : public ::testing::Test {
 protected:
  std::string baseUrl() const { return server.host() + kPatchBasePath; }
  std::filesystem::path documentPath() const { return root / "autopatcher" / "latest.txt"; }

  test::TempFolder root;
  test::TestHttpServer server{root.path()};
};

TEST_F(FetchVersionManifestTest, ReadsARecordVerifiedOverTheBytesAsServed) {
  const std::string text = "game_version=57\r\nbase_version=50\r\nlauncher_version_linux=212\r\n";
  test::documents::writeSignedDocument(documentPath(), text);
  VersionManifest manifest;
  ASSERT_TRUE(fetchVersionManifest(baseUrl(), manifest));
  EXPECT_EQ(manifest.gameVersion, 57);
  EXPECT_EQ(manifest.baseVersion, 50);
  EXPECT_EQ(manifest.launcherVersion, 212);
  EXPECT_EQ(server.requestedPaths(),
            (std::vector<std::string>{"/autopatcher/latest.txt", "/autopatcher/latest.sig"}));
}

TEST_F(FetchVersionManifestTest, FailsWhenAnyStepFails) {
  const std::string text = "game_version=57\nlauncher_version_linux=212\n";
  const auto signature = test::documents::sign(test::documents::developmentPrivateKey(), text);
  const auto otherKey = test::documents::generateKeyPair();
  struct Case {
    const char* what;
    std::string document;  // "" leaves the file out
    std::string signature;
  };
  const Case cases[] = {
      {"no document", "", signature},
      {"no signature", text, ""},
      {"signed for other line endings", "game_version=57\r\nlauncher_version_linux=212\r\n",
       signature},
      {"signed by a key that is not compiled in", text,
       test::documents::sign(otherKey.privatePem, text)},
      {"a duplicated game_version", text + "game_version=58\n",
       test::documents::sign(test::documents::developmentPrivateKey(), text + "game_version=58\n")},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(root / "autopatcher");
    std::filesystem::create_directories(root / "autopatcher");
    if (!c.document.empty())
      test::writeFile(documentPath(), c.document);
    if (!c.signature.empty())
      test::writeFile(root / "autopatcher" / "latest.sig", c.signature);
    VersionManifest manifest;
    EXPECT_FALSE(fetchVersionManifest(baseUrl(), manifest)) << c.what;
  }
}

}  // namespace
}  // namespace duskmere
