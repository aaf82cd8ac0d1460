// Entry point of the desktop launcher: the uninstaller, the hand-over to a running launcher,
// or a normal run.
#include <curl/curl.h>

#include "app/launch_switches.h"
#include "app/launcher_app.h"
#include "app/uninstall.h"
#include "config/constants.h"
#include "config/folders.h"
#include "platform/instance.h"

int main(int argc, char** argv) {
  using namespace duskmere;
  const std::string commandLine = joinCommandLine(argc, argv);
  const LaunchSwitches switches = readLaunchSwitches(commandLine);
  if (switches.uninstall) {
    uninstallGameFiles(appDir());
    return 0;
  }

  const bool ignoreInstances = switches.ignoreInstances || !isInstalledLauncher(appDir());
  if (!ignoreInstances && platform::anotherInstanceRunning(kInstanceName, dataDir())) {
    platform::requestInstanceRaise(kInstanceName, dataDir());
    return 0;
  }

  // Once, before any thread exists.
  curl_global_init(CURL_GLOBAL_ALL);
  int exitCode = 1;
  {
    LauncherApp app;
    platform::InstanceLockHandle instanceLock;
    if (!ignoreInstances)
      instanceLock = platform::holdInstanceLock(kInstanceName, dataDir(),
                                                [&app] { app.raiseFromAnotherInstance(); });
    exitCode = app.run(commandLine);
  }
  curl_global_cleanup();
  return exitCode;
}
