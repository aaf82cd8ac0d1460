// What the headless patcher prints about a run: one progress line for people, one JSON object
// for programs, both from an engine snapshot and the smoothed transfer rate.
#pragma once

#include <optional>
#include <string>

#include "update/update_engine.h"

namespace duskmere::patch {

// "checking", "verifying", ... as the page names the run states.
std::string stateName(std::int32_t state);

// "12.3 MB", "512 B"
std::string formatBytes(double bytes);
// "1:05:09", "4:05", "0:07"
std::string formatDuration(double seconds);

struct RateFigures {
  double bytesPerSecond = 0;
  std::optional<double> secondsLeft;
};

// e.g. "downloading  41.0%  data/maps/ash_12.pak  3.2 MB/s  0:42 left"
std::string progressLine(const ProgressSnapshot& snapshot, const RateFigures& rate);

// One compact JSON object: event ("state" or "progress"), state, progress, file, counters and,
// while downloading, speed and time left; message and detail on final states.
std::string progressJson(const char* event, const ProgressSnapshot& snapshot,
                         const RateFigures& rate);

}  // namespace duskmere::patch
