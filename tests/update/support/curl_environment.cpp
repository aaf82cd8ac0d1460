// libcurl's global set-up, done once before any test runs, as the launcher's entry point does
// before it starts a thread. The tests link gtest_main, so it is registered from a static.
#include <curl/curl.h>
#include <gtest/gtest.h>

namespace {

class CurlEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { curl_global_init(CURL_GLOBAL_ALL); }
};

[[maybe_unused]] ::testing::Environment* const curlEnvironment =
    ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

}  // namespace
