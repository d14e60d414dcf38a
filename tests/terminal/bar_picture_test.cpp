// The bars that the interactive view draws, against the menu that the program shows.
#include "adapters/sim/terminal/bar_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "adapters/sim/desktop/ax_objects.h"
#include "adapters/sim/simulator/scene.h"
#include "adapters/sim/simulator/simulator.h"
#include "adapters/sim/terminal/bar_view.h"
#include "adapters/sim/terminal/controller.h"
#include "adapters/sim/ui/sim_menu.h"
#include "scanner/extra_item.h"

namespace strandel::sim::terminal {
namespace {

namespace fs = std::filesystem;
using Extra = std::pair<ProcessID, ExtraID>;

const fs::path kGolden = STRANDEL_SOURCE_DIR "/tests/simulator/golden";

// On every golden scene, an extra that the menu lists as visible is drawn in a bar where it
// can be seen, and one listed as hidden is not; each hosting is drawn as the system draws it.
TEST(BarPicture, TheBarsAgreeWithTheMenuOnEveryGoldenScene) {
  // Every extra drawn: whose it is, « for the overflow, @ the display.
  const std::map<std::string, std::string> hostings = {
      // The agent's slots: stacked or unplaced ones in the overflow; apps' own frames unused.
      {"agent_macos27", "302« 302« 303« 301 301 200 200"},
      // Each item once: the apps' own, Control Center's copies left out but for Lanternfish,
      // which has no element of its own.
      {"hosted_macos26", "301 302 304 300 300 300 300"},
      // Each extra on the display that holds it; one outside both goes to the first.
      {"two_displays", "301 301@1 302 302@1"},
  };
  size_t compared = 0;
  for (const auto& file : fs::directory_iterator(kGolden)) {
    std::string name = file.path().filename().string();
    if (name.size() < 11 || name.substr(name.size() - 11) != ".scene.json") continue;
    SCOPED_TRACE(name);
    SceneLoad load = loadSceneFile(file.path().string());
    ASSERT_TRUE(load.scene) << load.error;
    name.resize(name.size() - 11);
    Simulator simulator(std::move(*load.scene), {});
    Controller controller(simulator, {[] {}, [](const auto&) {}, [] {}});
    std::map<Extra, bool> listed;  // visible, by the menu
    std::map<Extra, bool> drawn;   // visible, by the bars
    simulator.run([&] {
      VirtualEventLoop& loop = *simulator.virtualLoop();
      loop.runUntil(Date{loop.now().secondsSinceReference + 5});
      simulator.openMenu();
      auto menu = simulator.menu();
      for (const MenuItemRef& row : menu ? shownRows(*menu) : std::vector<MenuItemRef>{}) {
        auto item = std::dynamic_pointer_cast<const ExtraItem>(row->representedObject());
        auto element = item ? std::dynamic_pointer_cast<const SimElement>(item->element) : nullptr;
        if (element) listed[{element->address().pid, element->address().extra}] = !item->occluded;
      }
      simulator.closeMenu();
      auto ids = pictureBars(simulator.desktop().apps(), simulator.desktop().screens(),
                             simulator.scene().selfPid);
      ViewModel model = controller.model();
      ASSERT_EQ(model.extras.size(), ids.size());
      Canvas canvas(400, 60);  // wide: every extra gets a column of its own
      HitMap hits = render(model, canvas);
      std::string shown;
      bool overflow = std::any_of(ids.begin(), ids.end(), [](auto& e) { return e.overflowed; });
      EXPECT_EQ(canvas.row(0).find("«") != std::string::npos, overflow);  // the system's overflow
      for (size_t i = 0; i < ids.size(); ++i) {
        drawn[{ids[i].pid, ids[i].extra}] = placeOf(hits.bars, i).has_value();
        shown += (i ? " " : "") + std::to_string(ids[i].pid) + (ids[i].overflowed ? "«" : "") +
                 (ids[i].display ? "@" + std::to_string(ids[i].display) : "");
      }
      if (auto hosting = hostings.find(name); hosting != hostings.end()) {
        EXPECT_EQ(shown, hosting->second);
      }
    });
    for (const auto& [extra, visible] : listed) {
      EXPECT_EQ(drawn[extra], visible) << extra.first << "/" << extra.second;
    }
    compared += listed.size();
  }
  EXPECT_GE(compared, 35u);  // the scenes were found and their menus read
}

}  // namespace
}  // namespace strandel::sim::terminal
