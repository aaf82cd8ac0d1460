// File-system services the portable code needs beyond std::filesystem: the running
// executable, the user's known folders, the Windows notion of "is a file" and the caller's
// free space.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace duskmere::platform {

// Full path of the running executable; empty when it cannot be read.
std::filesystem::path executablePath();

enum class KnownFolder {
  LocalAppData,  // per-user application data
  Desktop,       // the user's desktop
  Programs,      // the user's start-menu programs (application entries)
};

// The folder, or nothing when it cannot be resolved (or, for Desktop, does not exist).
std::optional<std::filesystem::path> knownFolder(KnownFolder folder);

// True when the entry exists and is a regular file or a link to one; a directory is not a file.
bool isFile(const std::filesystem::path& path);

// True when something exists at the path (file, folder or other entry).
bool pathExists(const std::filesystem::path& path);

// Bytes available to the calling user on the volume holding `path`; nothing when `path`
// cannot be queried (for example because it does not exist).
std::optional<std::uint64_t> freeBytesForCaller(const std::filesystem::path& path);

// Creates one folder level; false when it could not be created (also when it already exists).
bool createDirectory(const std::filesystem::path& path);

}  // namespace duskmere::platform
