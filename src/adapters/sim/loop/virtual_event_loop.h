#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "adapters/sim/loop/time_source.h"
#include "ports/clock.h"
#include "ports/dispatch.h"
#include "ports/timer.h"

namespace strandel::sim {

// A deterministic, single-threaded stand-in for the main run loop, the main queue, serial
// queues and the clock. Nothing runs on its own: the owner drives it with runMain, advance,
// runSerialStep, runUntil and runUntilIdle, and time moves only when told to (or through
// sleepFor, which stands for work that takes time).
//
// Ordering: every main-thread event (main-queue block, delayed block, timer fire) has a due
// time; events run in due-time order, ties in the order they were submitted (a timer's turn
// is taken when it is armed for its next fire). Blocks submitted with async are due now.
//
// Timers follow the run loop's rules: the first fire is one interval after scheduling, a
// repeating timer then fires at the previous fire date plus the interval, skipping fire
// dates that have already passed instead of firing in a burst; a one-shot timer is
// invalidated after it fires; an interval of zero or less is taken as 0.1 ms. While
// tracking (a menu is open), timers in the default mode only are held back and fire once
// as soon as tracking ends; timers added for the common modes fire as usual. Main-queue
// blocks run in every mode.
//
// Serial queues are FIFO per queue and run only when asked (runSerialStep, runUntil,
// runUntilIdle). Queues run side by side, as on a machine with enough cores: a block that
// waits (sleepFor, a slow application's answer) is set aside until its moment comes, while
// the main thread and other queues go on; its own queue starts nothing else meanwhile. Each
// block runs on a thread of its own, but only while the loop waits for it, so one thing runs
// at a time and the order is the loop's alone. At equal moments the main thread goes first.
// A queue's pending blocks still run after the last reference to the queue is dropped; a
// block still waiting when the loop is destroyed never resumes. The driving calls may be
// made from inside a main-thread event (a modal alert running a nested loop); each event is
// taken off its queue before it runs.
class VirtualEventLoop : public Dispatch, public Clock, public Timers, public TimeSource {
 public:
  explicit VirtualEventLoop(Date start = Date{800000000.0});
  ~VirtualEventLoop() override;
  VirtualEventLoop(const VirtualEventLoop&) = delete;
  VirtualEventLoop& operator=(const VirtualEventLoop&) = delete;

  // Dispatch
  MainQueue& mainQueue() override;
  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override;
  // Clock
  Date now() override;
  // Timers
  TimerRef scheduledTimer(double interval, bool repeats, TimerBlock block) override;
  void addTimer(const TimerRef& timer, RunLoopMode mode) override;
  // TimeSource: from a serial block, the block waits while the rest goes on; from the main
  // thread, time passes and nothing runs.
  void sleepFor(double seconds) override;
  double elapsed() override;

  // Runs every main-thread event due at the current time (main-queue blocks and timer
  // fires), including those that the blocks add for now; time does not move. Returns how
  // many ran.
  size_t runMain();
  // Runs the oldest pending block of an idle serial queue with this label (of all such
  // queues, the one whose block was submitted first) to its end, the main thread and other
  // queues going on while it waits; false when there is none.
  bool runSerialStep(const std::string& label);
  // The same for the serial block, of any queue, that was submitted first.
  bool runAnySerialStep();
  size_t pendingSerial(const std::string& label) const;
  size_t pendingSerialTotal() const;
  // Main-thread events (blocks and timer fires that may run now) due at the current time.
  size_t pendingMain() const;

  // Moves time to now + seconds, running the main-thread events due on the way at their due
  // times, in order. Serial queues do not run. A negative or NaN span counts as zero.
  void advance(double seconds);
  // Like advance up to `limit`, but behaves like a machine with idle cores: whenever the
  // main thread has nothing due, every idle serial queue starts its next block, and waiting
  // blocks resume at their moments. Returns with now() == limit; a block waiting past it
  // stays set aside.
  void runUntil(Date limit);
  // runUntil(now + maxSeconds), returning early at the first moment the loop is idle: no
  // main-queue block (due or delayed), no serial block, and no valid one-shot timer that
  // can fire in the current mode. Repeating timers alone do not count as work, since they
  // never finish. Time stops where the loop became idle. Returns true when it became idle,
  // false when the limit was reached first.
  bool runUntilIdle(double maxSeconds = 3600);

  // Menu tracking: while true, default-mode-only timers do not fire.
  bool inMenuTracking() const;
  void setTracking(bool tracking);

  // Timers scheduled on the loop that are still valid.
  size_t activeTimerCount() const;

  class VirtualTimer;
  struct SerialState;
  struct Fiber;

 private:
  class Main;
  class SerialQueue;
  struct Event {
    Block block;                          // a main-queue block, or
    std::shared_ptr<VirtualTimer> timer;  // a timer fire
    uint64_t armToken = 0;                // the timer's arming this fire belongs to
  };
  using Key = std::pair<double, uint64_t>;  // due time, submission order

  void submitMain(double due, Block block);
  void arm(const std::shared_ptr<VirtualTimer>& timer, double due);
  bool isLive(const Event& event) const;
  bool canFire(const VirtualTimer& timer) const;
  // Takes the first event due at or before `limit` off the queue and runs it; false when
  // there is none.
  bool runNextDue(double limit, bool withSerial = false);
  // Starts a block on a fiber, or resumes one, and waits until it waits or ends.
  void start(const std::shared_ptr<SerialState>& state);
  void resume(const std::shared_ptr<Fiber>& fiber);
  bool startAnySerial();
  void runSerialToEnd(const std::shared_ptr<SerialState>& state);
  void runEvent(Event event);
  bool hasWork() const;
  std::shared_ptr<SerialState> frontmostSerial(const std::string* label) const;
  bool runSerialOf(const std::shared_ptr<SerialState>& state);
  void pruneSerial();

  double now_;
  uint64_t nextSeq_ = 0;
  bool tracking_ = false;
  std::map<Key, Event> events_;
  std::vector<std::shared_ptr<VirtualTimer>> timers_;    // scheduled on the loop
  std::vector<std::shared_ptr<VirtualTimer>> deferred_;  // came due while held back by mode
  std::vector<std::shared_ptr<SerialState>> serial_;
  std::map<Key, std::shared_ptr<Fiber>> wakes_;  // waiting serial blocks, by moment
  std::shared_ptr<bool> alive_;
  std::unique_ptr<Main> main_;
};

}  // namespace strandel::sim
