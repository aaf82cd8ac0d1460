// The private messages that worker threads post to the main loop, and the small interface
// through which the update engine posts them without knowing the desktop shell.
#pragma once

#include <cstdint>
#include <functional>

namespace duskmere {

// Ids as the main window knows them (WM_APP + 1 .. WM_APP + 8).
enum AppMessage : std::uint32_t {
  WM_APP_UPDATE_STATE = 0x8001,
  WM_APP_FEED_RESULT = 0x8002,
  WM_APP_LOGIN_RESULT = 0x8003,
  WM_APP_GAME_EXITED = 0x8004,
  WM_APP_TRAY = 0x8005,
  WM_APP_LAUNCHER_UPDATE = 0x8006,
  WM_APP_SELF_UPDATE_ABORTED = 0x8007,
  WM_APP_VERSION_PROBE = 0x8008,
};

// Where a worker posts. `post` must not block or wait for the receiver: it is called on the
// worker thread and only queues the message. An empty `post` means no receiver yet.
struct MessageTarget {
  std::function<void(AppMessage message)> post;
};

}  // namespace duskmere
