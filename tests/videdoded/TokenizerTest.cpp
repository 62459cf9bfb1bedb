// The type-file tokenizer: token kinds, value kinds, remarks, bad input.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "videdoded/videdoded.h"

namespace {

// A document from bytes, freed at the end of the scope.
struct Doc {
  int32_t h = 0;
  Doc(const std::string& bytes, int32_t remarks = 0) {
    int32_t old = Kz_TXTIgnoreRemarks(remarks);
    h = Kz_LoadFromBuffer(bytes.data(), bytes.size(), 1);
    Kz_TXTIgnoreRemarks(old);
  }
  ~Doc() { Kz_DeleteHandle(0, h); }
};

std::string Show(const Kz_Value& v) {
  switch (v.kind) {
    case Kz_Value::Long: return "L" + std::to_string(v.l);
    case Kz_Value::Double: {
      char b[64];
      std::snprintf(b, sizeof b, "D%.17g", v.d);
      return b;
    }
    case Kz_Value::Text: return "T[" + v.s + "]";
    default: return "E";
  }
}

// Walks every token: "item value" for items, "+" for continuations.
std::string Tokens(int32_t h) {
  std::string out;
  Kz_Value v;
  for (int guard = 0; guard < 1000; ++guard) {
    int32_t k = Kz_TXTGetTokenType(h);
    if (k == -1) return out;
    if (!out.empty()) out += ' ';
    if (k == 2) {
      out += '+';
    } else {
      EXPECT_EQ(k, 6);
      EXPECT_EQ(Kz_TXTGetTokenValue(h, v), 1);
      out += Show(v);
    }
    EXPECT_EQ(Kz_TXTAdvance(h, 1), 1);
  }
  ADD_FAILURE() << "no end";
  return out;
}

// Loads every value with kind 0.
std::string Values(int32_t h) {
  std::string out;
  Kz_Value v;
  while (Kz_TXTLoadValue(h, 0, v)) {
    if (!out.empty()) out += ' ';
    out += Show(v);
  }
  EXPECT_EQ(Kz_GetLastError(), kKzErrEnd);
  return out;
}

struct Case {
  const char* name;
  std::string bytes;
  int32_t remarks;
  const char* tokens;
  const char* values;
};

TEST(Tokenizer, TokenAndValueKindsOverATableOfLines) {
  const Case cases[] = {
      {"integers", "1;-2;0;\r\n", 0, "L1 + L-2 + L0", "L1 L-2 L0"},
      {"int32 limits", "2147483647;-2147483648;2147483648;", 0, "L2147483647 + L-2147483648 + T[2147483648]",
       "L2147483647 L-2147483648 T[2147483648]"},
      {"leading zeros fit", "007;-0;", 0, "L7 + L0", "L7 L0"},
      {"floats", "1.5;-0.25;.5;3.;", 0, "D1.5 + D-0.25 + D0.5 + D3", "D1.5 D-0.25 D0.5 D3"},
      {"not numbers", "1e5;+5; 5;0x10;inf;nan;1,5;-;.;1.2.3;", 0,
       "T[1e5] + T[+5] + T[ 5] + T[0x10] + T[inf] + T[nan] + T[1,5] + T[-] + T[.] + T[1.2.3]",
       "T[1e5] T[+5] T[ 5] T[0x10] T[inf] T[nan] T[1,5] T[-] T[.] T[1.2.3]"},
      {"texts and empty fields", "SS_SH_1;;a b;\n", 0, "T[SS_SH_1] + T[] + T[a b]", "T[SS_SH_1] T[] T[a b]"},
      {"lines: a continuation only inside a line", "1;2;\n3;\r\n4;5;\n", 0, "L1 + L2 L3 L4 + L5",
       "L1 L2 L3 L4 L5"},
      {"last piece without ;", "1;2\n3;  \n", 0, "L1 + L2 L3", "L1 L2 L3"},
      {"blank and empty lines hold nothing", "\n\r\n   \n1;\n\t\n", 0, "L1", "L1"},
      {"remark skipped under 0", "// Created with X 1.0\r\n12;3;\r\n", 0, "L12 + L3", "L12 L3"},
      {"remark is data under 1", "// Created;x\r\n12;\r\n", 1, "T[// Created] + T[x] L12", "T[// Created] T[x] L12"},
      {"only lines beginning with // are remarks", " // no;1;\n", 0, "T[ // no] + L1", "T[ // no] L1"},
      {"Windows-1252 bytes become UTF-8", "\x80;\xE9t\xE9;\x81\x8D\x8F\x90\x9D;", 0,
       "T[\xE2\x82\xAC] + T[\xC3\xA9t\xC3\xA9] + T[\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D]",
       "T[\xE2\x82\xAC] T[\xC3\xA9t\xC3\xA9] T[\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D]"},
      {"empty file", "", 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Doc a(c.bytes, c.remarks);
    ASSERT_NE(a.h, 0) << Kz_GetLastError();
    EXPECT_EQ(Kz_GetObjectType(a.h), 3);
    EXPECT_EQ(Tokens(a.h), c.tokens);
    Doc b(c.bytes, c.remarks);
    EXPECT_EQ(Values(b.h), c.values);
  }
}

TEST(Tokenizer, ValueKindsNumberAndText) {
  Doc d("12;abc;3.5;007;\n");
  Kz_Value v;
  ASSERT_EQ(Kz_TXTLoadValue(d.h, 1, v), 1);
  EXPECT_EQ(Show(v), "L12");
  // A text where a number is asked fails and does not move.
  EXPECT_EQ(Kz_TXTLoadValue(d.h, 1, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrValue);
  ASSERT_EQ(Kz_TXTLoadValue(d.h, 3, v), 1);
  EXPECT_EQ(Show(v), "T[abc]");
  ASSERT_EQ(Kz_TXTLoadValue(d.h, 1, v), 1);
  EXPECT_EQ(Show(v), "D3.5");
  // Kind 3 gives the token's text as it stands.
  ASSERT_EQ(Kz_TXTLoadValue(d.h, 3, v), 1);
  EXPECT_EQ(Show(v), "T[007]");
  EXPECT_EQ(Kz_TXTLoadValue(d.h, 0, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrEnd);
  EXPECT_EQ(Kz_TXTGetTokenType(d.h), -1);
  EXPECT_EQ(Kz_TXTGetTokenValue(d.h, v), 0);
  EXPECT_EQ(Kz_TXTAdvance(d.h, 1), 0);
  EXPECT_EQ(Kz_TXTLoadValue(d.h, 2, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
}

// The JobWings walk of the type-file parser: first value, then items joined by
// continuation tokens until the line ends.
TEST(Tokenizer, JobWingsWalkSeesWhereARecordEnds) {
  Doc d("// header\r\n5;10;11;12;\r\n6;20;\r\n");
  std::vector<std::vector<int32_t>> records;
  Kz_Value v;
  while (Kz_TXTGetTokenType(d.h) != -1) {
    std::vector<int32_t> r;
    ASSERT_EQ(Kz_TXTLoadValue(d.h, 1, v), 1);
    r.push_back(v.l);
    for (;;) {
      ASSERT_EQ(Kz_TXTGetTokenType(d.h), 6);
      ASSERT_EQ(Kz_TXTGetTokenValue(d.h, v), 1);
      r.push_back(v.l);
      Kz_TXTAdvance(d.h, 1);
      if (Kz_TXTGetTokenType(d.h) != 2) break;
      Kz_TXTAdvance(d.h, 1);
    }
    records.push_back(r);
  }
  EXPECT_EQ(records, (std::vector<std::vector<int32_t>>{{5, 10, 11, 12}, {6, 20}}));
}

TEST(Tokenizer, LinesAndAdvance) {
  Doc d("a;b;\n\nc;\n");
  EXPECT_EQ(Kz_TXTGetLine(d.h), 1);
  EXPECT_EQ(Kz_TXTAdvance(d.h, 3), 1);
  EXPECT_EQ(Kz_TXTGetLine(d.h), 3);
  EXPECT_EQ(Kz_TXTAdvance(d.h, 0), 1);
  EXPECT_EQ(Kz_TXTAdvance(d.h, -1), 0);
  EXPECT_EQ(Kz_TXTAdvance(d.h, 5), 0);
  EXPECT_EQ(Kz_TXTGetTokenType(d.h), -1);
  EXPECT_EQ(Kz_TXTGetLine(d.h), 0);
}

// Values of one line at a time: a reader whose records are lines never takes the next
// line's values, whatever its counts say.
TEST(Tokenizer, LineValuesStopWhereTheLineEnds) {
  Doc d("1;2;3;\r\n// remark\r\n\r\n4;five;\r\n6\r\n");
  Kz_Value v[8];
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 0, v, 2), 2);
  EXPECT_EQ(Kz_GetLastError(), 0);
  EXPECT_EQ(Show(v[1]), "L2");
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 0, v, 8), 1);  // the line ends: no error
  EXPECT_EQ(Kz_GetLastError(), 0);
  EXPECT_EQ(Show(v[0]), "L3");
  EXPECT_EQ(Kz_TXTGetLine(d.h), 4);
  // A text where a number is asked fails as the batch does, the position before it.
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 1, v, 8), 1);
  EXPECT_NE(Kz_GetLastError(), 0);
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 3, v, 8), 1);
  EXPECT_EQ(Show(v[0]), "T[five]");
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 0, v, 0), 0);
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 0, v, 8), 1);
  EXPECT_EQ(Show(v[0]), "L6");
  // At the end: nothing, and no error; bad arguments fail.
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 0, v, 8), 0);
  EXPECT_EQ(Kz_GetLastError(), 0);
  EXPECT_EQ(Kz_TXTLoadLineValues(d.h, 0, v, -1), 0);
  EXPECT_NE(Kz_GetLastError(), 0);
  EXPECT_EQ(Kz_TXTLoadLineValues(0, 0, v, 1), 0);
  EXPECT_NE(Kz_GetLastError(), 0);
}

