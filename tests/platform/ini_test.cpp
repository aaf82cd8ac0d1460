#include "platform/ini.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

IniDocument documentOf(std::initializer_list<std::string> lines) {
  return IniDocument{lines};
}

TEST(IniRead, FindsValuesTheWayThePrivateProfileFunctionsDo) {
  const auto document = documentOf({
      "; a comment=with an equals sign",
      "[Launcher]",
      "  Language = de  ",
      "quoted=\"  spaced  \"",
      "number=12abc",
      "negative=-5",
      "text=abc",
      "[other]",
      "language=fr",
  });
  EXPECT_EQ(iniString(document, "launcher", "language", "en"), "de");
  EXPECT_EQ(iniString(document, "LAUNCHER", "QUOTED", ""), "  spaced  ");
  EXPECT_EQ(iniString(document, "launcher", "missing", "fallback"), "fallback");
  EXPECT_EQ(iniString(document, "missing", "language", "en"), "en");
  EXPECT_EQ(iniString(document, "other", "language", "en"), "fr");
  EXPECT_EQ(iniString(document, "", "; a comment", "none"), "none");
  EXPECT_EQ(iniInt(document, "launcher", "number", 7), 12);
  EXPECT_EQ(iniInt(document, "launcher", "negative", 7), -5);
  EXPECT_EQ(iniInt(document, "launcher", "text", 7), 0);
  EXPECT_EQ(iniInt(document, "launcher", "absent", 7), 7);
}

TEST(IniRead, CutsLongValuesToTheReadBufferWithoutSplittingACharacter) {
  const std::string ascii(2000, 'x');
  std::string accented;
  for (int i = 0; i < 1100; ++i)
    accented += "\xC3\xA9";  // é
  const auto document = documentOf({"[s]", "ascii=" + ascii, "accented=" + accented});
  EXPECT_EQ(iniString(document, "s", "ascii", ""), std::string(1023, 'x'));
  EXPECT_EQ(iniString(document, "s", "accented", "").size(), 1023u * 2);
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEveryOtherLine) {
  auto document = documentOf(
      {"; keep me", "[launcher]", "Language=de", "foreign=1", "", "[session]", "user=ann"});
  setIniString(document, "LAUNCHER", "language", "fr");
  setIniString(document, "launcher", "closeOnLaunch", "1");
  setIniString(document, "telemetry", "installId", "X");
  EXPECT_EQ(document.lines,
            (std::vector<std::string>{"; keep me", "[launcher]", "language=fr", "foreign=1",
                                      "closeOnLaunch=1", "", "[session]", "user=ann", "[telemetry]",
                                      "installId=X"}));
}

TEST(IniWrite, ALineBreakInAValueCannotAddKeysOrSections) {
  IniDocument document;
  setIniString(document, "session", "user", "mallory\n[launcher]\ngamePath=/etc");
  EXPECT_EQ(document.lines.size(), 2u);
  EXPECT_EQ(iniString(document, "launcher", "gamePath", "none"), "none");
}

TEST(IniFile, RoundTripsAndReadsMissingOrBinaryFilesSafely) {
  test::TempFolder folder;
  EXPECT_TRUE(readIniFile(folder / "missing.ini").lines.empty());

  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage += static_cast<char>((i * 151 + 7) % 256);
  test::writeFile(folder / "garbage.ini", garbage);
  const auto noisy = readIniFile(folder / "garbage.ini");
  EXPECT_EQ(iniString(noisy, "launcher", "language", "en"), "en");

  test::writeFile(folder / "crlf.ini", "[a]\r\nkey=value\r\n");
  auto document = readIniFile(folder / "crlf.ini");
  EXPECT_EQ(iniString(document, "a", "key", ""), "value");
  setIniString(document, "a", "other", "2");
  ASSERT_TRUE(writeIniFile(folder / "crlf.ini", document));
  EXPECT_EQ(test::readFile(folder / "crlf.ini"), "[a]\nkey=value\nother=2\n");
  EXPECT_FALSE(writeIniFile(folder / "no-such-folder" / "x.ini", document));
}

}  // namespace
}  // namespace duskmere::platform
