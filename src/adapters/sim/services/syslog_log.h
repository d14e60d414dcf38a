#pragma once

#include <functional>
#include <string>

#include "ports/system_log.h"

namespace strandel::sim {

// The system log: each line goes to syslog at notice level under the ident "Strandel", and
// to the mirror when one is given (the simulator's transcript). Lines are passed as data,
// never as a format.
class SyslogLog : public SystemLog {
 public:
  using Mirror = std::function<void(const std::string& line)>;

  explicit SyslogLog(Mirror mirror = nullptr, bool toSyslog = true);
  void log(const std::string& line) override;

 private:
  Mirror mirror_;
  bool toSyslog_;
};

}  // namespace strandel::sim
