#include "platform/tray.h"

#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include "platform/linux/desktop/tray_gtk.h"

namespace duskmere::platform {

struct TrayIcon {
  AppIndicator* indicator = nullptr;
  GtkWidget* menu = nullptr;  // our own reference
  TrayEvents events;
};

namespace {

// The icon may be destroyed by the event it raises: nothing here touches it afterwards.
void onOpenActivated(GtkMenuItem*, gpointer data) {
  const auto open = static_cast<TrayIcon*>(data)->events.openRequested;
  if (open)
    open();
}

void onExitActivated(GtkMenuItem*, gpointer data) {
  const auto exit = static_cast<TrayIcon*>(data)->events.exitRequested;
  if (exit)
    exit();
}

GtkWidget* addMenuItem(GtkWidget* menu, const char* label, GCallback activated, TrayIcon* icon) {
  GtkWidget* item = gtk_menu_item_new_with_label(label);
  g_signal_connect(item, "activate", activated, icon);
  gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  return item;
}

}  // namespace

void TrayIconDeleter::operator()(TrayIcon* icon) const {
  if (icon == nullptr)
    return;
  app_indicator_set_status(icon->indicator, APP_INDICATOR_STATUS_PASSIVE);
  GList* items = gtk_container_get_children(GTK_CONTAINER(icon->menu));
  for (GList* item = items; item != nullptr; item = item->next)
    g_signal_handlers_disconnect_by_data(item->data, icon);
  g_list_free(items);
  g_object_unref(icon->indicator);
  gtk_widget_destroy(icon->menu);
  g_object_unref(icon->menu);
  delete icon;
}

AppIndicator* trayIndicator(TrayIcon& icon) {
  return icon.indicator;
}

TrayIconHandle createTrayIcon(const std::string& id, const std::string& icon,
                              const std::string& tooltip, TrayEvents events) {
  TrayIconHandle tray(new TrayIcon);
  tray->events = std::move(events);
  tray->indicator =
      app_indicator_new(id.c_str(), icon.c_str(), APP_INDICATOR_CATEGORY_APPLICATION_STATUS);
  tray->menu = GTK_WIDGET(g_object_ref_sink(gtk_menu_new()));
  GtkWidget* open =
      addMenuItem(tray->menu, "Open launcher", G_CALLBACK(onOpenActivated), tray.get());
  gtk_menu_shell_append(GTK_MENU_SHELL(tray->menu), gtk_separator_menu_item_new());
  addMenuItem(tray->menu, "Exit", G_CALLBACK(onExitActivated), tray.get());
  gtk_widget_show_all(tray->menu);

  app_indicator_set_menu(tray->indicator, GTK_MENU(tray->menu));
  app_indicator_set_secondary_activate_target(tray->indicator, open);
  app_indicator_set_title(tray->indicator, tooltip.c_str());
  app_indicator_set_status(tray->indicator, APP_INDICATOR_STATUS_ACTIVE);
  return tray;
}

void setTrayTooltip(TrayIcon& icon, const std::string& tooltip) {
  app_indicator_set_title(icon.indicator, tooltip.c_str());
}

}  // namespace duskmere::platform
