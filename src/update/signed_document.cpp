#include "update/signed_document.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <limits>
#include <memory>

#include "config/constants.h"
#include "update/download_transport.h"

namespace duskmere {
namespace {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Bio = std::unique_ptr<BIO, BioFree>;
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;

Key readPublicKey(std::string_view pem) {
  if (pem.size() > std::size_t(std::numeric_limits<int>::max()))
    return nullptr;
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio)
    return nullptr;
  Key key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
  // The documents are signed with RSA; a key of another kind is a broken build constant.
  if (key && !EVP_PKEY_is_a(key.get(), "RSA"))
    return nullptr;
  return key;
}

}  // namespace

bool verifyWithKey(std::string_view document, std::string_view signature,
                   std::string_view publicKeyPem) {
  if (document.empty() || signature.empty())
    return false;
  const Key key = readPublicKey(publicKeyPem);
  if (!key)
    return false;
  const DigestContext context(EVP_MD_CTX_new());
  if (!context)
    return false;
  if (EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) < 1)
    return false;
  if (EVP_DigestVerifyUpdate(context.get(), document.data(), document.size()) != 1)
    return false;
  return EVP_DigestVerifyFinal(context.get(),
                               reinterpret_cast<const unsigned char*>(signature.data()),
                               signature.size()) == 1;
}

bool verifyWithKeys(std::string_view document, std::string_view signature,
                    const std::vector<std::string>& publicKeyPems) {
  for (const auto& pem : publicKeyPems) {
    if (verifyWithKey(document, signature, pem))
      return true;
  }
  return false;
}

bool verifyDocumentSignature(std::string_view document, std::string_view signature) {
  return verifyWithKeys(document, signature, {kPublicKeyPrimary, kPublicKeySecondary});
}

bool fetchSignedDocument(const std::string& documentUrl, const std::string& signatureUrl,
                         std::string& text) {
  text.clear();
  std::string document;
  std::string signature;
  if (!downloadToMemory(documentUrl, document))
    return false;
  if (!downloadToMemory(signatureUrl, signature))
    return false;
  if (!verifyDocumentSignature(document, signature))
    return false;
  text = std::move(document);
  return true;
}

std::string sha256FileHex(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open())
    return "";
  const DigestContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return "";
  std::vector<char> buffer(65536);
  while (file) {
    file.read(buffer.data(), std::streamsize(buffer.size()));
    const auto count = file.gcount();
    if (count > 0 && EVP_DigestUpdate(context.get(), buffer.data(), std::size_t(count)) != 1)
      return "";
  }
  // A file that opens but cannot be read (a folder, an I/O error) has no digest: a digest of
  // the bytes read so far would only pose as one.
  if (file.bad())
    return "";
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1)
    return "";
  std::string text;
  text.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    text += pair;
  }
  return text;
}

}  // namespace duskmere
