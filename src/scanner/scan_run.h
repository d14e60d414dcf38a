#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "scanner/app_rows.h"
#include "scanner/extra_item.h"
#include "scanner/menu_bar_scanner.h"

namespace strandel {

// One scan of the menu bar, its apps read side by side: each app's requests in order on its
// own lane, at most MenuBarScanner::kLanes apps at once, so that a slow or hung app delays
// only its own rows. With the agent, its slots are read first, as they place every extra.
// Lives on the main thread; the lanes get only immutable values and hand back each app's
// rows to the main queue.
class ScanRun : public std::enable_shared_from_this<ScanRun> {
 public:
  using Progress = std::function<void()>;
  using Done = std::function<void(const ExtraItems&)>;

  // Both callbacks come on the main thread: `progress` each time an app has answered,
  // `done` once with every app's rows. Whoever starts the run keeps it; a run let go
  // hands back nothing.
  static std::shared_ptr<ScanRun> start(MenuBarScanner::Context context, Progress progress,
                                        Done done);

  // Whether any app has answered yet.
  bool answeredAny() const { return answered_ > 0; }
  // The rows as they stand: the fresh ones of the apps that have answered and, for the
  // rest, their rows in `cached`. Apps no longer running have none.
  ExtraItems rowsWith(const std::optional<ExtraItems>& cached) const;

 private:
  ScanRun(MenuBarScanner::Context context, Progress progress, Done done);
  void startApps();
  void answer(size_t index, AppRows rows);

  std::shared_ptr<const MenuBarScanner::Context> context_;
  Progress progress_;
  Done done_;
  std::shared_ptr<const rows::AgentSlots> slots_;
  std::vector<std::optional<AppRows>> rows_;
  size_t next_ = 0;
  size_t inFlight_ = 0;
  size_t answered_ = 0;
};

}  // namespace strandel
