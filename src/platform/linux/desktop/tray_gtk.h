// The GTK side of the tray icon, for code that needs the indicator itself.
#pragma once

#include <libayatana-appindicator/app-indicator.h>

#include "platform/tray.h"

namespace duskmere::platform {

AppIndicator* trayIndicator(TrayIcon& icon);

}  // namespace duskmere::platform
