// The program's side of videdoded: value conversions and the text procedures.
#include <gtest/gtest.h>

#include "core/AppError.h"
#include "core/ViDedodedBindings.h"

namespace {

TEST(Bindings, ValueConversions) {
  EXPECT_EQ(kz::ToKzValue(kz::Variant(int32_t{5})).kind, Kz_Value::Long);
  EXPECT_EQ(kz::ToKzValue(kz::Variant(int16_t{-3})).l, -3);
  EXPECT_EQ(kz::ToKzValue(kz::Variant(true)).l, -1);
  Kz_Value f = kz::ToKzValue(kz::Variant(1.1f));
  EXPECT_EQ(f.kind, Kz_Value::Double);
  EXPECT_EQ(f.d, 1.1);  // the Single's own shortest form
  EXPECT_EQ(kz::ToKzValue(kz::Variant(std::string("abc"))).s, "abc");
  EXPECT_EQ(kz::ToKzValue(kz::Variant()).kind, Kz_Value::Empty);
  EXPECT_THROW(kz::ToKzValue(kz::Variant(std::make_shared<kz::Object>())), kz::AppError);

  EXPECT_EQ(kz::FromKzValue(Kz_Value::FromLong(7)).Kind(), kz::VariantKind::Long);
  EXPECT_EQ(kz::FromKzValue(Kz_Value::FromDouble(2.5)).AsDouble(), 2.5);
  EXPECT_EQ(kz::FromKzValue(Kz_Value::FromText("x")).AsString(), "x");
  EXPECT_TRUE(kz::FromKzValue(Kz_Value()).IsEmpty());
}

TEST(Bindings, ErrorTextStringTextAndEnum) {
  Kz_TXTIgnoreRemarks(0);
  EXPECT_EQ(kz::GetViDedodedError(), "");  // no error: empty text
  EXPECT_EQ(kz::GetTREStringText(0), "");
  EXPECT_NE(kz::GetViDedodedError().find("Invalid handle 0"), std::string::npos);

  int32_t doc = Kz_CreateObject(0, 7, 0);
  std::vector<int32_t> handles = {42};
  EXPECT_EQ(kz::EnumViDedoded(doc, handles), 0);
  EXPECT_EQ(handles, std::vector<int32_t>{42});  // untouched
  int32_t p = Kz_CreateObject(doc, 8, 0);
  int32_t s = Kz_CreateObject(p, 9, 0);
  Kz_TRESetStringInfo(p, s, 1, "a\\tb");
  EXPECT_EQ(kz::EnumViDedoded(doc, handles), 1);
  EXPECT_EQ(handles, std::vector<int32_t>{p});
  EXPECT_EQ(kz::GetTREStringText(s), "a\tb");
  Kz_DeleteHandle(0, doc);
}

}  // namespace
