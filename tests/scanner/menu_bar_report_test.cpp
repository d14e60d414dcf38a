// The menu bar report as a scene: what a report holds reads back as a Mac that answers every
// request as the reported one did, and the program lists the same extras on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/script.h"
#include "adapters/sim/simulator/script_runner.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"
#include "scanner/menu_bar_report.h"
#include "support/temp_dir.h"

namespace strandel::sim {
namespace {

using test::readFile;

// Copies the report at start, then opens the menu once the cache has aged: the scan there
// reads the Mac the report read.
// Taken once the first scan is done: an app answers one request at a time.
const char* kReportThenScan = R"(at 1 open
hold option
choose "Copy Menu Bar Report"
release option
at 2.5 open
wait 0.4
close
)";

struct Played {
  std::string transcript;
  std::string report;
};

Played run(Scene scene, const char* scriptText) {
  scene.accessibilityGranted = true;  // the report row is in the list menu only
  scene.loginItem = LoginItemSpec{};  // a report holds no login item, and its row shows that
  Transcript transcript;
  Simulator simulator(std::move(scene), Simulator::Options{});
  ScriptRunner runner(simulator, std::move(*parseScript(scriptText, "s").script), transcript);
  EXPECT_EQ(runner.run(), 0) << transcript.text();
  return {transcript.text(), simulator.pasteboard().text()};
}

// The lines of the opening at 2.5 s: the cached list, the scan and the list it gave. A report
// holds no icons, so the rows' images are left out.
std::string scanLines(const std::string& transcript) {
  size_t at = transcript.find("[   2.500] > open");
  if (at == std::string::npos) return "no opening at 2.5 s in:\n" + transcript;
  static const std::regex image("  \\([^()\n]* 18x18\\)");
  return std::regex_replace(transcript.substr(at), image, "");
}

std::string outcome(const AXReadOutcome& read) {
  std::string out = std::to_string(static_cast<int32_t>(read.error));
  return out + "/" + (read.kind ? std::string(axValueKindName(*read.kind)) : "none");
}

void dumpElement(std::ostringstream& out, const MenuBarReport::Element& e,
                 const std::string& indent) {
  auto t = [](const std::optional<std::string>& text) { return text ? quoted(*text) : "-"; };
  out << indent << t(e.role) << " " << t(e.subrole) << " " << t(e.identifier) << " " << t(e.title)
      << " " << t(e.description) << " pid " << e.pid << " enabled "
      << (e.enabled ? (*e.enabled ? "yes" : "no") : "-");
  if (e.position) out << " at " << e.position->x << "," << e.position->y;
  if (e.size) out << " size " << e.size->width << "," << e.size->height;
  if (e.extraOf) out << " extra " << e.extraOf->second << " of " << e.extraOf->first;
  for (const auto& action : e.actions) out << " " << action;
  out << "\n";
  for (const auto& child : e.children) dumpElement(out, child, indent + "  ");
}

// Every field, written apart from the report's own JSON, so that a fault the JSON loses shows.
std::string dump(const MenuBarReport& report) {
  std::ostringstream out;
  out << "os " << report.osVersion.majorVersion << "." << report.osVersion.minorVersion << "."
      << report.osVersion.patchVersion << " " << report.osVersionString << "\n";
  auto r = [&out](const std::optional<Rect>& rect) {
    if (!rect) return void(out << " none");
    out << " " << rect->origin.x << "," << rect->origin.y << "," << rect->size.width << ","
        << rect->size.height;
  };
  for (const auto& screen : report.screens) {
    out << "screen";
    r(screen.frame);
    r(screen.topLeftArea);
    r(screen.topRightArea);
    out << "\n";
  }
  out << "main screen " << report.mainScreen << "\n";
  for (const auto& app : report.apps) {
    out << "app " << app.pid << " " << app.name.value_or("(none)") << " "
        << app.bundleIdentifier.value_or("(no bundle)") << " "
        << std::lround(app.responseTime * 1000) << "ms bar " << outcome(app.extrasBar)
        << " children " << (app.children ? outcome(*app.children) : "unread") << " others "
        << app.otherChildren << "\n";
    for (const auto& e : app.extras) {
      out << "  " << outcome(e.position) << " " << e.point.x << "," << e.point.y << " "
          << outcome(e.size) << " " << e.extent.width << "," << e.extent.height << " "
          << outcome(e.description) << " " << quoted(e.text) << " " << outcome(e.actions);
      if (e.actionNames) {
        for (const auto& name : *e.actionNames) out << " " << name;
      }
      out << "\n";
    }
    if (app.windowsRead) out << "  windows " << outcome(*app.windowsRead) << "\n";
    for (const auto& tree : app.extraTrees) dumpElement(out, tree, "  extra ");
    for (const auto& window : app.windows) dumpElement(out, window, "  window ");
  }
  return out.str();
}

// The report of a scene as the program reads it, made at start.
MenuBarReport reportOf(Scene scene) {
  scene.accessibilityGranted = true;
  const ProcessID self = scene.selfPid;
  Simulator simulator(std::move(scene), Simulator::Options{});
  MenuBarReport out;
  simulator.run([&] {
    // Once the first scan is done: an app answers one request at a time.
    simulator.virtualLoop()->runUntil(Date{simulator.startDate().secondsSinceReference + 1});
    out = MenuBarReport::read(MenuBarReport::snapshot(self));
  });
  return out;
}

std::string readReport(Scene scene) {
  return dump(reportOf(std::move(scene)));
}

using Case = std::pair<std::string, std::string>;  // a name and a scene

const std::filesystem::path kGolden = STRANDEL_SOURCE_DIR "/tests/simulator/golden";

// An app per place and fault: every fault a scene can express.
std::string everyFault() {
  std::vector<std::string> faults = {R"({"error": "cannotComplete"})",
                                     R"({"error": -25299})",
                                     R"({"value": null})",
                                     R"({"error": "noValue"})",
                                     R"({"error": "noValue", "value": "string"})",
                                     R"({"error": "failure", "value": "element"})"};
  for (const char* kind :
       {"number", "string", "point", "size", "element", "array", "rect", "other"}) {
    faults.push_back(R"({"value": ")" + std::string(kind) + "\"}");
  }
  std::string apps;
  int pid = 100;
  auto add = [&](const std::string& members) {
    const std::string id = std::to_string(++pid);
    apps += (apps.empty() ? "" : ",\n") + std::string("{\"pid\": ") + id + ", \"name\": \"A" + id +
            "\", " + members + "}";
  };
  for (const std::string& f : faults) {
    add("\"faults\": {\"AXExtrasMenuBar\": " + f + "}, \"extras\": [{\"frame\": [1, 0, 9, 9]}]");
    add("\"barFaults\": {\"AXChildren\": " + f + "}, \"extras\": [{\"frame\": [1, 0, 9, 9]}]");
    for (const char* attribute : {"AXPosition", "AXSize", "AXDescription", "AXActionNames"}) {
      add("\"extras\": [{\"frame\": [" + std::to_string(pid) +
          ", 0, 9, 9], \"description\": \"d\", \"faults\": {\"" + attribute + "\": " + f + "}}]");
    }
  }
  add(R"("responseDelay": 0.1, "extras": [{"frame": [5, 0, 9, 9], "actions": ["AXShowMenu"]}])");
  add(R"("responseDelay": 30, "extras": [{"frame": [6, 0, 9, 9]}])");
  return R"j({"os": {"version": "27.1", "description": "Version 27.1 (Build 27B1)"},
             "screen": {"frame": [0, 0, 1512, 982], "topLeftArea": [0, 950, 662, 32],
                        "topRightArea": [850, 950, 662, 32]},
             "apps": [)j" +
         apps + "]}";
}

