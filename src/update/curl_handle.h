// Owning handle for a libcurl easy handle.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace duskmere {

struct CurlEasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyCleanup>;

}  // namespace duskmere
