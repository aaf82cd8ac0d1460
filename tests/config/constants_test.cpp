#include "config/constants.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "config/constants_links.h"

namespace duskmere {
namespace {

TEST(Constants, HoldTheBuildsHostsAndKey) {
  EXPECT_EQ(kPatchHost, DUSKMERE_TEST_EXPECTED_UPDATE_HOST);
  EXPECT_EQ(kApiHost, DUSKMERE_TEST_EXPECTED_SERVICE_HOST);
  EXPECT_EQ(kFeedHost, kApiHost);
  EXPECT_EQ(kLinkWebsite, "https://" + kApiHost);
  EXPECT_EQ(kLinkShop, "https://" + kApiHost + "/user/gildmarket");
  EXPECT_EQ(kPublicKeyPrimary, kPublicKeySecondary);
  EXPECT_EQ(kPublicKeyPrimary.rfind("-----BEGIN PUBLIC KEY-----\n", 0), 0u);
  EXPECT_EQ(kPublicKeyPrimary.size(), 451u);  // 2048-bit RSA, SubjectPublicKeyInfo
}

// Built in a translation unit that names other hosts, as a release build would.
TEST(Constants, OtherHostSettingsMoveEveryAddressAndLink) {
  const auto moved = constantsBuiltForOtherHosts();
  EXPECT_EQ(moved.patchHost, "updates.example.test");
  EXPECT_EQ(moved.apiHost, "www.example.test");
  EXPECT_EQ(moved.feedHost, "www.example.test");
  for (const auto& link : moved.links) {
    EXPECT_EQ(link.rfind("https://www.example.test", 0), 0u) << link;
  }
  EXPECT_EQ(moved.links.size(), 11u);
}

// No other source names a host: every address is built from the constants.
TEST(Constants, NoSourceFileWritesAHostName) {
  // A scheme alone ("https://" in a policy check) names no host; Microsoft's runtime download
  // page is the one outside address the launcher shows.
  const std::regex hostLiteral(
      R"(\"(https?://(?!developer\.microsoft\.com/)[A-Za-z0-9]|[a-z0-9.-]+\.(com|net|org|gg|io)\b|127\.0\.0\.1))");
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(std::string(DUSKMERE_SOURCE_DIR) + "/src")) {
    const auto extension = entry.path().extension();
    if (extension != ".cpp" && extension != ".h")
      continue;
    std::ifstream file(entry.path());
    std::stringstream text;
    text << file.rdbuf();
    const auto source = text.str();
    std::smatch match;
    if (std::regex_search(source, match, hostLiteral)) {
      const bool isConstants = entry.path().filename() == "constants.h";
      EXPECT_TRUE(isConstants) << entry.path() << " writes " << match.str();
    }
  }
}

}  // namespace
}  // namespace duskmere
