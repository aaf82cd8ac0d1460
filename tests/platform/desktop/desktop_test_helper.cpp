// A second process for the desktop tests: what another launcher start does.
//   desktop_test_helper hold NAME FOLDER MARKER  holds the instance lock, creates MARKER, waits
//   desktop_test_helper second NAME FOLDER       a second start: 0 after a hand-over, 3 if alone
//   desktop_test_helper notify TITLE TEXT        0 when the notification was shown, else 1
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/instance.h"
#include "platform/notify.h"

using namespace duskmere::platform;

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "hold" && argc == 5) {
    auto lock = holdInstanceLock(argv[2], argv[3], {});
    if (!lock)
      return 2;
    std::ofstream(argv[4]) << getpid() << "\n";
    for (;;)
      pause();
  }
  if (mode == "second" && argc == 4) {
    if (!anotherInstanceRunning(argv[2], argv[3]))
      return 3;
    requestInstanceRaise(argv[2], argv[3]);
    return 0;
  }
  if (mode == "notify" && argc == 4)
    return showNotification(argv[2], argv[3]) ? 0 : 1;
  return 64;
}
