#include "duskmere-patch/progress_line.h"

#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace duskmere::patch {

std::string stateName(std::int32_t state) {
  switch (state) {
    case kStateVerifying:
      return "verifying";
    case kStateDownloading:
      return "downloading";
    case kStatePaused:
      return "paused";
    case kStateError:
      return "error";
    case kStateReady:
      return "ready";
    default:
      return "checking";
  }
}

std::string formatBytes(double bytes) {
  const char* const units[] = {"B", "KB", "MB", "GB", "TB"};
  int unit = 0;
  while (bytes >= 1024 && unit < 4) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
  return text;
}

std::string formatDuration(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

std::string progressLine(const ProgressSnapshot& snapshot, const RateFigures& rate) {
  char percent[16];
  std::snprintf(percent, sizeof percent, "%5.1f%%", snapshot.percent);
  std::string line = stateName(snapshot.state) + "  " + percent;
  if (!snapshot.currentItem.empty())
    line += "  " + snapshot.currentItem;
  if (snapshot.state == kStateDownloading) {
    line += "  " + formatBytes(rate.bytesPerSecond) + "/s";
    if (rate.secondsLeft)
      line += "  " + formatDuration(*rate.secondsLeft) + " left";
  }
  return line;
}

std::string progressJson(const char* event, const ProgressSnapshot& snapshot,
                         const RateFigures& rate) {
  nlohmann::json object = {
      {"event", event},
      {"state", stateName(snapshot.state)},
      {"progress", snapshot.percent},
      {"file", snapshot.currentItem},
      {"fileIndex", snapshot.filesDone},
      {"fileCount", snapshot.filesTotal},
      {"downloadedBytes", snapshot.downloadedBytes},
      {"totalBytes", snapshot.totalBytes},
      {"version", snapshot.version},
  };
  if (snapshot.state == kStateDownloading) {
    object["speedBps"] = rate.bytesPerSecond;
    if (rate.secondsLeft)
      object["etaSeconds"] = *rate.secondsLeft;
  }
  if (snapshot.state == kStateError || snapshot.state == kStateReady) {
    object["message"] = snapshot.message;
    object["detail"] = snapshot.detail;
  }
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace duskmere::patch
