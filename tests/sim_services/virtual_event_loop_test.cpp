#include "adapters/sim/loop/virtual_event_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace strandel::sim {
namespace {

// Whole and binary-fraction times stay exact near zero, so times can be compared exactly.
constexpr double kStart = 0;

class VirtualEventLoopTest : public ::testing::Test {
 protected:
  double elapsed() { return loop.now().timeIntervalSince(Date{kStart}); }
  Block record(std::string name) {
    return [this, name] { log.push_back(name); };
  }

  VirtualEventLoop loop{Date{kStart}};
  std::vector<std::string> log;
};

TEST_F(VirtualEventLoopTest, StartsAtTheGivenDateAndOnlyMovesWhenTold) {
  VirtualEventLoop standard;
  EXPECT_EQ(standard.now(), Date{800000000.0});
  EXPECT_EQ(loop.now(), Date{kStart});
  loop.runMain();
  EXPECT_EQ(elapsed(), 0);
  loop.advance(-5);
  EXPECT_EQ(elapsed(), 0);
  loop.sleepFor(1.5);
  EXPECT_EQ(elapsed(), 1.5);
}

TEST_F(VirtualEventLoopTest, AsyncBlocksRunInSubmissionOrderWithNestedOnesAfter) {
  auto& main = loop.mainQueue();
  main.async([&] {
    log.push_back("a");
    main.async(record("c"));
  });
  main.async(record("b"));
  EXPECT_EQ(loop.pendingMain(), 2u);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(loop.runMain(), 3u);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(loop.pendingMain(), 0u);
  EXPECT_EQ(elapsed(), 0);
}

TEST_F(VirtualEventLoopTest, DelayedBlocksRunAtTheirExactTimes) {
  auto& main = loop.mainQueue();
  double ranAt2 = -1;
  double ranAt25 = -1;
  main.asyncAfter(2.5, [&] { ranAt25 = elapsed(); });
  main.asyncAfter(2.0, [&] { ranAt2 = elapsed(); });
  loop.advance(1.75);
  EXPECT_EQ(ranAt2, -1);
  EXPECT_EQ(loop.runMain(), 0u);
  loop.advance(0.25);
  EXPECT_EQ(ranAt2, 2.0);
  EXPECT_EQ(ranAt25, -1);
  loop.advance(1.0);
  EXPECT_EQ(ranAt25, 2.5);
  EXPECT_EQ(elapsed(), 3.0);
}

TEST_F(VirtualEventLoopTest, EqualDueTimesRunInSubmissionOrderAndBlocksTheyAddRunAtThatTime) {
  auto& main = loop.mainQueue();
  double nestedAt = -1;
  main.asyncAfter(1.0, [&] {
    log.push_back("first");
    main.async([&] { nestedAt = elapsed(); });
  });
  main.asyncAfter(1.0, record("second"));
  main.asyncAfter(0.5, record("earlier"));
  main.asyncAfter(-3, record("now"));  // a negative delay is due now
  loop.advance(5);
  EXPECT_EQ(log, (std::vector<std::string>{"now", "earlier", "first", "second"}));
  EXPECT_EQ(nestedAt, 1.0);
}

TEST_F(VirtualEventLoopTest, RepeatingTimerFiresEveryIntervalUntilInvalidatedInItsOwnBlock) {
  std::vector<double> fires;
  TimerRef timer = loop.scheduledTimer(1.0, true, [&](Timer& t) {
    fires.push_back(elapsed());
    if (fires.size() == 3) t.invalidate();
  });
  EXPECT_EQ(loop.activeTimerCount(), 1u);
  EXPECT_DOUBLE_EQ(timer->timeInterval(), 1.0);
  loop.advance(0.875);
  EXPECT_TRUE(fires.empty());
  loop.advance(10);
  EXPECT_EQ(fires, (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(loop.activeTimerCount(), 0u);
}

TEST_F(VirtualEventLoopTest, OneShotTimerFiresOnceAndBecomesInvalid) {
  int fires = 0;
  TimerRef timer = loop.scheduledTimer(0.5, false, [&](Timer& t) {
    ++fires;
    EXPECT_FALSE(t.isValid());
  });
  EXPECT_EQ(timer->timeInterval(), 0);  // a one-shot timer reports no interval
  loop.advance(5);
  EXPECT_EQ(fires, 1);
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(loop.activeTimerCount(), 0u);
}

TEST_F(VirtualEventLoopTest, InvalidatedTimerNeverFiresAndReleasesItsBlock) {
  auto owned = std::make_shared<int>(0);
  std::weak_ptr<int> watch = owned;
  int fires = 0;
  TimerRef timer = loop.scheduledTimer(1.0, true, [&fires, owned](Timer&) { ++fires; });
  owned.reset();
  EXPECT_FALSE(watch.expired());
  timer->invalidate();
  EXPECT_TRUE(watch.expired());
  loop.advance(5);
  EXPECT_EQ(fires, 0);
  loop.addTimer(timer, RunLoopMode::commonModes);  // an invalid timer cannot come back
  loop.advance(5);
  EXPECT_EQ(fires, 0);
  EXPECT_EQ(loop.activeTimerCount(), 0u);
}

TEST_F(VirtualEventLoopTest, TimerKeepsRunningWhenTheCallerDropsItsReference) {
  int fires = 0;
  loop.scheduledTimer(1.0, true, [&](Timer&) { ++fires; });
  loop.advance(3);
  EXPECT_EQ(fires, 3);
  EXPECT_EQ(loop.activeTimerCount(), 1u);
}

TEST_F(VirtualEventLoopTest, RepeatingTimerSkipsMissedFiresInsteadOfBursting) {
  std::vector<double> fires;
  loop.scheduledTimer(1.0, true, [&](Timer&) { fires.push_back(elapsed()); });
  loop.mainQueue().asyncAfter(0.5, [&] { loop.sleepFor(3.2); });  // the main thread is busy
  loop.advance(6);
  // Due at 1, 2 and 3 while busy until 3.7: one late fire, then back on the whole seconds.
  EXPECT_EQ(fires, (std::vector<double>{3.7, 4.0, 5.0, 6.0}));
}

struct ModeCase {
  const char* name;
  bool common;
  std::vector<double> expected;
};

TEST_F(VirtualEventLoopTest, TrackingHoldsBackDefaultModeTimersOnly) {
  const ModeCase cases[] = {
      // Held back from 1.5 to 4.25: one late fire when tracking ends, then the old phase.
      {"default mode", false, {1.0, 4.25, 5.0}},
      {"common modes", true, {1.0, 2.0, 3.0, 4.0, 5.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualEventLoop local(Date{0});
    std::vector<double> fires;
    TimerRef timer = local.scheduledTimer(
        1.0, true, [&](Timer&) { fires.push_back(local.now().secondsSinceReference); });
    if (c.common) local.addTimer(timer, RunLoopMode::commonModes);
    local.advance(1.5);
    local.setTracking(true);
    EXPECT_TRUE(local.inMenuTracking());
    local.advance(2.75);
    EXPECT_EQ(local.pendingMain(), 0u);
    local.setTracking(false);
    EXPECT_EQ(local.pendingMain(), c.common ? 0u : 1u);
    local.advance(0.75);
    EXPECT_EQ(fires, c.expected);
  }
}

TEST_F(VirtualEventLoopTest, MainQueueBlocksRunWhileTracking) {
  loop.setTracking(true);
  loop.mainQueue().asyncAfter(0.5, record("delayed"));
  loop.mainQueue().async(record("now"));
  loop.advance(1);
  EXPECT_EQ(log, (std::vector<std::string>{"now", "delayed"}));
}

TEST_F(VirtualEventLoopTest, TimerAddedForCommonModesIsScheduledOnlyOnce) {
  int fires = 0;
  TimerRef timer = loop.scheduledTimer(1.0, true, [&](Timer&) { ++fires; });
  loop.addTimer(timer, RunLoopMode::commonModes);
  loop.addTimer(timer, RunLoopMode::defaultMode);
  loop.advance(3);
  EXPECT_EQ(fires, 3);
  EXPECT_EQ(loop.activeTimerCount(), 1u);
}

TEST_F(VirtualEventLoopTest, ZeroIntervalTimerUsesTheMinimumInterval) {
  int fires = 0;
  loop.scheduledTimer(0, true, [&](Timer& t) {
    if (++fires == 10) t.invalidate();
  });
  loop.runMain();
  EXPECT_EQ(fires, 0);  // never due at the moment it is scheduled
  loop.advance(1);
  EXPECT_EQ(fires, 10);
}

TEST_F(VirtualEventLoopTest, SerialQueuesRunOnlyWhenAskedInFifoOrder) {
  auto scan = loop.makeSerialQueue("com.quillet.strandel.ax", QualityOfService::userInitiated);
  auto other = loop.makeSerialQueue("other", QualityOfService::utility);
  EXPECT_EQ(scan->label(), "com.quillet.strandel.ax");
  scan->async(record("s1"));
  other->async(record("o1"));
  scan->async([&] {
    log.push_back("s2");
    scan->async(record("s3"));
  });
  loop.advance(10);
  loop.runMain();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(loop.pendingSerial("com.quillet.strandel.ax"), 2u);
  EXPECT_EQ(loop.pendingSerialTotal(), 3u);
  EXPECT_TRUE(loop.runSerialStep("com.quillet.strandel.ax"));
  EXPECT_TRUE(loop.runSerialStep("com.quillet.strandel.ax"));
  EXPECT_TRUE(loop.runSerialStep("com.quillet.strandel.ax"));
  EXPECT_FALSE(loop.runSerialStep("com.quillet.strandel.ax"));
  EXPECT_FALSE(loop.runSerialStep("missing"));
  EXPECT_EQ(log, (std::vector<std::string>{"s1", "s2", "s3"}));
  EXPECT_EQ(loop.pendingSerial("other"), 1u);
}

TEST_F(VirtualEventLoopTest, SerialBlocksStillRunAfterTheQueueIsDropped) {
  auto queue = loop.makeSerialQueue("q", QualityOfService::unspecified);
  queue->async(record("orphan"));
  queue.reset();
  EXPECT_EQ(loop.pendingSerial("q"), 1u);
  EXPECT_TRUE(loop.runSerialStep("q"));
  EXPECT_EQ(log, std::vector<std::string>{"orphan"});
}

TEST_F(VirtualEventLoopTest, QueueOutlivingItsLoopDropsNewBlocks) {
  std::shared_ptr<DispatchQueue> queue;
  {
    VirtualEventLoop local;
    queue = local.makeSerialQueue("q", QualityOfService::unspecified);
  }
  queue->async(record("never"));  // must neither crash nor run
  EXPECT_EQ(queue->label(), "q");
  EXPECT_TRUE(log.empty());
}

// The round trip of a scan: main hands work to the queue, the queue hands the result back.
TEST_F(VirtualEventLoopTest, RunUntilDrainsSerialQueuesWhenTheMainThreadIsIdle) {
  auto queue = loop.makeSerialQueue("ax", QualityOfService::unspecified);
  double resultAt = -1;
  loop.mainQueue().async([&] {
    log.push_back("request");
    queue->async([&] {
      loop.sleepFor(0.3);  // a slow application
      loop.mainQueue().async([&] {
        log.push_back("result");
        resultAt = elapsed();
      });
    });
  });
  loop.mainQueue().asyncAfter(0.1, record("tick"));
  loop.runUntil(Date{kStart + 1});
  // The tick was due while the queue was busy; it runs late, before the result.
  EXPECT_EQ(log, (std::vector<std::string>{"request", "tick", "result"}));
  EXPECT_DOUBLE_EQ(resultAt, 0.3);
  EXPECT_EQ(elapsed(), 1);
}

TEST_F(VirtualEventLoopTest, RunUntilGivesTheMainThreadPriorityOverSerialWork) {
  auto queue = loop.makeSerialQueue("q", QualityOfService::unspecified);
  queue->async([&] {
    log.push_back("serial 1");
    loop.mainQueue().async(record("main from serial"));
  });
  queue->async(record("serial 2"));
  loop.mainQueue().async(record("main"));
  loop.runUntil(loop.now());
  EXPECT_EQ(log, (std::vector<std::string>{"main", "serial 1", "main from serial", "serial 2"}));
}

TEST_F(VirtualEventLoopTest, RunUntilIdleStopsWhenOnlyRepeatingTimersRemain) {
  int ticks = 0;
  loop.scheduledTimer(1.0, true, [&](Timer&) { ++ticks; });
  auto queue = loop.makeSerialQueue("q", QualityOfService::unspecified);
  loop.mainQueue().asyncAfter(2.5, [&] { queue->async(record("work")); });
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_EQ(log, std::vector<std::string>{"work"});
  EXPECT_EQ(elapsed(), 2.5);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(loop.activeTimerCount(), 1u);
}

TEST_F(VirtualEventLoopTest, RunUntilIdleWaitsForOneShotTimersAndGivesUpAtTheLimit) {
  loop.scheduledTimer(4.0, false, [&](Timer&) { log.push_back("once"); });
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_EQ(elapsed(), 4.0);

  // Work that keeps making work never becomes idle.
  std::function<void()> again = [&] { loop.mainQueue().asyncAfter(1.0, again); };
  loop.mainQueue().async(again);
  EXPECT_FALSE(loop.runUntilIdle(10));
  EXPECT_EQ(elapsed(), 14.0);
}

TEST_F(VirtualEventLoopTest, RunUntilIdleIgnoresOneShotTimersHeldBackByTracking) {
  loop.setTracking(true);
  loop.scheduledTimer(1.0, false, [&](Timer&) { log.push_back("fired"); });
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_EQ(elapsed(), 0);
  loop.advance(2);
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_TRUE(log.empty());
  loop.setTracking(false);
  EXPECT_EQ(loop.pendingMain(), 1u);
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_EQ(log, std::vector<std::string>{"fired"});
  EXPECT_EQ(elapsed(), 2);
}

TEST_F(VirtualEventLoopTest, DrivingCallsMayBeNestedInsideABlock) {
  // A modal alert runs the loop from inside a main-queue block.
  loop.mainQueue().async([&] {
    log.push_back("modal start");
    loop.mainQueue().asyncAfter(1.0, record("during modal"));
    loop.advance(2.0);
    log.push_back("modal end");
  });
  loop.mainQueue().async(record("after"));
  loop.runMain();
  EXPECT_EQ(log, (std::vector<std::string>{"modal start", "after", "during modal", "modal end"}));
}

TEST_F(VirtualEventLoopTest, ServesAsTheInstalledPortsAndTimeSource) {
  auto shared = std::make_shared<VirtualEventLoop>();
  std::shared_ptr<Dispatch> dispatch = shared;
  std::shared_ptr<Clock> clock = shared;
  std::shared_ptr<TimeSource> time = shared;
  Date before = clock->now();
  time->sleepFor(0.25);
  EXPECT_DOUBLE_EQ(clock->now().timeIntervalSince(before), 0.25);
  EXPECT_FALSE(dispatch->mainQueue().label().empty());
}

}  // namespace
}  // namespace strandel::sim
