#include "core/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/AppError.h"
#include "tests/common/ErrorOf.h"

using kz::AppError;
using kz::Variant;
using kz::VariantKind;

namespace {

using kztest::ErrorOf;

TEST(Variant, KindsAndConstruction) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_EQ(Variant(int16_t{3}).Kind(), VariantKind::Integer);
  EXPECT_EQ(Variant(3).Kind(), VariantKind::Long);
  EXPECT_EQ(Variant(1.5f).Kind(), VariantKind::Single);
  EXPECT_EQ(Variant(1.5).Kind(), VariantKind::Double);
  EXPECT_EQ(Variant("x").Kind(), VariantKind::String);
  EXPECT_EQ(Variant(std::string("x")).Kind(), VariantKind::String);
  EXPECT_EQ(Variant(true).Kind(), VariantKind::Boolean);
  struct Thing : kz::Object {};
  auto t = std::make_shared<Thing>();
  Variant o(t);
  EXPECT_EQ(o.Kind(), VariantKind::Object);
  EXPECT_EQ(o.ObjectAs<Thing>(), t);
  EXPECT_TRUE(Variant(2).IsNumeric());
  EXPECT_FALSE(Variant(true).IsNumeric());
  EXPECT_FALSE(Variant("2").IsNumeric());
  EXPECT_LE(sizeof(Variant), 40u);
}

TEST(Variant, CLngRoundsHalvesToEvenAndChecksRange) {
  struct Case {
    Variant in;
    int32_t out;
  } cases[] = {
      {Variant(2.5), 2},          {Variant(3.5), 4},           {Variant(-2.5), -2},     {Variant(-3.5), -4},
      {Variant(2.4999), 2},       {Variant(0.5f), 0},          {Variant(1.5f), 2},      {Variant(true), -1},
      {Variant(false), 0},        {Variant(), 0},              {Variant(" 12 "), 12},   {Variant("12.5"), 12},
      {Variant("-7"), -7},        {Variant("1e3"), 1000},      {Variant("&HFF"), 255},  {Variant("&HFFFF"), -1},
      {Variant("&H10000"), 65536}, {Variant("&HFFFFFFFF"), -1}, {Variant("&O17"), 15},
      {Variant(2147483647.4), 2147483647}, {Variant(-2147483648.5), INT32_MIN},
      {Variant(int16_t{-5}), -5},
  };
  for (const auto& c : cases) EXPECT_EQ(kz::CLng(c.in), c.out) << kz::CStr(c.in);
  EXPECT_EQ(ErrorOf([] { kz::CLng(Variant(2147483647.5)); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { kz::CLng(Variant(3e10)); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { kz::CLng(Variant(std::nan(""))); }), kz::kErrOverflow);
  EXPECT_EQ(ErrorOf([] { kz::CLng(Variant("3000000000")); }), kz::kErrOverflow);
  for (const char* bad : {"", "abc", "12abc", "1.2.3", "inf", "nan", "0x10", "--1", "1e", "."})
    EXPECT_EQ(ErrorOf([&] { kz::CLng(Variant(bad)); }), kz::kErrTypeMismatch) << bad;
  EXPECT_EQ(ErrorOf([] { kz::CLng(Variant(std::make_shared<kz::Object>())); }), kz::kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { kz::CInt(Variant(40000)); }), kz::kErrOverflow);
  EXPECT_EQ(kz::CInt(Variant("-32768")), -32768);
}

TEST(Variant, CStrShortestRoundTripText) {
  struct Case {
    Variant in;
    const char* out;
  } cases[] = {
      {Variant(42), "42"},        {Variant(-7), "-7"},          {Variant(int16_t{-1}), "-1"},
      {Variant(1.5), "1.5"},      {Variant(0.1), "0.1"},        {Variant(0.1f), "0.1"},
      {Variant(2.0), "2"},        {Variant(-0.0), "0"},         {Variant(1e20), "1E+20"},
      {Variant(1e-7), "1E-07"},   {Variant(true), "True"},      {Variant(false), "False"},
      {Variant(), ""},            {Variant("text"), "text"},    {Variant(123456789.0), "123456789"},
  };
  for (const auto& c : cases) EXPECT_EQ(kz::CStr(c.in), c.out);
  for (double d : {0.1 + 0.2, 1.0 / 3, 6.02214076e23, -1e-300, 123.456})
    EXPECT_EQ(kz::CDbl(Variant(kz::CStr(Variant(d)))), d);
  EXPECT_EQ(ErrorOf([] { kz::CStr(Variant(std::make_shared<kz::Object>())); }), kz::kErrTypeMismatch);
}

TEST(Variant, CDblAndCBool) {
  EXPECT_EQ(kz::CDbl(Variant("  -1.25E2 ")), -125.0);
  EXPECT_EQ(kz::CDbl(Variant(true)), -1.0);
  EXPECT_EQ(kz::CDbl(Variant("1e-400")), 0.0);
  EXPECT_EQ(kz::CDbl(Variant("0.000e-500")), 0.0);
  EXPECT_EQ(kz::CDbl(Variant("123e-400")), 0.0);
  for (std::string huge : {std::string("1e400"), std::string("-1e400"), std::string("0.001e312"), "1" + std::string(400, '0')})
    EXPECT_EQ(ErrorOf([&] { kz::CDbl(Variant(huge)); }), kz::kErrTypeMismatch) << huge;
  EXPECT_TRUE(kz::CBool(Variant("TRUE")));
  EXPECT_FALSE(kz::CBool(Variant(" false ")));
  EXPECT_TRUE(kz::CBool(Variant("5")));
  EXPECT_FALSE(kz::CBool(Variant(0.0)));
  EXPECT_TRUE(kz::CBool(Variant(-0.5)));
  EXPECT_EQ(ErrorOf([] { kz::CBool(Variant("yes")); }), kz::kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { kz::CSng(Variant(1e300)); }), kz::kErrOverflow);
  EXPECT_TRUE(kz::IsNumericValue(Variant(" 3 ")));
  EXPECT_FALSE(kz::IsNumericValue(Variant("3x")));
}

