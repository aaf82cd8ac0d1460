// The GTK side of the main window, shared by the backends that put things into it.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "platform/main_window.h"

namespace duskmere::platform {

struct MainWindow {
  GtkWidget* window = nullptr;  // a reference of our own, released after destruction
  MainWindowLook look;
  GdkRGBA background{};
  std::function<void()> closeRequested;
  // The last primary-button press inside the window, while the button is down.
  bool primaryDown = false;
  gint pressRootX = 0;
  gint pressRootY = 0;
  guint32 pressTime = 0;
};

// Keeps track of the primary button for beginMainWindowMove; the widgets inside the window
// call it with every button event they get, before handling it.
void recordPointerButton(MainWindow& window, const GdkEventButton& event);

}  // namespace duskmere::platform
