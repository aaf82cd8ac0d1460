// Every folder the launcher uses, derived afresh on each call from the location of its
// executable and the user's known folders, and the two file-system probes it relies on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace duskmere {

// The "unknown" answer of freeBytesFor, which callers treat as more than enough.
constexpr std::uint64_t kFreeBytesUnknown = UINT64_MAX;

std::filesystem::path exePath();
// Folder of the running executable.
std::filesystem::path appDir();
// Per-user launcher data; created (one level) on every call.
std::filesystem::path dataDir();
// Extracted page and assets.
std::filesystem::path uiDir();
std::filesystem::path defaultInstallDir();
// Empty when there is none.
std::filesystem::path desktopDir();
// Empty when there is none.
std::filesystem::path startMenuProgramsDir();

// Text after the last separator; the whole string when it has none.
std::string lastPathComponent(const std::string& path);

// True when the entry exists and is not a directory.
bool fileExists(const std::filesystem::path& path);

// Bytes free for the caller on the volume of `path` or of its nearest existing ancestor;
// kFreeBytesUnknown when nothing could be queried.
std::uint64_t freeBytesFor(const std::filesystem::path& path);

}  // namespace duskmere
