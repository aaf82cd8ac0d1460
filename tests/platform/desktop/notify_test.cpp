#include "platform/notify.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/desktop/desktop_test_support.h"
#include "platform/main_loop.h"
#include "platform/process.h"
#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

// A process of ours that the test ends by its id.
struct ChildProcess {
  std::optional<ProcessId> process;
  ~ChildProcess() {
    if (process) {
      kill(process->value, SIGTERM);
      waitForProcess(*process);
    }
  }
};

bool notificationServiceRuns() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr)
    return false;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
      g_variant_new("(s)", "org.freedesktop.Notifications"), G_VARIANT_TYPE("(b)"),
      G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply != nullptr) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  g_object_unref(bus);
  return owned;
}

class NotifyTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(initToolkit()); }

  std::optional<int> notifyFromAnotherProcess() {
    const auto process = startProcess(
        {DUSKMERE_DESKTOP_TEST_HELPER, {"notify", "Duskmere is running", "text"}}, root.path());
    return process ? waitForProcess(*process) : std::nullopt;
  }

  test::TempFolder root;
  test::ScopedEnvironment environment;
};

TEST_F(NotifyTest, TheDesktopsServiceShowsItUnderTheLaunchersName) {
  const auto record = root / "shown";
  test::writeFile(root / "record.sh",
                  "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$DUNST_APP_NAME\" \"$DUNST_SUMMARY\" "
                  "\"$DUNST_BODY\" >> '" +
                      record.string() + "'\n");
  std::filesystem::permissions(root / "record.sh", std::filesystem::perms::owner_all);
  test::writeFile(root / "dunstrc", "[record]\n    summary = \"*\"\n    script = " +
                                        (root / "record.sh").string() + "\n");
  ChildProcess dunst{
      startProcess({"dunst", {"-config", (root / "dunstrc").string()}}, root.path())};
  ASSERT_TRUE(dunst.process) << "dunst is needed for this test";
  ASSERT_TRUE(test::pumpUntil(notificationServiceRuns));

  EXPECT_TRUE(showNotification("Duskmere Launcher",
                               "Minimized to the tray — right-click the icon to exit."));
  EXPECT_TRUE(showNotification("Duskmere is running", "The launcher waits in the tray."));
  ASSERT_TRUE(
      test::pumpUntil([&] { return test::readFile(record).find("running") != std::string::npos; }));
  EXPECT_EQ(test::readFile(record),
            "Duskmere Launcher|Duskmere Launcher|Minimized to the tray — right-click the icon to "
            "exit.\n"
            "Duskmere Launcher|Duskmere is running|The launcher waits in the tray.\n");
}

TEST_F(NotifyTest, NothingAndNoWaitWithoutABusOrWithoutAService) {
  // No bus at all: nothing may start one.
  environment.set("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
  environment.set("XDG_RUNTIME_DIR", root.path().string());
  EXPECT_EQ(notifyFromAnotherProcess(), 1);

  // A bus on which no notification service runs or can be started.
  const auto socket = root / "bus";
  test::writeFile(root / "bus.conf",
                  "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                  "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                  "<busconfig><type>session</type><listen>unix:path=" +
                      socket.string() +
                      "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                      "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
  {
    ChildProcess bus{
        startProcess({"dbus-daemon", {"--nofork", "--config-file=" + (root / "bus.conf").string()}},
                     root.path())};
    ASSERT_TRUE(bus.process);
    ASSERT_TRUE(test::pumpUntil([&] { return std::filesystem::exists(socket); }));
    environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket.string());
    EXPECT_EQ(notifyFromAnotherProcess(), 1);
  }

  // A bus that takes the connection and never answers: given up on, not waited for.
  std::filesystem::remove(socket);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socket.native().copy(address.sun_path, sizeof(address.sun_path) - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  EXPECT_EQ(notifyFromAnotherProcess(), 1);
  close(listener);
}

}  // namespace
}  // namespace duskmere::platform
