#include "app/posted_string.h"

#include "platform/main_loop.h"

namespace duskmere {

bool postWithString(AppMessage message, std::unique_ptr<std::string> text) {
  const auto payload = reinterpret_cast<std::intptr_t>(text.get());
  if (!platform::postMessage(message, 0, payload))
    return false;
  text.release();  // the message owns it now
  return true;
}

std::unique_ptr<std::string> takePostedString(std::intptr_t lParam) {
  return std::unique_ptr<std::string>(reinterpret_cast<std::string*>(lParam));
}

bool carriesPostedString(unsigned messageId) {
  return messageId == WM_APP_FEED_RESULT || messageId == WM_APP_LOGIN_RESULT;
}

}  // namespace duskmere
