// The launcher's icon in the desktop's tray, with the menu "Open launcher", a separator and
// "Exit". Without a tray on the desktop the icon simply is not seen.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace duskmere::platform {

struct TrayEvents {
  // "Open launcher", or the icon's secondary activation (a middle click on most trays).
  std::function<void()> openRequested;
  std::function<void()> exitRequested;
};

struct TrayIcon;
struct TrayIconDeleter {
  void operator()(TrayIcon* icon) const;
};
// Destroying the handle removes the icon. Safe inside one of its own events.
using TrayIconHandle = std::unique_ptr<TrayIcon, TrayIconDeleter>;

// `id` names the icon for the desktop; `icon` is an icon-theme name or an image file path;
// `tooltip` is the first tooltip text. Events arrive on the UI thread.
TrayIconHandle createTrayIcon(const std::string& id, const std::string& icon,
                              const std::string& tooltip, TrayEvents events);

void setTrayTooltip(TrayIcon& icon, const std::string& tooltip);

}  // namespace duskmere::platform
