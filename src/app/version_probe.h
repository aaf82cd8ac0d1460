// The quick version check made when the window comes back or "play" is pressed: does the
// update host publish a newer game or launcher than the one here?
#pragma once

#include <cstdint>

namespace duskmere {

// Both versions in one message parameter: launcher in the high 16 bits, game in the low.
std::intptr_t packProbeVersions(std::int32_t launcherVersion, std::int32_t gameVersion);

enum class ProbeDecision {
  Ignore,       // the game runs
  StartUpdate,  // something newer: an update run (never the game)
  Play,         // nothing newer or no answer, and play was asked for
  Nothing,
};

ProbeDecision decideVersionProbe(bool gameRunning, bool fetched, std::intptr_t versions,
                                 std::int32_t installedVersion, bool playPending);

// Runs on its own thread: fetches the signed version record from the update host and
// returns whether it was fetched and verified, with the packed versions.
bool probeUpdateHost(std::intptr_t& versions);

}  // namespace duskmere
