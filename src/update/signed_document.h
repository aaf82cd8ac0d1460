// The two integrity checks the update engine trusts: the detached RSA signature of a document
// published by the update host, and the SHA-256 digest of a file on disk.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace duskmere {

// True only when `signature` (raw bytes) is an RSA PKCS #1 v1.5 SHA-256 signature of exactly
// the bytes of `document` under the PEM (SubjectPublicKeyInfo) RSA key `publicKeyPem`. Empty
// inputs fail without the key being read.
bool verifyWithKey(std::string_view document, std::string_view signature,
                   std::string_view publicKeyPem);

// verifyWithKey with each key in turn; true as soon as one verifies.
bool verifyWithKeys(std::string_view document, std::string_view signature,
                    const std::vector<std::string>& publicKeyPems);

// verifyWithKeys with the compiled-in keys, kPublicKeyPrimary first, kPublicKeySecondary second.
bool verifyDocumentSignature(std::string_view document, std::string_view signature);

// Downloads a document and its detached signature to memory and verifies them; `text` receives
// the document only when everything succeeded (and is cleared otherwise).
bool fetchSignedDocument(const std::string& documentUrl, const std::string& signatureUrl,
                         std::string& text);

// Lowercase hex SHA-256 of the whole file, streamed; "" when the file cannot be opened or read.
std::string sha256FileHex(const std::filesystem::path& path);

}  // namespace duskmere
