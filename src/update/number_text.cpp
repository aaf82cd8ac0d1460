#include "update/number_text.h"

#include <limits>

namespace duskmere {
namespace {

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::int32_t parseDocumentNumber(std::string_view text) {
  std::size_t position = 0;
  while (position < text.size() && isWhiteSpace(text[position]))
    ++position;
  bool negative = false;
  if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
    negative = text[position] == '-';
    ++position;
  }
  if (position >= text.size() || !isDigit(text[position]))
    return 0;
  // One past the largest magnitude (that of the minimum) is enough to know the number is out.
  constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
  std::int64_t magnitude = 0;
  for (; position < text.size() && isDigit(text[position]); ++position) {
    magnitude = magnitude * 10 + (text[position] - '0');
    if (magnitude > kLimit)
      return 0;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max())
    return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace duskmere
