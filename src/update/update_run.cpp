#include "update/update_run.h"

#include <fstream>
#include <string>
#include <system_error>

#include "config/constants.h"
#include "config/folders.h"
#include "update/file_fetch.h"
#include "update/file_manifest.h"
#include "update/installed_version.h"
#include "update/version_manifest.h"

namespace duskmere {
namespace {

struct Run {
  UpdateEngine& engine;
  const std::filesystem::path& gameFolder;
  const bool repair;
  // The host as the player reads it in messages, and the update base URL.
  const std::string host = engine.updateHost();
  const std::string baseUrl = host + kPatchBasePath;
  VersionManifest published{};

  RunProgress& progress() { return engine.progress(); }
  std::filesystem::path inFolder(const std::string& name) const {
    return gameFolder.string() + name;
  }

  void fail(const std::string& message, const std::string& detail) {
    engine.postStatus(kStateError, message, detail);
  }
  void ready(const std::string& message) { engine.postStatus(kStateReady, message, ""); }

  void execute();
  // False when the run ended (stopped or with a final state); true to go on with the update.
  bool install();
  void update();
};

void Run::execute() {
  progress().bytesDone = 0;
  progress().carriedBytes = 0;
  progress().shownVersion = readInstalledVersion(gameFolder);
  engine.postStatus(kStateChecking, "", "");

  if (!fetchVersionManifest(baseUrl, published)) {
    fail("CANNOT REACH UPDATE SERVER", "Could not load the version info from " + host + ".");
    return;
  }
  // The launcher comes first, before the game version is even looked at.
  if (!engine.skipLauncherCheckOnce() && published.launcherVersion > kLauncherVersion) {
    engine.offerLauncherUpdate(
        {published.launcherVersion, published.launcherChecksum, published.launcherSize});
    engine.post(WM_APP_LAUNCHER_UPDATE);
    return;
  }
  engine.setSkipLauncherCheckOnce(false);
  if (published.gameVersion < 1) {
    fail("CANNOT REACH UPDATE SERVER", "The update server returned an invalid version file.");
    return;
  }

  const std::int32_t installed = readInstalledVersion(gameFolder);
  if (!repair && installed >= published.gameVersion) {
    progress().shownVersion = installed;
    ready("Latest version installed — you are ready to play.");
    return;
  }

  const bool interruptedInstall = fileExists(inFolder(kInstallIncompleteMarker));
  const bool gamePresent = fileExists(gameFolder / kGameExe);
  if (!repair) {
    if (!gamePresent && published.baseVersion < 1 && !interruptedInstall) {
      fail("INSTALLER NOT READY",
           "The game files are not available to install right now. Please retry in a moment, "
           "or download the full client from " +
               host + "/download.");
      return;
    }
    const bool updateOnly = published.baseVersion < 1 || (gamePresent && !interruptedInstall);
    if (!updateOnly && !install())
      return;
  }
  update();
}

bool Run::install() {
  // The chosen folder may not exist yet; the marker has to be written inside it.
  std::error_code error;
  std::filesystem::create_directories(gameFolder, error);
  std::ofstream(inFolder(kInstallIncompleteMarker), std::ios::binary | std::ios::trunc) << "1";

  const std::string listUrl = baseUrl + kBasePath + "/" + std::to_string(published.baseVersion);
  FileManifest manifest = fetchFileManifest(listUrl, progress());
  if (manifest.empty()) {
    fail("INSTALL INFO DOWNLOAD FAILED",
         "Could not load or verify the game file list. Check your connection, then retry.");
    return false;
  }

  engine.postStatus(kStateVerifying, "", "");
  const ScanResult scan = scanLocalFiles(manifest, gameFolder, progress());
  if (engine.cancelRequested())
    return false;
  if (scan.needCount > 0) {
    const FetchResult fetched =
        fetchFiles(engine, listUrl, gameFolder, manifest, scan.needCount, scan.needBytes);
    if (!fetched.finished)
      return false;
    if (fetched.failedWrites > 0) {
      fail("INSTALL COULD NOT BE WRITTEN",
           "Some files could not be saved. Check free disk space and that the folder is "
           "writable, then retry.");
      return false;
    }
    if (fetched.failedDownloads > 0) {
      fail("DOWNLOAD FAILED — CONNECTION LOST",
           "Could not download all game files from " + host +
               ". Check your connection, then retry — the download resumes from where it "
               "stopped.");
      return false;
    }
  }

  for (const char* folder : {"screenshot", "syserr", "upload", "lib/log"})
    std::filesystem::create_directories(gameFolder / folder, error);
  recordInstalledPaths(gameFolder, manifest);
  writeInstalledVersion(gameFolder, published.baseVersion);
  std::filesystem::remove(inFolder(kInstallIncompleteMarker), error);

  if (published.baseVersion < published.gameVersion)
    return true;
  progress().shownVersion = published.baseVersion;
  ready("Installation complete — you are ready to play.");
  return false;
}

void Run::update() {
  // Until the update has completed, the next run must check every file again.
  writeInstalledVersion(gameFolder, 0);

  const std::string listUrl = baseUrl + "/" + std::to_string(published.gameVersion);
  FileManifest manifest = fetchFileManifest(listUrl, progress());
  if (manifest.empty()) {
    fail("UPDATE INFO DOWNLOAD FAILED", "Could not load or verify the file list for version " +
                                            std::to_string(published.gameVersion) + ".");
    return;
  }
  recordInstalledPaths(gameFolder, manifest);
  progress().shownVersion = published.gameVersion;

  engine.postStatus(kStateVerifying, "", "");
  const ScanResult scan = scanLocalFiles(manifest, gameFolder, progress());
  if (engine.cancelRequested())
    return;
  if (scan.lockedCount > 0) {
    std::string names;
    int named = 0;
    for (const FileEntry& entry : manifest) {
      if (named == 3)
        break;
      if (entry.failed) {
        names += entry.path + " · ";
        ++named;
      }
    }
    fail("SOME FILES COULD NOT BE VERIFIED",
         "Files may be locked by the game or need administrator rights: " + names +
             "Close the game, then retry.");
    return;
  }
  if (scan.needCount == 0) {
    writeInstalledVersion(gameFolder, published.gameVersion);
    ready(repair ? "All files verified — your client is intact."
                 : "All files up to date — you are ready to play.");
    return;
  }

  const FetchResult fetched =
      fetchFiles(engine, listUrl, gameFolder, manifest, scan.needCount, scan.needBytes);
  if (!fetched.finished)
    return;
  if (fetched.failedWrites > 0) {
    fail("UPDATE COULD NOT BE WRITTEN",
         "Some files could not be saved. They may be in use (close the game) or the folder "
         "needs administrator rights.");
    return;
  }
  if (fetched.failedDownloads > 0) {
    fail("DOWNLOAD FAILED — CONNECTION LOST",
         "Could not download all files from " + host +
             ". Check your connection, then retry — the download resumes from where it "
             "stopped.");
    return;
  }
  writeInstalledVersion(gameFolder, published.gameVersion);
  ready("Update complete — you are ready to play.");
}

}  // namespace

void runUpdate(UpdateEngine& engine, const std::filesystem::path& gameFolder, bool repair) {
  Run run{engine, gameFolder, repair};
  run.execute();
}

}  // namespace duskmere
