#include "platform/main_window.h"

#include <gtest/gtest.h>

#include "platform/desktop/desktop_test_support.h"
#include "platform/linux/desktop/main_window_gtk.h"
#include "platform/main_loop.h"

namespace duskmere::platform {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(initToolkit()); }
};

bool mapped(const MainWindow& window) {
  return gtk_widget_get_mapped(window.window);
}

TEST_F(MainWindowTest, IsABorderlessFixedCentredWindowWithTheLaunchersLook) {
  auto window = createMainWindow(MainWindowLook{}, true, {});
  ASSERT_TRUE(window);
  GtkWindow* gtkWindow = GTK_WINDOW(window->window);
  ASSERT_TRUE(test::pumpUntil([&] { return mapped(*window); }));

  EXPECT_STREQ(gtk_window_get_title(gtkWindow), "Duskmere — Hollow Crown");
  EXPECT_FALSE(gtk_window_get_decorated(gtkWindow));
  EXPECT_FALSE(gtk_window_get_resizable(gtkWindow));
  int width = 0, height = 0, x = 0, y = 0;
  gtk_window_get_size(gtkWindow, &width, &height);
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(height, 800);
  gtk_window_get_position(gtkWindow, &x, &y);
  EXPECT_EQ(x, (1920 - 1280) / 2);  // the virtual screen is 1920x1080
  EXPECT_EQ(y, (1080 - 800) / 2);

  // What is on screen: the background colour, read back from the window.
  GdkWindow* surface = gtk_widget_get_window(window->window);
  ASSERT_TRUE(test::pumpUntil([&] {
    GdkPixbuf* pixels = gdk_pixbuf_get_from_window(surface, 640, 400, 1, 1);
    if (pixels == nullptr)
      return false;
    const guchar* rgb = gdk_pixbuf_get_pixels(pixels);
    const bool painted = rgb[0] == 0x07 && rgb[1] == 0x0d && rgb[2] == 0x14;
    g_object_unref(pixels);
    return painted;
  }));
}

TEST_F(MainWindowTest, CloseRequestsReachTheCallerAndLeaveTheWindowAlone) {
  int closeRequests = 0;
  auto window = createMainWindow(MainWindowLook{}, true, [&] { ++closeRequests; });
  ASSERT_TRUE(window);
  for (int i = 1; i <= 2; ++i) {
    gtk_window_close(GTK_WINDOW(window->window));
    ASSERT_TRUE(test::pumpUntil([&] { return closeRequests == i; }));
    EXPECT_TRUE(isMainWindowVisible(*window));
  }
}

TEST_F(MainWindowTest, HiddenShownMinimisedAndRestored) {
  auto window = createMainWindow(MainWindowLook{}, false, {});
  ASSERT_TRUE(window);
  EXPECT_FALSE(isMainWindowVisible(*window));
  showMainWindow(*window);
  EXPECT_TRUE(isMainWindowVisible(*window));
  hideMainWindow(*window);
  EXPECT_FALSE(isMainWindowVisible(*window));

  // The hand-over sequence on a window hidden in the tray brings it back.
  minimizeMainWindow(*window);
  EXPECT_TRUE(isMainWindowVisible(*window));
  restoreMainWindow(*window);
  presentMainWindow(*window);
  EXPECT_TRUE(isMainWindowVisible(*window));
  EXPECT_TRUE(test::pumpUntil([&] { return mapped(*window); }));
}

TEST_F(MainWindowTest, NoMoveWithoutAPressInTheWindow) {
  auto window = createMainWindow(MainWindowLook{}, true, {});
  ASSERT_TRUE(window);
  EXPECT_FALSE(beginMainWindowMove(*window));
}

}  // namespace
}  // namespace duskmere::platform
