// The type-file writer: number forms, refusals, byte-exact round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "TestFiles.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {

std::string Field(const Kz_Value& v) {
  std::string out;
  EXPECT_EQ(Kz_TXTFormatValue(v, out), 1) << v.kind;
  return out;
}

Kz_Value ReadBack(const std::string& field) {
  Kz_Value v;
  int32_t d = Kz_LoadFromBuffer(field.data(), field.size(), 1);
  EXPECT_EQ(Kz_TXTLoadValue(d, 0, v), 1);
  Kz_DeleteHandle(0, d);
  return v;
}

TEST(Writer, NumberForms) {
  EXPECT_EQ(Field(Kz_Value::FromLong(-2147483647 - 1)), "-2147483648;");
  EXPECT_EQ(Field(Kz_Value::FromLong(42)), "42;");
  EXPECT_EQ(Field(Kz_Value::FromDouble(0.1)), "0.1;");
  EXPECT_EQ(Field(Kz_Value::FromDouble(3.0)), "3.0;");
  EXPECT_EQ(Field(Kz_Value::FromDouble(-0.0)), "-0.0;");
  EXPECT_EQ(Field(Kz_Value::FromDouble(1e20)), "100000000000000000000.0;");
  EXPECT_EQ(Field(Kz_Value::FromDouble(1.5e-7)), "0.00000015;");
  EXPECT_EQ(Field(Kz_Value()), ";");
}

TEST(Writer, FloatingPointNumbersReadBackExactly) {
  std::mt19937_64 rng(7);
  std::vector<double> values = {0.1, 1.0 / 3, 2.5, -1e-300, 1.7976931348623157e308, 4.9406564584124654e-324,
                                123456789.125, -0.0};
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = rng();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (std::isfinite(d)) values.push_back(d);
  }
  for (double d : values) {
    Kz_Value back = ReadBack(Field(Kz_Value::FromDouble(d)));
    ASSERT_EQ(back.kind, Kz_Value::Double) << d;
    EXPECT_EQ(std::memcmp(&back.d, &d, sizeof d), 0) << d;
  }
}

TEST(Writer, RefusesTextsThatWouldShiftFields) {
  const char* bad[] = {"a;b", "line\nend", "cr\rhere", "//remark", "\xE4\xB8\xAD" /* not in Windows-1252 */,
                       "\xC3" /* broken UTF-8 */};
  for (const char* t : bad) {
    std::string out = "x";
    EXPECT_EQ(Kz_TXTFormatValue(Kz_Value::FromText(t), out), 0) << t;
    EXPECT_EQ(Kz_GetLastError(), kKzErrRefused) << t;
    EXPECT_EQ(out, "x");
  }
  std::string nul("a\0b", 3), out;
  EXPECT_EQ(Kz_TXTFormatValue(Kz_Value::FromText(nul), out), 0);
  EXPECT_EQ(Kz_TXTFormatValue(Kz_Value::FromDouble(NAN), out), 0);
  EXPECT_EQ(Kz_TXTFormatValue(Kz_Value::FromDouble(INFINITY), out), 0);
  // A "/" alone, or "//" later in the text, is fine.
  EXPECT_EQ(Kz_TXTFormatValue(Kz_Value::FromText("a//b"), out), 1);
  EXPECT_EQ(Kz_TXTFormatValue(Kz_Value::FromText("/"), out), 1);
}

// Every byte that may stand in a field, Windows-1252 upper half included.
std::string SampleFile() {
  std::string bytes = "// Created with test 1.0\r\n";
  bytes += "15;2;\r\n";
  std::string all;
  for (int c = 0x20; c < 0x100; ++c)
    if (c != ';' && c != '/') all.push_back(static_cast<char>(c));
  bytes += "1;-7;2.5;" + all + ";;x y;SS_OBJ_1;\r\n";
  bytes += "0.001;-2147483648;\xE9t\xE9;\x81\x8D\x8F\x90\x9D;\x80;\r\n";
  return bytes;
}

// Copies a loaded type file value by value to a rudu write handle, a line end after
// each line, as the type-file parser does.
void CopyThrough(int32_t doc, int32_t file) {
  ASSERT_EQ(Kz_TXTWriteFile(file, "// Created with test 1.0\r\n"), 1);
  Kz_Value v;
  while (Kz_TXTGetTokenType(doc) != -1) {
    ASSERT_EQ(Kz_TXTGetTokenValue(doc, v), 1);
    ASSERT_EQ(Kz_TXTWriteValue(file, v), 1) << Kz_GetLastError();
    Kz_TXTAdvance(doc, 1);
    if (Kz_TXTGetTokenType(doc) == 2)
      Kz_TXTAdvance(doc, 1);
    else
      ASSERT_EQ(Kz_TXTWriteFile(file, "\r\n"), 1);
  }
}

TEST(Writer, RoundTripIsByteExactPlainAndPacked) {
  const std::string original = SampleFile();
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    std::string src = vtest::PathOf("src" + std::to_string(mode) + (mode == 2 ? ".pck" : ".txt"));
    std::string dst = vtest::PathOf("dst" + std::to_string(mode) + (mode == 2 ? ".pck" : ".txt"));
    int32_t w = RuDU_OpenFile(src.c_str(), 1, 1, mode);
    ASSERT_NE(w, 0);
    ASSERT_EQ(Kz_TXTWriteFile(w, std::string()), 1);
    ASSERT_EQ(RuDU_WriteFile(w, original.data(), static_cast<int32_t>(original.size())),
              static_cast<int32_t>(original.size()));
    ASSERT_NE(RuDU_CloseFile(w), 0);

    int32_t r = RuDU_OpenFile(src.c_str(), 0, 0, 0);
    ASSERT_NE(r, 0);
    int32_t doc = Kz_LoadFromFile(r, 1);
    RuDU_CloseFile(r);
    ASSERT_NE(doc, 0) << Kz_GetLastError();
    int32_t out = RuDU_OpenFile(dst.c_str(), 1, 1, mode);
    ASSERT_NE(out, 0);
    CopyThrough(doc, out);
    ASSERT_NE(RuDU_CloseFile(out), 0);
    Kz_DeleteHandle(0, doc);

    int32_t back = RuDU_OpenFile(dst.c_str(), 0, 0, 0);
    std::string bytes(static_cast<size_t>(RuDU_FileSize(back)), '\0');
    RuDU_ReadFile(back, bytes.data(), static_cast<int32_t>(bytes.size()));
    RuDU_CloseFile(back);
    EXPECT_EQ(bytes, original);
    if (mode == 2) {
      EXPECT_EQ(vtest::ReadBytes(dst).substr(0, 2), "\x1f\x8b");
    }
  }
}

TEST(Writer, WriteFileConvertsToWindows1252AndRefusesWhatItCannotHold) {
  std::string path = vtest::PathOf("export.txt");
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  ASSERT_NE(f, 0);
  EXPECT_EQ(Kz_TXTWriteFile(f, "0: Name: \xE2\x82\xAC \xC3\xA9\r\n"), 1);
  EXPECT_EQ(Kz_TXTWriteFile(f, "\xE4\xB8\xAD"), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrRefused);
  EXPECT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromText("a;b")), 0);
  ASSERT_NE(RuDU_CloseFile(f), 0);
  EXPECT_EQ(vtest::ReadBytes(path), "0: Name: \x80 \xE9\r\n");
  EXPECT_EQ(Kz_TXTWriteFile(f, "x"), 0);  // closed handle
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(Kz_TXTWriteValue(0, Kz_Value::FromLong(1)), 0);
}

}  // namespace
