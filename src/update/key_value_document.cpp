#include "update/key_value_document.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace duskmere {
namespace {

constexpr std::string_view kTrimmed = " \t\r\n";

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(kTrimmed);
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(kTrimmed);
  return text.substr(first, last - first + 1);
}

[[noreturn]] void fail(const char* message, unsigned long lineNumber) {
  throw KeyValueParseError(std::string(message) + " on line #" + std::to_string(lineNumber));
}

// Opens the section of a header line below the right ancestor of `current` and returns it.
KeyValueSection* openSection(KeyValueSection* current, std::string_view header,
                             unsigned long lineNumber) {
  const auto depth = int(std::min(header.find_first_not_of('['), header.size()));
  // The closing brackets are not looked at: the name is as long as the line less twice the
  // opening brackets, so "[abc" names "ab".
  const auto nameLength =
      std::max<std::ptrdiff_t>(0, std::ptrdiff_t(header.size()) - 2 * std::ptrdiff_t(depth));
  const std::string name(header.substr(std::size_t(depth), std::size_t(nameLength)));
  if (depth > current->depth + 1)
    fail("section with wrong depth", lineNumber);
  KeyValueSection* parent = current;
  if (depth != current->depth + 1) {
    parent = current->parent;
    for (int level = current->depth - depth; level > 0; --level)
      parent = parent->parent;
  }
  auto& child = parent->sections[name];
  if (child)
    fail("duplicate section name on the same level", lineNumber);
  child = std::make_unique<KeyValueSection>();
  child->name = name;
  child->depth = depth;
  child->parent = parent;
  parent->orderedSections.push_back(child.get());
  return child.get();
}

void addValue(KeyValueSection& section, std::string_view line, unsigned long lineNumber) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos)
    fail("no '=' found", lineNumber);
  const std::string key(trim(line.substr(0, equals)));
  std::string_view value = trim(line.substr(equals + 1));
  // An inline comment is cut off; the space before it stays ("1 # note" gives "1 ").
  auto comment = value.find('#');
  if (comment == std::string_view::npos)
    comment = value.find(';');
  if (comment != std::string_view::npos)
    value = value.substr(0, comment);
  const auto [entry, inserted] = section.values.emplace(key, std::string(value));
  if (!inserted)
    fail("duplicated key found", lineNumber);
  section.orderedValues.push_back(&*entry);
}

}  // namespace

std::string KeyValueSection::value(const std::string& key) const {
  const auto entry = values.find(key);
  return entry == values.end() ? std::string() : entry->second;
}

const KeyValueSection& KeyValueSection::section(const std::string& sectionName) const {
  static const KeyValueSection empty;
  const auto entry = sections.find(sectionName);
  return entry == sections.end() ? empty : *entry->second;
}

// Every header makes its section the current one for the lines that follow, and a later header
// finds its parent by walking up from there, so a long chain of headers needs no recursion.
KeyValueDocument::KeyValueDocument(std::istream& input) {
  KeyValueSection* current = &top_;
  unsigned long lineNumber = 0;
  std::string raw;
  while (std::getline(input, raw)) {
    ++lineNumber;
    // Only a comment character in the very first column makes a comment.
    if (!raw.empty() && (raw.front() == '#' || raw.front() == ';'))
      continue;
    const std::string_view line = trim(raw);
    if (line.empty())
      continue;
    if (line.front() == '[') {
      current = openSection(current, line, lineNumber);
    } else {
      addValue(*current, line, lineNumber);
    }
  }
}

}  // namespace duskmere
