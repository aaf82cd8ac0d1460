#include "duskmere-publish/signing.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <system_error>

namespace duskmere::publishing {
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

Key readPrivateKey(const std::string& pem) {
  if (pem.size() > std::size_t(std::numeric_limits<int>::max()))
    return nullptr;
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio)
    return nullptr;
  // No pass phrase callback: an encrypted key is refused rather than prompted for.
  Key key(PEM_read_bio_PrivateKey(
      bio.get(), nullptr, [](char*, int, int, void*) { return 0; }, nullptr));
  if (key && !EVP_PKEY_is_a(key.get(), "RSA"))
    return nullptr;
  return key;
}

bool writeBytes(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
  std::error_code ignored;
  if (path.has_parent_path())
    std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file.is_open()) {
    error = "cannot write " + path.string();
    return false;
  }
  file.write(bytes.data(), std::streamsize(bytes.size()));
  file.close();
  if (!file) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

bool readPrivateKeyFile(const std::filesystem::path& keyFile, std::string& pem,
                        std::string& error) {
  pem.clear();
  std::error_code status;
  if (!std::filesystem::is_regular_file(keyFile, status)) {
    error = "key file " + keyFile.string() + " does not exist or is not a file";
    return false;
  }
  std::ifstream file(keyFile, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file.is_open() || file.bad()) {
    error = "cannot read key file " + keyFile.string();
    return false;
  }
  pem = text.str();
  if (!readPrivateKey(pem)) {
    pem.clear();
    error = "key file " + keyFile.string() + " holds no unencrypted RSA private key (PEM)";
    return false;
  }
  return true;
}

std::string signData(const std::string& privateKeyPem, const std::string& data) {
  const Key key = readPrivateKey(privateKeyPem);
  const DigestContext context(EVP_MD_CTX_new());
  if (!key || !context)
    return "";
  if (EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1)
    return "";
  if (EVP_DigestSignUpdate(context.get(), data.data(), data.size()) != 1)
    return "";
  std::size_t length = 0;
  if (EVP_DigestSignFinal(context.get(), nullptr, &length) != 1)
    return "";
  std::string signature(length, '\0');
  if (EVP_DigestSignFinal(context.get(), reinterpret_cast<unsigned char*>(signature.data()),
                          &length) != 1)
    return "";
  signature.resize(length);
  return signature;
}

std::filesystem::path signaturePathOf(const std::filesystem::path& documentPath) {
  auto path = documentPath;
  path.replace_extension(".sig");
  return path;
}

bool writeSignedDocument(const std::string& privateKeyPem,
                         const std::filesystem::path& documentPath, const std::string& text,
                         std::string& error) {
  const auto signature = signData(privateKeyPem, text);
  if (signature.empty()) {
    error = "cannot sign " + documentPath.string() + " with the key";
    return false;
  }
  return writeBytes(documentPath, text, error) &&
         writeBytes(signaturePathOf(documentPath), signature, error);
}

bool signFile(const std::filesystem::path& keyFile, const std::filesystem::path& documentPath,
              std::string& error) {
  std::string pem;
  if (!readPrivateKeyFile(keyFile, pem, error))
    return false;
  std::ifstream file(documentPath, std::ios::binary);
  if (!file.is_open()) {
    error = "cannot read " + documentPath.string();
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  const auto signature = signData(pem, text.str());
  if (signature.empty()) {
    error = "cannot sign " + documentPath.string() + " with the key";
    return false;
  }
  return writeBytes(signaturePathOf(documentPath), signature, error);
}

}  // namespace duskmere::publishing
