#include "platform/shortcut.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

TEST(ShortcutTest, DesktopEntryStartsTheTargetInItsFolderAndIsExecutable) {
  test::TempFolder root;
  const auto target = root / "My \"Games\" $HOME 100%/Duskmere/DuskmereAutopatcher";
  const auto entry = root / "Duskmere.desktop";
  ASSERT_TRUE(createShortcut(target, entry, "", "Play Duskmere", target));

  const std::string folder = (root / "My \"Games\" $HOME 100%/Duskmere").string();
  // Exec quotes the program, escaping what is special inside quotes, and doubles "%"; the
  // key file then escapes each backslash once more.
  const std::string exec = "\"" + root.path().string() +
                           "/My \\\\\"Games\\\\\" \\\\$HOME 100%%/Duskmere/DuskmereAutopatcher\"";
  EXPECT_EQ(test::readFile(entry),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Duskmere\n"
            "Comment=Play Duskmere\n"
            "Exec=" +
                exec +
                "\n"
                "Path=" +
                folder +
                "\n"
                "Icon=" +
                target.string() +
                "\n"
                "Terminal=false\n");
  const auto permissions = std::filesystem::status(entry).permissions();
  EXPECT_NE(permissions & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
}

TEST(ShortcutTest, ArgumentsFollowTheProgramAndEmptyFieldsAreLeftOut) {
  test::TempFolder root;
  const auto entry = root / "Duskmere.desktop";
  ASSERT_TRUE(createShortcut("/opt/duskmere/DuskmereAutopatcher", entry, "-tray", "", ""));
  EXPECT_EQ(test::readFile(entry),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Duskmere\n"
            "Exec=\"/opt/duskmere/DuskmereAutopatcher\" -tray\n"
            "Path=/opt/duskmere\n"
            "Terminal=false\n");
}

TEST(ShortcutTest, AnUnwritablePlaceIsReported) {
  test::TempFolder root;
  EXPECT_FALSE(createShortcut("/opt/duskmere/DuskmereAutopatcher",
                              root / "missing folder" / "Duskmere.desktop", "", "", ""));
}

}  // namespace
}  // namespace duskmere::platform
