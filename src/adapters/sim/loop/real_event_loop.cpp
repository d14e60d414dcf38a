#include "adapters/sim/loop/real_event_loop.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "adapters/sim/loop/run_loop_rules.h"

namespace strandel::sim {

namespace {

// Seconds from 1970-01-01 to the platform's reference date, 2001-01-01.
constexpr double kReferenceDateSinceUnixEpoch = 978307200.0;

class RealTimer;

struct Event {
  Block block;
  std::shared_ptr<RealTimer> timer;
  uint64_t armToken = 0;
};

class RealTimer : public Timer {
 public:
  RealTimer(std::weak_ptr<RealEventLoop::Core> core, double interval, bool repeats,
            TimerBlock block)
      : core_(std::move(core)),
        interval_(run_loop::timerInterval(interval)),
        repeats_(repeats),
        block_(std::move(block)) {}

  void invalidate() override;
  bool isValid() const override { return valid_.load(); }
  // As the platform reports it: zero for a one-shot timer.
  double timeInterval() const override { return repeats_ ? interval_ : 0; }

  const std::weak_ptr<RealEventLoop::Core> core_;
  const double interval_;
  const bool repeats_;
  std::atomic<bool> valid_{true};
  // The rest belongs to the loop's lock.
  TimerBlock block_;
  bool running_ = false;
  bool scheduled_ = false;
  bool commonModes_ = false;
  uint64_t armToken_ = 0;
  double armedDue_ = 0;  // where its next fire sits in the event queue
  double phase_ = 0;     // the fire date the following one is counted from
};

// The threads of serial queues let go while the process runs: whoever lets a queue go never
// waits for it, as releasing a dispatch queue never waits for its blocks. They finish their
// blocks in the background and are joined once the process leaves.
struct Retired {
  std::mutex mutex;
  std::vector<std::thread> threads;

  void joinAll() {
    std::vector<std::thread> taken;
    {
      std::lock_guard lock(mutex);
      taken.swap(threads);
    }
    for (std::thread& thread : taken) {
      if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();
      } else {
        thread.join();
      }
    }
  }
};

}  // namespace

struct RealEventLoop::Core {
  using Key = std::pair<double, uint64_t>;  // due time on the steady clock, submission order

  class Main : public MainQueue {
   public:
    explicit Main(Core& core) : core_(core) {}
    void async(Block block) override { core_.submit(0, std::move(block)); }
    void asyncAfter(double seconds, Block block) override {
      core_.submit(run_loop::nonNegative(seconds), std::move(block));
    }
    std::string label() const override { return run_loop::kMainQueueLabel; }

   private:
    Core& core_;
  };

  struct Source {
    int fd;
    std::shared_ptr<std::function<void()>> onReadable;
  };

