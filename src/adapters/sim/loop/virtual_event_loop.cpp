#include "adapters/sim/loop/virtual_event_loop.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

#include "adapters/sim/loop/run_loop_rules.h"

namespace strandel::sim {

class VirtualEventLoop::VirtualTimer : public Timer {
 public:
  VirtualTimer(double interval, bool repeats, TimerBlock block)
      : interval_(run_loop::timerInterval(interval)), repeats_(repeats), block_(std::move(block)) {}

  void invalidate() override {
    valid_ = false;
    // The block may hold what owns the timer; let it go as the run loop does.
    if (!running_) block_ = nullptr;
  }
  bool isValid() const override { return valid_; }
  // As the platform reports it: zero for a one-shot timer.
  double timeInterval() const override { return repeats_ ? interval_ : 0; }

  double interval_;
  bool repeats_;
  TimerBlock block_;
  bool valid_ = true;
  bool running_ = false;
  bool scheduled_ = false;
  bool commonModes_ = false;
  uint64_t armToken_ = 0;
  double fireDate_ = 0;
};

// One serial block at work, on a thread of its own. The baton says who may run: the fiber
// or the loop; each hands it over and waits to get it back.
struct VirtualEventLoop::Fiber {
  VirtualEventLoop* loop = nullptr;
  std::mutex mutex;
  std::condition_variable changed;
  bool fiberTurn = false;
  bool finished = false;
  std::exception_ptr failure;

  // Fiber side: hands the baton to the loop and waits for it (forever once the loop is gone).
  void yieldToLoop(std::unique_lock<std::mutex>& lock) {
    fiberTurn = false;
    changed.notify_all();
    changed.wait(lock, [this] { return fiberTurn; });
  }
};

namespace {
thread_local VirtualEventLoop::Fiber* currentFiber = nullptr;
}  // namespace

struct VirtualEventLoop::SerialState {
  std::string label;
  std::deque<std::pair<uint64_t, Block>> blocks;  // submission order, block
  std::shared_ptr<Fiber> running;                 // a block set aside while it waits
};

class VirtualEventLoop::Main : public MainQueue {
 public:
  explicit Main(VirtualEventLoop& loop) : loop_(loop) {}
  void async(Block block) override { loop_.submitMain(loop_.now_, std::move(block)); }
  void asyncAfter(double seconds, Block block) override {
    loop_.submitMain(loop_.now_ + run_loop::nonNegative(seconds), std::move(block));
  }
  std::string label() const override { return run_loop::kMainQueueLabel; }

 private:
  VirtualEventLoop& loop_;
};

class VirtualEventLoop::SerialQueue : public DispatchQueue {
 public:
  SerialQueue(VirtualEventLoop& loop, std::shared_ptr<SerialState> state)
      : loop_(loop), alive_(loop.alive_), state_(std::move(state)) {}
  void async(Block block) override {
    // A queue that outlives its loop has nowhere to run; its blocks are dropped.
    if (alive_.expired() || !block) return;
    state_->blocks.emplace_back(loop_.nextSeq_++, std::move(block));
  }
  std::string label() const override { return state_->label; }

