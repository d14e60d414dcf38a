// Start-up in its fixed order, the status item it makes, and the entry point.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/entry_point.h"
#include "support/app_delegate_access.h"
#include "support/menu_text.h"
#include "support/test_platform.h"

namespace strandel {
namespace {

using A = AppDelegateAccess;
constexpr const char* kPositionKey = "NSStatusItem Preferred Position StrandelControl";
constexpr const char* kNotification = "com.apple.accessibility.api";

TEST(Startup, TheSavedPositionIsRepairedOnlyWhenAbsent) {
  const std::optional<DefaultsValue> cases[] = {
      std::nullopt,
      DefaultsValue{int64_t{312}},  // where the user's move left it
      DefaultsValue{false},
      DefaultsValue{std::string("left")},
      DefaultsValue{OtherDefaultsValue{"<data 4 bytes>"}},
  };
  for (const auto& stored : cases) {
    SCOPED_TRACE(stored ? "stored" : "absent");
    test::TestPlatform tp;
    if (stored) tp.userDefaults->set(kPositionKey, *stored);
    size_t itemsAtWrite = 99;
    tp.userDefaults->onWrite = [&](const std::string&) {
      itemsAtWrite = tp.statusBar->items().size();
    };
    auto delegate = tp.launchDelegate();
    EXPECT_EQ(tp.userDefaults->value(kPositionKey), stored ? stored : DefaultsValue{int64_t{0}});
    EXPECT_EQ(tp.userDefaults->writes.size(), stored ? 0u : 1u);
    EXPECT_EQ(itemsAtWrite, stored ? 99u : 0u);  // written before the status item exists
  }
}

// Images that the system cannot make.
class NoImages final : public Images {
 public:
  ImageRef systemSymbol(const std::string&, const std::string&) override { return nullptr; }
};

// Without an image or a button the item still gets its text, its tracking area and its menu.
// Its glyph, template image and tooltip are in every transcript, its menu's delegate in every
// rescan there, the tracking area's owner in each hover.
TEST(Startup, TheStatusItem) {
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    test::TestPlatform tp(test::TestPlatform::Options{.statusItemsHaveButtons = variant != 2});
    if (variant == 1) tp.platform.images = std::make_shared<NoImages>();
    tp.launchApp("Clock", {{"Clock", 900}});
    auto delegate = tp.launchDelegate();
    ASSERT_EQ(tp.statusBar->items().size(), 1u);
    auto item = tp.statusItem();
    EXPECT_EQ(A::statusItem(*delegate), item);
    EXPECT_EQ(item->length(), -1);
    EXPECT_EQ(item->autosaveName(), "StrandelControl");
    tp.drain();
    ASSERT_TRUE(item->click());
    EXPECT_EQ(test::describeMenu(*item->menu())[2], "Clock -> pick:");
    auto* button = item->simButton();
    if (variant == 2) continue;
    auto image = std::dynamic_pointer_cast<sim::SimImage>(button->image());
    ASSERT_EQ(image == nullptr, variant == 1);
    EXPECT_FALSE(button->toolTip().empty());
    ASSERT_EQ(button->trackingAreas().size(), 1u);
    EXPECT_EQ(button->trackingAreas()[0].options, 0x281u);  // with the visible-rect option
  }
}

// Observers first, then either the prompt and the watch or one scan. Hovers over a fresh and
// a stale cache are in the launch_rescan transcript, one without access in permission.
TEST(Startup, WithAndWithoutAccess) {
  for (bool trusted : {true, false}) {
    SCOPED_TRACE(trusted ? "with access" : "without access");
    test::TestPlatform tp(test::TestPlatform::Options{.trusted = trusted});
    tp.launchApp("Clock", {{"Clock", 900}});
    size_t launchObservers = 99;
    tp.desktop->addObserver([&](const sim::DesktopEvent& event) {
      if (event.kind == sim::DesktopEvent::Kind::permissionPrompted) {
        launchObservers = tp.workspaceCenter->observerCount(kDidLaunchApplicationNotification);
      }
    });
    auto delegate = tp.launchDelegate();
    EXPECT_EQ(launchObservers, trusted ? 99u : 1u);
    EXPECT_EQ(tp.workspaceCenter->observerCount(kDidTerminateApplicationNotification), 1u);
    EXPECT_EQ(tp.desktop->permissionPromptCount(), trusted ? 0 : 1);
    EXPECT_EQ(tp.pendingScanBlocks(), trusted ? 1u : 0u);
    EXPECT_EQ(A::accessibilityWatch(*delegate) == nullptr, trusted);
    EXPECT_EQ(tp.distributedCenter->observerCount(kNotification), trusted ? 0u : 1u);
    tp.drain();
    EXPECT_EQ(A::cachedItems(*delegate).has_value(), trusted);
  }
}

TEST(EntryPoint, MakesTheDelegateAndRunsTheApplicationAsAnAccessory) {
  test::TestPlatform tp;
  // Every transcript runs through it; what none shows is the policy and who owns the delegate.
  EXPECT_EQ(runApplication(), 0);
  EXPECT_EQ(tp.application->activationPolicy(), ActivationPolicy::accessory);
  std::weak_ptr<AppDelegate> weak = delegate;
  tp.runMain();
  EXPECT_FALSE(weak.expired());
  delegate.reset();
  app.reset();
  EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace strandel
