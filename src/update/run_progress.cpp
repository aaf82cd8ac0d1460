#include "update/run_progress.h"

namespace duskmere {

void setCurrentItem(RunProgress& progress, const std::string& item) {
  std::lock_guard lock(progress.statusLock);
  progress.currentItem = item;
}

}  // namespace duskmere
