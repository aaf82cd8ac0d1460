// A small INI-like document (the verified version record): key/value pairs in a tree of
// sections written with repeated brackets, rejected as a whole on the first grammar error.
#pragma once

#include <istream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace duskmere {

// The first grammar error of a document: the message, " on line #" and the line number.
class KeyValueParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct KeyValueSection {
  KeyValueSection() = default;
  KeyValueSection(const KeyValueSection&) = delete;
  KeyValueSection& operator=(const KeyValueSection&) = delete;

  // The value of `key`, or "" when it is absent.
  std::string value(const std::string& key) const;
  // The child section `name`, or an empty section when there is none.
  const KeyValueSection& section(const std::string& name) const;

  std::string name;  // "" for the top section
  std::map<std::string, std::string> values;
  std::map<std::string, std::unique_ptr<KeyValueSection>> sections;
  // The entries of `values` and `sections` in the order of the text.
  std::vector<const std::pair<const std::string, std::string>*> orderedValues;
  std::vector<const KeyValueSection*> orderedSections;
  KeyValueSection* parent = nullptr;  // none for the top section
  int depth = 0;                      // number of brackets of the header; 0 for the top section
};

class KeyValueDocument {
 public:
  // Parses the whole stream; throws KeyValueParseError on the first grammar error.
  explicit KeyValueDocument(std::istream& input);

  // The keys before the first header, and the sections below.
  const KeyValueSection& top() const { return top_; }

 private:
  KeyValueSection top_;
};

}  // namespace duskmere
