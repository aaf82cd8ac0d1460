// Text that a worker hands to the UI thread inside a posted message: allocated by the sender,
// owned by the message once the post succeeded, freed by whoever receives or discards it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "update/app_messages.h"

namespace duskmere {

// Posts `message` with `text` as its payload; on failure the text is freed here.
bool postWithString(AppMessage message, std::unique_ptr<std::string> text);

// Takes ownership of the payload of a received or discarded message; null stays null.
std::unique_ptr<std::string> takePostedString(std::intptr_t lParam);

// Messages whose lParam carries a posted string.
bool carriesPostedString(unsigned messageId);

}  // namespace duskmere