 private:
  VirtualEventLoop& loop_;
  std::weak_ptr<bool> alive_;
  std::shared_ptr<SerialState> state_;
};

VirtualEventLoop::VirtualEventLoop(Date start)
    : now_(start.secondsSinceReference),
      alive_(std::make_shared<bool>(true)),
      main_(std::make_unique<Main>(*this)) {}

// Blocks still waiting never get the baton back: their threads stay parked, and nothing they
// hold is touched again.
VirtualEventLoop::~VirtualEventLoop() = default;

MainQueue& VirtualEventLoop::mainQueue() {
  return *main_;
}

std::shared_ptr<DispatchQueue> VirtualEventLoop::makeSerialQueue(const std::string& label,
                                                                 QualityOfService) {
  pruneSerial();
  auto state = std::make_shared<SerialState>();
  state->label = label;
  serial_.push_back(state);
  return std::make_shared<SerialQueue>(*this, std::move(state));
}

Date VirtualEventLoop::now() {
  return Date{now_};
}

TimerRef VirtualEventLoop::scheduledTimer(double interval, bool repeats, TimerBlock block) {
  auto timer = std::make_shared<VirtualTimer>(interval, repeats, std::move(block));
  addTimer(timer, RunLoopMode::defaultMode);
  return timer;
}

void VirtualEventLoop::addTimer(const TimerRef& timer, RunLoopMode mode) {
  auto own = std::dynamic_pointer_cast<VirtualTimer>(timer);
  if (!own || !own->valid_) return;
  if (mode == RunLoopMode::commonModes) own->commonModes_ = true;
  if (own->scheduled_) return;
  own->scheduled_ = true;
  std::erase_if(timers_, [](const auto& t) { return !t->valid_; });
  timers_.push_back(own);
  arm(own, now_ + own->interval_);
}

void VirtualEventLoop::sleepFor(double seconds) {
  Fiber* fiber = currentFiber;
  if (!fiber || fiber->loop != this) {
    now_ += run_loop::nonNegative(seconds);
    return;
  }
  for (const auto& state : serial_) {
    if (state->running.get() != fiber) continue;
    wakes_.emplace(Key{now_ + run_loop::nonNegative(seconds), nextSeq_++}, state->running);
    break;
  }
  std::unique_lock lock(fiber->mutex);
  fiber->yieldToLoop(lock);
}

double VirtualEventLoop::elapsed() {
  return now_;
}

void VirtualEventLoop::submitMain(double due, Block block) {
  if (!block) return;
  events_.emplace(Key{due, nextSeq_++}, Event{std::move(block), nullptr, 0});
}

void VirtualEventLoop::arm(const std::shared_ptr<VirtualTimer>& timer, double due) {
  timer->fireDate_ = due;
  timer->armToken_ = nextSeq_++;
  events_.emplace(Key{due, timer->armToken_}, Event{nullptr, timer, timer->armToken_});
}

bool VirtualEventLoop::isLive(const Event& event) const {
  if (!event.timer) return true;
  return event.timer->valid_ && event.timer->armToken_ == event.armToken;
}

bool VirtualEventLoop::canFire(const VirtualTimer& timer) const {
  return !tracking_ || timer.commonModes_;
}

bool VirtualEventLoop::runNextDue(double limit, bool withSerial) {
  while (!events_.empty() || (withSerial && !wakes_.empty())) {
    // A waiting block resumes at its moment; at equal moments the main thread goes first.
    if (withSerial && !wakes_.empty() &&
        (events_.empty() || wakes_.begin()->first.first < events_.begin()->first.first)) {
      auto wake = wakes_.begin();
      if (wake->first.first > limit) return false;
      now_ = std::max(now_, wake->first.first);
      std::shared_ptr<Fiber> fiber = std::move(wake->second);
      wakes_.erase(wake);
      resume(fiber);
      return true;
    }
    auto first = events_.begin();
    if (first->first.first > limit) return false;
    double due = first->first.first;
    Event event = std::move(first->second);
    events_.erase(first);
    if (!isLive(event)) continue;  // invalidated or re-armed since
    now_ = std::max(now_, due);
    if (event.timer && !canFire(*event.timer)) {
      deferred_.push_back(event.timer);
      continue;
    }
    runEvent(std::move(event));
    return true;
  }
  return false;
}

void VirtualEventLoop::runEvent(Event event) {
  if (!event.timer) {
    event.block();
    return;
  }
  auto timer = std::move(event.timer);  // keeps it alive while its block runs
  if (timer->repeats_) {
    arm(timer, run_loop::nextFireDate(timer->fireDate_, timer->interval_, now_));
  } else {
    timer->valid_ = false;
  }
  TimerBlock block = timer->block_;  // the block may invalidate and so clear its own copy
  timer->running_ = true;
  if (block) block(*timer);
  timer->running_ = false;
  if (!timer->valid_) timer->block_ = nullptr;
}

size_t VirtualEventLoop::runMain() {
  size_t count = 0;
  while (runNextDue(now_)) ++count;
  return count;
}

std::shared_ptr<VirtualEventLoop::SerialState> VirtualEventLoop::frontmostSerial(
    const std::string* label) const {
  std::shared_ptr<SerialState> best;
  for (const auto& state : serial_) {
    if (state->blocks.empty() || state->running || (label && state->label != *label)) continue;
    if (!best || state->blocks.front().first < best->blocks.front().first) best = state;
  }
  return best;
}

void VirtualEventLoop::resume(const std::shared_ptr<Fiber>& fiber) {
  std::exception_ptr failure;
  {
    std::unique_lock lock(fiber->mutex);
    fiber->fiberTurn = true;
    fiber->changed.notify_all();
    fiber->changed.wait(lock, [&] { return !fiber->fiberTurn; });
    failure = std::exchange(fiber->failure, nullptr);
  }
  if (fiber->finished) {
    for (const auto& state : serial_) {
      if (state->running == fiber) state->running.reset();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void VirtualEventLoop::start(const std::shared_ptr<SerialState>& state) {
  auto fiber = std::make_shared<Fiber>();
  fiber->loop = this;
  state->running = fiber;
  Block block = std::move(state->blocks.front().second);
  state->blocks.pop_front();
  std::thread([fiber, block = std::move(block)]() mutable {
    std::unique_lock lock(fiber->mutex);
    fiber->changed.wait(lock, [&] { return fiber->fiberTurn; });
    lock.unlock();
    currentFiber = fiber.get();
    try {
      Block run = std::move(block);  // what it holds goes before the block counts as ended
      run();
    } catch (...) {
      fiber->failure = std::current_exception();
    }
    currentFiber = nullptr;
    lock.lock();
    fiber->finished = true;
    fiber->fiberTurn = false;
    fiber->changed.notify_all();
  }).detach();
  resume(fiber);
}

void VirtualEventLoop::runSerialToEnd(const std::shared_ptr<SerialState>& state) {
  start(state);
  while (state->running) {
    runMain();
    if (startAnySerial()) continue;
    if (!runNextDue(std::numeric_limits<double>::infinity(), true)) break;
  }
}

bool VirtualEventLoop::startAnySerial() {
  std::shared_ptr<SerialState> state = frontmostSerial(nullptr);
  if (!state) return false;
  start(state);
  return true;
}

bool VirtualEventLoop::runSerialOf(const std::shared_ptr<SerialState>& state) {
  if (!state) return false;
  runSerialToEnd(state);
  return true;
}

bool VirtualEventLoop::runSerialStep(const std::string& label) {
  return runSerialOf(frontmostSerial(&label));
}

bool VirtualEventLoop::runAnySerialStep() {
  return runSerialOf(frontmostSerial(nullptr));
}

void VirtualEventLoop::pruneSerial() {
  // A state only the loop still holds, with nothing left to run, can never get work again.
  std::erase_if(serial_, [](const auto& s) {
    return s.use_count() == 1 && s->blocks.empty() && !s->running;
  });
}

size_t VirtualEventLoop::pendingSerial(const std::string& label) const {
  size_t count = 0;
  for (const auto& state : serial_) {
    if (state->label == label) count += state->blocks.size() + (state->running ? 1 : 0);
  }
  return count;
}

size_t VirtualEventLoop::pendingSerialTotal() const {
  size_t count = 0;
  for (const auto& state : serial_) count += state->blocks.size() + (state->running ? 1 : 0);
  return count;
}

size_t VirtualEventLoop::pendingMain() const {
  size_t count = 0;
  for (const auto& [key, event] : events_) {
    if (key.first > now_) break;
    if (isLive(event) && (!event.timer || canFire(*event.timer))) ++count;
  }
  return count;
}

void VirtualEventLoop::advance(double seconds) {
  double limit = now_ + run_loop::nonNegative(seconds);
  while (runNextDue(limit)) {
  }
  now_ = std::max(now_, limit);
}

void VirtualEventLoop::runUntil(Date limit) {
  double end = limit.secondsSinceReference;
  for (;;) {
    runMain();
    if (startAnySerial()) continue;
    if (!runNextDue(end, true)) break;
  }
  now_ = std::max(now_, end);
}

bool VirtualEventLoop::hasWork() const {
  if (pendingSerialTotal() > 0) return true;
  for (const auto& [key, event] : events_) {
    if (!isLive(event)) continue;
    if (!event.timer) return true;
    if (!event.timer->repeats_ && canFire(*event.timer)) return true;
  }
  return false;  // timers held back by tracking cannot run until it ends
}

bool VirtualEventLoop::runUntilIdle(double maxSeconds) {
  double end = now_ + run_loop::nonNegative(maxSeconds);
  for (;;) {
    runMain();
    if (startAnySerial()) continue;
    if (!hasWork()) return true;
    if (!runNextDue(end, true)) break;
  }
  now_ = std::max(now_, end);
  return !hasWork();
}

bool VirtualEventLoop::inMenuTracking() const {
  return tracking_;
}

void VirtualEventLoop::setTracking(bool tracking) {
  tracking_ = tracking;
  if (tracking_) return;
  // Timers held back while tracking fire once, now, in the order they came due.
  auto held = std::move(deferred_);
  deferred_.clear();
  for (const auto& timer : held) {
    if (!timer->valid_) continue;
    double scheduledFire = timer->fireDate_;
    arm(timer, now_);
    timer->fireDate_ = scheduledFire;  // the next fire keeps the original phase
  }
}

size_t VirtualEventLoop::activeTimerCount() const {
  return static_cast<size_t>(
      std::count_if(timers_.begin(), timers_.end(), [](const auto& t) { return t->valid_; }));
}

}  // namespace strandel::sim
