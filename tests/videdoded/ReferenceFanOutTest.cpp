// Strings that reference other strings many times over: loading such pages into the
// store stays quick, and every text comes out as it always did (same nesting limit,
// same cap on references and on length, same answers for cycles and missing strings).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "videdoded/videdoded.h"

namespace {

struct StoreText {
  size_t size = 0;
  uint64_t hash = 0;
};

uint64_t Fnv(std::string_view t, uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : t) h = (h ^ c) * 1099511628211ull;
  return h;
}

std::string Text(int32_t page, int32_t id) {
  const int32_t s = Kz_TREFindString(1, page, id);
  EXPECT_NE(s, 0) << page << ":" << id;
  int32_t sid = 0;
  std::string raw, text;
  EXPECT_EQ(Kz_TREGetStringInfo(s, sid, raw, text), 1);
  return text;
}

// Page `page` of a language 44 file, with the raw texts given (IDs 1, 2, ...).
std::string PageXml(int32_t page, const std::vector<std::string>& raws) {
  std::string x = "<page id=\"" + std::to_string(page) + "\" title=\"p\" descr=\"\" voice=\"0\">\n";
  for (size_t i = 0; i < raws.size(); ++i) x += "<t id=\"" + std::to_string(i + 1) + "\">" + raws[i] + "</t>\n";
  return x + "</page>\n";
}

std::string FileXml(const std::string& pages) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n" + pages + "</language>\n";
}

// `count` strings on page 17, string n naming string n + 1 `fan` times, each reference
// between `before` and `after`; the last names one past the end.
std::vector<std::string> FanOut(int count, int fan, const std::string& before = "", const std::string& after = "") {
  std::vector<std::string> raws;
  for (int n = 1; n <= count; ++n) {
    std::string r;
    for (int k = 0; k < fan; ++k) r += before + "{17," + std::to_string(n + 1) + "}" + after;
    raws.push_back(r);
  }
  return raws;
}

struct Store : ::testing::Test {
  void SetUp() override { Kz_TREDescServerUnload(); }
  void TearDown() override { Kz_TREDescServerUnload(); }
  static void Load(const std::string& xml) {
    ASSERT_EQ(Kz_TRESetLangID(1, 44), 1);
    ASSERT_EQ(Kz_TREDescServerLoadBuffer(xml.data(), xml.size()), 1);
    ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  }
};

double SecondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A 23 KB page of 300 strings that each name the next one 8 times: every text would
// be thousands of references and 64 KiB long if it were worked out in full.
TEST_F(Store, PageOfStringsNamingTheNextManyTimesLoadsQuickly) {
  const std::string xml = FileXml(PageXml(17, FanOut(300, 8)));
  ASSERT_LT(xml.size(), 24000u);
  auto t0 = std::chrono::steady_clock::now();
  Load(xml);
  EXPECT_LT(SecondsSince(t0), 1.0) << "load";
  t0 = std::chrono::steady_clock::now();
  for (int id = 1; id <= 100; ++id) EXPECT_EQ(Text(17, id).size(), kTreMaxText) << id;
  EXPECT_LT(SecondsSince(t0), 1.0) << "100 look-ups";
  std::string last;
  for (int k = 0; k < 8; ++k) last += "{17,301}";
  EXPECT_EQ(Text(17, 300), last);  // names a string that is not there
}

struct FanCase {
  const char* name;
  std::vector<std::string> raws;   // page 17
  std::vector<std::string> other;  // page 18
  std::vector<std::pair<int32_t, StoreText>> expect;  // string of page 17: size and hash of its text
};

