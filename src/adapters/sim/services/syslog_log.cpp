#include "adapters/sim/services/syslog_log.h"

#include <syslog.h>

#include <mutex>

namespace strandel::sim {

namespace {

void openOnce() {
  static std::once_flag opened;
  // syslog keeps the ident pointer, so it must live for the whole process.
  static constexpr char kIdent[] = "Strandel";
  std::call_once(opened, [] { openlog(kIdent, LOG_PID, LOG_USER); });
}

}  // namespace

SyslogLog::SyslogLog(Mirror mirror, bool toSyslog)
    : mirror_(std::move(mirror)), toSyslog_(toSyslog) {
  if (toSyslog_) openOnce();
}

void SyslogLog::log(const std::string& line) {
  if (toSyslog_) syslog(LOG_NOTICE, "%s", line.c_str());
  if (mirror_) mirror_(line);
}

}  // namespace strandel::sim
