#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/ax_read.h"
#include "scanner/extra_item.h"
#include "scanner/scanner_world.h"

namespace strandel {
namespace {

using sim::AttributeFault;
using sim::ValueKind;
using test::ScannerWorld;

// The element of the first extra of the app, fetched the way a scan does.
AXRef firstExtra(ScannerWorld& world, ProcessID pid) {
  const AXRef app = world.ax->createApplication(pid);
  const AXRef bar = axCopy(app, "AXExtrasMenuBar");
  const AXRef children = axCopy(bar, "AXChildren");
  if (!children) return nullptr;
  const std::vector<AXRef> values = world.ax->arrayValues(children);
  return values.empty() ? nullptr : values.front();
}

TEST(AxCopy, GivesTheValueOnSuccessOnly) {
  ScannerWorld world;
  const long live = sim::liveAXObjects();
  sim::ExtraSpec extra = test::extraAt(10, 20, "Clock");
  extra.faults["AXTitle"] = AttributeFault::failHandingBack(AXError::failure, ValueKind::string);
  const ProcessID pid = world.launch(test::appNamed("Mail", {extra}));
  {
    const AXRef element = firstExtra(world, pid);
    ASSERT_TRUE(element);
    const AXRef description = axCopy(element, "AXDescription");
    ASSERT_TRUE(description);
    EXPECT_EQ(world.ax->stringValue(description), "Clock");
    // A value that comes back with an error is dropped, and released.
    const long before = sim::liveAXObjects();
    EXPECT_FALSE(axCopy(element, "AXTitle"));
    EXPECT_EQ(sim::liveAXObjects(), before);
    EXPECT_FALSE(axCopy(element, "AXNoSuchAttribute"));
  }
  EXPECT_EQ(sim::liveAXObjects(), live);
}

TEST(AxFrame, ReadsPositionAndSizeOrNothing) {
  struct Case {
    const char* name;
    const char* attribute;
    std::optional<AttributeFault> fault;
    Size size;
    std::optional<Rect> expected;
  };
  const Size normal{20, 22};
  const Rect frame{{100, 3}, normal};
  const Case cases[] = {
      {"plain", "", std::nullopt, normal, frame},
      {"negative width passes", "", std::nullopt, {-20, 22}, Rect{{100, 3}, {-20, 22}}},
      {"zero width passes", "", std::nullopt, {0, 22}, Rect{{100, 3}, {0, 22}}},
      {"position read fails", "AXPosition", AttributeFault::failWith(AXError::cannotComplete),
       normal, std::nullopt},
      {"size missing", "AXSize", AttributeFault::noValue(), normal, std::nullopt},
      {"position is a number", "AXPosition", AttributeFault::wrongKind(ValueKind::number), normal,
       std::nullopt},
      {"position is a string", "AXPosition", AttributeFault::wrongKind(ValueKind::string), normal,
       std::nullopt},
      {"position is an element", "AXPosition", AttributeFault::wrongKind(ValueKind::element),
       normal, std::nullopt},
      {"position holds a size", "AXPosition", AttributeFault::wrongKind(ValueKind::size), normal,
       std::nullopt},
      {"size holds a point", "AXSize", AttributeFault::wrongKind(ValueKind::point), normal,
       std::nullopt},
      {"size is an array", "AXSize", AttributeFault::wrongKind(ValueKind::array), normal,
       std::nullopt},
      {"size handed back with an error", "AXSize",
       AttributeFault::failHandingBack(AXError::failure, ValueKind::size), normal, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    const long live = sim::liveAXObjects();
    sim::ExtraSpec extra = test::extraAt(100, c.size.width, "x", 3, c.size.height);
    if (c.fault) extra.faults[c.attribute] = *c.fault;
    const ProcessID pid = world.launch(test::appNamed("Mail", {extra}));
    {
      const AXRef element = firstExtra(world, pid);
      ASSERT_TRUE(element);
      EXPECT_EQ(axFrame(element), c.expected);
    }
    EXPECT_EQ(sim::liveAXObjects(), live);
  }
}

TEST(ExtraItem, SignatureRoundsMinimumXHalfAwayFromZero) {
  struct Case {
    std::string label;
    bool occluded;
    Rect frame;
    std::string expected;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"Clock", false, {{120.5, 0}, {20, 22}}, "Clock|false|121"},
      {"Clock", true, {{-0.5, 0}, {20, 22}}, "Clock|true|-1"},
      {"A", false, {{99.5, 0}, {1, 1}}, "A|false|100"},
      {"A", false, {{-99.5, 0}, {1, 1}}, "A|false|-100"},
      {"A", false, {{99.49, 0}, {1, 1}}, "A|false|99"},
      {"A", false, {{0.49999999999999994, 0}, {1, 1}}, "A|false|0"},
      {"A", false, {{-0.49999999999999994, 0}, {1, 1}}, "A|false|0"},
      {"A", false, {{0, 0}, {1, 1}}, "A|false|0"},
      {"A", false, {{-0.0, 0}, {1, 1}}, "A|false|0"},
      {"A", false, {{2.5, 0}, {1, 1}}, "A|false|3"},
      // The y, the width and the height do not count, except that a negative width moves
      // the minimum x.
      {"A", false, {{100, 7}, {-20, 3}}, "A|false|80"},
      {"A|b", true, {{5, 0}, {1, 1}}, "A|b|true|5"},
      {"", false, {{5, 0}, {1, 1}}, "|false|5"},
      // Never reported by the platform; the text stays well-formed.
      {"A", false, {{1e300, 0}, {1, 1}}, "A|false|9223372036854775807"},
      {"A", false, {{-1e300, 0}, {1, 1}}, "A|false|-9223372036854775808"},
      {"A", false, {{inf, 0}, {1, 1}}, "A|false|9223372036854775807"},
      {"A", false, {{-inf, 0}, {1, 1}}, "A|false|-9223372036854775808"},
      {"A", false, {{std::nan(""), 0}, {1, 1}}, "A|false|0"},
      {"A", false, {{9223372036854775807.0, 0}, {1, 1}}, "A|false|9223372036854775807"},
      {"A", false, {{-9223372036854775808.0, 0}, {1, 1}}, "A|false|-9223372036854775808"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    const ExtraItem item(c.label, nullptr, nullptr, c.frame, c.occluded);
    EXPECT_EQ(item.signature(), c.expected);
  }
}

}  // namespace
}  // namespace strandel
