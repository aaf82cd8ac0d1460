#include "platform/system_info.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace duskmere::platform {
namespace {

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

TEST(SystemInfoTest, NamesTheKernelReleaseAndMachine) {
  // The kernel publishes both; the text must agree with it.
  const std::string release = firstLine(test::readFile("/proc/sys/kernel/osrelease"));
  ASSERT_FALSE(release.empty());
  const std::string text = operatingSystemText();
  EXPECT_EQ(text.rfind("Linux " + release + " (", 0), 0u) << text;
  EXPECT_EQ(text.back(), ')');
  EXPECT_GT(text.size(), ("Linux " + release + " ()").size());
}

}  // namespace
}  // namespace duskmere::platform
