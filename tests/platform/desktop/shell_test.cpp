#include "platform/shell.h"

#include <gtest/gtest.h>

#include "platform/desktop/desktop_test_support.h"
#include "platform/linux/desktop/main_window_gtk.h"
#include "platform/main_loop.h"
#include "platform/main_window.h"
#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(initToolkit());
    environment.set("DUSKMERE_OPEN_URI_LOG", std::nullopt);
    environment.set("DUSKMERE_MESSAGE_LOG", std::nullopt);
    environment.set("DUSKMERE_PICK_FOLDER", std::nullopt);
  }

  test::TempFolder root;
  test::ScopedEnvironment environment;
};

TEST_F(ShellTest, TestHooksRecordInsteadOfActing) {
  environment.set("DUSKMERE_OPEN_URI_LOG", (root / "uris").string());
  EXPECT_TRUE(openUri("https://127.0.0.1:8443/discord"));
  EXPECT_TRUE(openUri("https://example.invalid/a b?c=ü#d"));
  EXPECT_EQ(test::readFile(root / "uris"),
            "https://127.0.0.1:8443/discord\nhttps://example.invalid/a b?c=ü#d\n");

  environment.set("DUSKMERE_MESSAGE_LOG", (root / "messages").string());
  showMessageBox(nullptr, "Duskmere Launcher", "first\n\nsecond", MessageIcon::Error);
  EXPECT_EQ(test::readFile(root / "messages"), "first\n\nsecond\n");

  const struct {
    std::optional<std::string> hook;
    std::optional<std::filesystem::path> chosen;
  } pickCases[] = {{"/srv/games/Duskmere", std::filesystem::path("/srv/games/Duskmere")},
                   {"", std::nullopt}};
  for (const auto& pick : pickCases) {
    environment.set("DUSKMERE_PICK_FOLDER", pick.hook);
    EXPECT_EQ(pickFolder(nullptr, "Choose where to install Duskmere"), pick.chosen);
  }
}

TEST_F(ShellTest, UriWithoutAnyHandlerIsReportedAsNotOpened) {
  EXPECT_FALSE(openUri("duskmere-no-such-scheme:thing"));
}

GtkWindow* dialogTitled(const char* title) {
  return test::findToplevel([title](GtkWindow* window) {
    return gtk_widget_get_mapped(GTK_WIDGET(window)) &&
           g_strcmp0(gtk_window_get_title(window), title) == 0;
  });
}

TEST_F(ShellTest, MessageBoxIsAModalDialogWithCaptionIconAndText) {
  auto owner = createMainWindow(MainWindowLook{}, true, {});
  ASSERT_TRUE(owner);
  const struct {
    MessageIcon icon;
    GtkMessageType type;
    MainWindow* owner;
  } cases[] = {{MessageIcon::Error, GTK_MESSAGE_ERROR, owner.get()},
               {MessageIcon::Information, GTK_MESSAGE_INFO, nullptr}};
  for (const auto& box : cases) {
    bool seen = false;
    test::whenLoopTurns([&] {
      GtkWindow* dialog = dialogTitled("Duskmere Launcher");
      if (dialog == nullptr || !GTK_IS_MESSAGE_DIALOG(dialog))
        return false;
      GtkMessageType type;
      gchar* text = nullptr;
      g_object_get(dialog, "message-type", &type, "text", &text, nullptr);
      EXPECT_EQ(type, box.type);
      EXPECT_STREQ(text, "The launcher could not be copied there.\n\nTry another location.");
      g_free(text);
      EXPECT_TRUE(gtk_window_get_modal(dialog));
      EXPECT_EQ(gtk_window_get_transient_for(dialog),
                box.owner != nullptr ? GTK_WINDOW(box.owner->window) : nullptr);
      seen = true;
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      return true;
    });
    showMessageBox(box.owner, "Duskmere Launcher",
                   "The launcher could not be copied there.\n\nTry another location.", box.icon);
    EXPECT_TRUE(seen);
  }
}

TEST_F(ShellTest, FolderPickerReturnsTheChosenFolderOrNothing) {
  std::filesystem::create_directories(root / "Games");
  for (const bool accept : {true, false}) {
    bool folderSet = false;
    test::whenLoopTurns([&] {
      GtkWindow* dialog = dialogTitled("Choose the Duskmere game folder");
      if (dialog == nullptr || !GTK_IS_FILE_CHOOSER(dialog))
        return false;
      GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
      EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
      if (!folderSet) {
        gtk_file_chooser_set_current_folder(chooser, (root / "Games").c_str());
        folderSet = true;
      }
      // The chooser takes the folder in when it has loaded it.
      gchar* current = gtk_file_chooser_get_current_folder(chooser);
      const bool there = current != nullptr && root / "Games" == current;
      g_free(current);
      if (!there)
        return false;
      gtk_dialog_response(GTK_DIALOG(dialog), accept ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
      return true;
    });
    const auto chosen = pickFolder(nullptr, "Choose the Duskmere game folder");
    if (accept)
      EXPECT_EQ(chosen, root / "Games");
    else
      EXPECT_FALSE(chosen);
  }
}

}  // namespace
}  // namespace duskmere::platform
