// The quick paths of the reader, the writer and the store give what the full ones do.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <climits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "rudu/rudu.h"
#include "videdoded/TxtFields.h"
#include "videdoded/videdoded.h"

namespace {

// Appends `count` texts of 1 to `maxLen` bytes drawn from `alphabet` by a generator of
// this seed (the same texts every run): the first byte from all of it, the others from
// all but its last byte.
void AppendRandomTexts(std::vector<std::string>& out, uint64_t seed, int count, size_t maxLen, const std::string& alphabet) {
  std::mt19937_64 rng(seed);
  for (int i = 0; i < count; ++i) {
    std::string t;
    const size_t len = 1 + rng() % maxLen;
    for (size_t k = 0; k < len; ++k) t.push_back(alphabet[rng() % (k == 0 ? alphabet.size() : alphabet.size() - 1)]);
    out.push_back(t);
  }
}

// Short decimals are read without the general parser: the value must be the
// correctly rounded one all the same.
TEST(FastPath, ShortDecimalsReadCorrectlyRounded) {
  std::mt19937_64 rng(11);
  std::vector<std::string> texts = {"0.1", "-0.0", "5.", ".5", "-.5", "123456789012345.", "0.000000000000001",
                                    "9007199254740.993", "1234567890.12345", "-999999999999999.", "0.3"};
  for (int i = 0; i < 3000; ++i) {
    int digits = 1 + static_cast<int>(rng() % 15);
    std::string t;
    for (int k = 0; k < digits; ++k) t.push_back(static_cast<char>('0' + rng() % 10));
    t.insert(t.begin() + static_cast<long>(rng() % (t.size() + 1)), '.');
    if (rng() & 1) t.insert(t.begin(), '-');
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    std::string line = t + ";";
    int32_t d = Kz_LoadFromBuffer(line.data(), line.size(), 1);
    Kz_Value v;
    ASSERT_EQ(Kz_TXTLoadValue(d, 0, v), 1) << t;
    Kz_DeleteHandle(0, d);
    ASSERT_EQ(v.kind, Kz_Value::Double) << t;
    double want = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), want, std::chars_format::fixed);
    ASSERT_TRUE(r.ec == std::errc() && r.ptr == t.data() + t.size()) << t;
    EXPECT_EQ(std::memcmp(&v.d, &want, sizeof want), 0) << t;
  }
}

// The one-pass classification against the rule written out plainly: a whole number
// is an optional "-" and digits that fit 32 bits; a floating-point number holds one
// "." among digits; anything else is text.
TEST(FastPath, ClassificationFollowsThePlainRule) {
  auto expected = [](const std::string& t, Kz_Value& v) {
    size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    size_t digits = 0, dots = 0;
    for (size_t k = i; k < t.size(); ++k) {
      if (t[k] >= '0' && t[k] <= '9')
        ++digits;
      else if (t[k] == '.')
        ++dots;
      else
        return Kz_Value::Text;
    }
    if (digits == 0 || dots > 1) return Kz_Value::Text;
    if (dots == 0) {
      long long x = 0;
      auto r = std::from_chars(t.data(), t.data() + t.size(), x);
      if (r.ec != std::errc() || x < INT32_MIN || x > INT32_MAX) return Kz_Value::Text;
      v.l = static_cast<int32_t>(x);
      return Kz_Value::Long;
    }
    std::from_chars(t.data(), t.data() + t.size(), v.d, std::chars_format::fixed);
    return Kz_Value::Double;
  };
  std::vector<std::string> texts = {"-", ".", "-.", "0", "-0", "2147483647", "2147483648", "-2147483648",
                                    "-2147483649", "0000000000002147483647", "99999999999999999999999",
                                    "1.2.3", "1-2", "--1", "12a", "00.50", "-", "18446744073709551617"};
  AppendRandomTexts(texts, 5, 20000, 22, "0123456789-.a");
  for (const std::string& t : texts) {
    std::string line = t + ";";
    int32_t d = Kz_LoadFromBuffer(line.data(), line.size(), 1);
    Kz_Value got, want;
    ASSERT_EQ(Kz_TXTLoadValue(d, 0, got), 1) << t;
    Kz_DeleteHandle(0, d);
    const int32_t kind = expected(t, want);
    ASSERT_EQ(got.kind, kind) << t;
    if (kind == Kz_Value::Long) EXPECT_EQ(got.l, want.l) << t;
    if (kind == Kz_Value::Double) EXPECT_EQ(std::memcmp(&got.d, &want.d, sizeof want.d), 0) << t;
    if (kind == Kz_Value::Text) EXPECT_EQ(got.s, t);
  }
}

