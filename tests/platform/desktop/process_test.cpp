#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

namespace fs = std::filesystem;

void writeScript(const fs::path& path, const std::string& body, bool executable = true) {
  test::writeFile(path, "#!/bin/sh\n" + body);
  fs::permissions(
      path, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ProcessTest, StartsInTheWorkingFolderWithItsArgumentsAndGivesTheExitCode) {
  test::TempFolder root;
  fs::create_directories(root / "game folder");
  writeScript(root / "program", "pwd > out\nprintf '%s|' \"$@\" >> out\nexit 7\n");
  const auto process =
      startProcess({root / "program", {"one", "two words", ""}}, root / "game folder");
  ASSERT_TRUE(process);
  // Waiting is done by a waiter thread in the launcher.
  std::optional<int> code;
  std::thread waiter([&] { code = waitForProcess(*process); });
  waiter.join();
  EXPECT_EQ(code, 7);
  EXPECT_EQ(test::readFile(root / "game folder/out"),
            (root / "game folder").string() + "\none|two words||");
  EXPECT_FALSE(waitForProcess(*process));  // collected once only
}

TEST(ProcessTest, ARelativeProgramIsFoundFromOurFolderNotTheChildsOne) {
  test::TempFolder root;
  fs::create_directories(root / "work");
  writeScript(root / "program", "exit 4\n");
  const auto previous = fs::current_path();
  fs::current_path(root.path());
  const auto process = startProcess({"./program", {}}, root / "work");
  fs::current_path(previous);
  ASSERT_TRUE(process);
  EXPECT_EQ(waitForProcess(*process), 4);
}

TEST(ProcessTest, ProgramsFromPathAndSignals) {
  test::TempFolder root;
  const auto process = startProcess({"sh", {"-c", "kill -TERM $$"}}, root.path());
  ASSERT_TRUE(process);
  EXPECT_EQ(waitForProcess(*process), 128 + SIGTERM);
}

TEST(ProcessTest, WhatCannotStartIsReported) {
  test::TempFolder root;
  writeScript(root / "not executable", "exit 0\n", false);
  const struct {
    ProgramCommand command;
    fs::path folder;
  } cases[] = {
      {{root / "missing", {}}, root.path()},
      {{"duskmere-no-such-program", {}}, root.path()},
      {{root / "not executable", {}}, root.path()},
      {{"sh", {"-c", "exit 0"}}, root / "missing folder"},
      {{"", {}}, root.path()},
  };
  for (const auto& start : cases)
    EXPECT_FALSE(startProcess(start.command, start.folder)) << start.command.program;
  EXPECT_FALSE(startDetached({root / "missing", {}}, root.path()));
  EXPECT_FALSE(waitForProcess(ProcessId{}));
}

TEST(ProcessTest, DetachedProgramsRunOnTheirOwn) {
  test::TempFolder root;
  writeScript(root / "restart", "echo \"$1\" > \"$PWD/started\"\n");
  ASSERT_TRUE(startDetached({root / "restart", {"-ignoreinstances"}}, root.path()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (test::readFile(root / "started") != "-ignoreinstances\n" &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::readFile(root / "started"), "-ignoreinstances\n");
}

TEST(ProcessTest, TheWindowsGameStartsThroughWineUnlessItRunsHere) {
  test::TempFolder root;
  test::ScopedEnvironment environment;
  writeScript(root / "script.exe", "exit 0\n");
  writeScript(root / "script no x.exe", "exit 0\n", false);
  fs::copy_file("/bin/true", root / "elf.exe");
  fs::permissions(root / "elf.exe", fs::perms::owner_all);
  test::writeFile(root / "windows.exe", "MZ\x90");
  test::writeFile(root / "windows x.exe", "MZ\x90");
  fs::permissions(root / "windows x.exe", fs::perms::owner_all);

  const struct {
    const char* file;
    std::optional<std::string> wine;
    std::string program;  // empty: the file itself
  } cases[] = {
      {"script.exe", "/opt/wine/bin/wine", ""},
      {"elf.exe", "/opt/wine/bin/wine", ""},
      {"script no x.exe", "/opt/wine/bin/wine", "/opt/wine/bin/wine"},
      {"windows.exe", "/opt/wine/bin/wine", "/opt/wine/bin/wine"},
      {"windows x.exe", "/opt/wine/bin/wine", "/opt/wine/bin/wine"},
      {"windows.exe", std::nullopt, "wine"},
      {"windows.exe", "", "wine"},
      {"missing.exe", std::nullopt, "wine"},
  };
  for (const auto& game : cases) {
    SCOPED_TRACE(game.file);
    environment.set("DUSKMERE_WINE", game.wine);
    const auto exe = root / game.file;
    const auto command = windowsProgramCommand(exe, {"-a"});
    if (game.program.empty()) {
      EXPECT_EQ(command.program, exe);
      EXPECT_EQ(command.arguments, (std::vector<std::string>{"-a"}));
    } else {
      EXPECT_EQ(command.program, game.program);
      EXPECT_EQ(command.arguments, (std::vector<std::string>{exe.string(), "-a"}));
    }
  }
}

TEST(ProcessTest, TheGameRunsUnderTheNamedWineInTheGameFolder) {
  test::TempFolder root;
  test::ScopedEnvironment environment;
  fs::create_directories(root / "game");
  test::writeFile(root / "game/Duskmere.exe", "MZ\x90");
  writeScript(root / "wine", "echo \"$PWD|$*\" > \"$PWD/wine-ran\"\nexit 3\n");
  environment.set("DUSKMERE_WINE", (root / "wine").string());
  const auto process =
      startProcess(windowsProgramCommand(root / "game/Duskmere.exe", {}), root / "game");
  ASSERT_TRUE(process);
  EXPECT_EQ(waitForProcess(*process), 3);
  EXPECT_EQ(test::readFile(root / "game/wine-ran"),
            (root / "game").string() + "|" + (root / "game/Duskmere.exe").string() + "\n");
}

}  // namespace
}  // namespace duskmere::platform
