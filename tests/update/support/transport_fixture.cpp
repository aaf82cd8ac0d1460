#include "update/support/transport_fixture.h"

namespace duskmere::test {

std::string patternedBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  }
  return bytes;
}

}  // namespace duskmere::test
