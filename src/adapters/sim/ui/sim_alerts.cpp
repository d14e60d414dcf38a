#include "adapters/sim/ui/sim_alerts.h"

namespace strandel::sim {

long SimAlert::runModal() {
  // An alert without buttons gets the platform's default OK button.
  if (record_.buttons.empty()) record_.buttons.push_back("OK");
  size_t chosen = presenter_ ? presenter_(record_) : 0;
  if (chosen >= record_.buttons.size()) chosen = 0;
  return kAlertFirstButtonReturn + static_cast<long>(chosen);
}

}  // namespace strandel::sim
