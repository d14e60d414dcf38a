#pragma once

#include <string>

namespace strandel {

class SystemLog {
 public:
  virtual ~SystemLog() = default;
  // One line, written as plain text.
  virtual void log(const std::string& line) = 0;
};

}  // namespace strandel
