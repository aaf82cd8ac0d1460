// Inflating a downloaded gzip package over its target file.
#pragma once

#include <filesystem>

namespace duskmere {

// Inflates the gzip file `package` (a file that is not gzip passes unchanged) into `target`.
// The new content is written beside the target and renamed over it only once it is complete,
// so any failure (a corrupt stream, a full disk) leaves the previous target as it was.
bool inflateFile(const std::filesystem::path& package, const std::filesystem::path& target);

}  // namespace duskmere
