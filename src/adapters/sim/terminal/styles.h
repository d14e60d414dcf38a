#pragma once

#include "adapters/sim/terminal/canvas.h"

// The looks that the view's parts share.
namespace strandel::sim::terminal::styles {

inline constexpr Style kPlain{};
inline constexpr Style kBar{Ink::black, Ink::lightGrey};
inline constexpr Style kHighlight{Ink::white, Ink::blue};
inline constexpr Style kNotch{Ink::black, Ink::black};
inline constexpr Style kDim{Ink::standard, Ink::standard, false, true};
inline constexpr Style kBold{Ink::standard, Ink::standard, true};
inline constexpr Style kHeader{Ink::standard, Ink::standard, true, true};
inline constexpr Style kHelp{Ink::standard, Ink::standard, false, false, true};

inline Style withInk(Style style, Ink ink) {
  if (ink != Ink::standard) style.fg = ink;
  return style;
}

}  // namespace strandel::sim::terminal::styles