std::vector<FanCase> FanCases() {
  std::vector<FanCase> cases;
  {  // Twofold: the ninth level stays as written.
    auto raws = FanOut(12, 2);
    raws[11] = "end";
    cases.push_back({"two-fold", raws, {},
                    {{1, {3584, 0x058c57512f52b183ull}},
                     {3, {3584, 0x55b940b2c18fe183ull}},
                     {5, {384, 0x04e67b53b44d2c03ull}},
                     {12, {3, 0x0283ae5120099f30ull}}}});
  }
  {  // Eightfold with a three-byte letter before each reference: cut at the length cap,
     // at a letter's boundary.
    auto raws = FanOut(12, 8, "\xE2\x82\xAC");
    raws[11] = "end";
    cases.push_back({"eight-fold-cut", raws, {},
                    {{1, {65536, 0x8c48709b9cbd867eull}},
                     {2, {65536, 0x9f6c9e699923945aull}},
                     {5, {23252, 0xc237bc5841ba95f9ull}},
                     {6, {23182, 0x2cf783a65a91de3dull}},
                     {7, {23112, 0x3fca9f25ffab2788ull}},
                     {11, {48, 0xd5031e6a9b3b2823ull}}}});
  }
  {  // Eightfold into an empty string: the cap on references is reached first.
    auto raws = FanOut(6, 8);
    raws[5] = "";
    cases.push_back({"eight-fold-references", raws, {},
                    {{1, {48, 0xcf9afb95f81760e6ull}},
                     {2, {48, 0xba87ec8361b53283ull}},
                     {3, {0, 0x14650fb0739d0383ull}},
                     {4, {0, 0x14650fb0739d0383ull}},
                     {5, {0, 0x14650fb0739d0383ull}}}});
  }
  {  // Each string also names the first: a cycle wherever the first is being worked out.
    auto raws = FanOut(12, 2, "x{17,1}");
    raws[11] = "end{17,1}";
    cases.push_back({"cycles-to-first", raws, {},
                    {{1, {10738, 0xe62321fbda3c03c5ull}},
                     {2, {20938, 0x4aa49730d5890dc3ull}},
                     {4, {36314, 0xac79823d8cb44c73ull}},
                     {12, {5109, 0x10af79f6c1c607d6ull}}}});
  }
  {  // Two ways to the same string; along one of them it meets a cycle.
    std::vector<std::string> raws = {"{17,2}|{17,3}|{17,2}", "a{17,4}a", "b{17,4}b{17,4}",
                                     "({17,5}{17,3}{17,5}{18,1})", "{17,6}{17,6}", "z{18,1}"};
    cases.push_back({"diamond", raws, {"Y{17,2}{17,6}"},
                    {{1, {356, 0x4e36aa1c984a61edull}},
                     {2, {88, 0x43871a0c5c9bf65bull}},
                     {3, {178, 0xf3b28a57d8573ec5ull}},
                     {4, {96, 0x5c3947c9b1a89f21ull}},
                     {5, {88, 0x596ce64273fe3b0bull}},
                     {6, {56, 0x9b4e18589cc04445ull}}}});
  }
  {  // Missing strings, a missing page and escapes along the way.
    auto raws = FanOut(10, 3, "\\{", "\\}{17,999}{18,5}{900,1}\\n");
    raws[9] = "last\\t";
    cases.push_back({"missing-and-escapes", raws, {"x"},
                    {{1, {65536, 0x2dc598f3abe32e13ull}},
                     {4, {29853, 0xac7db2eb25e28bdeull}},
                     {9, {87, 0x617dcc21faa4728full}}}});
  }
  return cases;
}

// Texts of fan-out pages, against the texts this code has always given for them.
TEST_F(Store, FanOutTextsStayAsTheyWere) {
  for (const FanCase& c : FanCases()) {
    SCOPED_TRACE(c.name);
    Load(FileXml(PageXml(17, c.raws) + (c.other.empty() ? std::string() : PageXml(18, c.other))));
    for (const auto& [id, want] : c.expect) {
      const std::string t = Text(17, id);
      EXPECT_EQ(t.size(), want.size) << id;
      EXPECT_EQ(Fnv(t), want.hash) << id;
    }
    Kz_TREDescServerUnload();
  }
}

// Pages wired at random (a fixed generator): text, escapes, letters of several bytes
// and references, repeated, to strings that are there, missing, or the string itself.
struct Wiring {
  uint64_t state;
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  std::string Raw(int count) {
    std::string r;
    const uint32_t tokens = 1 + Next() % 10;
    for (uint32_t k = 0; k < tokens; ++k) {
      const uint32_t what = Next() % 12;
      if (what < 2) r += "w" + std::to_string(Next() % 100);
      else if (what == 2) r += (Next() % 2) ? "\\n" : "\\{";
      else if (what == 3) r += "\xC3\xA9\xE2\x82\xAC";
      else {
        const uint32_t form = Next() % 3;
        const int32_t id = 1 + static_cast<int32_t>(Next() % static_cast<uint32_t>(count + 2));
        const std::string ref = form == 0   ? "{" + std::to_string(id) + "}"
                                : form == 1 ? "{17," + std::to_string(id) + "}"
                                            : "{ 18 , " + std::to_string(id) + " }";
        const uint32_t times = 1 + Next() % 6;
        for (uint32_t t = 0; t < times; ++t) r += ref;
      }
    }
    return r;
  }
};

TEST_F(Store, RandomlyWiredPagesGiveTheTextsTheyAlwaysGave) {
  struct Row {
    uint64_t seed;
    int count;
    StoreText all;  // total size and hash of every text of both pages
  };
  const Row rows[] = {{1, 30, {3735788, 0x46fa32b135d8fa8aull}},  {2, 30, {3539138, 0xa04562e05b10cde2ull}},
                      {3, 60, {7536678, 0xa678d5d7a04c0826ull}},  {4, 60, {7405613, 0xedeca232934176a6ull}},
                      {5, 120, {15532042, 0xc9600fb6717adc53ull}}, {6, 12, {1441805, 0xbf8e3fb2500e3c3aull}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.seed);
    Wiring w{row.seed};
    std::vector<std::string> a, b;
    for (int n = 0; n < row.count; ++n) a.push_back(w.Raw(row.count));
    for (int n = 0; n < row.count; ++n) b.push_back(w.Raw(row.count));
    Load(FileXml(PageXml(17, a) + PageXml(18, b)));
    size_t size = 0;
    uint64_t hash = Fnv("");
    for (int32_t page : {17, 18})
      for (int32_t id = 1; id <= row.count; ++id) {
        const std::string t = Text(page, id);
        size += t.size();
        hash = Fnv(t + '\x01', hash);
      }
    EXPECT_EQ(size, row.all.size);
    EXPECT_EQ(hash, row.all.hash);
    Kz_TREDescServerUnload();
  }
}

}  // namespace
