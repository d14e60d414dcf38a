#include "scanner/scan_run.h"

#include <utility>

#include "ports/platform.h"

namespace strandel {

ScanRun::ScanRun(MenuBarScanner::Context context, Progress progress, Done done)
    : context_(std::make_shared<const MenuBarScanner::Context>(std::move(context))),
      progress_(std::move(progress)),
      done_(std::move(done)),
      rows_(context_->apps.size()) {}

std::shared_ptr<ScanRun> ScanRun::start(MenuBarScanner::Context context, Progress progress,
                                        Done done) {
  std::shared_ptr<ScanRun> run(
      new ScanRun(std::move(context), std::move(progress), std::move(done)));
  std::vector<ProcessID> running;
  for (const auto& app : run->context_->apps) running.push_back(app.pid);
  if (run->context_->agent) running.push_back(*run->context_->agent);
  MenuBarScanner::forgetLanesBut(running);

  std::weak_ptr<ScanRun> weak = run;
  if (!run->context_->agent) {
    run->startApps();
    return run;
  }
  MenuBarScanner::lane(*run->context_->agent).async([weak, context = run->context_] {
    auto slots = std::make_shared<const rows::AgentSlots>(
        rows::ownedSlots(agent::readSlots(*context->agent, *context)));
    platform().dispatch->mainQueue().async([weak, slots = std::move(slots)] {
      auto self = weak.lock();
      if (!self) return;
      self->slots_ = slots;
      self->startApps();
    });
  });
  return run;
}

void ScanRun::startApps() {
  if (rows_.empty()) {
    // Nothing to read; still handed back from off the main thread, as every result is.
    std::weak_ptr<ScanRun> weak = weak_from_this();
    MenuBarScanner::queue().async([weak] {
      platform().dispatch->mainQueue().async([weak] {
        if (auto self = weak.lock()) self->done_(ExtraItems{});
      });
    });
    return;
  }
  while (inFlight_ < MenuBarScanner::kLanes && next_ < rows_.size()) {
    const size_t index = next_++;
    ++inFlight_;
    std::weak_ptr<ScanRun> weak = weak_from_this();
    MenuBarScanner::lane(context_->apps[index].pid)
        .async([weak, index, context = context_, slots = slots_] {
          AppRows rows = rows::read(*context, context->apps[index], slots.get());
          platform().dispatch->mainQueue().async([weak, index, rows = std::move(rows)]() mutable {
            if (auto self = weak.lock()) self->answer(index, std::move(rows));
          });
        });
  }
}

void ScanRun::answer(size_t index, AppRows rows) {
  rows_[index] = std::move(rows);
  --inFlight_;
  ++answered_;
  startApps();
  if (answered_ < rows_.size()) {
    progress_();
    return;
  }
  std::vector<const AppRows*> all;
  for (const auto& app : rows_) all.push_back(&*app);
  done_(MenuBarScanner::finish(*context_, all));
}

ExtraItems ScanRun::rowsWith(const std::optional<ExtraItems>& cached) const {
  std::unordered_map<ProcessID, ExtraItems> old =
      cached ? rows::byApp(*cached) : std::unordered_map<ProcessID, ExtraItems>{};
  std::vector<AppRows> standIns;
  standIns.reserve(rows_.size());
  std::vector<const AppRows*> all;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i]) {
      all.push_back(&*rows_[i]);
      continue;
    }
    AppRows& standIn = standIns.emplace_back();
    standIn.pid = context_->apps[i].pid;
    if (auto found = old.find(standIn.pid); found != old.end()) standIn.items = found->second;
    all.push_back(&standIn);
  }
  return rows::join(all, context_->ownItem);
}

}  // namespace strandel
