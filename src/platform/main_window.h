// The launcher's main window: borderless, fixed size, centred, hidden and shown many times
// over its life and destroyed only when the launcher quits.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace duskmere::platform {

struct MainWindowLook {
  std::string title = "Duskmere — Hollow Crown";
  int width = 1280;  // logical pixels; the toolkit scales them for the screen
  int height = 800;
  std::string background = "#070d14";  // CSS colour, also behind the web view while it loads
  std::filesystem::path iconFile;      // window icon; none when empty or unreadable
};

struct MainWindow;
struct MainWindowDeleter {
  void operator()(MainWindow* window) const;
};
// Destroying the handle destroys the window and everything in it.
using MainWindowHandle = std::unique_ptr<MainWindow, MainWindowDeleter>;

// Creates the window, shown when `visible`. `closeRequested` runs on the UI thread when the
// user or the desktop asks the window to close; the window itself stays as it is (the caller
// decides, typically hiding it). Nothing when the window cannot be created.
MainWindowHandle createMainWindow(const MainWindowLook& look, bool visible,
                                  std::function<void()> closeRequested);

void showMainWindow(MainWindow& window);
void hideMainWindow(MainWindow& window);
// Shows the window, raises it above others and gives it the keyboard focus.
void presentMainWindow(MainWindow& window);
// Minimises the window; a hidden window becomes shown and minimised.
void minimizeMainWindow(MainWindow& window);
// Shows a hidden or minimised window in its normal state.
void restoreMainWindow(MainWindow& window);
bool isMainWindowVisible(const MainWindow& window);

// Starts moving the window with the pointer, as a title bar does, when the primary button
// is still down since it was pressed in the window. False when no such press is going on.
bool beginMainWindowMove(MainWindow& window);

}  // namespace duskmere::platform
