#include "update/signed_document.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include "config/constants.h"
#include "support/temp_folder.h"
#include "update/support/documents_keys.h"

namespace duskmere {
namespace {

using test::documents::KeyPair;

// Key generation is the slow part; every test of this file shares the same pairs.
const KeyPair& firstKey() {
  static const KeyPair key = test::documents::generateKeyPair();
  return key;
}
const KeyPair& secondKey() {
  static const KeyPair key = test::documents::generateKeyPair();
  return key;
}

std::string base64(const std::string& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                      reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
  text.resize(std::size_t(length));
  return text;
}

TEST(VerifyWithKeys, AcceptsOnlyTheExactBytesSignedByOneOfTheKeys) {
  const std::string document = "game_version=57\nlauncher_version=212\n";
  const std::string crlfDocument = "game_version=57\r\nlauncher_version=212\r\n";
  const auto signature = test::documents::sign(firstKey().privatePem, document);
  const auto bySecond = test::documents::sign(secondKey().privatePem, document);
  const auto ecKey = test::documents::generateKeyPair("EC");
  std::string changed = document;
  changed[13] = '8';
  std::string truncated = signature.substr(0, signature.size() - 1);

  const std::vector<std::string> both = {firstKey().publicPem, secondKey().publicPem};
  const std::vector<std::string> firstOnly = {firstKey().publicPem};
  struct Case {
    const char* what;
    std::string document;
    std::string signature;
    std::vector<std::string> keys;
    bool verifies;
  };
  const Case cases[] = {
      {"signed by the first key", document, signature, both, true},
      {"signed by the second key, after the first fails", document, bySecond, both, true},
      {"signed by a key that is not listed", document, bySecond, firstOnly, false},
      {"signed with other line endings", crlfDocument, signature, both, false},
      {"document changed by one byte", changed, signature, both, false},
      {"signature as Base64 text", document, base64(signature), both, false},
      {"signature one byte short", document, truncated, both, false},
      {"empty signature", document, "", both, false},
      {"malformed key text", document, signature, {"-----BEGIN PUBLIC KEY-----\nAAAA\n"}, false},
      {"a key that is not RSA",
       document,
       test::documents::sign(ecKey.privatePem, document),
       {ecKey.publicPem},
       false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(verifyWithKeys(c.document, c.signature, c.keys), c.verifies) << c.what;
}

TEST(VerifyWithKey, RefusesAnEmptyDocumentEvenWithAGenuineSignatureOfIt) {
  // The signature is valid for zero bytes, so only the early refusal makes this false.
  const auto signatureOfNothing = test::documents::sign(firstKey().privatePem, "");
  EXPECT_FALSE(verifyWithKey("", signatureOfNothing, firstKey().publicPem));
  EXPECT_FALSE(verifyWithKey("x", "", firstKey().publicPem));
}

TEST(VerifyDocumentSignature, UsesTheCompiledInKey) {
  if (std::string(DUSKMERE_DEV_PRIVATE_KEY_FILE).empty())
    GTEST_SKIP() << "a release build has no development key";
  const std::string document = "game_version=57\n";
  EXPECT_TRUE(verifyDocumentSignature(
      document, test::documents::sign(test::documents::developmentPrivateKey(), document)));
  EXPECT_FALSE(
      verifyDocumentSignature(document, test::documents::sign(firstKey().privatePem, document)));
}

TEST(Sha256FileHex, DigestsWholeFilesInLowercaseAndGivesEmptyTextForUnreadableOnes) {
  test::TempFolder folder;
  // Beyond one 64 KiB block, so that the digest spans several reads.
  std::string large(200'001, '\0');
  for (std::size_t i = 0; i < large.size(); ++i)
    large[i] = char((i * 7919) % 251);
  unsigned char digest[32];
  ASSERT_EQ(EVP_Digest(large.data(), large.size(), digest, nullptr, EVP_sha256(), nullptr), 1);
  std::string largeHex;
  for (const auto byte : digest) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    largeHex += pair;
  }
  test::writeFile(folder / "empty", "");
  test::writeFile(folder / "abc", "abc");
  test::writeFile(folder / "large", large);
  std::filesystem::create_directories(folder / "folder");

  const std::pair<std::string, std::string> cases[] = {
      {"empty", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"large", largeHex},
      {"missing", ""},
      {"folder", ""},
  };
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(sha256FileHex(folder / name), expected) << name;
}

}  // namespace
}  // namespace duskmere
