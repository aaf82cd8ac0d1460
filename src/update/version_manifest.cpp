#include "update/version_manifest.h"

#include <sstream>

#include "config/constants.h"
#include "update/key_value_document.h"
#include "update/number_text.h"
#include "update/signed_document.h"

namespace duskmere {

bool parseVersionManifest(const std::string& text, VersionManifest& manifest) {
  manifest = VersionManifest{};
  std::istringstream input(text);
  try {
    const KeyValueDocument document(input);
    const auto& top = document.top();
    manifest.gameVersion = parseDocumentNumber(top.value(kGameVersionKey));
    manifest.launcherVersion = parseDocumentNumber(top.value(kLauncherVersionKey));
    manifest.launcherChecksum = top.value(kLauncherChecksumKey);
    manifest.launcherSize = parseDocumentNumber(top.value(kLauncherSizeKey));
    manifest.baseVersion = parseDocumentNumber(top.value(kBaseVersionKey));
  } catch (const KeyValueParseError&) {
    manifest = VersionManifest{};
    return false;
  }
  return true;
}

bool fetchVersionManifest(const std::string& baseUrl, VersionManifest& manifest) {
  std::string text;
  if (!fetchSignedDocument(baseUrl + kLatestFile, baseUrl + kLatestSig, text))
    return false;
  return parseVersionManifest(text, manifest);
}

}  // namespace duskmere
