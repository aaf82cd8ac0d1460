#include "platform/tray.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/desktop/tray_gtk.h"
#include "platform/main_loop.h"

namespace duskmere::platform {
namespace {

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(initToolkit()); }
};

std::vector<GtkWidget*> menuItems(TrayIcon& icon) {
  std::vector<GtkWidget*> items;
  GList* children =
      gtk_container_get_children(GTK_CONTAINER(app_indicator_get_menu(trayIndicator(icon))));
  for (GList* child = children; child != nullptr; child = child->next)
    items.push_back(GTK_WIDGET(child->data));
  g_list_free(children);
  return items;
}

TEST_F(TrayTest, TheMenuOpensAndExitsAndTheTitleIsTheTooltip) {
  int opens = 0, exits = 0;
  TrayIconHandle icon = createTrayIcon("duskmere-launcher-test", "applications-games",
                                       "Duskmere Launcher", {[&] { ++opens; }, [&] { ++exits; }});
  ASSERT_TRUE(icon);
  AppIndicator* indicator = trayIndicator(*icon);
  EXPECT_STREQ(app_indicator_get_title(indicator), "Duskmere Launcher");
  EXPECT_EQ(app_indicator_get_status(indicator), APP_INDICATOR_STATUS_ACTIVE);
  setTrayTooltip(*icon, "Duskmere Launcher v2.1.2 · Client 1.05");
  EXPECT_STREQ(app_indicator_get_title(indicator), "Duskmere Launcher v2.1.2 · Client 1.05");

  const auto items = menuItems(*icon);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(items[0])), "Open launcher");
  EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(items[1]));
  EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(items[2])), "Exit");
  EXPECT_EQ(app_indicator_get_secondary_activate_target(indicator), items[0]);

  gtk_menu_item_activate(GTK_MENU_ITEM(items[0]));
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(exits, 0);
  gtk_menu_item_activate(GTK_MENU_ITEM(items[2]));
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(exits, 1);
}

TEST_F(TrayTest, ExitMayRemoveTheIconFromInsideItsOwnEvent) {
  TrayIconHandle icon;
  bool exited = false;
  icon = createTrayIcon("duskmere-launcher-test", "applications-games", "Duskmere Launcher",
                        {{}, [&] {
                           icon.reset();
                           exited = true;
                         }});
  ASSERT_TRUE(icon);
  GtkWidget* exitItem = menuItems(*icon)[2];
  gtk_menu_item_activate(GTK_MENU_ITEM(exitItem));
  EXPECT_TRUE(exited);
  EXPECT_FALSE(icon);
}

}  // namespace
}  // namespace duskmere::platform