TEST(Variant, Equality) {
  EXPECT_EQ(Variant(2), Variant(2.0));
  EXPECT_EQ(Variant(int16_t{2}), Variant(2.0f));
  EXPECT_EQ(Variant(true), Variant(-1));
  EXPECT_FALSE(Variant(2) == Variant(3));
  EXPECT_FALSE(Variant(2) == Variant("2"));
  EXPECT_FALSE(Variant("2") == Variant(2.0));
  EXPECT_EQ(Variant("abc"), Variant("abc"));
  EXPECT_FALSE(Variant("abc") == Variant("ABC"));
  EXPECT_EQ(Variant(), Variant());
  EXPECT_FALSE(Variant() == Variant(0));
  EXPECT_FALSE(Variant() == Variant(""));
  EXPECT_FALSE(Variant(0.1f) == Variant(0.1));  // a Single is a different number
  auto o = std::make_shared<kz::Object>();
  EXPECT_EQ(Variant(o), Variant(o));
  EXPECT_FALSE(Variant(o) == Variant(std::make_shared<kz::Object>()));
  EXPECT_FALSE(Variant(std::nan("")) == Variant(std::nan("")));
}

TEST(AppError, CarriesNumberSourceAndText) {
  AppError e(kz::kErrSubscript, "clsShip");
  EXPECT_STREQ(e.what(), "Subscript out of range");
  EXPECT_EQ(e.Source, "clsShip");
  AppError f(kz::kErrDataLoad, "clsTxtParser", "Bad token");
  EXPECT_EQ(f.Number, static_cast<int32_t>(0x80040001u));
  EXPECT_STREQ(f.what(), "Bad token");
}

}  // namespace
