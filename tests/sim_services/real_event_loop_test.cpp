#include "adapters/sim/loop/real_event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace strandel::sim {
namespace {

// Every test runs the loop on the test's own thread; other threads only post, signal and
// stop. Ordering is forced with promises, never with sleeps, and nothing asserts on time.
class RealEventLoopTest : public ::testing::Test {
 protected:
  Block record(std::string name) {
    return [this, name] { log.push_back(name); };
  }

  RealEventLoop loop;
  std::vector<std::string> log;  // main thread only
};

TEST_F(RealEventLoopTest, StopFromAnotherThreadEndsRunAfterPostedBlocksRan) {
  std::thread other([&] {
    loop.mainQueue().async(record("posted"));
    loop.mainQueue().async([&] { loop.stop(); });
  });
  loop.run();
  other.join();
  EXPECT_EQ(log, std::vector<std::string>{"posted"});
}

TEST_F(RealEventLoopTest, StopBeforeRunReturnsAtOnceAndTheLoopCanRunAgain) {
  std::thread([&] { loop.stop(); }).join();
  loop.run();  // returns
  loop.mainQueue().async(record("second run"));
  loop.mainQueue().async([&] { loop.stop(); });
  loop.run();
  EXPECT_EQ(log, std::vector<std::string>{"second run"});
}

TEST_F(RealEventLoopTest, BlocksSubmittedDuringABlockRunAfterIt) {
  loop.mainQueue().async([&] {
    loop.mainQueue().async(record("nested"));
    log.push_back("outer");
  });
  loop.mainQueue().async(record("second"));
  loop.mainQueue().async([&] { loop.mainQueue().async([&] { loop.stop(); }); });
  loop.run();
  EXPECT_EQ(log, (std::vector<std::string>{"outer", "second", "nested"}));
}

TEST_F(RealEventLoopTest, MainLoopKeepsServingWhileASerialBlockIsBlocked) {
  auto queue = loop.makeSerialQueue("com.quillet.strandel.ax", QualityOfService::unspecified);
  EXPECT_EQ(queue->label(), "com.quillet.strandel.ax");
  std::promise<void> release;
  std::thread::id mainThread = std::this_thread::get_id();
  std::thread::id serialThread;
  queue->async([&] {
    serialThread = std::this_thread::get_id();
    loop.mainQueue().async(record("serial started"));
    release.get_future().wait();  // held until the main thread has served another block
    loop.mainQueue().async([&] {
      log.push_back("serial result");
      EXPECT_EQ(std::this_thread::get_id(), mainThread);
      loop.stop();
    });
  });
  loop.mainQueue().asyncAfter(0.001, [&] {
    log.push_back("main still serving");
    release.set_value();
  });
  loop.run();
  queue.reset();  // joins, so serialThread is safe to read
  EXPECT_NE(serialThread, mainThread);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log.back(), "serial result");
}

