#include "platform/ini.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace duskmere::platform {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i]))
      return false;
  }
  return true;
}

// The section name of a "[name]" line, if the line is one.
std::optional<std::string_view> sectionName(std::string_view line) {
  line = trimmed(line);
  if (line.size() < 2 || line.front() != '[')
    return std::nullopt;
  const auto close = line.find(']');
  if (close == std::string_view::npos)
    return std::nullopt;
  return trimmed(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

// A "key=value" line; comment lines (";") are not keys.
std::optional<KeyLine> keyLine(std::string_view line) {
  const auto content = trimmed(line);
  if (content.empty() || content.front() == ';')
    return std::nullopt;
  const auto equals = line.find('=');
  if (equals == std::string_view::npos)
    return std::nullopt;
  return KeyLine{trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1))};
}

struct Location {
  std::optional<std::size_t> sectionLine;  // the "[section]" line
  std::optional<std::size_t> keyLine;      // the key's line in that section
  std::size_t sectionEnd = 0;              // one past the last key line of the section
};

Location locate(const IniDocument& document, std::string_view section, std::string_view key) {
  Location location;
  bool inSection = false;
  for (std::size_t i = 0; i < document.lines.size(); ++i) {
    const auto& line = document.lines[i];
    if (auto name = sectionName(line)) {
      if (inSection)
        break;
      inSection = equalsIgnoringCase(*name, section);
      if (inSection) {
        location.sectionLine = i;
        location.sectionEnd = i + 1;
      }
      continue;
    }
    if (!inSection)
      continue;
    if (auto entry = keyLine(line)) {
      location.sectionEnd = i + 1;
      if (!location.keyLine && equalsIgnoringCase(entry->key, key))
        location.keyLine = i;
    }
  }
  return location;
}

// Cuts to at most `limit` characters without splitting a UTF-8 sequence.
std::string cutToCharacters(std::string_view text, std::size_t limit) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && ++characters > limit)
      return std::string(text.substr(0, i));
  }
  return std::string(text);
}

}  // namespace

IniDocument readIniFile(const std::filesystem::path& file) {
  IniDocument document;
  std::ifstream stream(file, std::ios::binary);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    document.lines.push_back(std::move(line));
  }
  return document;
}

bool writeIniFile(const std::filesystem::path& file, const IniDocument& document) {
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  for (const auto& line : document.lines)
    stream << line << '\n';
  stream.flush();
  return static_cast<bool>(stream);
}

std::string iniString(const IniDocument& document, const std::string& section,
                      const std::string& key, const std::string& fallback) {
  const auto location = locate(document, section, key);
  if (!location.keyLine)
    return fallback;
  auto value = keyLine(document.lines[*location.keyLine])->value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return cutToCharacters(value, kIniValueMaxCharacters);
}

int iniInt(const IniDocument& document, const std::string& section, const std::string& key,
           int fallback) {
  const auto location = locate(document, section, key);
  if (!location.keyLine)
    return fallback;
  const std::string value(keyLine(document.lines[*location.keyLine])->value);
  errno = 0;
  const long number = std::strtol(value.c_str(), nullptr, 10);
  if (errno == ERANGE || number > INT_MAX || number < INT_MIN)
    return 0;
  return static_cast<int>(number);
}

void setIniString(IniDocument& document, const std::string& section, const std::string& key,
                  const std::string& value) {
  const auto location = locate(document, section, key);
  // A line break inside a value would start a line of its own: a key or section that
  // nobody wrote.
  std::string line = key + "=" + value;
  for (char& c : line) {
    if (c == '\n' || c == '\r')
      c = ' ';
  }
  if (location.keyLine) {
    document.lines[*location.keyLine] = line;
  } else if (location.sectionLine) {
    document.lines.insert(document.lines.begin() + location.sectionEnd, line);
  } else {
    document.lines.push_back("[" + section + "]");
    document.lines.push_back(line);
  }
}

}  // namespace duskmere::platform
