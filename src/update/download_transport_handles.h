// Easy handles kept between transfers. A handle keeps its live connections across transfers,
// so consecutive downloads from the update host (thousands of small files in one update) go
// over one connection instead of opening one each. A handle serves one transfer at a time;
// transfers running at the same moment get handles of their own.
#pragma once

#include "update/curl_handle.h"

namespace duskmere {

// An idle handle reset to libcurl's defaults, else a new one; null when libcurl fails.
CurlEasyHandle borrowTransferHandle();

// Makes the handle available to the next transfer, on any thread.
void returnTransferHandle(CurlEasyHandle handle);

// Borrows on construction and gives the handle back on destruction.
class TransferHandleLease {
 public:
  TransferHandleLease() : handle_(borrowTransferHandle()) {}
  ~TransferHandleLease() { returnTransferHandle(std::move(handle_)); }
  TransferHandleLease(const TransferHandleLease&) = delete;
  TransferHandleLease& operator=(const TransferHandleLease&) = delete;

  CURL* get() const { return handle_.get(); }

 private:
  CurlEasyHandle handle_;
};

}  // namespace duskmere
