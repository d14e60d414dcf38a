#include "adapters/sim/loop/virtual_event_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace strandel::sim {
namespace {

using Log = std::vector<std::string>;
using Times = std::vector<double>;

// Starts at zero: whole and binary-fraction times stay exact, so they compare exactly.
class VirtualEventLoopTest : public ::testing::Test {
 protected:
  double elapsed() { return loop.now().secondsSinceReference; }
  Block record(std::string name) {
    return [this, name] { log.push_back(name); };
  }
  TimerBlock stamp(Times& fires) {
    return [this, &fires](Timer&) { fires.push_back(elapsed()); };
  }

  VirtualEventLoop loop{Date{0}};
  Log log;
};

TEST_F(VirtualEventLoopTest, TimeMovesOnlyWhenToldAndBlocksRunInDueThenSubmissionOrder) {
  auto& main = loop.mainQueue();
  main.async([&] {
    log.push_back("a");
    main.async(record("c"));  // nested: after the ones already waiting
  });
  main.async(record("b"));
  EXPECT_TRUE(log.empty());
  loop.runMain();
  loop.advance(-5);
  EXPECT_EQ(elapsed(), 0);
  main.asyncAfter(2.5, [&] {
    log.push_back("first at 2.5");
    main.async(record("nested at " + std::to_string(elapsed())));
  });
  main.asyncAfter(2.5, record("second at 2.5"));
  main.asyncAfter(1.0, record("at 1"));
  main.asyncAfter(-3, record("now"));  // a negative delay is due now
  loop.advance(0.875);
  EXPECT_EQ(log, (Log{"a", "b", "c", "now"}));
  loop.advance(5);
  EXPECT_EQ(log, (Log{"a", "b", "c", "now", "at 1", "first at 2.5", "second at 2.5",
                      "nested at 2.500000"}));
  EXPECT_EQ(elapsed(), 5.875);
}

TEST_F(VirtualEventLoopTest, TimersFireOnTheirPhaseUntilInvalidated) {
  auto owned = std::make_shared<int>(0);
  std::weak_ptr<int> watch = owned;
  int cancelled = 0;
  TimerRef cancel = loop.scheduledTimer(1.0, true, [&cancelled, owned](Timer&) { ++cancelled; });
  owned.reset();
  cancel->invalidate();
  EXPECT_TRUE(watch.expired());                     // its block is released at once
  loop.addTimer(cancel, RunLoopMode::commonModes);  // and it cannot come back
  Times repeating, oneShot, dropped;
  TimerRef three = loop.scheduledTimer(1.0, true, [&](Timer& t) {
    repeating.push_back(elapsed());
    if (repeating.size() == 3) t.invalidate();
  });
  TimerRef once = loop.scheduledTimer(0.5, false, stamp(oneShot));
  loop.scheduledTimer(2.0, true, stamp(dropped));  // nobody keeps a reference
  loop.advance(6);
  EXPECT_EQ(cancelled, 0);
  EXPECT_EQ(repeating, (Times{1.0, 2.0, 3.0}));
  EXPECT_EQ(oneShot, Times{0.5});
  EXPECT_EQ(dropped, (Times{2.0, 4.0, 6.0}));
  EXPECT_FALSE(three->isValid() || once->isValid());
  EXPECT_EQ(loop.activeTimerCount(), 1u);
}

TEST_F(VirtualEventLoopTest, TrackingHoldsBackDefaultModeTimersAndReleasesThemInDueOrder) {
  Times commonFires;
  loop.scheduledTimer(1.0, true, [&](Timer&) { log.push_back(std::to_string(elapsed())); });
  TimerRef common = loop.scheduledTimer(1.0, true, stamp(commonFires));
  loop.addTimer(common, RunLoopMode::commonModes);
  loop.addTimer(common, RunLoopMode::defaultMode);  // still scheduled once
  loop.advance(1.5);
  loop.setTracking(true);
  // Made later than the default-mode timer, but due first.
  loop.scheduledTimer(0.25, false, [&](Timer&) { log.push_back("once"); });
  loop.mainQueue().asyncAfter(0.5, record("delayed"));
  EXPECT_TRUE(loop.runUntilIdle());  // held-back timers are not waited for
  EXPECT_EQ(elapsed(), 2);
  loop.advance(2.25);
  EXPECT_EQ(log, (Log{"1.000000", "delayed"}));  // blocks are never held back
  loop.setTracking(false);
  loop.advance(0.75);
  // Held back from 1.5 to 4.25: one late fire each when tracking ends, in due order, then the
  // old phase (missed fires are skipped, not made up in a burst).
  EXPECT_EQ(log, (Log{"1.000000", "delayed", "once", "4.250000", "5.000000"}));
  EXPECT_EQ(commonFires, (Times{1.0, 2.0, 3.0, 4.0, 5.0}));
}

TEST_F(VirtualEventLoopTest, SerialQueuesRunOnlyWhenAskedInOrderEvenAfterBeingDropped) {
  auto scan = loop.makeSerialQueue("com.quillet.strandel.ax", QualityOfService::userInitiated);
  auto other = loop.makeSerialQueue("other", QualityOfService::utility);
  scan->async(record("s1"));
  other->async(record("o1"));
  scan->async([&] {
    log.push_back("s2");
    scan->async(record("s3"));
  });
  other.reset();
  loop.advance(10);
  while (loop.runSerialStep("com.quillet.strandel.ax")) {
  }
  EXPECT_TRUE(loop.runSerialStep("other"));  // dropped, but its block still runs
  EXPECT_EQ(log, (Log{"s1", "s2", "s3", "o1"}));

  std::shared_ptr<DispatchQueue> orphan;
  {
    VirtualEventLoop local;
    orphan = local.makeSerialQueue("q", QualityOfService::unspecified);
  }
  orphan->async(record("never"));  // its loop is gone: neither crash nor run
  EXPECT_EQ(log.size(), 4u);
}

// The round trip of a scan: main hands work to the queue, the queue hands the result back.
// Queues run side by side: a block that waits (a slow application) holds up only its own
// queue, while the main thread keeps its moments and other queues go on.
TEST_F(VirtualEventLoopTest, QueuesRunSideBySideAndAWaitingBlockHoldsUpOnlyItsOwnQueue) {
  auto slow = loop.makeSerialQueue("ax", QualityOfService::unspecified);
  auto quick = loop.makeSerialQueue("ax", QualityOfService::unspecified);
  const auto at = [this](std::string what) {
    return [this, what] { log.push_back(what + " " + std::to_string(elapsed())); };
  };
  loop.mainQueue().async([&] {
    slow->async([&] {
      loop.sleepFor(0.25);
      at("slow answered")();
    });
    slow->async(at("slow 2"));
    quick->async([&] {
      loop.sleepFor(0.0625);
      at("quick answered")();
    });
  });
  loop.mainQueue().asyncAfter(0.125, at("tick"));
  loop.runUntil(Date{0.1875});
  EXPECT_EQ(log, (Log{"quick answered 0.062500", "tick 0.125000"}));
  EXPECT_EQ(elapsed(), 0.1875);  // not carried past the limit by the block still waiting
  EXPECT_EQ(loop.pendingSerial("ax"), 2u);
  loop.runUntil(Date{1});
  EXPECT_EQ(log, (Log{"quick answered 0.062500", "tick 0.125000", "slow answered 0.250000",
                      "slow 2 0.250000"}));
}

TEST_F(VirtualEventLoopTest, RunUntilIdleIgnoresRepeatingTimersAndGivesUp) {
  Times ticks;
  loop.scheduledTimer(1.0, true, stamp(ticks));
  auto queue = loop.makeSerialQueue("q", QualityOfService::unspecified);
  loop.mainQueue().asyncAfter(2.5, [&] { queue->async(record("work")); });
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_EQ(ticks, (Times{1.0, 2.0}));

  loop.scheduledTimer(1.0, false, [&](Timer&) { log.push_back("once"); });
  EXPECT_TRUE(loop.runUntilIdle());  // waits for the one-shot timer
  EXPECT_EQ(log, (Log{"work", "once"}));
  EXPECT_EQ(elapsed(), 3.5);

  // Work that keeps making work never becomes idle.
  std::function<void()> again = [&] { loop.mainQueue().asyncAfter(1.0, again); };
  loop.mainQueue().async(again);
  EXPECT_FALSE(loop.runUntilIdle(10));
  EXPECT_EQ(elapsed(), 13.5);
}

}  // namespace
}  // namespace strandel::sim
