// Files compiled into the executable: the launcher page, its pictures and fonts, and the
// sample feeds.
#pragma once

#include <optional>
#include <string>

namespace duskmere::platform {

// The bytes of the embedded file at `relativePath` ("ui/launcher.html",
// "ui/assets/bg.jpg", "feeds-samples/status.json", ...); nothing when it is not embedded or
// empty.
std::optional<std::string> embeddedResource(const std::string& relativePath);

}  // namespace duskmere::platform