// Values taken in batches are the values taken one by one, whatever the batch size; a
// batch ends early at a value that fails, with the error and the position before it.
TEST(FastPath, BatchedValuesAreTheValuesOneByOne) {
  const std::string text =
      "// remark\r\n3;2;\r\n\r\n  \t \r\nabc;-12;0.5;;x y;\r\n7;8\r\n// another\r\nlast;-0.25;2147483648;\n9";
  auto same = [](const Kz_Value& a, const Kz_Value& b) {
    if (a.kind != b.kind) return false;
    if (a.kind == Kz_Value::Long) return a.l == b.l;
    if (a.kind == Kz_Value::Double) return std::memcmp(&a.d, &b.d, sizeof a.d) == 0;
    return a.s == b.s;
  };
  std::vector<Kz_Value> single;
  int32_t d = Kz_LoadFromBuffer(text.data(), text.size(), 1);
  Kz_Value v;
  while (Kz_TXTLoadValue(d, 0, v)) single.push_back(v);
  Kz_DeleteHandle(0, d);
  ASSERT_EQ(single.size(), 13u);

  for (int32_t batch : {1, 2, 3, 5, 14, 100}) {
    d = Kz_LoadFromBuffer(text.data(), text.size(), 1);
    std::vector<Kz_Value> got, buf(static_cast<size_t>(batch));
    for (;;) {
      int32_t n = Kz_TXTLoadValues(d, 0, buf.data(), batch);
      got.insert(got.end(), buf.begin(), buf.begin() + n);
      if (n < batch) break;
    }
    EXPECT_EQ(Kz_GetLastError(), kKzErrEnd) << batch;
    Kz_DeleteHandle(0, d);
    ASSERT_EQ(got.size(), single.size()) << batch;
    for (size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(same(got[i], single[i])) << batch << " " << i;
  }

  // Numbers asked: the batch stops at "abc", which is then still the next value; a
  // walk that stops on a continuation goes on past it.
  d = Kz_LoadFromBuffer(text.data(), text.size(), 1);
  Kz_Value nums[4];
  EXPECT_EQ(Kz_TXTLoadValues(d, 1, nums, 4), 2);
  EXPECT_EQ(Kz_GetLastError(), kKzErrValue);
  EXPECT_EQ(nums[1].l, 2);
  ASSERT_EQ(Kz_TXTLoadValue(d, 3, v), 1);
  EXPECT_EQ(v.s, "abc");
  ASSERT_EQ(Kz_TXTGetTokenType(d), kKzTokenItem);
  ASSERT_EQ(Kz_TXTAdvance(d, 1), 1);
  ASSERT_EQ(Kz_TXTGetTokenType(d), kKzTokenContinuation);
  EXPECT_EQ(Kz_TXTLoadValues(d, 1, nums, 2), 1);  // 0.5, then the empty field fails
  EXPECT_EQ(nums[0].d, 0.5);
  EXPECT_EQ(Kz_TXTLoadValues(d, 1, nums, 1), 0);  // still the empty field
  EXPECT_EQ(Kz_TXTLoadValues(d, 3, nums, 1), 1);
  EXPECT_EQ(nums[0].s, "");
  EXPECT_EQ(Kz_TXTLoadValues(d, 7, nums, 1), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
  EXPECT_EQ(Kz_TXTLoadValues(d, 0, nums, -1), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
  EXPECT_EQ(Kz_TXTLoadValues(d, 0, nums, 0), 0);
  EXPECT_EQ(Kz_GetLastError(), 0);
  Kz_DeleteHandle(0, d);
  EXPECT_EQ(Kz_TXTLoadValues(d, 0, nums, 1), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
}

// A value read one by one and a batch of one give the same at every step, each kind
// asked over a file of every kind of token: the value, the failure's code and its
// text (an error that a later success clears), and the cursor after it.
TEST(FastPath, OneByOneFailsAsABatchOfOne) {
  const std::string text = "abc;-12;0.5;;x y;\r\n7;8\r\n// remark\r\nlast;\xE4\xFC;2147483648;\n9";
  auto lastText = [] {
    char buf[256];
    const int32_t n = Kz_TranslateError(Kz_GetLastError(), buf, sizeof buf, nullptr);
    return std::string(buf, static_cast<size_t>(n));
  };
  struct Step {
    int32_t got;
    int32_t code;
    std::string text;
    Kz_Value value;
    int32_t token;
    int32_t line;
  };
  const int32_t kinds[] = {1, 0, 3, 1, 2, 1, 1, 3, 0, 1, 1, 3, -1, 1, 0, 0, 1, 3, 0, 0};
  std::vector<Step> single, batch;
  for (auto* out : {&single, &batch}) {
    int32_t d = Kz_LoadFromBuffer(text.data(), text.size(), 1);
    ASSERT_NE(d, 0);
    for (int32_t kind : kinds) {
      Kz_Value v;
      const int32_t got = out == &single ? Kz_TXTLoadValue(d, kind, v) : Kz_TXTLoadValues(d, kind, &v, 1);
      const int32_t code = Kz_GetLastError();
      out->push_back({got, code, code ? lastText() : "", got ? v : Kz_Value(), Kz_TXTGetTokenType(d),
                      Kz_TXTGetLine(d)});
    }
    Kz_DeleteHandle(0, d);
  }
  ASSERT_EQ(single.size(), batch.size());
  int failures = 0;
  for (size_t i = 0; i < single.size(); ++i) {
    const Step& a = single[i];
    const Step& b = batch[i];
    EXPECT_EQ(a.got, b.got) << i;
    EXPECT_EQ(a.code, b.code) << i;
    EXPECT_EQ(a.text, b.text) << i;
    EXPECT_EQ(a.value.kind, b.value.kind) << i;
    EXPECT_EQ(a.value.l, b.value.l) << i;
    EXPECT_EQ(a.value.d, b.value.d) << i;
    EXPECT_EQ(a.value.s, b.value.s) << i;
    EXPECT_EQ(a.token, b.token) << i;
    EXPECT_EQ(a.line, b.line) << i;
    if (!a.got) {
      ++failures;
      EXPECT_NE(a.code, 0) << i;
      EXPECT_FALSE(a.text.empty()) << i;
    } else {
      EXPECT_EQ(a.code, 0) << i;
    }
  }
  EXPECT_GE(failures, 5);  // a text as a number, kinds 2 and -1, the end (twice)
  // The texts of the failures as they read.
  EXPECT_EQ(single[0].text, "Expected a number, not \"abc\" (line 1).");
  EXPECT_EQ(single[4].text, "Invalid value kind 2 (0 any, 1 number, 3 text).");
  EXPECT_EQ(single.back().text, "Unexpected end of file: no more values.");
}

// Random files read the same through every road: the token walk, values one by one
// and in batches of any size, numbers asked (failing exactly at the texts, without
// moving), all against the rule written out plainly: lines split at line feeds (one
// CR before it dropped), remark and blank lines hold nothing, an item runs to its ";"
// and is followed by another while the rest of the line is not blank.
TEST(FastPath, RandomFilesReadTheSameEveryWay) {
  struct Want {
    std::string field;
    int32_t line;
  };
  auto plain = [](const std::string& text, bool remarksAsData) {
    std::vector<Want> out;
    auto blank = [](const std::string& t) { return t.find_first_not_of(" \t") == std::string::npos; };
    size_t start = 0;
    for (int32_t line = 1; start < text.size(); ++line) {
      size_t nl = text.find('\n', start);
      std::string l = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
      start = nl == std::string::npos ? text.size() : nl + 1;
      if (nl != std::string::npos && !l.empty() && l.back() == '\r') l.pop_back();
      if ((!remarksAsData && l.rfind("//", 0) == 0) || blank(l)) continue;
      size_t at = 0;
      for (;;) {
        size_t semi = l.find(';', at);
        out.push_back({l.substr(at, semi == std::string::npos ? std::string::npos : semi - at), line});
        if (semi == std::string::npos || blank(l.substr(semi + 1))) break;
        at = semi + 1;
      }
    }
    return out;
  };
  auto show = [](const Kz_Value& v) {
    char b[64];
    switch (v.kind) {
      case Kz_Value::Long: return "L" + std::to_string(v.l);
      case Kz_Value::Double: std::snprintf(b, sizeof b, "D%a", v.d); return std::string(b);
      case Kz_Value::Text: return "T" + v.s;
      default: return std::string("E");
    }
  };
  // The field's value through a one-field file of its own (remark lines as data, so
  // that a field beginning with "//" stays one).
  auto alone = [&](const std::string& field) {
    std::string t = field + ";";
    int32_t old = Kz_TXTIgnoreRemarks(1);
    int32_t d = Kz_LoadFromBuffer(t.data(), t.size(), 1);
    Kz_TXTIgnoreRemarks(old);
    Kz_Value v;
    if (Kz_TXTLoadValue(d, 0, v) != 1) v.Clear();
    Kz_DeleteHandle(0, d);
    return show(v);
  };

  std::mt19937_64 rng(23);
  const char alphabet[] = "0123456789-.;; \t\r\n/a\xE9\x80";
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const size_t len = rng() % 120;
    for (size_t k = 0; k < len; ++k) text.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
    const bool remarks = rng() & 1;
    SCOPED_TRACE(::testing::PrintToString(text) + (remarks ? " remarks as data" : ""));
    const std::vector<Want> want = plain(text, remarks);
    auto load = [&] {
      int32_t old = Kz_TXTIgnoreRemarks(remarks);
      int32_t d = Kz_LoadFromBuffer(text.data(), text.size(), 1);
      Kz_TXTIgnoreRemarks(old);
      return d;
    };

    // Values one by one, with the line of each.
    int32_t d = load();
    ASSERT_NE(d, 0);
    std::vector<std::string> single;
    Kz_Value v;
    for (;;) {
      const int32_t line = Kz_TXTGetLine(d);
      if (!Kz_TXTLoadValue(d, 0, v)) break;
      ASSERT_LT(single.size(), want.size());
      EXPECT_EQ(line, want[single.size()].line);
      single.push_back(show(v));
    }
    EXPECT_EQ(Kz_GetLastError(), kKzErrEnd);
    Kz_DeleteHandle(0, d);
    ASSERT_EQ(single.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(single[i], alone(want[i].field)) << i;

    // The token walk: every item, a continuation between two items of a line.
    d = load();
    std::vector<std::string> walked;
    int32_t lastLine = 0;
    while (Kz_TXTGetTokenType(d) != -1) {
      const int32_t line = Kz_TXTGetLine(d);
      if (Kz_TXTGetTokenType(d) == kKzTokenContinuation) {
        EXPECT_EQ(line, lastLine);
      } else {
        ASSERT_EQ(Kz_TXTGetTokenValue(d, v), 1);
        walked.push_back(show(v));
        lastLine = line;
      }
      ASSERT_EQ(Kz_TXTAdvance(d, 1), 1);
    }
    Kz_DeleteHandle(0, d);
    EXPECT_EQ(walked, single);

    // Batches of a random size; numbers asked now and then.
    d = load();
    std::vector<std::string> batched;
    std::vector<Kz_Value> buf(8);
    for (;;) {
      const int32_t n = 1 + static_cast<int32_t>(rng() % 8);
      const bool numbers = rng() % 4 == 0;
      const int32_t got = Kz_TXTLoadValues(d, numbers ? kKzValueNumber : kKzValueAny, buf.data(), n);
      for (int32_t i = 0; i < got; ++i) batched.push_back(show(buf[static_cast<size_t>(i)]));
      if (got == n) continue;
      if (Kz_GetLastError() == kKzErrEnd) break;
      // Stopped at a text: it is still the next value, on its line.
      ASSERT_EQ(Kz_GetLastError(), kKzErrValue);
      ASSERT_LT(batched.size(), want.size());
      EXPECT_EQ(Kz_TXTGetLine(d), want[batched.size()].line);
      ASSERT_EQ(Kz_TXTLoadValue(d, kKzValueText, v), 1);
      EXPECT_EQ(single[batched.size()], "T" + v.s);
      batched.push_back("T" + v.s);
    }
    Kz_DeleteHandle(0, d);
    EXPECT_EQ(batched, single);
  }
}

// A field reads the same wherever it stands: between two others on a CR LF line, last
// on an LF line without its ";", alone on the last line of the bytes, and far from or
// near the end of the bytes; one by one, in a batch, as the token's value and with a
// number asked. Against the rule written out plainly: its kind and value, its text
// kept when the writer would form the number otherwise (and always for a text), where
// that text stands, and the next value after it.
TEST(FastPath, FieldsReadTheSameWhereverTheyStand) {
  struct Want {
    int32_t kind;
    int32_t l = 0;
    double d = 0;
    std::string s;  // a number's kept text, or the text
    bool ascii = true;
  };
  auto expected = [](const std::string& t) {
    Want w;
    const size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    size_t digits = 0, dots = 0;
    bool other = false;
    for (size_t k = i; k < t.size(); ++k) {
      if (t[k] >= '0' && t[k] <= '9')
        ++digits;
      else if (t[k] == '.')
        ++dots;
      else
        other = true;
    }
    w.kind = Kz_Value::Text;
    w.s.clear();
    for (char c : t) {  // the test's texts hold no byte of 0x80 to 0x9F
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x80) {
        w.s += c;
      } else {
        w.s += static_cast<char>(0xC0 | (u >> 6));
        w.s += static_cast<char>(0x80 | (u & 0x3F));
      }
    }
    w.ascii = w.s == t;
    if (other || digits == 0 || dots > 1 || t.size() >= 400) return w;
    Kz_Value formed;
    if (dots == 0) {
      long long x = 0;
      auto r = std::from_chars(t.data(), t.data() + t.size(), x);
      if (r.ec != std::errc() || x < INT32_MIN || x > INT32_MAX) return w;
      w.kind = Kz_Value::Long;
      w.l = static_cast<int32_t>(x);
      formed = Kz_Value::FromLong(w.l);
    } else {
      auto r = std::from_chars(t.data(), t.data() + t.size(), w.d, std::chars_format::fixed);
      if (r.ec != std::errc()) return w;
      w.kind = Kz_Value::Double;
      formed = Kz_Value::FromDouble(w.d);
    }
    std::string bytes;
    Kz_TXTFormatValue(formed, bytes);
    if (bytes == t + ";") w.s.clear();
    return w;
  };
  auto check = [](const Kz_Value& v, const Want& w, const char* where) {
    SCOPED_TRACE(where);
    ASSERT_EQ(v.kind, w.kind);
    if (w.kind == Kz_Value::Long) {
      EXPECT_EQ(v.l, w.l);
    }
    if (w.kind == Kz_Value::Double) {
      EXPECT_EQ(std::memcmp(&v.d, &w.d, sizeof w.d), 0) << v.d;
    }
    EXPECT_EQ(v.s, w.s);
    if ((w.s.empty() && w.kind != Kz_Value::Text) || !w.ascii) {
      EXPECT_EQ(v.at, nullptr);
    } else {
      ASSERT_NE(v.at, nullptr);
      EXPECT_EQ(std::string(v.at, w.s.size()), w.s);
    }
  };

  std::vector<std::string> fields = {
      "0", "7", "-7", "00", "-0", "007", "-007", "1234567", "12345678", "123456789", "1234567890",
      "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296", "9999999999",
      "02147483647", "00000000000000000001", "18446744073709551617", "-", "--1", "-a", "1-", "1a", "a1",
      "0.5", "-0.5", ".5", "-.5", "5.", "-5.", ".", "-.", "1.2.3", "1..2", "0.05", "0.050000", "5.0",
      "10.0", "1.10", "00.5", "1234567.1234567", "12345678.1234567", "1234567.12345678", "0.1234567",
      "0.12345678", "9007199254740.993", "123456789012345.", "0.30000000000000004", "3.14159265358979323846",
      "1.5x", "1.x", "SS_OBJ_12", "a b", "x", " 1", "1 ", "\t5"};
  // Texts of every length up to past two rounds of eight bytes, plain and with a byte
  // of 0x80 or above at each place.
  for (size_t len = 1; len <= 20; ++len) {
    fields.push_back(std::string(len, 'a'));
    for (size_t at = 0; at < len; ++at) {
      std::string t(len, 'b');
      t[at] = '\xE9';
      fields.push_back(t);
    }
  }
  fields.push_back(std::string(399, '1'));
  fields.push_back(std::string(398, '1') + ".5");
  fields.push_back("1." + std::string(397, '0'));
  AppendRandomTexts(fields, 31, 3000, 20, "0123456789-.");
  // Where the field stands: the bytes around it, the values before it, and whether a
  // value "y" follows.
  struct Place {
    const char* name;
    std::string before, after;
    int skip;
    bool next;
  };
  const std::string pad(40, '9');
  const Place places[] = {
      {"between two", "x;", ";y;\r\n" + pad + ";\r\n", 1, true},
      {"last on its line", "x;", "\n" + pad + "\n", 1, false},
      {"first, then a line", "", ";\r\ny;\r\n", 0, true},
      {"near the end", "x;", ";y;\r\n", 1, true},
      {"before high bytes", "x;", ";\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9;\r\n" + pad + "\r\n", 1, false},
      {"before a line of high bytes", "x;", "\r\n\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9;\r\n" + pad + "\r\n", 1, false},
      {"last of the bytes", "x;", ";", 1, false},
      {"last, without its ;", "x\n", "", 1, false},
  };
  for (const std::string& t : fields) {
    SCOPED_TRACE(t.size() > 60 ? t.substr(0, 60) + "..." : t);
    const Want w = expected(t);
    for (const Place& place : places) {
      SCOPED_TRACE(place.name);
      const std::string bytes = place.before + t + place.after;
      const int32_t h = Kz_LoadFromBuffer(bytes.data(), bytes.size(), 1);
      ASSERT_NE(h, 0);
      Kz_Value v;
      for (int k = 0; k < place.skip; ++k) ASSERT_EQ(Kz_TXTLoadValue(h, 0, v), 1);
      Kz_Value token;
      ASSERT_EQ(Kz_TXTGetTokenValue(h, token), 1);
      check(token, w, "token");
      if (w.kind == Kz_Value::Text) {
        EXPECT_EQ(Kz_TXTLoadValue(h, kKzValueNumber, v), 0);
        EXPECT_EQ(Kz_GetLastError(), kKzErrValue);
      }
      ASSERT_EQ(Kz_TXTLoadValue(h, w.kind == Kz_Value::Text ? 0 : kKzValueNumber, v), 1);
      check(v, w, "one by one");
      EXPECT_EQ(v.at, token.at);
      if (place.next) {
        ASSERT_EQ(Kz_TXTLoadValue(h, 0, v), 1);
        EXPECT_EQ(v.s, "y");
      }
      Kz_DeleteHandle(0, h);

      const int32_t b = Kz_LoadFromBuffer(bytes.data(), bytes.size(), 1);
      std::vector<Kz_Value> batch(static_cast<size_t>(place.skip + 2));
      const int32_t want = place.skip + 1 + (place.next ? 1 : 0);
      EXPECT_EQ(Kz_TXTLoadValues(b, 0, batch.data(), want), want);
      check(batch[static_cast<size_t>(place.skip)], w, "batch");
      if (place.next) {
        EXPECT_EQ(batch[static_cast<size_t>(place.skip) + 1].s, "y");
      }
      Kz_DeleteHandle(0, b);

      // Asked by place: a plain text by its place and length alone, in a batch and in
      // a batch of its line; everything else as without.
      auto checkPlaced = [&](const Kz_Value& got, const char* where) {
        if (w.kind != Kz_Value::Text || !w.ascii) return check(got, w, where);
        SCOPED_TRACE(where);
        ASSERT_EQ(got.kind, Kz_Value::Text);
        EXPECT_TRUE(got.s.empty());
        ASSERT_NE(got.at, nullptr);
        ASSERT_EQ(got.l, static_cast<int32_t>(w.s.size()));
        EXPECT_EQ(std::string(got.at, w.s.size()), w.s);
      };
      const int32_t pb = Kz_LoadFromBuffer(bytes.data(), bytes.size(), 1);
      for (Kz_Value& x : batch) x = Kz_Value::FromText("stale");
      EXPECT_EQ(Kz_TXTLoadValues(pb, kKzValueAny | kKzValuePlaced, batch.data(), want), want);
      checkPlaced(batch[static_cast<size_t>(place.skip)], "placed batch");
      if (place.next) {
        const Kz_Value& y = batch[static_cast<size_t>(place.skip) + 1];
        ASSERT_NE(y.at, nullptr);
        EXPECT_TRUE(y.s.empty());
        EXPECT_EQ(std::string(y.at, static_cast<size_t>(y.l)), "y");
      }
      Kz_DeleteHandle(0, pb);
      const int32_t pl = Kz_LoadFromBuffer(bytes.data(), bytes.size(), 1);
      for (int k = 0; k < place.skip; ++k) ASSERT_EQ(Kz_TXTLoadValue(pl, 0, v), 1);
      v = Kz_Value::FromText("stale");
      EXPECT_EQ(Kz_TXTLoadLineValues(pl, (w.kind == Kz_Value::Text ? 0 : kKzValueNumber) | kKzValuePlaced, &v, 1), 1);
      checkPlaced(v, "placed line");
      Kz_DeleteHandle(0, pl);
    }
  }
}

// Fields written in batches are the bytes of the same fields written one by one; a
// refused field ends the batch with the fields before it written.
TEST(FastPath, BatchedFieldsAreTheFieldsOneByOne) {
  const std::vector<Kz_Value> values = {Kz_Value::FromLong(-7), Kz_Value::FromDouble(2.5), Kz_Value::FromText("SS_A"),
                                        Kz_Value(), Kz_Value::FromText("caf\xC3\xA9"),
                                        Kz_Value::FromText(std::string(600, 'x')), Kz_Value::FromDouble(1e300)};
  auto written = [](const std::string& name, const std::function<void(int32_t)>& write) {
    std::string path = vtest::PathOf(name);
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    write(f);
    RuDU_CloseFile(f);
    return vtest::ReadBytes(path);
  };
  const std::string one = written("one-by-one.txt", [&](int32_t f) {
    for (int round = 0; round < 300; ++round)
      for (const Kz_Value& v : values) ASSERT_EQ(Kz_TXTWriteValue(f, v), 1);
  });
  const std::string batched = written("batched.txt", [&](int32_t f) {
    for (int round = 0; round < 300; ++round)
      ASSERT_EQ(Kz_TXTWriteValues(f, values.data(), static_cast<int32_t>(values.size())), 7);
  });
  EXPECT_EQ(batched, one);

  const std::vector<Kz_Value> refused = {Kz_Value::FromLong(1), Kz_Value::FromText("a;b"), Kz_Value::FromLong(2)};
  int32_t got = -1;
  const std::string partial = written("partial.txt", [&](int32_t f) {
    got = Kz_TXTWriteValues(f, refused.data(), 3);
    EXPECT_EQ(Kz_GetLastError(), kKzErrRefused);
  });
  EXPECT_EQ(got, 1);
  EXPECT_EQ(partial, "1;");
  EXPECT_EQ(Kz_TXTWriteValues(0, values.data(), 1), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(Kz_TXTWriteValues(0, values.data(), -1), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
}

// The inline field forms (used by writers that format many values themselves) give the
// library's plain decimal form of every number: std::to_chars in fixed form, ".0" after
// a whole number.
TEST(FastPath, InlineNumberFieldsAreThePlainDecimalForm) {
  auto plain = [](double d) {
    char b[videdoded::kNumberFieldMax];
    auto r = std::to_chars(b, b + sizeof b, d, std::chars_format::fixed);
    std::string s(b, r.ptr);
    if (s.find('.') == std::string::npos) s += ".0";
    return s + ";";
  };
  auto inlined = [](double d) {
    char b[videdoded::kNumberFieldMax];
    char* end = videdoded::WriteDoubleField(b, d);
    return end ? std::string(b, end) : std::string("(refused)");
  };
  std::vector<double> values = {0.0, -0.0, 0.1, 0.3, -2.5, 1.125, 0.000001, 1e-7, 9.9999999999999995, 99.99999999999999,
                                123456.789, 4503599627370495.5, 4503599627370496.0, 9007199254740993.0, 1e22, 5e-324,
                                1.7976931348623157e308, 2147483647.0, -2147483648.0, 0.1 + 0.2};
  std::mt19937_64 rng(5);
  for (int i = 0; i < 60000; ++i) {
    // Decimals of up to 12 places and their neighbours, and any bit pattern.
    double d = static_cast<double>(rng() % 100000000000ULL);
    for (int k = static_cast<int>(rng() % 13); k > 0; --k) d /= 10;
    if (rng() & 1) d = -d;
    values.push_back(d);
    values.push_back(std::nextafter(d, 1e300));
    values.push_back(std::nextafter(d, -1e300));
    values.push_back(static_cast<double>(static_cast<float>(d)));
    uint64_t bits = rng();
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d)) values.push_back(d);
    // Binary fractions of few and of many places.
    values.push_back(std::ldexp(static_cast<double>(rng() % 100000000), -static_cast<int>(rng() % 70)));
  }
  for (double d : {0.5, 0.75, 1.0 / 1024, 3.0 / 65536, 0x1p-9, 0x1p-10, 4503599627370495.0 / 512, 1e15 + 0.5})
    values.push_back(d);
  for (double d : values) ASSERT_EQ(inlined(d), plain(d)) << std::hexfloat << d;
  char b[videdoded::kNumberFieldMax];
  EXPECT_EQ(videdoded::WriteDoubleField(b, NAN), nullptr);
  EXPECT_EQ(videdoded::WriteDoubleField(b, -INFINITY), nullptr);
  for (int32_t v : {0, -1, 7, INT32_MAX, INT32_MIN})
    EXPECT_EQ(std::string(b, videdoded::WriteLongField(b, v)), std::to_string(v) + ";");
}

// A text is written as it stands unless a byte would end the field or the line, is not
// ASCII, or it begins a remark; wherever in the text that byte stands.
TEST(FastPath, InlinePlainTextCheckFindsEveryByteThatNeedsTheFullWriter) {
  const std::string base = "objects\\ships\\ship_0";  // longer than two machine words
  for (char bad : {';', '\r', '\n', '\0', '\x80', '\xE9', '\xFF'})
    for (size_t at = 0; at <= base.size(); ++at) {
      std::string t = base;
      t.insert(at, 1, bad);
      EXPECT_FALSE(videdoded::PlainAsciiField(t)) << int(static_cast<unsigned char>(bad)) << " at " << at;
      std::string out;
      const bool asItStands = Kz_TXTFormatValue(Kz_Value::FromText(t), out) != 0 && out == t + ";";
      EXPECT_FALSE(asItStands) << at;
    }
  const std::pair<const char*, bool> cases[] = {
      {"", true}, {"/", true}, {"a//b", true}, {"//", false}, {"//remark", false}, {" //", true},
      {"\x7F\x01\t", true}, {"0123456789abcdef", true}};
  for (auto [text, plain] : cases) EXPECT_EQ(videdoded::PlainAsciiField(text), plain) << text;
}

// Fields written one by one land in the write handle exactly as formatted, also after
// seeking back and writing over part of the content or past its end.
TEST(FastPath, FieldsAppendAtThePositionOfTheWriteHandle) {
  std::string path = vtest::PathOf("fast-fields.txt");
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  ASSERT_NE(f, 0);
  std::string want;
  const Kz_Value values[] = {Kz_Value::FromLong(-7), Kz_Value::FromDouble(2.5), Kz_Value::FromText("SS_A"),
                             Kz_Value(), Kz_Value::FromText("caf\xC3\xA9"), Kz_Value::FromText(std::string(600, 'x'))};
  for (int round = 0; round < 2000; ++round)
    for (const Kz_Value& v : values) {
      ASSERT_EQ(Kz_TXTWriteValue(f, v), 1);
      ASSERT_EQ(Kz_TXTFormatValue(v, want), 1);
    }
  ASSERT_EQ(Kz_TXTWriteFile(f, "\r\n"), 1);
  want += "\r\n";
  ASSERT_EQ(RuDU_SeekFile(f, 3, 0), 3);
  ASSERT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromLong(12345)), 1);
  want.replace(3, 6, "12345;");
  ASSERT_EQ(RuDU_SeekFile(f, 2, 1), static_cast<int32_t>(want.size()) + 2);
  ASSERT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromLong(1)), 1);
  want += std::string(2, '\0') + "1;";
  ASSERT_EQ(RuDU_FileSize(f), static_cast<int32_t>(want.size()));
  ASSERT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(vtest::ReadBytes(path), want);
  // The closed handle is not written through any more, cached or not.
  EXPECT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromLong(1)), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(RuDU_WriteFile(f, "x", 1), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_HANDLE);
}

