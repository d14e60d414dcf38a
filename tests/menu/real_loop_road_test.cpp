// One opening of the menu on real threads: the main run loop on a thread of its own, the scan
// queue on another. The test thread only posts to the main queue and waits on futures with
// a bound; nothing sleeps.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "adapters/sim/desktop/sim_accessibility.h"
#include "adapters/sim/loop/real_event_loop.h"
#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
using Rows = std::vector<std::string>;
constexpr auto kBound = std::chrono::seconds(20);

// Waits for a future with a bound, so a fault fails the test instead of hanging it.
template <typename T>
T await(std::future<T>& future) {
  if (future.wait_for(kBound) != std::future_status::ready) {
    ADD_FAILURE() << "timed out";
    std::abort();  // the loop threads cannot be joined safely any more
  }
  return future.get();
}

TEST(RealLoopRoad, OpenScanRebuildAndPick) {
  test::TestPlatform tp;
  tp.launchApp("Clock", {{"Clock", 900}});
  tp.launchApp("Backup", {{"Backup", -30}});
  // The real loop in place of the virtual one, before any other thread starts.
  auto loop = std::make_shared<sim::RealEventLoop>();
  auto accessibility = std::make_shared<sim::SimAccessibility>(tp.desktop, loop);
  Platform& platform = tp.platform;
  platform.accessibility = accessibility;
  platform.dispatch = loop;
  platform.clock = loop;
  platform.timers = loop;

  // Which threads made Accessibility requests (the scan and the press), seen from theirs.
  std::mutex threadsMutex;
  std::set<std::thread::id> accessibilityThreads;
  accessibility->setRequestObserver([&](const sim::SimAccessibility::Request&) {
    std::lock_guard lock(threadsMutex);
    accessibilityThreads.insert(std::this_thread::get_id());
  });
  std::promise<std::thread::id> pressed;
  bool pressSeen = false;  // written on the scan queue's thread only
  tp.desktop->addObserver([&](const sim::DesktopEvent& event) {
    if (event.kind != sim::DesktopEvent::Kind::pressed || pressSeen) return;
    pressSeen = true;
    pressed.set_value(std::this_thread::get_id());
  });

  // Main thread state, touched only by blocks on the main queue.
  std::shared_ptr<AppDelegate> delegate;
  std::shared_ptr<sim::SimMenu> menu;
  bool rebuiltSeen = false;

  std::thread mainThread([&] { loop->run(); });
  const std::thread::id mainId = mainThread.get_id();
  // However the test ends, the delegate goes on the main thread, then the loop stops.
  struct Stopper {
    std::function<void()> stop;
    ~Stopper() { stop(); }
  } stopper{[&] {
    loop->mainQueue().async([&] {
      if (menu) menu->onChange = nullptr;
      menu.reset();
      delegate.reset();
      loop->stop();
    });
    mainThread.join();
    // Drains and joins the scan queue while this platform is still the installed one.
    platform.scanQueue.reset();
  }};

  // 1. Open: the menu is built at once (nothing cached yet) and a scan is started.
  std::promise<Rows> rebuilt;
  std::promise<std::pair<Rows, bool>> openedAtOnce;
  loop->mainQueue().async([&] {
    delegate = std::make_shared<AppDelegate>();
    menu = test::TestPlatform::menuOf(*delegate);
    menu->setDelegate(delegate);
    menu->onChange = [&] {
      if (rebuiltSeen || !menu->isOpen() || !A::shownSignature(*delegate)) return;
      // Called after every row change: wait for the whole list, footer included.
      const long count = menu->numberOfItems();
      if (A::shownSignature(*delegate)->empty() || count == 0) return;
      if (menu->itemAtIndex(count - 1)->action() != std::optional<std::string>("terminate:")) {
        return;
      }
      rebuiltSeen = true;
      rebuilt.set_value(test::describeMenu(*menu));
    };
    menu->open();
    openedAtOnce.set_value({test::describeMenu(*menu), A::scanning(*delegate)});
  });
  auto openedFuture = openedAtOnce.get_future();
  auto [firstRows, scanStarted] = await(openedFuture);
  EXPECT_EQ(firstRows[0], "Scanning the menu bar… (disabled)");
  EXPECT_TRUE(scanStarted);

  // 2. The scan runs on the scan queue; its result rebuilds the open menu on the main thread.
  auto rebuiltFuture = rebuilt.get_future();
  const Rows listRows = await(rebuiltFuture);
  Rows expected = {"HIDDEN (1) (disabled)",  "●  Backup (title Backup) -> pick:", "---",
                   "VISIBLE (1) (disabled)", "Clock -> pick:",     "---"};
  for (const auto& row : test::englishFooter()) expected.push_back(row);
  EXPECT_EQ(listRows, expected);

  // 3. Pick the hidden extra; it is pressed on the scan queue's thread.
  std::promise<bool> chosen;
  loop->mainQueue().async([&] { chosen.set_value(menu->choose(1)); });
  auto chosenFuture = chosen.get_future();
  EXPECT_TRUE(await(chosenFuture));
  auto pressedFuture = pressed.get_future();
  const std::thread::id pressThread = await(pressedFuture);
  EXPECT_NE(pressThread, mainId);
  const auto presses = tp.desktop->presses();
  ASSERT_EQ(presses.size(), 1u);
  EXPECT_EQ(presses[0].description, std::optional<std::string>("Backup"));

  // Every Accessibility request came from one thread, never the main one.
  {
    std::lock_guard lock(threadsMutex);
    EXPECT_EQ(accessibilityThreads, std::set<std::thread::id>{pressThread});
  }
}

}  // namespace
}  // namespace strandel