  Core() : origin(std::chrono::steady_clock::now()), main(*this) {
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~Core() { close(wakeFd); }

  double steadyNow() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin).count();
  }

  bool onLoopThread() const { return loopThread.load() == std::this_thread::get_id(); }

  void signal() {
    uint64_t one = 1;
    // A full counter already means "wake up", so a failed write loses nothing.
    [[maybe_unused]] ssize_t written = write(wakeFd, &one, sizeof one);
  }

  void submit(double delay, Block block) {
    if (!block) return;
    {
      std::lock_guard lock(mutex);
      events.emplace(Key{steadyNow() + delay, nextSeq++}, Event{std::move(block), nullptr, 0});
    }
    if (!onLoopThread()) signal();
  }

  // Lock held.
  void arm(const std::shared_ptr<RealTimer>& timer, double due) {
    timer->armedDue_ = due;
    timer->phase_ = due;
    timer->armToken_ = nextSeq++;
    events.emplace(Key{due, timer->armToken_}, Event{nullptr, timer, timer->armToken_});
  }

  // Takes the next event due by `limit` off the queue; false when there is none.
  bool takeDue(double limit, Event& out, TimerBlock& timerBlock) {
    std::lock_guard lock(mutex);
    while (!events.empty() && events.begin()->first.first <= limit) {
      auto node = events.extract(events.begin());
      Event& event = node.mapped();
      if (!event.timer) {
        out = std::move(event);
        return true;
      }
      auto& timer = event.timer;
      if (!timer->valid_ || timer->armToken_ != event.armToken) continue;
      if (tracking && !timer->commonModes_) {
        deferred.push_back(timer);
        continue;
      }
      if (timer->repeats_) {
        arm(timer, run_loop::nextFireDate(timer->phase_, timer->interval_, steadyNow()));
      } else {
        timer->valid_ = false;
      }
      timer->running_ = true;
      timerBlock = timer->block_;
      out = std::move(event);
      return true;
    }
    return false;
  }

  void finishTimer(RealTimer& timer) {
    TimerBlock dropped;
    std::lock_guard lock(mutex);
    timer.running_ = false;
    if (!timer.valid_) dropped = std::move(timer.block_);
  }

  bool stopRequested() {
    std::lock_guard lock(mutex);
    return stopping;
  }

  void processOnce(const std::function<bool()>* done) {
    double limit = steadyNow();
    for (;;) {
      if (stopRequested() || (done && (*done)())) return;
      Event event;
      TimerBlock timerBlock;
      if (!takeDue(limit, event, timerBlock)) break;
      if (event.timer) {
        if (timerBlock) timerBlock(*event.timer);
        finishTimer(*event.timer);
      } else {
        event.block();
      }
    }
    wait();
  }

  void wait() {
    std::vector<pollfd> fds{{wakeFd, POLLIN, 0}};
    std::vector<SourceID> ids;
    timespec timeout{};
    bool forever = false;
    {
      std::lock_guard lock(mutex);
      if (stopping) return;
      if (events.empty()) {
        forever = true;
      } else {
        double seconds = std::max(0.0, events.begin()->first.first - steadyNow());
        double whole = std::floor(seconds);
        timeout.tv_sec = static_cast<time_t>(std::min(whole, 1e9));
        // Rounded up, so that the loop does not wake just before the event is due.
        timeout.tv_nsec = static_cast<long>(std::ceil((seconds - whole) * 1e9));
        if (timeout.tv_nsec >= 1000000000L) {
          timeout.tv_sec += 1;
          timeout.tv_nsec = 0;
        }
      }
      for (const auto& [id, source] : sources) {
        fds.push_back({source.fd, POLLIN, 0});
        ids.push_back(id);
      }
    }
    int ready = ppoll(fds.data(), fds.size(), forever ? nullptr : &timeout, nullptr);
    wakeups.fetch_add(1);
    if (ready <= 0) return;  // timed out, or a signal
    if (fds[0].revents & POLLIN) {
      uint64_t count;
      [[maybe_unused]] ssize_t got = read(wakeFd, &count, sizeof count);
    }
    for (size_t i = 1; i < fds.size(); ++i) {
      short revents = fds[i].revents;
      if (revents == 0) continue;
      SourceID id = ids[i - 1];
      if (revents & POLLNVAL) {
        removeSource(id);
        continue;
      }
      std::shared_ptr<std::function<void()>> handler;
      {
        std::lock_guard lock(mutex);
        auto found = sources.find(id);
        if (found == sources.end()) continue;  // removed by an earlier handler
        handler = found->second.onReadable;
      }
      (*handler)();
      // Hung up with nothing left to read: it will never be readable again.
      if ((revents & (POLLHUP | POLLERR)) && !(revents & POLLIN)) removeSource(id);
    }
  }

  void removeSource(SourceID id) {
    std::shared_ptr<std::function<void()>> dropped;
    std::lock_guard lock(mutex);
    auto found = sources.find(id);
    if (found == sources.end()) return;
    dropped = std::move(found->second.onReadable);
    sources.erase(found);
  }

  void runLoop(const std::function<bool()>* done) {
    if (depth++ == 0) loopThread = std::this_thread::get_id();
    while (!stopRequested() && !(done && (*done)())) processOnce(done);
    if (--depth == 0) {
      loopThread = std::thread::id();
      std::lock_guard lock(mutex);
      stopping = false;
    }
  }

  mutable std::mutex mutex;
  std::map<Key, Event> events;
  uint64_t nextSeq = 0;
  bool tracking = false;
  bool stopping = false;
  // Set by the first stop(): the process is leaving, so simulated waits on other threads
  // end at once and serial queues start no more blocks, and leaving waits neither for an app
  // that is slow to answer nor for work queued behind it. Written under the lock (sleepers
  // wait on it); shared with the queues' threads, which may outlive the loop.
  const std::shared_ptr<std::atomic<bool>> leaving = std::make_shared<std::atomic<bool>>(false);
  const std::shared_ptr<Retired> retired = std::make_shared<Retired>();
  std::condition_variable sleepers;
  std::vector<std::shared_ptr<RealTimer>> timers;
  std::vector<std::shared_ptr<RealTimer>> deferred;
  std::map<SourceID, Source> sources;
  SourceID nextSource = 1;

  int depth = 0;  // main thread only
  std::atomic<std::thread::id> loopThread{};
  std::atomic<uint64_t> wakeups{0};
  int wakeFd = -1;
  const std::chrono::steady_clock::time_point origin;
  Main main;
};

