#pragma once

// What the controller's parts share: the system prompt's buttons, reading keys, and how an
// app and its icon are shown. Only the controller's own files include this.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/desktop/desktop.h"
#include "adapters/sim/desktop/sim_image.h"
#include "adapters/sim/terminal/canvas.h"
#include "adapters/sim/terminal/input.h"

namespace strandel::sim::terminal::detail {

inline const std::vector<std::string> kPromptButtons = {"Open System Settings", "Deny"};

inline bool isCharacter(const Input& input, char32_t c) {
  return input.kind == Input::Kind::key && input.key == Key::none && input.character == c;
}

inline bool isKey(const Input& input, Key key) {
  return input.kind == Input::Kind::key && input.key == key;
}

inline std::string appName(const AppSpec& app) {
  return app.name ? *app.name : "pid " + std::to_string(app.pid);
}

inline std::pair<std::string, Ink> iconOf(const ImageRef& image) {
  if (auto sim = std::dynamic_pointer_cast<SimImage>(image)) {
    return {sim->glyph(), inkNamed(sim->colour())};
  }
  return {image ? "□" : "▪", Ink::standard};
}

}  // namespace strandel::sim::terminal::detail
