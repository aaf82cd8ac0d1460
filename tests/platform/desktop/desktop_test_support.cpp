#include "platform/desktop/desktop_test_support.h"

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <memory>

namespace duskmere::test {
namespace {

gboolean wake(gpointer) {
  return G_SOURCE_CONTINUE;
}

struct PendingAction {
  std::function<bool()> action;
  std::chrono::steady_clock::time_point deadline;
};

gboolean runPendingAction(gpointer data) {
  auto* pending = static_cast<PendingAction*>(data);
  if (pending->action() || std::chrono::steady_clock::now() > pending->deadline)
    return G_SOURCE_REMOVE;
  return G_SOURCE_CONTINUE;
}

void freePendingAction(gpointer data) {
  delete static_cast<PendingAction*>(data);
}

}  // namespace

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  // Wakes the blocking iteration now and then, so the deadline is seen.
  const guint waker = g_timeout_add(20, wake, nullptr);
  bool finished = done();
  while (!finished && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    finished = done();
  }
  g_source_remove(waker);
  return finished;
}

GtkWindow* findToplevel(const std::function<bool(GtkWindow*)>& match) {
  GList* windows = gtk_window_list_toplevels();
  GtkWindow* found = nullptr;
  for (GList* item = windows; item != nullptr && found == nullptr; item = item->next) {
    if (match(GTK_WINDOW(item->data)))
      found = GTK_WINDOW(item->data);
  }
  g_list_free(windows);
  return found;
}

void whenLoopTurns(std::function<bool()> action, std::chrono::milliseconds limit) {
  auto* pending = new PendingAction{std::move(action), std::chrono::steady_clock::now() + limit};
  g_timeout_add_full(G_PRIORITY_DEFAULT, 20, runPendingAction, pending, freePendingAction);
}

void movePointer(GtkWidget* widget, int rootX, int rootY) {
  Display* display = GDK_DISPLAY_XDISPLAY(gtk_widget_get_display(widget));
  XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
  XFlush(display);
}

void primaryButton(GtkWidget* widget, bool down) {
  Display* display = GDK_DISPLAY_XDISPLAY(gtk_widget_get_display(widget));
  XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
  XFlush(display);
}

std::string fileUri(const std::filesystem::path& path) {
  char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string text = uri != nullptr ? uri : "";
  g_free(uri);
  return text;
}

}  // namespace duskmere::test
