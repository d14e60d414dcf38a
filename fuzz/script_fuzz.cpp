// Reads arbitrary bytes as a script: either commands in order of time and line, or a
// message naming the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "adapters/sim/simulator/script.h"
#include "text/display_escape.h"
#include "text/utf8.h"

using namespace strandel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::ScriptLoad load = sim::parseScript(text, "f.script");
  if (load.script.has_value() == !load.error.empty()) std::abort();
  if (!load.script) {
    if (load.error.rfind("f.script:", 0) != 0) std::abort();
    if (!isValidUTF8(displayEscape(load.error))) std::abort();
    return 0;
  }
  int line = 0;
  double at = 0;
  for (const sim::ScriptCommand& command : load.script->commands) {
    if (command.line <= line || command.at < at) std::abort();
    line = command.line;
    at = command.at;
    // A script that reads holds only UTF-8, so every command's words are UTF-8 too.
    if (sim::describe(command) == "?" || !isValidUTF8(command.text)) std::abort();
  }
  if (load.script->endsAt < at) std::abort();
  return 0;
}
