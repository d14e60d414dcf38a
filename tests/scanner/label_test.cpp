#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"
#include "text/unicode_text.h"

namespace strandel {
namespace {

using sim::AttributeFault;
using sim::ValueKind;
using test::ScannerWorld;

const std::optional<std::string> kMail = "Mail";
const std::optional<std::string> kNone = std::nullopt;

std::string utf8(std::u32string text) {
  return unicode::encodeUtf8(text);
}

struct LabelCase {
  std::string name;
  std::optional<std::string> description;  // none: "AXDescription" has no value
  std::optional<std::string> fallback;
  std::string expected;
  std::optional<AttributeFault> fault = std::nullopt;  // on "AXDescription"
};

// Scans one extra per case and checks its label, and that every value read was released.
void check(const std::vector<LabelCase>& cases) {
  for (const LabelCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScannerWorld world;
    const long live = sim::liveAXObjects();
    sim::ExtraSpec extra = test::extraAt(10, 10, c.description);
    if (c.fault) extra.faults["AXDescription"] = *c.fault;
    MenuBarScanner::Context context;
    context.apps.push_back({world.launch(test::appNamed("Ignored", {extra})), c.fallback, nullptr,
                            std::nullopt, std::nullopt});
    context.screenWidth = 900;
    {
      const ExtraItems items = MenuBarScanner::scan(context);
      ASSERT_EQ(items.size(), 1u);
      EXPECT_EQ(items[0]->appName, c.expected);
    }
    EXPECT_EQ(sim::liveAXObjects(), live);
  }
}

TEST(Label, TakesTheFirstPieceOfAUsefulDescription) {
  check({
      {"read fails", "Clock", kMail, "Mail", AttributeFault::failWith(AXError::cannotComplete)},
      {"read fails, no fallback", "Clock", kNone, "Unknown item",
       AttributeFault::failWith(AXError::failure)},
      {"no value", std::nullopt, kMail, "Mail"},
      {"a number", "Clock", kMail, "Mail", AttributeFault::wrongKind(ValueKind::number)},
      {"handed back with an error", "Clock", kMail, "Mail",
       AttributeFault::failHandingBack(AXError::failure, ValueKind::string)},
      {"Status Menu", "Status Menu", kMail, "Mail"},
      {"mixed case", "sTaTuS mEnU", kMail, "Mail"},
      {"padded", "  status menu\n", kMail, "Mail"},
      {"empty", "", kMail, "Mail"},
      {"white space only", " \n\u3000", kNone, "Unknown item"},
      {"fallback is not trimmed", "status menu", "  Mail ", "  Mail "},
      {"two spaces inside", "status  menu", kMail, "status  menu"},
      {"generic with a comma", "status menu, more", kMail, "status menu"},
      {"Wi-Fi", "Wi-Fi, connected", kMail, "Wi-Fi"},
      {"space before the comma", "  Battery , 80%  ", kMail, "Battery"},
      {"leading commas", ",, Clock", kMail, "Clock"},
      {"commas only", ",,,", kMail, ",,,"},
      {"blank first piece", ", ,b", kMail, ""},
      {"no fallback needed", "Focus", kNone, "Focus"},
      {"line break kept by the second trim", "Clock\n, 10:00", kMail, "Clock\n"},
      {"tab is only in the second set", "\tStatus Menu", kMail, "Status Menu"},
      {"bar inside", "A|B, c", kMail, "A|B"},
      {"invalid bytes are kept", "  \xFFWi-Fi , x", kMail, "\xFFWi-Fi"},
      {"generic followed by a bad byte", "status menu\x80", kMail, "status menu\x80"},
  });
}

TEST(Label, TrimsEveryUnicodeSpaceAndLineBreakButNotFormatCharacters) {
  const std::u32string spaces =
      U"\u0020\u00A0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006"
      U"\u2007\u2008\u2009\u200A\u202F\u205F\u3000";
  const std::u32string breaks = U"\u000A\u000B\u000C\u000D\u0085\u2028\u2029";
  std::vector<LabelCase> cases;
  for (char32_t c : spaces + breaks) {
    const std::string s = utf8({c}), name = "U+" + std::to_string(c);
    cases.push_back({name + " at both ends", s + s + "Status Menu" + s, kMail, "Mail"});
    // The second trim takes only spaces off the piece; line breaks stay.
    const bool isBreak = breaks.find(c) != std::u32string::npos;
    cases.push_back(
        {name + " before a comma", "Clock" + s + ",x", kMail, isBreak ? "Clock" + s : "Clock"});
  }
  for (char32_t c : std::u32string(U"\u200B\uFEFF\u180E")) {
    const std::string s = utf8({c});
    cases.push_back(
        {"format U+" + std::to_string(c), s + "status menu" + s, kMail, s + "status menu" + s});
  }
  check(cases);
}

TEST(Label, GenericDescriptionsMatchUnderCanonicalEquivalence) {
  check({
      {"Korean", "상태 메뉴", kMail, "Mail"},
      {"Korean as jamo", utf8(U"\u1109\u1161\u11BC\u1110\u1162 \u1106\u1166\u1102\u1172"), kMail,
       "Mail"},
      {"Korean half composed", "사" + utf8(U"\u11BC") + "태 메뉴", kMail, "Mail"},
      {"Japanese", "ステータスメニュー", kMail, "Mail"},
      {"Chinese", "菜单额外项", kMail, "Mail"},
      {"Chinese with a compatibility ideograph", utf8(U"\U0002F9A3") + "单额外项", kMail, "Mail"},
      // A voicing mark turns テ into デ: another word.
      {"Japanese with a voiced mark", "ステ\u3099ータスメニュー", kMail,
       "ステ\u3099ータスメニュー"},
      // Half-width and full-width forms are only compatibility equivalents.
      {"Japanese half-width", "ｽﾃｰﾀｽﾒﾆｭｰ", kMail, "ｽﾃｰﾀｽﾒﾆｭｰ"},
      {"English full-width", "ｓｔａｔｕｓ ｍｅｎｕ", kMail, "ｓｔａｔｕｓ ｍｅｎｕ"},
  });
}

TEST(UnicodeText, LowerCasesWithoutALocaleAndDecomposesCanonically) {
  EXPECT_EQ(unicode::toLower(U"ÀÉ Straße ẞ İI ΣΑΣ ДОМ \u212A\U00010400"),
            U"àé straße ß i\u0307i σασ дом k\U00010428");
  using unicode::canonicalDecomposition;
  EXPECT_EQ(canonicalDecomposition(U"é각デ\u212B"), U"e\u0301\u1100\u1161\u11A8テ\u3099A\u030A");
  // Marks are put in canonical order, whatever order they were written in.
  EXPECT_EQ(canonicalDecomposition(U"\u1EC7"), canonicalDecomposition(U"e\u0323\u0302"));
  EXPECT_NE(canonicalDecomposition(U"a\u0301\u0302"), canonicalDecomposition(U"a\u0302\u0301"));
}

}  // namespace
}  // namespace strandel