namespace {

void RealTimer::invalidate() {
  valid_ = false;
  auto core = core_.lock();
  if (!core) return;
  TimerBlock dropped;  // released outside the lock: it may own anything
  std::lock_guard lock(core->mutex);
  auto found = core->events.find({armedDue_, armToken_});
  if (found != core->events.end() && found->second.timer.get() == this) core->events.erase(found);
  if (!running_) dropped = std::move(block_);
}

// One thread per queue; blocks run in the order they were given.
struct Worker {
  explicit Worker(std::shared_ptr<const std::atomic<bool>> processLeaving)
      : leaving(std::move(processLeaving)) {}

  const std::shared_ptr<const std::atomic<bool>> leaving;
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<Block> blocks;
  bool closing = false;
  std::thread thread;

  static void serve(const std::shared_ptr<Worker>& self) {
    for (;;) {
      Block block;
      {
        std::unique_lock lock(self->mutex);
        self->wake.wait(lock, [&] { return !self->blocks.empty() || self->closing; });
        if (self->blocks.empty()) return;
        block = std::move(self->blocks.front());
        self->blocks.pop_front();
      }
      // A process that exits runs nothing it had queued: the block is dropped.
      if (!self->leaving->load()) block();
    }
  }
};

class SerialQueue : public DispatchQueue {
 public:
  SerialQueue(std::string label, std::shared_ptr<const std::atomic<bool>> leaving,
              std::shared_ptr<Retired> retired)
      : label_(std::move(label)),
        worker_(std::make_shared<Worker>(std::move(leaving))),
        retired_(std::move(retired)) {
    auto worker = worker_;
    worker_->thread = std::thread([worker, name = label_.substr(0, 15)] {
      pthread_setname_np(pthread_self(), name.c_str());
      Worker::serve(worker);
    });
  }

  ~SerialQueue() override {
    {
      std::lock_guard lock(worker_->mutex);
      worker_->closing = true;
    }
    worker_->wake.notify_one();
    if (worker_->thread.get_id() == std::this_thread::get_id()) {
      // Dropped by one of its own blocks: the thread finishes the rest and ends by itself.
      worker_->thread.detach();
    } else if (worker_->leaving->load()) {
      // Leaving, pending blocks are dropped and simulated waits end: the join is quick.
      worker_->thread.join();
    } else {
      std::lock_guard lock(retired_->mutex);
      retired_->threads.push_back(std::move(worker_->thread));
    }
  }

  void async(Block block) override {
    if (!block) return;
    // Notified under the lock: once it is released, the block may already have dropped
    // the last reference to this queue.
    std::lock_guard lock(worker_->mutex);
    worker_->blocks.push_back(std::move(block));
    worker_->wake.notify_one();
  }

  std::string label() const override { return label_; }

 private:
  std::string label_;
  std::shared_ptr<Worker> worker_;
  std::shared_ptr<Retired> retired_;
};

}  // namespace

RealEventLoop::RealEventLoop() : core_(std::make_shared<Core>()) {}

RealEventLoop::~RealEventLoop() {
  // The loop's life ends with its process's: queues let go meanwhile end with it.
  leave();
}