std::vector<Case> cases() {
  std::vector<Case> out;
  // Today's Macs, as their users report them, are the golden run "menu_bar_report".
  for (const auto& entry : std::filesystem::directory_iterator(kGolden)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".scene.json")) out.push_back({name, readFile(entry.path())});
  }
  out.push_back({"default", readFile(STRANDEL_SOURCE_DIR "/resources/scenes/default.json")});
  out.push_back({"every fault", everyFault()});
  out.push_back({"no apps", R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": []})"});
  out.push_back({"only failing apps", R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": [
      {"pid": 7, "name": "Hung", "responseDelay": 60},
      {"pid": 8, "name": null, "faults": {"AXExtrasMenuBar": {"error": "apiDisabled"}}}]})"});
  return out;
}

TEST(MenuBarReportTest, AReportReadsBackAsAMacThatAnswersTheSameAndScansTheSame) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.first);
    SceneLoad loaded = parseScene(c.second, "scene.json");
    ASSERT_TRUE(loaded.scene) << loaded.error;
    const Scene original = *loaded.scene;
    const Played first = run(original, kReportThenScan);
    ASSERT_FALSE(first.report.empty()) << first.transcript;
    SceneLoad replayed = parseScene(first.report, "report.json");
    ASSERT_TRUE(replayed.scene) << replayed.error << "\n" << first.report;

    EXPECT_EQ(readReport(*replayed.scene), readReport(original));
    const Played second = run(*replayed.scene, kReportThenScan);
    EXPECT_EQ(scanLines(second.transcript), scanLines(first.transcript));
    EXPECT_EQ(second.report, first.report);
  }
}

// A report must pass its own replay: an app that answered is written below the time-out
// however long this Mac took to pass the answer on, and a bar that came back with an error
// (even with an element) is asked nothing more, as a scan asks nothing more.
TEST(MenuBarReportTest, AnAnswerIsWrittenBelowTheTimeOutAndAFailedBarIsNotAskedFurther) {
  struct Row {
    AXReadOutcome bar;
    const char* written;
  };
  for (const Row& row : {Row{{AXError::success, AXValueKind::element}, "\"responseDelay\":0.249"},
                         Row{{AXError::noValue, std::nullopt}, "\"responseDelay\":0.249"},
                         Row{{AXError::cannotComplete, std::nullopt}, "\"responseDelay\":0.252"}}) {
    MenuBarReport report;
    MenuBarReport::App app;
    app.pid = 7;
    app.extrasBar = row.bar;
    app.responseTime = 0.2523;
    report.apps.push_back(app);
    EXPECT_NE(report.json().find(row.written), std::string::npos) << report.json();
  }

  SceneLoad loaded =
      parseScene(R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": [{"pid": 7, "name": "A",
      "faults": {"AXExtrasMenuBar": {"error": "failure", "value": "element"}},
      "extras": [{"frame": [1, 0, 9, 9]}]}]})",
                 "s.json");
  ASSERT_TRUE(loaded.scene) << loaded.error;
  const MenuBarReport report = reportOf(*loaded.scene);
  ASSERT_EQ(report.apps.size(), 1u);
  EXPECT_FALSE(report.apps[0].children);
}

}  // namespace
}  // namespace strandel::sim
