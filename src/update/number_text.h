// The one number rule of the update host's documents (version record, file list, version file).
#pragma once

#include <cstdint>
#include <string_view>

namespace duskmere {

// The longest leading decimal integer after optional white space and an optional sign; 0 when
// there are no digits or the number does not fit in signed 32 bits. Trailing text is ignored.
std::int32_t parseDocumentNumber(std::string_view text);

}  // namespace duskmere