// Replacing a file needs no reading of it, but a file opened for replacing in the
// form it has still keeps that form.
TEST(FastPath, ReplacingKeepsTheFormOfTheFile) {
  std::string path = vtest::PathOf("fast-form.txt");
  ASSERT_EQ(Kz_EncodeXMLFile(path, "<a/>", 2), 1);
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 0);
  ASSERT_NE(f, 0);
  ASSERT_EQ(RuDU_WriteFile(f, "<b/>", 4), 4);
  ASSERT_EQ(RuDU_CloseFile(f), 1);
  std::string bytes = vtest::ReadBytes(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1F);
  std::string text;
  ASSERT_EQ(Kz_DecodeXMLFile(path, text), 1);
  EXPECT_EQ(text, "<b/>");
}

std::string Resource(const std::string& pages) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n" + pages + "</language>\n";
}

std::string Text(int32_t page, int32_t id) {
  int32_t s = Kz_TREFindString(kKzStoreHandle, page, id);
  if (!s) return "<none>";
  int32_t sid = 0;
  std::string raw, text;
  EXPECT_EQ(Kz_TREGetStringInfo(s, sid, raw, text), 1);
  return text;
}

// The first file loaded into the empty store: repeated IDs still merge as in any
// later file (one page per ID, the later string of an ID replacing the earlier).
TEST(FastPath, FirstFileWithRepeatedIdsMerges) {
  Kz_TREDescServerUnload();
  std::string x = Resource(
      "<page id=\"5\"><t id=\"1\">one</t><t id=\"2\">two</t><t id=\"1\">ONE</t></page>"
      "<page id=\"6\"><t id=\"1\">six</t></page>"
      "<page id=\"5\"><t id=\"3\">three {1}</t></page>");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(x.data(), x.size()), 1);
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  int32_t n = 0;
  ASSERT_EQ(Kz_EnumObjects(kKzStoreHandle, nullptr, 0, &n), 1);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(Text(5, 1), "ONE");
  EXPECT_EQ(Text(5, 2), "two");
  EXPECT_EQ(Text(5, 3), "three ONE");
  int32_t page = 0;
  ASSERT_EQ(Kz_EnumObjects(kKzStoreHandle, &page, 1, &n), 1);
  ASSERT_EQ(Kz_EnumObjects(page, nullptr, 0, &n), 1);
  EXPECT_EQ(n, 3);
  Kz_TREDescServerUnload();
}

