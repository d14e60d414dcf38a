#include "adapters/sim/desktop/ax_objects.h"

#include <memory>

namespace strandel::sim {

namespace {
std::atomic<long> liveCount{0};
}

long liveAXObjects() {
  return liveCount.load();
}

SimAXObject::SimAXObject() {
  liveCount.fetch_add(1);
}
SimAXObject::~SimAXObject() {
  liveCount.fetch_sub(1);
}

AXRef SimValue::point(Point p) {
  return std::make_shared<const SimValue>(Kind::point, p.x, p.y);
}
AXRef SimValue::size(Size s) {
  return std::make_shared<const SimValue>(Kind::size, s.width, s.height);
}
AXRef SimValue::error(AXError error) {
  return std::make_shared<const SimValue>(Kind::axError, static_cast<double>(error), 0);
}

}  // namespace strandel::sim
