#include "ui/page_objects.h"

#include <array>
#include <cstdio>
#include <limits>

#include "config/constants.h"

namespace duskmere {

std::string stateName(std::int32_t state) {
  switch (state) {
    case 0:
      return {};
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

nlohmann::json engineStatusObject(const ProgressSnapshot& snapshot) {
  const bool error = snapshot.state == kStateError;
  return {{"state", stateName(snapshot.state)},
          {"progress", snapshot.percent},
          {"downloadedBytes", snapshot.downloadedBytes},
          {"totalBytes", snapshot.totalBytes},
          {"file", snapshot.currentItem},
          {"fileIndex", snapshot.filesDone},
          {"fileCount", snapshot.filesTotal},
          {"message", error ? snapshot.message : std::string()},
          {"detail", error ? snapshot.detail : std::string()}};
}

nlohmann::json versionsObject(std::int32_t version) {
  nlohmann::json versions = {{"launcher", kLauncherVersionText}};
  if (version > 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", version / 100.0);
    versions["client"] = text;
  }
  return versions;
}

nlohmann::json linksObject() {
  return {{"website", kLinkWebsite},     {"discord", kLinkDiscord},
          {"register", kLinkRegister},   {"forgotPassword", kLinkForgotPassword},
          {"account", kLinkAccount},     {"news", kLinkNews},
          {"changelog", kLinkChangelog}, {"events", kLinkEvents},
          {"shop", kLinkShop},           {"vote", kLinkVote},
          {"support", kLinkSupport}};
}

nlohmann::json installStatusObject(const std::string& installPath, std::uint64_t freeBytes,
                                   const std::string& error) {
  const std::int64_t free = freeBytes == std::numeric_limits<std::uint64_t>::max()
                                ? -1
                                : static_cast<std::int64_t>(freeBytes);
  return {{"state", "install"},
          {"installPath", installPath},
          {"installNeedBytes", kInstallNeedBytes},
          {"installFreeBytes", free},
          {"installError", error}};
}

std::string settingsScript(const std::string& language, int downloadLimitMBps, bool closeOnLaunch,
                           bool startWithWindows, bool notifyEvents) {
  static const std::array<const char*, 12> kLanguages = {"en", "ro",    "de", "es", "fr", "it",
                                                         "pt", "pt_BR", "pl", "cs", "hu", "tr"};
  std::string shownLanguage = "en";
  for (const char* known : kLanguages)
    if (language == known)
      shownLanguage = language;
  const bool knownLimit = downloadLimitMBps == 0 || downloadLimitMBps == 5 ||
                          downloadLimitMBps == 20 || downloadLimitMBps == 50;
  const std::string limit = std::to_string(knownLimit ? downloadLimitMBps : 0);
  auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
  return "(function(){try{document.getElementById('setLang').value='" + shownLanguage +
         "';document.getElementById('setLimit').value='" + limit +
         "';var t=function(id,on){var e=document.getElementById(id);if(e)e.classList.toggle('on',"
         "!!on);};t('tglClose'," +
         flag(closeOnLaunch) + ");t('tglStartup'," + flag(startWithWindows) + ");t('tglNotify'," +
         flag(notifyEvents) +
         ");if(window.refreshCustomSelects)refreshCustomSelects();}catch(e){}})();";
}

}  // namespace duskmere
