#include "app/version_probe.h"

#include "config/constants.h"
#include "update/version_manifest.h"

namespace duskmere {

std::intptr_t packProbeVersions(std::int32_t launcherVersion, std::int32_t gameVersion) {
  const auto high = static_cast<std::uint32_t>(launcherVersion) & 0xFFFFu;
  const auto low = static_cast<std::uint32_t>(gameVersion) & 0xFFFFu;
  return static_cast<std::intptr_t>((high << 16) | low);
}

ProbeDecision decideVersionProbe(bool gameRunning, bool fetched, std::intptr_t versions,
                                 std::int32_t installedVersion, bool playPending) {
  if (gameRunning)
    return ProbeDecision::Ignore;
  const auto packed = static_cast<std::uint32_t>(versions);
  const std::int32_t launcher = static_cast<std::int32_t>(packed >> 16);
  const std::int32_t game = static_cast<std::int32_t>(packed & 0xFFFFu);
  if (fetched && (launcher > kLauncherVersion || game > installedVersion))
    return ProbeDecision::StartUpdate;
  // A probe that could not reach the host never blocks play.
  return playPending ? ProbeDecision::Play : ProbeDecision::Nothing;
}

bool probeUpdateHost(std::intptr_t& versions) {
  VersionManifest manifest;
  const bool fetched = fetchVersionManifest(kPatchHost + kPatchBasePath, manifest);
  versions = fetched ? packProbeVersions(manifest.launcherVersion, manifest.gameVersion) : 0;
  return fetched;
}

}  // namespace duskmere
