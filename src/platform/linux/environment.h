// The XDG base folders, read afresh from the environment on every call.
#pragma once

#include <filesystem>
#include <optional>

namespace duskmere::platform {

std::optional<std::filesystem::path> homeFolder();
// $XDG_DATA_HOME, else ~/.local/share.
std::optional<std::filesystem::path> dataHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::optional<std::filesystem::path> configHome();

}  // namespace duskmere::platform
