#pragma once

#include <string>

namespace strandel {

// NSPasteboardTypeString: plain text.
inline constexpr const char* kPasteboardTypeString = "public.utf8-plain-text";

// NSPasteboard's general pasteboard. Main thread only.
class Pasteboard {
 public:
  virtual ~Pasteboard() = default;
  // clearContents: returns the pasteboard's new change count.
  virtual long clearContents() = 0;
  // setString:forType:; false when the pasteboard did not take it.
  virtual bool setString(const std::string& text, const std::string& type) = 0;
};

}  // namespace strandel
