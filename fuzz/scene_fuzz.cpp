// Reads arbitrary bytes as a scene: either a whole scene or a message naming the place,
// and that message prints safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "adapters/sim/simulator/scene.h"
#include "text/display_escape.h"
#include "text/utf8.h"

using namespace strandel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::SceneLoad load = sim::parseScene(text, "f.json");
  if (load.scene.has_value() == !load.error.empty()) std::abort();  // exactly one outcome
  if (load.scene) return 0;
  if (load.error.rfind("f.json:", 0) != 0) std::abort();
  // Whatever the message echoes, its printed form is UTF-8 without a control character,
  // and printing it again changes nothing.
  std::string shown = displayEscape(load.error);
  if (!isValidUTF8(shown) || displayEscape(shown) != shown) std::abort();
  for (char c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
  }
  return 0;
}
