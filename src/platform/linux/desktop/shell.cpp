#include "platform/shell.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <fstream>

#include "platform/linux/desktop/main_window_gtk.h"

namespace duskmere::platform {
namespace {

// The file a test names in `variable`, or nothing in normal use.
const char* testHook(const char* variable) {
  const char* value = std::getenv(variable);
  return (value != nullptr && value[0] != '\0') ? value : nullptr;
}

bool appendLine(const char* file, const std::string& text) {
  std::ofstream log(file, std::ios::binary | std::ios::app);
  log << text << '\n';
  log.flush();
  return static_cast<bool>(log);
}

GtkWindow* ownerWindow(MainWindow* owner) {
  return owner != nullptr ? GTK_WINDOW(owner->window) : nullptr;
}

}  // namespace

bool openUri(const std::string& uri) {
  if (const char* log = testHook("DUSKMERE_OPEN_URI_LOG"))
    return appendLine(log, uri);
  GError* error = nullptr;
  const bool opened = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  g_clear_error(&error);
  return opened;
}

void showMessageBox(MainWindow* owner, const std::string& caption, const std::string& text,
                    MessageIcon icon) {
  if (const char* log = testHook("DUSKMERE_MESSAGE_LOG")) {
    appendLine(log, text);
    return;
  }
  GtkWidget* dialog = gtk_message_dialog_new(
      ownerWindow(owner),
      static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      icon == MessageIcon::Error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s",
      text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

std::optional<std::filesystem::path> pickFolder(MainWindow* owner, const std::string& title) {
  if (const char* chosen = std::getenv("DUSKMERE_PICK_FOLDER")) {
    if (chosen[0] == '\0')
      return std::nullopt;
    return std::filesystem::path(chosen);
  }
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new(title.c_str(), ownerWindow(owner),
                                  GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Select", "_Cancel");
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  std::optional<std::filesystem::path> folder;
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    if (char* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
      folder = std::filesystem::path(path);
      g_free(path);
    }
  }
  g_object_unref(chooser);
  return folder;
}

}  // namespace duskmere::platform
