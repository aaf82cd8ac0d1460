// Real RSA keys for the document tests: pairs generated for the test run, the development key
// the build compiled in, and detached signatures made with either.
#pragma once

#include <filesystem>
#include <string>

namespace duskmere::test::documents {

struct KeyPair {
  std::string privatePem;
  std::string publicPem;  // SubjectPublicKeyInfo
};

// A fresh RSA key pair; "RSA" 2048 bits unless asked otherwise, or "EC" for a key of another
// kind.
KeyPair generateKeyPair(const std::string& kind = "RSA");

// Raw SHA-256 signature bytes of `data` under the PEM private key (PKCS #1 v1.5 for RSA).
std::string sign(const std::string& privatePem, const std::string& data);

// The private half of the key the build compiled in.
std::string developmentPrivateKey();

// Writes `text` to `documentPath` and, signed with the development key, the ".sig" beside it.
void writeSignedDocument(const std::filesystem::path& documentPath, const std::string& text);

}  // namespace duskmere::test::documents