TEST_F(RealEventLoopTest, SerialQueueRunsBlocksOneAtATimeInOrderAndDrainsWhenDropped) {
  std::vector<int> order;  // serial thread only until the queue is dropped
  int running = 0;
  bool overlapped = false;
  auto queue = loop.makeSerialQueue("q", QualityOfService::utility);
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  DispatchQueue* raw = queue.get();  // alive until its destructor has drained it
  for (int i = 0; i < 50; ++i) {
    queue->async([&, i, opened] {
      opened.wait();
      if (++running != 1) overlapped = true;
      order.push_back(i);
      if (i == 0) raw->async([&] { order.push_back(100); });  // after all the others
      --running;
    });
  }
  gate.set_value();
  queue.reset();  // runs what is pending, then joins
  ASSERT_EQ(order.size(), 51u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  EXPECT_EQ(order.back(), 100);
  EXPECT_FALSE(overlapped);
}

TEST_F(RealEventLoopTest, QueueDroppedInsideItsOwnBlockFinishesCleanly) {
  auto queue = loop.makeSerialQueue("self", QualityOfService::unspecified);
  std::promise<void> finished;
  queue->async([queue]() mutable {
    queue.reset();  // not the last reference yet
  });
  DispatchQueue* raw = queue.get();
  raw->async([&finished, held = std::move(queue)]() mutable {
    // The block owns the last reference: the queue goes away on its own thread.
    held.reset();
    finished.set_value();
  });
  finished.get_future().wait();
}

TEST_F(RealEventLoopTest, DelayedBlocksAndTimersRunInDueOrder) {
  loop.mainQueue().asyncAfter(0.03, [&] {
    log.push_back("30ms");
    loop.stop();
  });
  loop.mainQueue().asyncAfter(0.01, record("10ms"));
  loop.scheduledTimer(0.02, false, [&](Timer&) { log.push_back("timer 20ms"); });
  loop.mainQueue().async(record("now"));
  loop.run();
  EXPECT_EQ(log, (std::vector<std::string>{"now", "10ms", "timer 20ms", "30ms"}));
  EXPECT_EQ(loop.activeTimerCount(), 0u);
}

TEST_F(RealEventLoopTest, RepeatingTimerFiresUntilItInvalidatesItself) {
  int fires = 0;
  TimerRef timer = loop.scheduledTimer(0.001, true, [&](Timer& t) {
    if (++fires == 3) {
      t.invalidate();
      loop.mainQueue().asyncAfter(0.005, [&] { loop.stop(); });
    }
  });
  EXPECT_EQ(loop.activeTimerCount(), 1u);
  EXPECT_DOUBLE_EQ(timer->timeInterval(), 0.001);
  loop.run();
  EXPECT_EQ(fires, 3);
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(loop.activeTimerCount(), 0u);
}

TEST_F(RealEventLoopTest, TrackingHoldsBackDefaultModeTimersUntilItEnds) {
  loop.setTracking(true);
  EXPECT_TRUE(loop.inMenuTracking());
  // Due first, but only in the default mode.
  loop.scheduledTimer(0.001, false, [&](Timer&) {
    log.push_back("default");
    loop.stop();
  });
  TimerRef common = loop.scheduledTimer(0.005, false, [&](Timer&) {
    log.push_back("common");
    loop.setTracking(false);
  });
  loop.addTimer(common, RunLoopMode::commonModes);
  loop.run();
  EXPECT_EQ(log, (std::vector<std::string>{"common", "default"}));
}

TEST_F(RealEventLoopTest, NestedRunServesEventsUntilDone) {
  bool answered = false;
  std::thread user;
  loop.mainQueue().async([&] {
    log.push_back("modal opens");
    loop.mainQueue().async([&] {
      log.push_back("served while modal");
      // The answer comes from elsewhere, like a key press.
      user = std::thread([&] { loop.mainQueue().async([&] { answered = true; }); });
    });
    loop.runUntil([&] { return answered; });
    log.push_back("modal closed");
    loop.stop();
  });
  loop.run();
  user.join();
  EXPECT_EQ(log, (std::vector<std::string>{"modal opens", "served while modal", "modal closed"}));
}

TEST_F(RealEventLoopTest, StopEndsANestedRunToo) {
  std::thread other;
  loop.mainQueue().async([&] {
    other = std::thread([&] { loop.stop(); });
    loop.runUntil([] { return false; });
    log.push_back("nested returned");
  });
  loop.run();
  other.join();
  EXPECT_EQ(log, std::vector<std::string>{"nested returned"});
}

class Pipe {
 public:
  Pipe() { EXPECT_EQ(pipe(fds_), 0); }
  ~Pipe() {
    closeWrite();
    close(fds_[0]);
  }
  int readEnd() const { return fds_[0]; }
  void write(char c) { EXPECT_EQ(::write(fds_[1], &c, 1), 1); }
  void closeWrite() {
    if (fds_[1] >= 0) close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

TEST_F(RealEventLoopTest, ReadSourceDeliversInputAndIsRemovedAtEndOfFile) {
  Pipe input;
  std::string received;
  bool sawEnd = false;
  loop.addReadSource(input.readEnd(), [&] {
    char buffer[16];
    ssize_t n = read(input.readEnd(), buffer, sizeof buffer);
    if (n > 0) {
      received.append(buffer, static_cast<size_t>(n));
      if (received == "ab") {
        std::thread([&] { input.closeWrite(); }).join();
      }
    } else {
      sawEnd = true;
      loop.mainQueue().async([&] { loop.stop(); });
    }
  });
  EXPECT_EQ(loop.readSourceCount(), 1u);
  std::thread writer([&] {
    input.write('a');
    input.write('b');
  });
  loop.run();
  writer.join();
  EXPECT_EQ(received, "ab");
  EXPECT_TRUE(sawEnd);
  EXPECT_EQ(loop.readSourceCount(), 0u);  // hung up: it never becomes readable again
}

TEST_F(RealEventLoopTest, RemovedReadSourceIsNotCalled) {
  Pipe input;
  int calls = 0;
  auto id = loop.addReadSource(input.readEnd(), [&] { ++calls; });
  loop.removeReadSource(id);
  input.write('x');
  loop.mainQueue().asyncAfter(0.005, [&] { loop.stop(); });
  loop.run();
  EXPECT_EQ(calls, 0);
}

TEST_F(RealEventLoopTest, IdleLoopSleepsUntilTheNextTimer) {
  uint64_t before = 0;
  uint64_t after = 0;
  loop.mainQueue().async([&] {
    before = loop.wakeupCount();
    loop.scheduledTimer(0.05, false, [&](Timer&) {
      after = loop.wakeupCount();
      loop.stop();
    });
  });
  loop.run();
  // A polling loop would come back thousands of times in 50 ms; a sleeping one about once.
  EXPECT_LE(after - before, 3u);
}

TEST_F(RealEventLoopTest, ClockIsTheWallClockSinceTheReferenceDate) {
  double expected = static_cast<double>(std::time(nullptr)) - 978307200.0;
  EXPECT_NEAR(loop.now().secondsSinceReference, expected, 5.0);
}

}  // namespace
}  // namespace strandel::sim
