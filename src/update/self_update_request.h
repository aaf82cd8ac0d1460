// The newer launcher build a run has found, handed from the update engine to the self-update.
#pragma once

#include <cstdint>
#include <string>

namespace duskmere {

struct SelfUpdateRequest {
  std::int32_t version = 0;
  std::string checksum;   // SHA-256 of the new executable, lowercase hex
  std::int64_t size = 0;  // bytes; only for the progress bar
};

}  // namespace duskmere
