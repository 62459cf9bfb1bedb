// The window's decisions that need no window, and the page interface's defaults.
#include <gtest/gtest.h>

#include "core/AppError.h"
#include "txteditor/EditorPage.h"
#include "txteditor/TXTEditorRules.h"
#include "EditorFixture.h"

using namespace mdlTXTEditorRules;

TEST(TXTEditorRules, CaptionNamesFileTypeAndChanges) {
  EXPECT_EQ(EditorCaption("", "x", true), "TXT Editor");
  EXPECT_EQ(EditorCaption("/d/TLaser.txt", "unknown", false), "TXT Editor - [/d/TLaser.txt (unknown)]");
  EXPECT_EQ(EditorCaption("/d/TLaser.txt", "Laser", true), "TXT Editor - [/d/TLaser.txt (Laser)] *");
}

TEST(TXTEditorRules, SavePromptsDifferInLineBreaks) {
  EXPECT_EQ(ClosePromptText("a.txt"), "You have changed data in file a.txt\r\n\r\nDo you want to save your changes?");
  EXPECT_EQ(OpenPromptText("a.txt"), "You have changed data in file a.txt\r\nDo you want to save your changes?");
}

TEST(TXTEditorRules, SaveFilterFollowsTheFilesForm) {
  struct Case {
    const char* path;
    int32_t index;
  } cases[] = {{"/d/types/TLaser.txt", 1},   {"/d/types/TLaser.pck", 2},       {"/d/types/TLASER.PCK", 2},
               {"/d/01.cat::types\\TLaser.txt", 3}, {"/d/01.cat::types\\TLaser.pck", 3}, {"/d/pck.dir/TLaser", 1}};
  for (const Case& c : cases) EXPECT_EQ(SaveFilterIndexFor(c.path), c.index) << c.path;
  EXPECT_EQ(SaveOpenFor(1), SaveOpen::ConvertPlain);
  EXPECT_EQ(SaveOpenFor(2), SaveOpen::ConvertPacked);
  EXPECT_EQ(SaveOpenFor(3), SaveOpen::AsIs);
  EXPECT_EQ(SaveOpenFor(0), SaveOpen::AsIs);
}

TEST(TXTEditorRules, FindMatchesIgnoringCase) {
  EXPECT_TRUE(FindMatches(u"SS_LASER_A", u"laser", false));
  EXPECT_FALSE(FindMatches(u"SS_LASER_A", u"laser", true));
  EXPECT_TRUE(FindMatches(u"SS_LASER_A", u"ss_laser_a", true));
  EXPECT_TRUE(FindMatches(u"Ärger", u"äRGER", true));
  EXPECT_FALSE(FindMatches(u"abc", u"abcd", false));
}

TEST(TXTEditorRules, FindContinuesAfterTheLastMatchAndNeverWraps) {
  EXPECT_EQ(FindStart(0, kz::Variant()), 1);
  EXPECT_EQ(FindStart(3, kz::Variant()), 3);
  EXPECT_EQ(FindStart(3, kz::Variant(int32_t{3})), 4);
  EXPECT_EQ(FindStart(3, kz::Variant(int32_t{2})), 3);
  EXPECT_EQ(FindStart(0, kz::Variant(int32_t{1})), 2);
  std::vector<QString> texts = {"alpha", "beta", "Alphabet", "gamma"};
  EXPECT_EQ(FindNext(texts, 1, u"ALPHA", false), 1);
  EXPECT_EQ(FindNext(texts, 2, u"ALPHA", false), 3);
  EXPECT_EQ(FindNext(texts, 4, u"ALPHA", false), 0);
  EXPECT_EQ(FindNext(texts, 2, u"alpha", true), 0);
}

TEST(TXTEditorRules, WatchRangeClampsBounds) {
  struct Case {
    const char* from;
    const char* to;
    int32_t size;
    bool ok;
    int32_t first, last;
  } cases[] = {
      {"2", "4", 10, true, 2, 4},    {"2", "40", 10, true, 2, 9},  {"-3", "1", 10, true, 0, 1},
      {"-3", "-1", 10, true, 0, 0},  {"x", "4", 10, false, 0, 0},  {"2", "", 10, false, 0, 0},
      {"12", "14", 10, false, 0, 0}, {"5", "2", 10, false, 0, 0},  {"0", "3", 0, false, 0, 0},
      {"1e300", "2", 10, false, 0, 0},
  };
  for (const Case& c : cases) {
    int32_t first = -1, last = -1;
    EXPECT_EQ(WatchRange(c.from, c.to, c.size, first, last), c.ok) << c.from << ".." << c.to;
    if (c.ok) {
      EXPECT_EQ(first, c.first) << c.from;
      EXPECT_EQ(last, c.last) << c.to;
    }
  }
}

