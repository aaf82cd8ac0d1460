#include "update/key_value_document.h"

#include <gtest/gtest.h>

#include <sstream>

namespace duskmere {
namespace {

std::string parseError(const std::string& text) {
  std::istringstream input(text);
  try {
    KeyValueDocument document(input);
  } catch (const KeyValueParseError& error) {
    return error.what();
  }
  return "<parsed>";
}

std::vector<std::string> namesOf(const std::vector<const KeyValueSection*>& sections) {
  std::vector<std::string> names;
  for (const auto* section : sections)
    names.push_back(section->name);
  return names;
}

TEST(KeyValueDocument, ReportsTheFirstGrammarErrorWithItsLineNumber) {
  const std::pair<std::string, std::string> cases[] = {
      {"a=1\n  #x\n", "no '=' found on line #2"},
      {"# comment\n\n; another\nplain words\n", "no '=' found on line #4"},
      {"[[b]]\n", "section with wrong depth on line #1"},
      {"[a]\n[[[c]]]\n", "section with wrong depth on line #2"},
      {"[a]\nx=1\n[a]\n", "duplicate section name on the same level on line #3"},
      {"[x]\n[[same]]\n[[same]]\n", "duplicate section name on the same level on line #3"},
      {"k=1\r\nk=1\r\n", "duplicated key found on line #2"},
      {"game_version=57\ngame_version=58\n", "duplicated key found on line #2"},
      // The first error wins, even if a later line is wrong too.
      {"k=1\nk=2\nnothing\n", "duplicated key found on line #2"},
  };
  for (const auto& [text, message] : cases)
    EXPECT_EQ(parseError(text), message) << text;
}

TEST(KeyValueDocument, ReadsKeysAndValuesByTheLineRules) {
  const std::string text =
      "# a comment\n"
      "; another comment\n"
      "\n"
      "   \t \n"
      "empty=\n"
      "=no key\n"
      "a = b = c\n"
      "note = 1 # comment\n"
      "semi=2;comment\n"
      "both=x;y#z\n"
      "  spaced  \t=\t  value with  inner  spaces \t\n"
      "crlf=yes\r\n"
      "last=no line feed";
  std::istringstream input(text);
  const KeyValueDocument document(input);
  const auto& top = document.top();
  const std::pair<std::string, std::string> expected[] = {
      {"empty", ""},
      {"", "no key"},
      {"a", "b = c"},
      {"note", "1 "},
      {"semi", "2"},
      {"both", "x;y"},
      {"spaced", "value with  inner  spaces"},
      {"crlf", "yes"},
      {"last", "no line feed"},
  };
  ASSERT_EQ(top.orderedValues.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(top.orderedValues[i]->first, expected[i].first);
    EXPECT_EQ(top.value(expected[i].first), expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(top.value("absent"), "");
  EXPECT_TRUE(top.sections.empty());
}

TEST(KeyValueDocument, OnlyCommentsAndBlankLinesGiveAnEmptyTopSection) {
  std::istringstream input("# one\n;two\n\n \r\n");
  const KeyValueDocument document(input);
  EXPECT_TRUE(document.top().values.empty());
  EXPECT_TRUE(document.top().sections.empty());
}

TEST(KeyValueDocument, BuildsTheSectionTreeFromTheBracketCount) {
  std::istringstream input(
      "top=1\n"
      "[a]\n"
      "k=a\n"
      "[[b]]\n"
      "k=b\n"
      "[[[deep]]]\n"
      "[c]\n"  // back up two levels: a sibling of a
      "k=c\n"
      "[[b]]\n"  // the same name under another parent is allowed
      "[abc\n");
  const KeyValueDocument document(input);
  const auto& top = document.top();
  EXPECT_EQ(top.value("top"), "1");
  EXPECT_EQ(namesOf(top.orderedSections), (std::vector<std::string>{"a", "c", "ab"}));
  const auto& a = top.section("a");
  const auto& b = a.section("b");
  EXPECT_EQ(a.value("k"), "a");
  EXPECT_EQ(b.value("k"), "b");
  EXPECT_EQ(b.depth, 2);
  EXPECT_EQ(b.parent, &a);
  EXPECT_EQ(b.section("deep").depth, 3);
  EXPECT_EQ(top.section("c").value("k"), "c");
  EXPECT_EQ(top.section("c").section("b").parent, &top.section("c"));
  EXPECT_EQ(top.section("ab").depth, 1);
  EXPECT_EQ(top.value("k"), "");
  EXPECT_TRUE(top.section("missing").values.empty());
}

TEST(KeyValueDocument, ALongChainOfHeadersDoesNotExhaustTheStack) {
  // Each header opens the next section from within the last one; a parser that recursed per
  // header would need a stack frame for each of these.
  constexpr int kHeaders = 100'000;
  std::string text;
  for (int i = 0; i < kHeaders; ++i)
    text += "[s" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  // And one deep nesting, walked back to the top at the end.
  constexpr int kDepth = 1'000;
  for (int depth = 1; depth <= kDepth; ++depth)
    text +=
        std::string(std::size_t(depth), '[') + "n" + std::string(std::size_t(depth), ']') + "\n";
  text += "[end]\nk=end\n";
  std::istringstream input(text);
  const KeyValueDocument document(input);
  const auto& top = document.top();
  EXPECT_EQ(top.orderedSections.size(), std::size_t(kHeaders) + 2);
  EXPECT_EQ(top.section("s99999").value("k"), "99999");
  EXPECT_EQ(top.section("end").value("k"), "end");
  const KeyValueSection* section = &top.section("n");
  for (int depth = 2; depth <= kDepth; ++depth)
    section = &section->section("n");
  EXPECT_EQ(section->depth, kDepth);
}

}  // namespace
}  // namespace duskmere
