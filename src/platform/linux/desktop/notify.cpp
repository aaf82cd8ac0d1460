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

struct PendingConnection {
  GDBusConnection* connection = nullptr;
  bool finished = false;
};

void onConnected(GObject*, GAsyncResult* result, gpointer data) {
  auto* pending = static_cast<PendingConnection*>(data);
  pending->connection = g_dbus_connection_new_for_address_finish(result, nullptr);
  pending->finished = true;
}

gboolean keepWaking(gpointer) {
  return G_SOURCE_CONTINUE;
}

// A private connection, given up after kBusCallTimeoutMs: a bus that does not answer would
// otherwise hold the caller for the bus library's own time-out of 25 seconds.
GDBusConnection* connectToSessionBus() {
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (address == nullptr)
    return nullptr;
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  GCancellable* cancellable = g_cancellable_new();
  PendingConnection pending;
  g_dbus_connection_new_for_address(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, cancellable, onConnected, &pending);
  const gint64 deadline = g_get_monotonic_time() + kBusCallTimeoutMs * G_GINT64_CONSTANT(1000);
  GSource* timeout = g_timeout_source_new(kBusCallTimeoutMs);
  g_source_set_callback(timeout, keepWaking, nullptr, nullptr);
  g_source_attach(timeout, context);
  while (!pending.finished && g_get_monotonic_time() < deadline)
    g_main_context_iteration(context, TRUE);
  if (!pending.finished) {
    g_cancellable_cancel(cancellable);
    while (!pending.finished)
      g_main_context_iteration(context, TRUE);
  }
  g_source_destroy(timeout);
  g_source_unref(timeout);
  g_object_unref(cancellable);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  g_free(address);
  return pending.connection;
}

// A running or startable service answers at once; showing without one would block on the
// bus for its default time-out.
bool notificationServiceAvailable() {
  if (!sessionBusAddressKnown())
    return false;
  GDBusConnection* bus = connectToSessionBus();
  if (bus == nullptr)
    return false;
  const bool available = busReplyListsService(bus, "NameHasOwner",
                                              g_variant_new("(s)", kNotificationService), "(b)") ||
                         busReplyListsService(bus, "ListActivatableNames", nullptr, "(as)");
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
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
