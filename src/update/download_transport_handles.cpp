#include "update/download_transport_handles.h"

#include <mutex>
#include <utility>
#include <vector>

namespace duskmere {

namespace {

// More idle handles than transfers ever run at once would only hold connections open.
constexpr std::size_t kMaxIdleHandles = 4;

struct IdleHandles {
  std::mutex mutex;
  std::vector<CurlEasyHandle> handles;
};

IdleHandles& idleHandles() {
  // Never destroyed: cleaning handles up during static destruction would run after
  // curl_global_cleanup and could touch TLS state that is already gone.
  static IdleHandles* idle = new IdleHandles;
  return *idle;
}

}  // namespace

CurlEasyHandle borrowTransferHandle() {
  IdleHandles& idle = idleHandles();
  {
    std::lock_guard lock(idle.mutex);
    if (!idle.handles.empty()) {
      CurlEasyHandle handle = std::move(idle.handles.back());
      idle.handles.pop_back();
      // Clears every option of the previous transfer but keeps its live connections.
      curl_easy_reset(handle.get());
      return handle;
    }
  }
  return CurlEasyHandle(curl_easy_init());
}

void returnTransferHandle(CurlEasyHandle handle) {
  if (!handle) {
    return;
  }
  IdleHandles& idle = idleHandles();
  std::lock_guard lock(idle.mutex);
  if (idle.handles.size() < kMaxIdleHandles) {
    idle.handles.push_back(std::move(handle));
  }
  // Otherwise the surplus handle is cleaned up here, with its connections.
}

}  // namespace duskmere
