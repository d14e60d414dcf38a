// The menu bar report as a scene: what a report holds reads back as a Mac that answers every
// request as the reported one did, and the program lists the same extras on it.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
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
const char* kReportThenScan = R"(open
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

struct Taken {
  MenuBarReport report;
  double seconds = 0;  // virtual
  std::vector<SimAccessibility::Request> requests;
};

// The report of a scene as the program reads it, made at start.
Taken take(Scene scene) {
  scene.accessibilityGranted = true;
  const ProcessID self = scene.selfPid;
  Simulator simulator(std::move(scene), Simulator::Options{});
  Taken out;
  simulator.run([&] {
    VirtualEventLoop& loop = *simulator.virtualLoop();
    loop.runUntil(simulator.startDate());
    auto ax = std::dynamic_pointer_cast<SimAccessibility>(platform().accessibility);
    ax->setRecordingRequests(true);
    const Date start = loop.now();
    out.report = MenuBarReport::read(MenuBarReport::snapshot(self));
    out.seconds = loop.now().timeIntervalSince(start);
    out.requests = ax->requests();
  });
  return out;
}

MenuBarReport reportOf(const std::string& text) {
  SceneLoad loaded = parseScene(text, "scene.json");
  EXPECT_TRUE(loaded.scene) << loaded.error;
  return take(loaded.scene.value_or(Scene{})).report;
}

std::string readReport(Scene scene) {
  return dump(take(std::move(scene)).report);
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
  // A timed-out "AXWindows" written as an answer would replay as an agent that answers.
  out.push_back({"hung agent", R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": [
      {"pid": 7, "name": "MenuBarAgent", "responseDelay": 30, "windows": [{"role": "AXWindow"}]}]})"});
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
  EXPECT_FALSE(take(*loaded.scene).report.apps.at(0).children);
}

// Children `levels` deep below an element, one at each level.
std::string chain(int levels) {
  std::string out = "[]";
  for (int i = 0; i < levels; ++i) out = R"([{"role": "AXGroup", "children": )" + out + "}]";
  return out;
}

// How many levels a dumped element spans, itself included.
int levels(const MenuBarReport::Element& element) {
  return 1 + (element.children.empty() ? 0 : levels(element.children.front()));
}

// `count` items, comma-separated.
std::string listOf(int count, const std::function<std::string(int)>& item) {
  std::string out;
  for (int i = 0; i < count; ++i) out += (i ? "," : "") + item(i);
  return out;
}

std::string controlCenter(const std::string& members, const std::string& extras) {
  return R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": [{"pid": 302, "name": "Control Center",
      "bundleIdentifier": "com.apple.controlcenter", )" +
         members + R"("extras": [)" + extras + "]}]}";
}

const auto kExtra = [](int) { return std::string(R"({"frame": [1, 0, 9, 9]})"); };

// The dumps stop four levels below the application (an extra is at 2, a window at 1) and at
// 2,000 elements of an app, its own extras counted too. Catches a depth of 5, `<` made `<=`,
// windows counted from 2, and a limit of 2,001 or one that skips the extras. The main screen
// is told by its place, as mirrored screens have the same frames: catches it always being 0.
TEST(MenuBarReportTest, TheDumpsStopFourLevelsDownAndAtTwoThousandElementsCountedEveryWay) {
  const MenuBarReport deep = reportOf(R"({"mainScreen": 1,
      "screens": [{"frame": [0, 0, 800, 600]}, {"frame": [0, 0, 800, 600]}],
      "apps": [{"pid": 302, "name": "Control Center", "bundleIdentifier": "com.apple.controlcenter",
                "extras": [{"frame": [500, 0, 30, 24], "children": )" +
                                      chain(6) + R"(}]},
               {"pid": 401, "name": "MenuBarAgent", "extrasBar": false,
                "windows": [{"role": "AXWindow", "children": )" +
                                      chain(6) + "}]}]}");
  EXPECT_EQ(levels(deep.apps.at(0).extraTrees.at(0)), 3);
  EXPECT_EQ(levels(deep.apps.at(1).windows.at(0)), 4);
  EXPECT_TRUE(deep.stops.empty());
  EXPECT_NE(deep.json().find("\"mainScreen\": 1"), std::string::npos);

  const MenuBarReport wide = reportOf(controlCenter("", listOf(2001, kExtra)));
  EXPECT_EQ(wide.apps.at(0).extras.size(), 2001u);
  EXPECT_EQ(wide.apps.at(0).extraTrees.size(), 2000u);
  EXPECT_EQ(wide.stops,
            std::vector<std::string>{"Control Center (pid 302): its tree is cut at 2000 elements"});
}

// However slow or hung the apps, a report ends within its time and the one request then in
// flight, says where it stopped, and sets the scan's time-out on every element it reads
// before reading it: a time-out set on the application element does not cover the elements
// reached through it (AXUIElement.h).
TEST(MenuBarReportTest, AReportEndsWithinItsTimeAndSaysWhereItStopped) {
  const std::string hung = listOf(20, [](int i) {
    return R"({"pid": )" + std::to_string(100 + i) + R"(, "name": "H", "responseDelay": 60})";
  });
  const std::string wideTree = R"({"frame": [1, 0, 9, 9], "children": [)" +
                               listOf(40, [](int) { return R"({"role": "AXGroup"})"; }) + "]}";
  const std::pair<std::string, std::string> cases[] = {
      {R"({"screen": {"frame": [0, 0, 800, 600]}, "apps": [)" + hung + "]}",
       "out of time (3 s) before H (pid 112) and the 7 apps after it: left out"},
      {controlCenter(R"("responseDelay": 0.2, )", listOf(40, kExtra)),
       "out of time (3 s) at extra 4 of Control Center (pid 302): it and those after it are left "
       "out"},
      {controlCenter(R"("responseDelay": 0.05, )", wideTree),
       "out of time (3 s) in the tree of Control Center (pid 302)"},
      {controlCenter("", R"({"frame": [1, 0, 9, 9], "children": [{"faults": {"AXTitle":
           {"error": "cannotComplete"}}}, {"role": "AXGroup"}]})"),
       "Control Center (pid 302): it did not answer within 250 ms, and its tree is cut there"},
  };
  for (const auto& [scene, stop] : cases) {
    SCOPED_TRACE(stop);
    const Taken taken = take(*parseScene(scene, "s.json").scene);
    EXPECT_LE(taken.seconds, MenuBarReport::kTimeLimit + MenuBarScanner::kScanTimeout);
    EXPECT_EQ(taken.report.stops, std::vector<std::string>{stop});
    EXPECT_NE(taken.report.json().find("stopped short: " + stop), std::string::npos);
    using Kind = SimAccessibility::Request::Kind;
    std::set<std::tuple<ElementKind, ProcessID, ExtraID>> bounded;
    for (const auto& r : taken.requests) {
      if (r.kind == Kind::setMessagingTimeout && r.timeout == MenuBarScanner::kScanTimeout) {
        bounded.insert({r.target, r.pid, r.extra});
      } else if (r.kind == Kind::copyAttributeValue || r.kind == Kind::copyActionNames) {
        EXPECT_TRUE(bounded.count({r.target, r.pid, r.extra})) << r.name << " of " << r.extra;
      }
    }
  }
}

}  // namespace
}  // namespace strandel::sim
