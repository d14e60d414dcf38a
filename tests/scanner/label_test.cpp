#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "adapters/sim/desktop/ax_objects.h"
#include "scanner/menu_bar_scanner.h"
#include "scanner/scanner_world.h"
#include "scanner/unicode_text.h"

namespace strandel {
namespace {

using sim::AttributeFault;
using sim::ValueKind;
using test::ScannerWorld;

const std::optional<std::string> kMail = "Mail";
const std::optional<std::string> kNone = std::nullopt;

std::string utf8(char32_t c) {
  return unicode::encodeUtf8(std::u32string(1, c));
}

// The label of an extra with this description (none: the read fails with no value), or
// with a fault on "AXDescription".
std::string labelOf(std::optional<std::string> description,
                    const std::optional<std::string>& fallback,
                    std::optional<AttributeFault> fault = std::nullopt) {
  ScannerWorld world;
  const long live = sim::liveAXObjects();
  sim::ExtraSpec extra = test::extraAt(10, 10, std::move(description));
  if (fault) extra.faults["AXDescription"] = *fault;
  const ProcessID pid = world.launch(test::appNamed("Ignored", {extra}));
  std::string label;
  {
    MenuBarScanner::Context context;
    context.apps.push_back({pid, fallback, nullptr});
    context.screenWidth = 900;
    const ExtraItems items = MenuBarScanner::scan(context);
    EXPECT_EQ(items.size(), 1u);
    if (!items.empty()) label = items[0]->appName;
  }
  EXPECT_EQ(sim::liveAXObjects(), live);
  return label;
}

struct LabelCase {
  const char* name;
  std::optional<std::string> description;
  std::optional<std::string> fallback;
  std::string expected;
  std::optional<AttributeFault> fault = std::nullopt;
};

void check(const std::vector<LabelCase>& cases) {
  for (const LabelCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(labelOf(c.description, c.fallback, c.fault), c.expected);
  }
}

TEST(Label, TakesTheFirstPieceOfAUsefulDescription) {
  check({
      {"read fails", "Clock", kMail, "Mail", AttributeFault::failWith(AXError::cannotComplete)},
      {"read fails, no fallback", "Clock", kNone, "Unknown item",
       AttributeFault::failWith(AXError::failure)},
      {"no value", std::nullopt, kMail, "Mail"},
      {"success without a value", "Clock", kMail, "Mail", AttributeFault::noValue()},
      {"a number", "Clock", kMail, "Mail", AttributeFault::wrongKind(ValueKind::number)},
      {"an element", "Clock", kMail, "Mail", AttributeFault::wrongKind(ValueKind::element)},
      {"handed back with an error", "Clock", kMail, "Mail",
       AttributeFault::failHandingBack(AXError::failure, ValueKind::string)},
      {"Status Menu", "Status Menu", kMail, "Mail"},
      {"STATUS MENU", "STATUS MENU", kMail, "Mail"},
      {"mixed case", "sTaTuS mEnU", kMail, "Mail"},
      {"padded", "  status menu\n", kMail, "Mail"},
      {"empty", "", kMail, "Mail"},
      {"white space only", " \n\u3000", kNone, "Unknown item"},
      {"fallback is not trimmed", "status menu", "  Mail ", "  Mail "},
      {"empty fallback is still the fallback", "", "", ""},
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
  });
}

TEST(Label, TrimsEveryUnicodeSpaceAndLineBreakButNotFormatCharacters) {
  const std::vector<char32_t> spaces = {0x0020, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002,
                                        0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
                                        0x2009, 0x200A, 0x202F, 0x205F, 0x3000};
  const std::vector<char32_t> breaks = {0x000A, 0x000B, 0x000C, 0x000D, 0x0085, 0x2028, 0x2029};
  std::vector<LabelCase> cases;
  std::vector<std::string> names;  // keeps SCOPED_TRACE texts alive
  names.reserve(64);
  for (char32_t c : spaces) {
    names.push_back("space U+" + std::to_string(c));
    const std::string s = utf8(c);
    cases.push_back({names.back().c_str(), s + s + "status menu" + s, kMail, "Mail"});
    // The second trim takes spaces off the piece.
    cases.push_back({names.back().c_str(), "Clock" + s + ",x", kMail, "Clock"});
  }
  for (char32_t c : breaks) {
    names.push_back("break U+" + std::to_string(c));
    const std::string s = utf8(c);
    cases.push_back({names.back().c_str(), s + "Status Menu" + s + s, kMail, "Mail"});
    cases.push_back({names.back().c_str(), "Clock" + s + ",x", kMail, "Clock" + s});
  }
  for (char32_t c : {char32_t{0x200B}, char32_t{0xFEFF}, char32_t{0x180E}}) {
    names.push_back("format U+" + std::to_string(c));
    const std::string s = utf8(c);
    cases.push_back({names.back().c_str(), s + "status menu" + s, kMail, s + "status menu" + s});
  }
  check(cases);
}

TEST(Label, GenericDescriptionsMatchUnderCanonicalEquivalence) {
  const std::string koreanJamo = utf8(0x1109) + utf8(0x1161) + utf8(0x11BC) + utf8(0x1110) +
                                 utf8(0x1162) + " " + utf8(0x1106) + utf8(0x1166) + utf8(0x1102) +
                                 utf8(0x1172);
  // "상" as the syllable 사 followed by the final jamo ᆼ.
  const std::string koreanMixed = "사" + utf8(0x11BC) + "태 메뉴";
  check({
      {"Korean", "상태 메뉴", kMail, "Mail"},
      {"Korean as jamo", koreanJamo, kMail, "Mail"},
      {"Korean half composed", koreanMixed, kMail, "Mail"},
      {"Korean without the space", "상태메뉴", kMail, "상태메뉴"},
      {"Japanese", "ステータスメニュー", kMail, "Mail"},
      {"Japanese padded", "\u3000ステータスメニュー\u3000", kMail, "Mail"},
      // A voicing mark turns テ into デ: another word.
      {"Japanese with a voiced mark", "ステ\u3099ータスメニュー", kMail,
       "ステ\u3099ータスメニュー"},
      // Half-width kana are only compatibility equivalents.
      {"Japanese half-width", "ｽﾃｰﾀｽﾒﾆｭｰ", kMail, "ｽﾃｰﾀｽﾒﾆｭｰ"},
      {"Chinese", "菜单额外项", kMail, "Mail"},
      {"Chinese with a compatibility ideograph", utf8(0x2F9A3) + "单额外项", kMail, "Mail"},
      {"English full-width", "ｓｔａｔｕｓ ｍｅｎｕ", kMail, "ｓｔａｔｕｓ ｍｅｎｕ"},
      {"Kelvin sign is not a k", "status menu\u212A", kMail, "status menu\u212A"},
  });
}

TEST(Label, BytesThatAreNotUtf8AreKept) {
  check({
      {"invalid at both ends", "\xFF Clock \xC3", kMail, "\xFF Clock \xC3"},
      {"invalid inside the first piece",
       "  \xFF"
       "Clock , x",
       kMail,
       "\xFF"
       "Clock"},
      {"truncated sequence between spaces", "  \xE2\x80  ", kMail, "\xE2\x80"},
      {"generic followed by a bad byte", "status menu\x80", kMail, "status menu\x80"},
      {"lone continuation bytes", "\x80\x80", kNone, "\x80\x80"},
  });
}

TEST(UnicodeText, DecodesIllFormedInputAsReplacementCharacters) {
  struct Case {
    std::string bytes;
    std::u32string expected;
  };
  const char32_t R = unicode::kReplacementCharacter;
  const Case cases[] = {
      {"a\xC3\xA9", U"a\u00E9"},
      {"\xF0\x9F\x98\x80", U"\U0001F600"},
      {"\xE2\x80", {R}},  // truncated: one maximal subpart
      {"\xF0\x9F\x98", {R}},
      {"\xC0\xAF", {R, R}},  // overlong
      {"\xE0\x80\xAF", {R, R, R}},
      {"\xED\xA0\x80", {R, R, R}},         // surrogate
      {"\xF4\x90\x80\x80", {R, R, R, R}},  // above U+10FFFF
      {"\xFF"
       "a\xE2\x82\xAC",
       {R, U'a', 0x20AC}},
      {std::string("\0a", 2), {0, U'a'}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(unicode::codePoints(c.bytes), c.expected);
    size_t covered = 0;
    for (const auto& d : unicode::decodeUtf8(c.bytes)) {
      EXPECT_EQ(d.offset, covered);
      covered += d.length;
    }
    EXPECT_EQ(covered, c.bytes.size());
  }
  EXPECT_EQ(unicode::encodeUtf8(U"a\u00E9\u20AC\U0001F600"),
            "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(unicode::encodeUtf8(std::u32string{0xD800, 0x110000}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(UnicodeText, LowerCasesWithoutALocale) {
  EXPECT_EQ(unicode::toLower(U"ÀÉÎ ÕÜ Straße ẞ"), U"àéî õü straße ß");
  EXPECT_EQ(unicode::toLower(U"İI"), U"i\u0307i");  // never the Turkish dotless i
  EXPECT_EQ(unicode::toLower(U"ΣΑΣ ДОМ ԱՅ Ⓐ Ｚ"), U"σασ дом այ ⓐ ｚ");
  EXPECT_EQ(unicode::toLower(U"\u212A\u2126\U00010400\U0001E900"), U"kω\U00010428\U0001E922");
  EXPECT_EQ(unicode::toLower(U"ǅ ß ı 1"), U"ǆ ß ı 1");
}

TEST(UnicodeText, DecomposesCanonically) {
  using unicode::canonicalDecomposition;
  EXPECT_EQ(canonicalDecomposition(U"é"), U"e\u0301");
  EXPECT_EQ(canonicalDecomposition(U"각"), U"\u1100\u1161\u11A8");
  EXPECT_EQ(canonicalDecomposition(U"가"), U"\u1100\u1161");
  EXPECT_EQ(canonicalDecomposition(U"デ"), U"テ\u3099");
  EXPECT_EQ(canonicalDecomposition(U"\u212B"), U"A\u030A");  // Angstrom sign
  // Marks are put in canonical order, whatever order they were written in.
  EXPECT_EQ(canonicalDecomposition(U"\u1EC7"), canonicalDecomposition(U"e\u0323\u0302"));
  EXPECT_EQ(canonicalDecomposition(U"\u00EA\u0323"), canonicalDecomposition(U"e\u0302\u0323"));
  EXPECT_EQ(canonicalDecomposition(U"a\u0301\u0323"), U"a\u0323\u0301");
  EXPECT_NE(canonicalDecomposition(U"a\u0301\u0302"), canonicalDecomposition(U"a\u0302\u0301"));
  EXPECT_STRNE(unicode::tablesVersion(), "");
}

}  // namespace
}  // namespace strandel
