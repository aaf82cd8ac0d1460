// One update run: from whatever state the game folder is in to the latest published version,
// through the signed version record, the launcher offer, the install from the base package or
// the update, the scan, the fetch, and a final state with its texts.
#pragma once

#include <filesystem>

#include "update/update_engine.h"

namespace duskmere {

// The body of the engine's worker (callable directly on any thread for a run without a
// worker). `gameFolder` is the run's own copy of the engine's game path. Posts its states
// through the engine; a stopped run, or one that offers a launcher update, posts no final
// state.
void runUpdate(UpdateEngine& engine, const std::filesystem::path& gameFolder, bool repair);

}  // namespace duskmere
