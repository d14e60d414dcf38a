// The Option row of the footer: shown only while Option is held, copying the menu bar
// report without touching the program's state, however slow the apps are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/sim/simulator/scene.h"
#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
using Rows = std::vector<std::string>;
constexpr const char* kReportQueue = "com.quillet.strandel.report";

// With access, the row and its release are in the menu bar report's transcript.
TEST(ReportRow, NeverReplacesARowWithoutAccess) {
  test::TestPlatform tp(test::TestPlatform::Options{.trusted = false});
  auto delegate = tp.launchDelegate();
  tp.drain();
  auto menu = test::TestPlatform::menuOf(*delegate);
  menu->open();
  const auto shown = [&] {
    Rows rows;
    for (const auto& row : menu->shownItems()) rows.push_back(test::describeRow(*row));
    return rows;
  };
  const Rows before = shown();
  menu->setOptionKeyDown(true);
  EXPECT_EQ(shown(), before);
  EXPECT_EQ(before.size(), 5u);  // the permission rows alone
}

struct State {
  Rows cached;
  Date cachedAt;
  bool scanning;
  size_t pending;
  std::optional<Rows> shown;
  bool open;
  bool watching;
  size_t timers;
  bool operator==(const State&) const = default;
};

State stateOf(AppDelegate& d, test::TestPlatform& tp) {
  Rows cached;
  for (const auto& item : A::cachedItems(d).value_or(ExtraItems{})) {
    cached.push_back(item->signature());
  }
  return {cached,
          A::cachedAt(d),
          A::scanning(d),
          A::pendingCompletions(d).size(),
          A::shownSignature(d),
          A::menuIsOpen(d),
          A::accessibilityWatch(d) != nullptr,
          tp.loop->activeTimerCount()};
}

// A hung app costs the report the scan's time-out on its application element and no more,
// the menu works meanwhile, and nothing of the program's state moves: only the pasteboard.
TEST(ReportRow, CopiesTheReportOffTheMainThreadWithinTheScansTimeOutsAndTouchesNoState) {
  test::TestPlatform tp;
  sim::AppSpec hung;
  hung.name = "Hung";
  hung.responseDelay = 60;
  hung.extras = {sim::ExtraSpec{}};
  tp.desktop->launch(hung);
  tp.launchApp("Clock", {{"Clock", 900}});
  auto delegate = tp.launchDelegate();
  tp.drain();
  tp.advance(1);
  const State before = stateOf(*delegate, tp);
  const Date asked = tp.now();

  delegate->copyMenuBarReport();
  tp.runMain();
  // On a queue of its own: a scan or a press never waits behind it.
  EXPECT_EQ(tp.pendingScanBlocks(), 0u);
  EXPECT_EQ(tp.loop->pendingSerial(kReportQueue), 1u);
  EXPECT_EQ(tp.pasteboard->changeCount(), 0);
  auto menu = test::TestPlatform::menuOf(*delegate);
  menu->open();  // the main thread is free: the menu opens from the cache at once
  EXPECT_EQ(test::describeMenu(*menu)[2], "Clock -> pick:");
  menu->close();
  ASSERT_TRUE(tp.loop->runSerialStep(kReportQueue));
  tp.runMain();
  EXPECT_DOUBLE_EQ(tp.now().timeIntervalSince(asked), 0.25);
  EXPECT_EQ(stateOf(*delegate, tp), before);

  // What it holds is the menu bar report test's.
  EXPECT_EQ(tp.pasteboard->type(), kPasteboardTypeString);
  EXPECT_NE(tp.pasteboard->text().find("\"name\":\"Clock\""), std::string::npos);
}

}  // namespace
}  // namespace strandel
