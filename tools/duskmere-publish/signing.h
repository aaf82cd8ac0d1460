// The operator's side of the signed documents: RSA PKCS #1 v1.5 SHA-256 signatures made with
// a PEM private key, written as raw bytes beside the document.
#pragma once

#include <filesystem>
#include <string>

namespace duskmere::publishing {

// The PEM text of a private key file; false with a one-line `error` when it cannot be read
// or holds no usable RSA private key.
bool readPrivateKeyFile(const std::filesystem::path& keyFile, std::string& pem, std::string& error);

// The raw signature bytes of `data` under the PEM private key; empty when the key is unusable.
std::string signData(const std::string& privateKeyPem, const std::string& data);

// The signature file of a document: the same name with ".sig" in place of its extension.
std::filesystem::path signaturePathOf(const std::filesystem::path& documentPath);

// Writes `text` to `documentPath` (creating its folders) and its signature beside it.
bool writeSignedDocument(const std::string& privateKeyPem,
                         const std::filesystem::path& documentPath, const std::string& text,
                         std::string& error);

// Signs an existing document file with the key in `keyFile`, writing its signature beside it.
bool signFile(const std::filesystem::path& keyFile, const std::filesystem::path& documentPath,
              std::string& error);

}  // namespace duskmere::publishing
