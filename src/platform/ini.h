// Reading and writing INI files with the rules of the Windows private-profile functions:
// sections and keys match ignoring ASCII case, a write replaces a key in place and keeps every
// other line, comments included, and a missing file reads as empty.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace duskmere::platform {

// A whole INI file as its lines, so that rewriting it keeps what it does not touch.
struct IniDocument {
  std::vector<std::string> lines;
};

// The longest value a read returns, in characters, as with a 1024-character read buffer.
constexpr std::size_t kIniValueMaxCharacters = 1023;

// Missing or unreadable files read as an empty document.
IniDocument readIniFile(const std::filesystem::path& file);
bool writeIniFile(const std::filesystem::path& file, const IniDocument& document);

// The value of `key` in `section`, trimmed of blanks and enclosing quotes and cut to
// kIniValueMaxCharacters; `fallback` when the key is absent.
std::string iniString(const IniDocument& document, const std::string& section,
                      const std::string& key, const std::string& fallback);

// The key's leading decimal integer (optional sign), 0 when it has none, `fallback` when absent.
int iniInt(const IniDocument& document, const std::string& section, const std::string& key,
           int fallback);

// Replaces the key's line in place, or adds the key at the end of its section, or adds the
// section at the end of the document.
void setIniString(IniDocument& document, const std::string& section, const std::string& key,
                  const std::string& value);

}  // namespace duskmere::platform
