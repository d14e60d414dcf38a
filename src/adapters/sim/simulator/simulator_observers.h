#pragma once

// The simulator's wrappers around the program's ports: each passes the call on and tells the
// simulator what happened, for the transcript and the Events pane. Only simulator.cpp
// includes this.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "adapters/sim/services/file_user_defaults.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/simulator/transcript.h"

namespace strandel::sim {

namespace observers {

inline std::string describeValue(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int64_t>) {
          return std::to_string(v) + " (integer)";
        } else if constexpr (std::is_same_v<T, double>) {
          return formatNumber(v) + " (number)";
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "true (boolean)" : "false (boolean)";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return quoted(v) + " (string)";
        } else {
          return v.description + " (other)";
        }
      },
      value);
}

// Answers with the real session and tells the simulator how each request ended.
class ReportingHTTPSession final : public HTTPSession {
 public:
  // `error` says why the request failed; none when it was answered.
  using Report = std::function<void(const URLRequest&, const std::optional<PlatformError>& error,
                                    size_t bytes)>;
  ReportingHTTPSession(std::shared_ptr<HTTPSession> real, Report report)
      : real_(std::move(real)), report_(std::move(report)) {}

  void dataTask(const URLRequest& request, DataTaskCompletion completion) override {
    real_->dataTask(request, [request, report = report_, completion = std::move(completion)](
                                 std::optional<Bytes> body, std::optional<PlatformError> error) {
      report(request, error, body ? body->size() : 0);
      completion(std::move(body), std::move(error));
    });
  }

 private:
  std::shared_ptr<HTTPSession> real_;
  Report report_;
};

}  // namespace observers

// Counts what the scan queue's current block asked of other applications.
struct Simulator::Work {
  std::atomic<int> apps{0};
  std::atomic<int> labels{0};
  std::atomic<int> presses{0};
  std::atomic<int> reports{0};  // a report asks for the system's version once
};

class Simulator::ObservedMenus final : public Menus {
 public:
  explicit ObservedMenus(Simulator& simulator) : simulator_(simulator) {}

  MenuRef makeMenu() override {
    auto menu = std::make_shared<SimMenu>();
    std::weak_ptr<SimMenu> weak = menu;
    Simulator* simulator = &simulator_;
    menu->onChange = [simulator, weak] {
      if (auto shown = weak.lock()) simulator->menuChanged(*shown);
    };
    // The status item's menu is the one the program makes first.
    if (simulator_.menu_.expired()) simulator_.menu_ = menu;
    menu->setOptionKeyDown(simulator_.optionDown_);
    return menu;
  }
  MenuItemRef makeItem(const std::string& title, std::optional<std::string> action,
                       const std::string& keyEquivalent) override {
    return inner_.makeItem(title, std::move(action), keyEquivalent);
  }
  MenuItemRef separatorItem() override { return inner_.separatorItem(); }
  SearchFieldRef makeSearchField() override { return inner_.makeSearchField(); }

 private:
  Simulator& simulator_;
  SimMenus inner_;
};

class Simulator::ObservedDispatch final : public Dispatch {
 public:
  ObservedDispatch(std::shared_ptr<Dispatch> inner, Simulator& simulator)
      : inner_(std::move(inner)), simulator_(simulator) {}

  MainQueue& mainQueue() override { return inner_->mainQueue(); }

  std::shared_ptr<DispatchQueue> makeSerialQueue(const std::string& label,
                                                 QualityOfService qos) override {
    auto queue = inner_->makeSerialQueue(label, qos);
    if (label != kScanQueueLabel && label != kReportQueueLabel) return queue;
    return std::make_shared<ScanQueue>(std::move(queue), simulator_);
  }

 private:
  // Reports each block that read the menu bar as one scan or report.
  class ScanQueue final : public DispatchQueue {
   public:
    ScanQueue(std::shared_ptr<DispatchQueue> inner, Simulator& simulator)
        : inner_(std::move(inner)), simulator_(simulator) {}
    void async(Block block) override {
      Simulator* simulator = &simulator_;
      std::shared_ptr<Work> work = simulator_.work_;
      inner_->async([simulator, work, block = std::move(block)] {
        work->apps = 0;
        work->labels = 0;
        work->presses = 0;
        work->reports = 0;
        block();
        int apps = work->apps.exchange(0);
        int labels = work->labels.exchange(0);
        // Every block on this queue is a scan, a report or a press; an empty scan asks no
        // app at all.
        if (work->presses.exchange(0) > 0) return;
        bool report = work->reports.exchange(0) > 0;
        std::string counts = std::to_string(apps) + (apps == 1 ? " app, " : " apps, ") +
                             std::to_string(labels) + (labels == 1 ? " extra" : " extras");
        if (report) {
          simulator->emitFromAnyThread({SimEvent::Kind::report, "report: " + counts + " read", {}});
        } else {
          simulator->emitFromAnyThread({SimEvent::Kind::scan, "scan: " + counts, {}});
        }
      });
    }
    std::string label() const override { return inner_->label(); }

   private:
    std::shared_ptr<DispatchQueue> inner_;
    Simulator& simulator_;
  };

  std::shared_ptr<Dispatch> inner_;
  Simulator& simulator_;
};

class Simulator::RecordingDefaults final : public UserDefaults {
 public:
  RecordingDefaults(std::shared_ptr<FileUserDefaults> inner, Simulator& simulator)
      : inner_(std::move(inner)), simulator_(simulator) {}
  std::optional<DefaultsValue> objectForKey(const std::string& key) override {
    return inner_->objectForKey(key);
  }
  void setInteger(int64_t value, const std::string& key) override {
    inner_->setInteger(value, key);
    // A write that failed is never shown as done; the system log says why.
    simulator_.emit({SimEvent::Kind::defaultsWrite,
                     "defaults: " + quoted(key) + " = " +
                         observers::describeValue(DefaultsValue{value}) +
                         (inner_->lastError() ? ", not saved (kept in memory only)" : ""),
                     {}});
  }

 private:
  std::shared_ptr<FileUserDefaults> inner_;
  Simulator& simulator_;
};

// The login item as the scene sets it up: the XDG entry, or a failure for every change.
class Simulator::SceneLoginItems final : public LoginItemService {
 public:
  SceneLoginItems(std::shared_ptr<LoginItemService> inner, std::optional<std::string> failure,
                  Simulator& simulator)
      : inner_(std::move(inner)), failure_(std::move(failure)), simulator_(simulator) {}

  LoginItemStatus status() override { return inner_->status(); }
  std::optional<PlatformError> registerService() override {
    return change("register", [&] { return inner_->registerService(); });
  }
  std::optional<PlatformError> unregisterService() override {
    return change("unregister", [&] { return inner_->unregisterService(); });
  }
  void openSystemSettingsLoginItems() override { simulator_.openLoginItemsPane(); }

 private:
  template <typename Change>
  std::optional<PlatformError> change(const std::string& what, Change perform) {
    std::optional<PlatformError> error =
        failure_ ? std::optional<PlatformError>(PlatformError{*failure_}) : perform();
    std::string text = "login item: " + what;
    if (error) {
      text += " failed: " + error->localizedDescription;
    } else {
      text += " -> " + std::string(nameOf(inner_->status()));
    }
    simulator_.emit({SimEvent::Kind::loginItem, text, {}});
    return error;
  }

  std::shared_ptr<LoginItemService> inner_;
  std::optional<std::string> failure_;
  Simulator& simulator_;
};

}  // namespace strandel::sim
