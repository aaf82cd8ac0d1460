// The signed version record of the update host: the latest game version, the latest launcher
// build with its size and digest, and the version of the full base package.
#pragma once

#include <cstdint>
#include <string>

namespace duskmere {

// This is the Linux launcher: it reads the launcher keys with the "_linux" suffix, so that it
// never takes the Windows build; both platforms share one record.
inline constexpr char kGameVersionKey[] = "game_version";
inline constexpr char kLauncherVersionKey[] = "launcher_version_linux";
inline constexpr char kLauncherChecksumKey[] = "launcher_checksum_linux";
inline constexpr char kLauncherSizeKey[] = "launcher_size_linux";
inline constexpr char kBaseVersionKey[] = "base_version";

struct VersionManifest {
  std::int32_t gameVersion = 0;  // below 1: the record is unusable
  std::int32_t launcherVersion = 0;
  std::string launcherChecksum;  // lowercase hex SHA-256 of the launcher, as written
  std::int64_t launcherSize = 0;
  std::int32_t baseVersion = 0;  // 0 when absent
};

// Reads the top-level keys of a verified record; missing or malformed numbers read as 0.
// False (and `manifest` reset) when the text breaks the key-value grammar.
bool parseVersionManifest(const std::string& text, VersionManifest& manifest);

// Fetches `baseUrl` + "/latest.txt" and "/latest.sig", verifies and parses them. False when
// either download fails, the signature does not verify or the text does not parse; the
// outputs must not be used then.
bool fetchVersionManifest(const std::string& baseUrl, VersionManifest& manifest);

}  // namespace duskmere
