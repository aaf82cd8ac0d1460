// Desktop notifications (the tray balloons), shown by the desktop's notification service.
#pragma once

#include <string>

namespace duskmere::platform {

// The application name notifications are shown under.
inline constexpr const char* kNotificationAppName = "Duskmere Launcher";

// Shows a notification. False, quickly and without any message, when no session bus or no
// notification service is there or the service refused it.
bool showNotification(const std::string& title, const std::string& text);

}  // namespace duskmere::platform
