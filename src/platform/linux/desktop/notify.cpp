#include "platform/notify.h"

#include <gio/gio.h>
#include <libnotify/notify.h>

#include <cstdlib>
#include <filesystem>

namespace duskmere::platform {
namespace {

constexpr const char* kNotificationService = "org.freedesktop.Notifications";
constexpr int kBusCallTimeoutMs = 1000;

// Without an address GLib would try to start a bus of its own (X11 autolaunch).
bool sessionBusAddressKnown() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && address[0] != '\0')
    return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code error;
  return runtime != nullptr && runtime[0] != '\0' &&
         std::filesystem::is_socket(std::filesystem::path(runtime) / "bus", error);
}

bool busReplyListsService(GDBusConnection* bus, const char* method, GVariant* parameters,
                          const char* replyType) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
      parameters, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, kBusCallTimeoutMs, nullptr,
      &error);
  if (reply == nullptr) {
    g_clear_error(&error);
    return false;
  }
  bool found = false;
  if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(b)"))) {
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    found = owned;
  } else {
    GVariantIter* names = nullptr;
    g_variant_get(reply, "(as)", &names);
    const char* name = nullptr;
    while (!found && g_variant_iter_next(names, "&s", &name))
      found = g_strcmp0(name, kNotificationService) == 0;
    g_variant_iter_free(names);
  }
  g_variant_unref(reply);
  return found;
}

// A running or startable service answers at once; showing without one would block on the
// bus for its default time-out.
bool notificationServiceAvailable() {
  if (!sessionBusAddressKnown())
    return false;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr)
    return false;
  const bool available = busReplyListsService(bus, "NameHasOwner",
                                              g_variant_new("(s)", kNotificationService), "(b)") ||
                         busReplyListsService(bus, "ListActivatableNames", nullptr, "(as)");
  g_object_unref(bus);
  return available;
}

}  // namespace

bool showNotification(const std::string& title, const std::string& text) {
  if (!notificationServiceAvailable())
    return false;
  if (!notify_is_initted() && !notify_init(kNotificationAppName))
    return false;
  NotifyNotification* notification = notify_notification_new(title.c_str(), text.c_str(), nullptr);
  GError* error = nullptr;
  const bool shown = notify_notification_show(notification, &error);
  g_clear_error(&error);
  g_object_unref(notification);
  return shown;
}

}  // namespace duskmere::platform
