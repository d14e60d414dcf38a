#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "adapters/sim/loop/time_source.h"
#include "ports/clock.h"
#include "ports/dispatch.h"
#include "ports/timer.h"

namespace strandel::sim {

// The ports on real time and real threads. The main run loop runs on whichever thread calls
// run(); it sleeps in poll() until the next delayed block or timer is due, a block is
// submitted, or a read source becomes readable, so an idle loop uses no CPU.
//
// Main-thread events (main-queue blocks, delayed blocks, timer fires) run in due-time order,
// ties in submission order, with the same timer rules as the virtual loop: first fire one
// interval after scheduling, repeating timers keep their phase and skip missed fires, a
// one-shot timer is invalidated when it fires, an interval of zero or less is 0.1 ms. While
// tracking, timers only in the default mode are held back and fire once when tracking ends.
//
// Any thread may submit to the main queue, call stop() or wake(). Timers, tracking and read
// sources belong to the main thread, as on the platform.
//
// Each serial queue is a thread of its own running its blocks one at a time, in order (the
// quality of service is not modelled).
// Dropping the last reference to a queue never waits, as releasing a dispatch queue never
// does: its thread finishes the pending blocks in the background and is joined when the
// process leaves (right away when it already is).
// Once the loop is stopped, its process is leaving, as a Mac app's process ends once
// applicationWillTerminate: returns (AppKit's NSApplication terminate: docs), whatever its
// threads and queues hold: serial queues drop their pending blocks instead of running them,
// and simulated waits end at once. A later run() still serves the main thread.
class RealEventLoop : public Dispatch, public Clock, public Timers, public TimeSource {
 public:
  using SourceID = uint64_t;

  RealEventLoop();
  ~RealEventLoop() override;
  RealEventLoop(const RealEventLoop&) = delete;
  RealEventLoop& operator=(const RealEventLoop&) = delete;

  // Dispatch
  MainQueue& mainQueue() override;
  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override;
  // Clock: the wall clock, seconds since 2001-01-01 00:00 UTC.
  Date now() override;
  // Timers
  TimerRef scheduledTimer(double interval, bool repeats, TimerBlock block) override;
  void addTimer(const TimerRef& timer, RunLoopMode mode) override;
  // TimeSource: sleeps the calling thread until the time is up; not at all after a stop().
  void sleepFor(double seconds) override;
  double elapsed() override;

  // Runs the loop on the calling thread until stop(). A stop() that comes before run() makes
  // it return at once.
  void run();
  // Ends every run() and runUntil() in progress as soon as the event running now returns,
  // and every sleepFor() at once; leaves the serial queues' pending blocks unrun: quitting
  // waits for no simulated app and no queued work.
  void stop();
  // A nested run (a modal alert): serves events until done() is true, checked after each
  // event, or until stop(). Whatever makes done() true should be an event of this loop (a
  // block, a timer, a read source) or be followed by wake().
  void runUntil(const std::function<bool()>& done);
  // Makes a waiting loop look at its state again.
  void wake();

  bool inMenuTracking() const;
  void setTracking(bool tracking);
  size_t activeTimerCount() const;

  // Calls onReadable on the main thread whenever fd has data (or end of file) to read. A
  // source whose fd hangs up with nothing left to read, or is not open, is removed after its
  // last call. A handler that reads end of file from an fd that stays readable (a file,
  // /dev/null) should remove its source, or it is called again at once. Handlers should not
  // block: another handler may have taken the input first in a nested run. The loop does
  // not own fd.
  SourceID addReadSource(int fd, std::function<void()> onReadable);
  void removeReadSource(SourceID id);
  size_t readSourceCount() const;

  // How many times the loop has come back from waiting; lets tests see that an idle loop
  // sleeps.
  uint64_t wakeupCount() const;

  struct Core;

 private:
  // The process is leaving: simulated waits end, pending blocks are dropped, and the threads
  // of queues let go are joined.
  void leave();
  std::shared_ptr<Core> core_;
};

}  // namespace strandel::sim
