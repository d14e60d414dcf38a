#include "adapters/sim/services/syslog_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace strandel::sim {
namespace {

TEST(SyslogLogTest, MirrorsEveryLineUnchanged) {
  std::vector<std::string> mirrored;
  SyslogLog log([&](const std::string& line) { mirrored.push_back(line); });
  const std::vector<std::string> lines = {
      "Strandel: 로그인 항목 변경 실패 — Permission denied",
      "100% done %s %n %x",  // passed as data: no format is interpreted
      "",
  };
  for (const auto& line : lines) log.log(line);
  EXPECT_EQ(mirrored, lines);
}

TEST(SyslogLogTest, WorksWithoutAMirrorOrWithoutSyslog) {
  SyslogLog plain;
  plain.log("Strandel: a line with %s in it");
  std::vector<std::string> mirrored;
  SyslogLog quiet([&](const std::string& line) { mirrored.push_back(line); }, false);
  quiet.log("only mirrored");
  EXPECT_EQ(mirrored, std::vector<std::string>{"only mirrored"});
}

}  // namespace
}  // namespace strandel::sim
