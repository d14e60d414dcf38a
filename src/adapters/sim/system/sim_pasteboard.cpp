#include "adapters/sim/system/sim_pasteboard.h"

namespace strandel::sim {

long SimPasteboard::clearContents() {
  text_.clear();
  type_.clear();
  return ++changeCount_;
}

bool SimPasteboard::setString(const std::string& text, const std::string& type) {
  text_ = text;
  type_ = type;
  if (observer_) observer_(text_, type_);
  return true;
}

}  // namespace strandel::sim