TEST(EditorPageInterface, MissingMembersRaise438AndNoParserAnswersFalse) {
  EditorTestApp();
  EditorPage page;
  int32_t type = 3;
  TXTObjectRef record = std::make_shared<clsTXTObject>();
  TxtParserRef parser;
  try {
    page.JvQueryInterfaceEx(type);
    FAIL() << "no error";
  } catch (const kz::AppError& e) {
    EXPECT_EQ(e.Number, 438);
    EXPECT_EQ(e.Description, "Object doesn't support this property or method");
  }
  EXPECT_THROW(page.KzExportData(nullptr), kz::AppError);
  EXPECT_THROW(page.ObjectName(record), kz::AppError);
  EXPECT_THROW(page.ReadOnly(), kz::AppError);
  // Given no parser, a page answers False (also one that has no Init of its own).
  EXPECT_FALSE(page.Init(parser));
  EXPECT_FALSE(page.Init());
  parser = std::make_shared<clsTxtParser>();
  EXPECT_THROW(page.Init(parser), kz::AppError);
  FakePage fake;
  EXPECT_FALSE(fake.Init());
  TxtParserRef none;
  EXPECT_FALSE(fake.Init(none));
  EXPECT_EQ(fake.initCalls, 0);
}

TEST(TXTEditorRules, TypedTextBecomesAWholeNumberAFloatOrStaysText) {
  using K = kz::VariantKind;
  struct Case {
    const char* typed;
    K kind;
    const char* value;  // as text
  } cases[] = {
      {"4321", K::Long, "4321"},
      {" 12 ", K::Long, "12"},
      {"-0", K::Long, "0"},
      {"+7", K::Long, "7"},
      {"007", K::Long, "7"},
      {"-2147483648", K::Long, "-2147483648"},
      {"2147483647", K::Long, "2147483647"},
      {"&HFF", K::Long, "255"},
      // Beyond 32 bits, or written with a point or an exponent: a floating-point number.
      {"2147483648", K::Double, "2147483648"},
      {"2.5", K::Double, "2.5"},
      {"12.0", K::Double, "12"},
      {"1e3", K::Double, "1000"},
      {"-0.5", K::Double, "-0.5"},
      // Anything else is kept exactly as typed.
      {"abc", K::String, "abc"},
      {"", K::String, ""},
      {"1 2", K::String, "1 2"},
      {"12abc", K::String, "12abc"},
      {"inf", K::String, "inf"},
      {"1e999", K::String, "1e999"},
  };
  for (const Case& c : cases) {
    const kz::Variant v = TypedValue(c.typed);
    EXPECT_EQ(v.Kind(), c.kind) << '"' << c.typed << '"';
    EXPECT_EQ(kz::CStr(v), c.value) << '"' << c.typed << '"';
  }
}

TEST(TXTEditorRules, StoredValuesAreTheSameAsNumbersWhateverTheirKindElseAsTexts) {
  const struct {
    kz::Variant a, b;
    bool same;
  } cases[] = {
      {kz::Variant(int32_t(3)), kz::Variant(3.0), true},
      {kz::Variant(int32_t(3)), kz::Variant("3"), true},
      {kz::Variant("3.0"), kz::Variant(int32_t(3)), true},
      {kz::Variant(int32_t(3)), kz::Variant(int32_t(4)), false},
      {kz::Variant("HUD_DOCK"), kz::Variant("HUD_DOCK"), true},
      {kz::Variant("HUD_DOCK"), kz::Variant("hud_dock"), false},
      {kz::Variant("HUD_DOCK"), kz::Variant(int32_t(0)), false},
      {kz::Variant(), kz::Variant(int32_t(0)), false},
      {kz::Variant(), kz::Variant(""), false},
      {kz::Variant(), kz::Variant(), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameStoredValue(c.a, c.b), c.same) << kz::CStr(c.a) << " / " << kz::CStr(c.b);
    EXPECT_EQ(SameStoredValue(c.b, c.a), c.same) << kz::CStr(c.b) << " / " << kz::CStr(c.a);
  }
}

TEST(EditorPageInterface, AnEntryTranslatesBackByItsTextUnlessThePageKnowsBetter) {
  EditorTestApp();
  struct TextPage : EditorPage {
    bool JvTranslateValueBack(TXTObjectRef&, const std::string& text, int32_t&, kz::Variant& value) override {
      value = kz::Variant("by text " + text);
      return true;
    }
  } page;
  TXTObjectRef record = std::make_shared<clsTXTObject>();
  int32_t index = 2;
  kz::Variant v;
  EXPECT_TRUE(page.JvTranslateEntryBack(record, index, 7, "Small", v));
  EXPECT_EQ(kz::CStr(v), "by text Small");
  EditorPage bare;
  EXPECT_THROW(bare.JvTranslateEntryBack(record, index, 7, "Small", v), kz::AppError);
}
