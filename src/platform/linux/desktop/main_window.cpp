#include "platform/main_window.h"

#include <gtk/gtk.h>

#include <memory>

#include "platform/linux/desktop/main_window_gtk.h"

namespace duskmere::platform {
namespace {

gboolean onDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
  auto* window = static_cast<MainWindow*>(data);
  if (window->closeRequested)
    window->closeRequested();
  return TRUE;  // never destroyed by a close request
}

gboolean onButtonEvent(GtkWidget*, GdkEventButton* event, gpointer data) {
  recordPointerButton(*static_cast<MainWindow*>(data), *event);
  return FALSE;
}

void applyBackground(GtkWidget* widget, const std::string& colour) {
  GtkCssProvider* provider = gtk_css_provider_new();
  const std::string css = "window { background-color: " + colour + "; }";
  if (gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr)) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  g_object_unref(provider);
}

}  // namespace

void recordPointerButton(MainWindow& window, const GdkEventButton& event) {
  if (event.button != GDK_BUTTON_PRIMARY)
    return;
  if (event.type == GDK_BUTTON_PRESS) {
    window.primaryDown = true;
    window.pressRootX = static_cast<gint>(event.x_root);
    window.pressRootY = static_cast<gint>(event.y_root);
    window.pressTime = event.time;
  } else if (event.type == GDK_BUTTON_RELEASE) {
    window.primaryDown = false;
  }
}

void MainWindowDeleter::operator()(MainWindow* window) const {
  if (window == nullptr)
    return;
  g_signal_handlers_disconnect_by_data(window->window, window);
  gtk_widget_destroy(window->window);
  g_object_unref(window->window);
  delete window;
}

MainWindowHandle createMainWindow(const MainWindowLook& look, bool visible,
                                  std::function<void()> closeRequested) {
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (widget == nullptr)
    return nullptr;
  auto window = std::make_unique<MainWindow>();
  window->window = GTK_WIDGET(g_object_ref(widget));
  window->look = look;
  window->closeRequested = std::move(closeRequested);
  if (!gdk_rgba_parse(&window->background, look.background.c_str()))
    window->background = GdkRGBA{0, 0, 0, 1};

  GtkWindow* gtkWindow = GTK_WINDOW(widget);
  gtk_window_set_title(gtkWindow, look.title.c_str());
  gtk_window_set_decorated(gtkWindow, FALSE);
  // A fixed window takes its size from the size request, not from a default size.
  gtk_widget_set_size_request(widget, look.width, look.height);
  gtk_window_set_resizable(gtkWindow, FALSE);
  gtk_window_set_position(gtkWindow, GTK_WIN_POS_CENTER);
  if (!look.iconFile.empty())
    gtk_window_set_icon_from_file(gtkWindow, look.iconFile.c_str(), nullptr);
  applyBackground(widget, look.background);

  g_signal_connect(widget, "delete-event", G_CALLBACK(onDeleteEvent), window.get());
  g_signal_connect(widget, "button-press-event", G_CALLBACK(onButtonEvent), window.get());
  g_signal_connect(widget, "button-release-event", G_CALLBACK(onButtonEvent), window.get());
  if (visible)
    gtk_widget_show(widget);
  return MainWindowHandle(window.release());
}

void showMainWindow(MainWindow& window) {
  gtk_widget_show(window.window);
}

void hideMainWindow(MainWindow& window) {
  gtk_widget_hide(window.window);
}

void presentMainWindow(MainWindow& window) {
  gtk_window_present(GTK_WINDOW(window.window));
}

void minimizeMainWindow(MainWindow& window) {
  gtk_window_iconify(GTK_WINDOW(window.window));
  gtk_widget_show(window.window);
}

void restoreMainWindow(MainWindow& window) {
  gtk_window_deiconify(GTK_WINDOW(window.window));
  gtk_widget_show(window.window);
}

bool isMainWindowVisible(const MainWindow& window) {
  return gtk_widget_get_visible(window.window);
}

bool beginMainWindowMove(MainWindow& window) {
  if (!window.primaryDown)
    return false;
  window.primaryDown = false;
  gtk_window_begin_move_drag(GTK_WINDOW(window.window), GDK_BUTTON_PRIMARY, window.pressRootX,
                             window.pressRootY, window.pressTime);
  return true;
}

}  // namespace duskmere::platform