TEST(Tokenizer, BadInputIsRefusedWithItsLine) {
  std::string nul = "1;2;\n3;\0;\n";
  nul.assign("1;2;\n3;\0;\n", 10);
  EXPECT_EQ(Kz_LoadFromBuffer(nul.data(), nul.size(), 1), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrSyntax);
  char buf[256] = {};
  Kz_TranslateError(Kz_GetLastError(), buf, sizeof buf, nullptr);
  EXPECT_NE(std::string(buf).find("NUL byte at line 2"), std::string::npos) << buf;

  std::string big = "1;\n" + std::string(10u << 20, 'x') + ";\n";
  EXPECT_EQ(Kz_LoadFromBuffer(big.data(), big.size(), 1), 0);
  Kz_TranslateError(Kz_GetLastError(), buf, sizeof buf, nullptr);
  EXPECT_NE(std::string(buf).find("line 2 is longer"), std::string::npos) << buf;

  EXPECT_EQ(Kz_LoadFromBuffer("1;", 2, 5), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
}

// A line may hold kTxtMaxLine bytes (a CR before its line feed counts); one byte more
// is refused with the line's number, wherever the line stands.
TEST(Tokenizer, LineLengthLimitIsExact) {
  const std::string at(kTxtMaxLine - 2, 'x');  // with "1;" a line of exactly the limit
  struct LongCase {
    const char* name;
    std::string bytes;
    int32_t badLine;  // 0: loads
  };
  const LongCase cases[] = {
      {"at the limit, LF", "1;" + at + "\n2;\n", 0},
      {"at the limit, CR LF", "1;" + at.substr(1) + "\r\n2;\n", 0},
      {"at the limit, last line", "0;\n1;" + at, 0},
      {"one over, LF", "0;\n1;" + at + "x\n2;\n", 2},
      {"one over by its CR", "1;" + at + "\r\n2;\n", 1},
      {"one over, last line", "0;\n\n1;" + at + "x", 3},
      {"lines at the limit one after another", "1;" + at + "\n1;" + at + "\n1;" + at + "\n2;", 0},
      {"over after lines at the limit", "1;" + at + "\n1;" + at + "\n\n1;" + at + "xx\n", 4},
      {"over after many short lines", std::string(300000, '\n') + "1;" + at + "x", 300001},
  };
  for (const LongCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t h = Kz_LoadFromBuffer(c.bytes.data(), c.bytes.size(), 1);
    if (c.badLine == 0) {
      ASSERT_NE(h, 0) << Kz_GetLastError();
      Kz_Value v;
      int32_t ones = 0;
      while (Kz_TXTLoadValue(h, 0, v))
        if (v.kind == Kz_Value::Long && v.l == 1) ++ones;
      EXPECT_GE(ones, 1);
      Kz_DeleteHandle(0, h);
      continue;
    }
    EXPECT_EQ(h, 0);
    EXPECT_EQ(Kz_GetLastError(), kKzErrSyntax);
    char buf[256] = {};
    Kz_TranslateError(Kz_GetLastError(), buf, sizeof buf, nullptr);
    EXPECT_NE(std::string(buf).find("line " + std::to_string(c.badLine) + " is longer"), std::string::npos)
        << buf;
  }
}

TEST(Tokenizer, HandleRules) {
  Kz_Value v;
  EXPECT_EQ(Kz_TXTLoadValue(0, 0, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(Kz_TXTGetTokenType(987654), 0);
  int32_t tre = Kz_CreateObject(0, 7, 0);
  EXPECT_EQ(Kz_TXTLoadValue(tre, 0, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrWrongType);
  Kz_DeleteHandle(0, tre);
  int32_t h;
  {
    Doc d("1;");
    h = d.h;
  }
  EXPECT_EQ(Kz_TXTLoadValue(h, 0, v), 0);  // freed: stale
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(Kz_DeleteHandle(0, 0), 1);
  // Every entry clears the last error.
  EXPECT_EQ(Kz_TXTIgnoreRemarks(0), 0);
  EXPECT_EQ(Kz_GetLastError(), 0);
}

// Value by value, the document read is the one asked for, whichever was read last on
// this thread or another; a value read clears the last error, also one with a text; a
// document deleted right after it was read from is refused.
TEST(Tokenizer, ValueByValueReadsTheDocumentAskedForAndClearsTheLastError) {
  const std::string first = "1;2;3;four;5;\r\n", second = "10;20;30;40;\r\n";
  const int32_t a = Kz_LoadFromBuffer(first.data(), first.size(), 1);
  const int32_t b = Kz_LoadFromBuffer(second.data(), second.size(), 1);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  Kz_Value v;
  for (int32_t want : {1, 10, 2, 20, 3, 30}) {
    ASSERT_EQ(Kz_TXTLoadValue(want < 10 ? a : b, 0, v), 1) << want;
    EXPECT_EQ(v.kind, Kz_Value::Long);
    EXPECT_EQ(v.l, want);
  }
  // A number asked where a text stands: the error and its text, then cleared by a read.
  EXPECT_EQ(Kz_TXTLoadValue(a, 1, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrValue);
  ASSERT_EQ(Kz_TXTLoadValue(a, 3, v), 1);
  EXPECT_EQ(v.s, "four");
  EXPECT_EQ(Kz_GetLastError(), 0);
  // Read on another thread meanwhile: this one's last document stays its own.
  int32_t other = 0;
  std::thread([&] { other = Kz_TXTLoadValue(b, 0, v) ? v.l : -1; }).join();
  EXPECT_EQ(other, 40);
  ASSERT_EQ(Kz_TXTLoadValue(a, 0, v), 1);
  EXPECT_EQ(v.l, 5);
  // Deleted on another thread right after a read from it here, and deleted here.
  const int32_t c = Kz_LoadFromBuffer(second.data(), second.size(), 1);
  ASSERT_EQ(Kz_TXTLoadValue(c, 0, v), 1);
  std::thread([c] { Kz_DeleteHandle(0, c); }).join();
  EXPECT_EQ(Kz_TXTLoadValue(c, 0, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  ASSERT_EQ(Kz_TXTLoadValue(a, 0, v), 0);  // a's values were all read
  EXPECT_EQ(Kz_DeleteHandle(0, a), 1);
  EXPECT_EQ(Kz_TXTLoadValue(a, 0, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(Kz_TXTLoadValue(b, 0, v), 0);  // b's values were all read, on the other thread
  EXPECT_EQ(Kz_GetLastError(), kKzErrEnd);
  EXPECT_EQ(Kz_TXTLoadValue(0, 0, v), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  Kz_DeleteHandle(0, b);
}

TEST(Tokenizer, TranslateErrorProtocol) {
  Kz_Value v;
  Kz_TXTLoadValue(0, 0, v);
  int32_t code = Kz_GetLastError();
  int32_t needed = -1;
  EXPECT_EQ(Kz_TranslateError(code, nullptr, 0, &needed), 0);
  ASSERT_GT(needed, 0);
  std::string b(static_cast<size_t>(needed), ' ');
  EXPECT_EQ(Kz_TranslateError(code, b.data(), needed, &needed), needed);
  EXPECT_NE(b.find("Invalid handle 0"), std::string::npos);
  // No error: empty text.
  Kz_TXTIgnoreRemarks(0);
  EXPECT_EQ(Kz_TranslateError(Kz_GetLastError(), nullptr, 0, &needed), 0);
  EXPECT_EQ(needed, 0);
}

// A number's s is the token's text when the writer would form the number otherwise, and
// empty when the writer gives back the same bytes: a reader that keeps values untouched
// keeps the bytes of those whose text it holds.
TEST(Tokenizer, NumbersCarryTheirTextWhenTheWriterWouldFormItOtherwise) {
  struct NumberCase {
    const char* token;
    int32_t kind;
    const char* kept;  // the text in s ("" when none)
  };
  const NumberCase cases[] = {
      // Whole numbers: leading zeros and a negative zero are formed otherwise.
      {"0", Kz_Value::Long, ""},
      {"7", Kz_Value::Long, ""},
      {"-12", Kz_Value::Long, ""},
      {"-2147483648", Kz_Value::Long, ""},
      {"2147483647", Kz_Value::Long, ""},
      {"007", Kz_Value::Long, "007"},
      {"00", Kz_Value::Long, "00"},
      {"-0", Kz_Value::Long, "-0"},
      {"-007", Kz_Value::Long, "-007"},
      {"02147483647", Kz_Value::Long, "02147483647"},
      // Floating-point numbers in the writer's shortest form.
      {"0.05", Kz_Value::Double, ""},
      {"2.5", Kz_Value::Double, ""},
      {"5.0", Kz_Value::Double, ""},
      {"0.0", Kz_Value::Double, ""},
      {"-0.0", Kz_Value::Double, ""},
      {"-0.25", Kz_Value::Double, ""},
      {"10.0", Kz_Value::Double, ""},
      {"123456789012.5", Kz_Value::Double, ""},
      {"0.1", Kz_Value::Double, ""},
      {"0.30000000000000004", Kz_Value::Double, ""},  // long, and still the shortest form
      {"0.00000015", Kz_Value::Double, ""},
      // ... and in others.
      {"0.050000", Kz_Value::Double, "0.050000"},
      {"2.500000", Kz_Value::Double, "2.500000"},
      {"0.000000", Kz_Value::Double, "0.000000"},
      {".5", Kz_Value::Double, ".5"},
      {"-.5", Kz_Value::Double, "-.5"},
      {"5.", Kz_Value::Double, "5."},
      {"-5.", Kz_Value::Double, "-5."},
      {"00.5", Kz_Value::Double, "00.5"},
      {"-0.000", Kz_Value::Double, "-0.000"},
      {"1.10", Kz_Value::Double, "1.10"},
      {"3.14159265358979323846", Kz_Value::Double, "3.14159265358979323846"},
      {"0.1000000000000000055511151231257827", Kz_Value::Double, "0.1000000000000000055511151231257827"},
      {"000000000000000000001.5", Kz_Value::Double, "000000000000000000001.5"},
      {"12345678901234567890.0", Kz_Value::Double, "12345678901234567890.0"},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.token);
    // The value loaded before leaves nothing behind in s.
    Doc d(std::string("a longer text than the numbers;") + c.token + ";");
    Kz_Value v;
    ASSERT_EQ(Kz_TXTLoadValue(d.h, 0, v), 1);
    ASSERT_EQ(Kz_TXTLoadValue(d.h, 0, v), 1);
    EXPECT_EQ(v.kind, c.kind);
    EXPECT_EQ(v.s, c.kept);
    // The same through a batch, a number asked and the token's own value.
    Doc b(std::string("a longer text than the numbers;") + c.token + ";");
    Kz_Value batch[2];
    ASSERT_EQ(Kz_TXTLoadValues(b.h, 0, batch, 2), 2);
    EXPECT_EQ(batch[1].s, c.kept);
    Doc n(std::string("a longer text than the numbers;") + c.token + ";");
    ASSERT_EQ(Kz_TXTLoadValue(n.h, 3, v), 1);
    ASSERT_EQ(Kz_TXTGetTokenValue(n.h, v), 1);
    EXPECT_EQ(v.s, c.kept);
    ASSERT_EQ(Kz_TXTLoadValue(n.h, 1, v), 1);
    EXPECT_EQ(v.s, c.kept);
    // Formed anew, a number with a text of its own gives other bytes.
    std::string formed;
    ASSERT_EQ(Kz_TXTFormatValue(v, formed), 1);
    EXPECT_EQ(formed == std::string(c.token) + ";", *c.kept == '\0') << formed;
  }
}

}  // namespace