// A file merged in after the texts were processed: texts that refer to its strings
// are not answered from the out-of-date cache.
TEST(FastPath, MergedFileOutdatesProcessedTexts) {
  Kz_TREDescServerUnload();
  std::string a = Resource("<page id=\"1\"><t id=\"1\">see {2,1}</t><t id=\"7\">plain</t></page>");
  std::string b = Resource("<page id=\"2\"><t id=\"1\">the map</t></page>");
  std::string c = Resource("<page id=\"1\"><t id=\"7\">changed</t></page><page id=\"2\"><t id=\"1\">a chart</t></page>");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(a.data(), a.size()), 1);
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  EXPECT_EQ(Text(1, 1), "see {2,1}");
  EXPECT_EQ(Text(1, 7), "plain");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(b.data(), b.size()), 1);
  EXPECT_EQ(Text(1, 1), "see the map");
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(c.data(), c.size()), 1);
  EXPECT_EQ(Text(1, 1), "see a chart");
  EXPECT_EQ(Text(1, 7), "changed");
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  EXPECT_EQ(Text(1, 1), "see a chart");
  // Sparse IDs are found as well as dense ones.
  std::string d = Resource("<page id=\"3\"><t id=\"-5\">low</t><t id=\"2000000000\">high</t></page>");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(d.data(), d.size()), 1);
  EXPECT_EQ(Text(3, -5), "low");
  EXPECT_EQ(Text(3, 2000000000), "high");
  EXPECT_EQ(Text(3, 0), "<none>");
  Kz_TREDescServerUnload();
}

}  // namespace
