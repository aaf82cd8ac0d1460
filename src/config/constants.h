// Build constants: service endpoints, document and file names, the instance name, the
// launcher's own version and the page's web links. Each is a namespace-scope const object, so
// every translation unit has its own copy; nothing changes them at run time.
#pragma once

#include <string>

#include "config/build_settings.h"

namespace duskmere {

const std::string kApiHost = DUSKMERE_SERVICE_HOST;
const std::string kLoginPath = "/api/launcher/login";
const std::string kPublicKeySecondary = kBuildPublicKeyPem;
const std::string kDownloadReportPath = "/api/launcher/download";
const std::string kFeedBasePath = "/autopatcher/launcher";
const std::string kFeedHost = DUSKMERE_SERVICE_HOST;
const std::string kGameConfigExe = "UserData/config.exe";
const std::string kGameExe = "Duskmere.exe";
const std::string kLauncherExeName = "DuskmereAutopatcher";
const std::string kInstanceName = "Ostrel{4C7B2E91-5D30-4A8F-B6E2-19F0C3A7D845}";
const std::string kHomeMarker = "/.duskmere_home";
const std::string kInstallIncompleteMarker = "/.duskmere_install_incomplete";
const std::string kProductFolderName = "Duskmere";
const std::string kLauncherVersionText = "2.1.2";
const std::string kLinkAccount = "https://" DUSKMERE_SERVICE_HOST "/user/overview";
const std::string kLinkChangelog = "https://" DUSKMERE_SERVICE_HOST "/news";
const std::string kLinkDiscord = "https://" DUSKMERE_SERVICE_HOST "/discord";
const std::string kLinkEvents = "https://" DUSKMERE_SERVICE_HOST "/events";
const std::string kLinkForgotPassword = "https://" DUSKMERE_SERVICE_HOST "/forgot-password";
const std::string kLinkNews = "https://" DUSKMERE_SERVICE_HOST "/news";
const std::string kLinkRegister = "https://" DUSKMERE_SERVICE_HOST "/register";
const std::string kLinkShop = "https://" DUSKMERE_SERVICE_HOST "/user/gildmarket";
const std::string kLinkSupport = "https://" DUSKMERE_SERVICE_HOST "/discord";
const std::string kLinkVote = "https://" DUSKMERE_SERVICE_HOST "/vote";
const std::string kLinkWebsite = "https://" DUSKMERE_SERVICE_HOST;
const std::string kPublicKeyPrimary = kBuildPublicKeyPem;
const std::string kBasePath = "/base";
const std::string kChecksumsFile = "/checksums.txt";
const std::string kChecksumsSig = "/checksums.sig";
const std::string kLauncherDownloadFile = "/latest_ostrel_linux";
const std::string kNewsFile = "/news.txt";
const std::string kNewsSig = "/news.sig";
const std::string kLatestFile = "/latest.txt";
const std::string kLatestSig = "/latest.sig";
const std::string kHeartbeatPath = "/api/launcher/heartbeat";
const std::string kUninstallList = "/unins.ini";
const std::string kPatchBasePath = "/autopatcher";
const std::string kPatchHost = DUSKMERE_UPDATE_HOST;
const std::string kGameVersionFile = "/ostrel.ini";

// The launcher's own build number; a version record announces a newer launcher when its
// launcher_version is greater.
constexpr int kLauncherVersion = 212;

}  // namespace duskmere
