#include "update/support/documents_keys.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>
#include <stdexcept>

#include "support/temp_folder.h"

namespace duskmere::test::documents {
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

std::string bioText(BIO* bio) {
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio, &data);
  return std::string(data, std::size_t(length));
}

}  // namespace

KeyPair generateKeyPair(const std::string& kind) {
  Key key(kind == "EC" ? EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256")
                       : EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", std::size_t(2048)));
  if (!key)
    throw std::runtime_error("key generation failed");
  Bio privateBio(BIO_new(BIO_s_mem()));
  Bio publicBio(BIO_new(BIO_s_mem()));
  if (PEM_write_bio_PrivateKey(privateBio.get(), key.get(), nullptr, nullptr, 0, nullptr,
                               nullptr) != 1 ||
      PEM_write_bio_PUBKEY(publicBio.get(), key.get()) != 1)
    throw std::runtime_error("key export failed");
  return {bioText(privateBio.get()), bioText(publicBio.get())};
}

std::string sign(const std::string& privatePem, const std::string& data) {
  Bio bio(BIO_new_mem_buf(privatePem.data(), int(privatePem.size())));
  Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
  std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
  std::size_t length = 0;
  if (!key || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), nullptr, &length,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
    throw std::runtime_error("signing failed");
  std::string signature(length, '\0');
  if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
    throw std::runtime_error("signing failed");
  signature.resize(length);
  return signature;
}

std::string developmentPrivateKey() {
  const std::filesystem::path file = DUSKMERE_DEV_PRIVATE_KEY_FILE;
  if (file.empty())
    throw std::runtime_error("this build has no development key");
  return readFile(file);
}

void writeSignedDocument(const std::filesystem::path& documentPath, const std::string& text) {
  std::filesystem::create_directories(documentPath.parent_path());
  writeFile(documentPath, text);
  auto signaturePath = documentPath;
  signaturePath.replace_extension(".sig");
  writeFile(signaturePath, sign(developmentPrivateKey(), text));
}

}  // namespace duskmere::test::documents