MainQueue& RealEventLoop::mainQueue() {
  return core_->main;
}

std::shared_ptr<DispatchQueue> RealEventLoop::makeSerialQueue(const std::string& label,
                                                              QualityOfService) {
  return std::make_shared<SerialQueue>(label, core_->leaving, core_->retired);
}

Date RealEventLoop::now() {
  auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return Date{std::chrono::duration<double>(sinceEpoch).count() - kReferenceDateSinceUnixEpoch};
}

TimerRef RealEventLoop::scheduledTimer(double interval, bool repeats, TimerBlock block) {
  auto timer = std::make_shared<RealTimer>(core_, interval, repeats, std::move(block));
  addTimer(timer, RunLoopMode::defaultMode);
  return timer;
}

void RealEventLoop::addTimer(const TimerRef& timer, RunLoopMode mode) {
  auto own = std::dynamic_pointer_cast<RealTimer>(timer);
  if (!own || !own->valid_ || own->core_.lock() != core_) return;
  {
    std::lock_guard lock(core_->mutex);
    if (mode == RunLoopMode::commonModes) own->commonModes_ = true;
    if (own->scheduled_) return;
    own->scheduled_ = true;
    std::erase_if(core_->timers, [](const auto& t) { return !t->valid_; });
    core_->timers.push_back(own);
    core_->arm(own, core_->steadyNow() + own->interval_);
  }
  if (!core_->onLoopThread()) core_->signal();
}

void RealEventLoop::sleepFor(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) return;
  std::unique_lock lock(core_->mutex);
  core_->sleepers.wait_for(lock, std::chrono::duration<double>(seconds),
                           [&] { return core_->leaving->load(); });
}

double RealEventLoop::elapsed() {
  return core_->steadyNow();
}

void RealEventLoop::run() {
  core_->runLoop(nullptr);
}

void RealEventLoop::stop() {
  {
    std::lock_guard lock(core_->mutex);
    core_->stopping = true;
  }
  leave();
  core_->signal();
}

void RealEventLoop::leave() {
  {
    std::lock_guard lock(core_->mutex);
    *core_->leaving = true;
  }
  core_->sleepers.notify_all();
  core_->retired->joinAll();
}

void RealEventLoop::runUntil(const std::function<bool()>& done) {
  core_->runLoop(&done);
}

void RealEventLoop::wake() {
  core_->signal();
}

bool RealEventLoop::inMenuTracking() const {
  std::lock_guard lock(core_->mutex);
  return core_->tracking;
}

void RealEventLoop::setTracking(bool tracking) {
  std::lock_guard lock(core_->mutex);
  core_->tracking = tracking;
  if (tracking) return;
  // Timers held back while tracking fire once, now, in the order they came due.
  auto held = std::move(core_->deferred);
  core_->deferred.clear();
  double now = core_->steadyNow();
  for (const auto& timer : held) {
    if (!timer->valid_) continue;
    double phase = timer->phase_;
    core_->arm(timer, now);
    timer->phase_ = phase;
  }
}

size_t RealEventLoop::activeTimerCount() const {
  std::lock_guard lock(core_->mutex);
  return static_cast<size_t>(std::count_if(core_->timers.begin(), core_->timers.end(),
                                           [](const auto& t) { return t->valid_.load(); }));
}

RealEventLoop::SourceID RealEventLoop::addReadSource(int fd, std::function<void()> onReadable) {
  SourceID id;
  {
    std::lock_guard lock(core_->mutex);
    id = core_->nextSource++;
    core_->sources.emplace(
        id, Core::Source{fd, std::make_shared<std::function<void()>>(std::move(onReadable))});
  }
  if (!core_->onLoopThread()) core_->signal();
  return id;
}

void RealEventLoop::removeReadSource(SourceID id) {
  core_->removeSource(id);
}

size_t RealEventLoop::readSourceCount() const {
  std::lock_guard lock(core_->mutex);
  return core_->sources.size();
}

uint64_t RealEventLoop::wakeupCount() const {
  return core_->wakeups.load();
}

}  // namespace strandel::sim
