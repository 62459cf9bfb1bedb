// clsTXTObject.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <memory_resource>
#include <string>

#include "core/AppError.h"
#include "typefiles/TXTObject.h"

using kz::Variant;

namespace {
clsTXTObject Record(std::initializer_list<Variant> values) {
  clsTXTObject r;
  r.AssignValues(std::vector<Variant>(values));
  return r;
}
std::string Texts(const clsTXTObject& r) {
  std::string s;
  for (const auto& v : r.Values()) s += v.IsEmpty() ? std::string("()") : kz::CStr(v), s += ",";
  return s;
}
}  // namespace

TEST(RecordTest, EmptyRecord) {
  clsTXTObject r;
  EXPECT_EQ(r.size(), 0);
  EXPECT_EQ(r.ObjectName(), "");
  EXPECT_EQ(r.GetObjectTData(), "");
  EXPECT_THROW(r.Value(0), kz::AppError);
  EXPECT_THROW(r.SetObjectName("x"), kz::AppError);
  r.id = 12;
  EXPECT_EQ(r.key(), "12k");
}

TEST(RecordTest, DirtyOnlyWhenTheValueDiffers) {
  struct Case {
    Variant stored, stored2;
    bool dirty;
  } cases[] = {
      {Variant(int32_t{5}), Variant(int32_t{5}), false},
      {Variant(int32_t{5}), Variant(int16_t{5}), false},
      {Variant(int16_t{5}), Variant(5.0), false},
      {Variant(int32_t{5}), Variant(5.5), true},
      {Variant(int32_t{5}), Variant("5"), true},
      {Variant("5"), Variant(int32_t{5}), true},
      {Variant("abc"), Variant("abc"), false},
      {Variant("abc"), Variant("ABC"), true},
      {Variant(), Variant(), false},
      {Variant(), Variant(int32_t{0}), true},
  };
  for (const auto& c : cases) {
    clsTXTObject r = Record({c.stored, Variant("ID")});
    r.SetValue(0, c.stored2);
    EXPECT_EQ(r.Dirty, c.dirty) << kz::CStr(c.stored) << " <- " << kz::CStr(c.stored2);
    EXPECT_EQ(r.Value(0).Kind(), c.stored2.Kind());  // the new value is stored in any case
  }
  clsTXTObject r = Record({Variant(1), Variant("ID")});
  EXPECT_THROW(r.SetValue(2, Variant(1)), kz::AppError);
  EXPECT_THROW(r.SetValue(-1, Variant(1)), kz::AppError);
  EXPECT_FALSE(r.Dirty);
  r.SetObjectName("ID");
  EXPECT_FALSE(r.Dirty);
  r.SetObjectName("NEW");
  EXPECT_TRUE(r.Dirty);
  EXPECT_EQ(r.ObjectName(), "NEW");
}

TEST(RecordTest, ConstructCopyAndClone) {
  clsTXTObject r;
  r.Construct(3);
  EXPECT_TRUE(r.Dirty);
  ASSERT_EQ(r.size(), 3);
  EXPECT_EQ(r.Value(0).Kind(), kz::VariantKind::Integer);
  EXPECT_EQ(r.Value(2).Kind(), kz::VariantKind::String);
  EXPECT_EQ(r.GetObjectTData(), "0;0;;");
  EXPECT_THROW(r.Construct(0), kz::AppError);

  clsTXTObject src = Record({Variant(1), Variant(2.5), Variant("SS_X")});
  src.id = 7;
  src.otype = 3;
  src.index = 4;
  clsTXTObject dst = Record({Variant("old")});
  src.CopyTo(dst);
  EXPECT_EQ(dst.id, 7);
  EXPECT_EQ(dst.otype, 3);
  EXPECT_EQ(dst.index, 4);
  EXPECT_TRUE(dst.Dirty);
  EXPECT_EQ(dst.GetObjectTData(), "1;2.5;SS_X;");

  auto clone = src.Clone();
  EXPECT_EQ(clone->key(), "7k");
  EXPECT_EQ(clone->GetObjectTData(), src.GetObjectTData());
  clone->SetValue(0, Variant(99));
  EXPECT_EQ(kz::CLng(src.Value(0)), 1);  // the clone owns its values

  clsTXTObject empty;
  empty.id = 2;
  auto c2 = empty.Clone();
  EXPECT_EQ(c2->size(), 0);
  EXPECT_EQ(c2->id, 2);
}

// A record made as a copy holds its values on the plain heap, whatever the source's
// were on: a text pushed on it is a copy of its own, not kept where it stands in bytes
// it does not keep alive, nor in a block nothing frees.
TEST(RecordTest, ACopyTakesTextsPushedOnItAsItsOwn) {
  for (bool sourceOnResource : {false, true}) {
    SCOPED_TRACE(sourceOnResource ? "source on a resource" : "source on the heap");
    std::string bytes = "a text kept where it stands;";
    std::pmr::monotonic_buffer_resource arena;
    clsTXTObject heap;
    clsTXTObject onArena(&arena);
    clsTXTObject& source = sourceOnResource ? onArena : heap;
    source.PushText("the first long text");
    const clsTXTObject copy(source);
    clsTXTObject pushed(copy);
    pushed.PushText(std::string_view(bytes.data(), bytes.size() - 1), bytes.data());
    pushed.PushText("another long text");
    bytes[0] = 'X';  // the bytes change: the record's text does not
    EXPECT_EQ(pushed.TextAt(0), "the first long text");
    EXPECT_EQ(pushed.TextAt(1), "a text kept where it stands");
    EXPECT_EQ(pushed.TextAt(2), "another long text");
  }
}

TEST(RecordTest, InsertAndRemoveSpace) {
  clsTXTObject r = Record({Variant("a"), Variant("b"), Variant("c")});
  r.InsertSpaceToArray(2, 3);
  EXPECT_EQ(Texts(r), "a,b,(),(),(),c,");
  EXPECT_FALSE(r.Dirty);
  r.RemoveSpaceFromArray(2, 3);
  EXPECT_EQ(Texts(r), "a,b,c,");

  clsTXTObject s = Record({Variant("a"), Variant("b"), Variant("c"), Variant("d")});
  s.RemoveSpaceFromArray(1, 2);
  EXPECT_EQ(Texts(s), "a,d,");
  EXPECT_FALSE(s.Dirty);

  // Out of the allowed ranges: an error, the values untouched.
  clsTXTObject t = Record({Variant("a"), Variant("b"), Variant("c")});
  EXPECT_THROW(t.InsertSpaceToArray(0, 1), kz::AppError);
  EXPECT_THROW(t.InsertSpaceToArray(3, 1), kz::AppError);
  EXPECT_THROW(t.InsertSpaceToArray(1, -1), kz::AppError);
  EXPECT_THROW(t.RemoveSpaceFromArray(0, 1), kz::AppError);
  EXPECT_THROW(t.RemoveSpaceFromArray(1, 2), kz::AppError);
  EXPECT_THROW(t.RemoveSpaceFromArray(1, -1), kz::AppError);
  EXPECT_EQ(Texts(t), "a,b,c,");
  t.InsertSpaceToArray(1, 0);
  t.RemoveSpaceFromArray(1, 1);
  EXPECT_EQ(Texts(t), "a,c,");
}

TEST(RecordTest, WareTailAccessorsAndLine) {
  clsTXTObject r = Record({Variant("body"), Variant(10), Variant(20), Variant(30), Variant(40), Variant("WARE")});
  EXPECT_EQ(r.Volume(), 10);
  EXPECT_EQ(r.Price(), 20);
  EXPECT_EQ(r.PriceVarPrim(), 30);
  EXPECT_EQ(r.PriceVarSec(), 40);
  r.SetPrice(21);
  EXPECT_TRUE(r.Dirty);
  EXPECT_EQ(r.GetObjectTData(), "body;10;21;30;40;WARE;");
  EXPECT_EQ(r.PropertyName(3), "");
  EXPECT_EQ(r.GetLastError(), "");
  clsTXTObject small = Record({Variant(1), Variant("X")});
  EXPECT_THROW(small.Volume(), kz::AppError);
}

// Every kind of value and its edges, stored and read back unchanged (kind, value, sign,
// NaN), through the record, a copy of it, and after being overwritten by another kind.
TEST(RecordTest, ValuesOfEveryKindKeepTheirKindAndBits) {
  const double inf = std::numeric_limits<double>::infinity();
  auto bitsDouble = [](uint64_t b) {
    double d;
    std::memcpy(&d, &b, 8);
    return d;
  };
  auto object = std::make_shared<kz::Object>();
  const std::vector<Variant> values = {
      Variant(), Variant(int16_t{-32768}), Variant(int16_t{32767}), Variant(int32_t{-2147483647 - 1}),
      Variant(int32_t{2147483647}), Variant(int32_t{-1}), Variant(1.5f), Variant(-0.0f),
      Variant(std::numeric_limits<float>::quiet_NaN()), Variant(0.0), Variant(-0.0), Variant(1e308),
      Variant(5e-324), Variant(inf), Variant(-inf), Variant(std::numeric_limits<double>::quiet_NaN()),
      Variant(-std::numeric_limits<double>::quiet_NaN()), Variant(bitsDouble(0xFFFF000000000001ull)),
      Variant(bitsDouble(0xFFF9123456789ABCull)), Variant(true), Variant(false), Variant(""), Variant("abcde"),
      Variant("abcdef"), Variant(std::string(300, 'x')), Variant(std::string("a\0b", 3)), Variant("\xC3\xA4\xC3\xB6\xC3\xBC"),
      Variant(kz::Variant::ObjectPtr(object))};
  auto same = [](const Variant& a, const Variant& b) {
    if (a.Kind() != b.Kind()) return false;
    if (a.Kind() == kz::VariantKind::Double || a.Kind() == kz::VariantKind::Single) {
      const double x = a.NumberValue(), y = b.NumberValue();
      if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
      return x == y && std::signbit(x) == std::signbit(y);
    }
    return kz::VariantEquals(a, b);
  };
  clsTXTObject r = Record({});
  r.AssignValues(std::vector<Variant>(values));
  const clsTXTObject copy = r;
  clsTXTObject overwritten = Record({});
  overwritten.AssignValues(std::vector<Variant>(values.size(), Variant(std::string(40, 'y'))));
  for (size_t i = 0; i < values.size(); ++i) overwritten.SetValue(static_cast<int32_t>(i), values[i]);
  for (const clsTXTObject* rec : {static_cast<const clsTXTObject*>(&r), &copy, static_cast<const clsTXTObject*>(&overwritten)}) {
    ASSERT_EQ(rec->size(), static_cast<int32_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
      const int32_t at = static_cast<int32_t>(i);
      EXPECT_TRUE(same(rec->Value(at), values[i])) << i << ": " << kz::CStr(rec->Value(at));
      EXPECT_EQ(rec->KindAt(at), values[i].Kind()) << i;
      if (values[i].IsString()) EXPECT_EQ(rec->TextAt(at), values[i].AsString()) << i;
    }
  }
  EXPECT_EQ(r.Value(static_cast<int32_t>(values.size()) - 1).AsObject(), object);
  EXPECT_EQ(r.LongAt(1), -32768);
  EXPECT_EQ(r.LongAt(19), -1);  // True
  EXPECT_EQ(r.DoubleAt(6), 1.5);
  EXPECT_EQ(r.DoubleAt(3), -2147483648.0);
  // The overwritten record gives its texts back and takes numbers (ASan checks the blocks).
  for (size_t i = 0; i < values.size(); ++i) overwritten.SetValue(static_cast<int32_t>(i), Variant(int32_t(i)));
  EXPECT_EQ(overwritten.LongAt(26), 26);
}

// A record's values through every change of their list: growing value by value, room
// made and dropped in the middle, copies and moves between a record on the heap and one
// on a resource (each way), values taken over. Long texts own blocks that move with
// their cells (ASan checks that each is freed once); every step is checked against the
// texts expected.
TEST(RecordTest, ValuesStayWholeThroughGrowthEditsCopiesAndMoves) {
  std::pmr::monotonic_buffer_resource arena;
  auto longText = [](int i) { return "a long text of its own, number " + std::to_string(i); };
  std::string expected;
  auto fill = [&](clsTXTObject& r) {
    expected.clear();
    for (int i = 0; i < 40; ++i) {
      if (i % 3 == 0) {
        r.PushText(longText(i));
        expected += longText(i);
      } else if (i % 3 == 1) {
        r.PushLong(i);
        expected += std::to_string(i);
      } else {
        r.PushText("s" + std::to_string(i));
        expected += "s" + std::to_string(i);
      }
      expected += ",";
    }
  };
  for (bool onArena : {false, true}) {
    SCOPED_TRACE(onArena ? "on a resource" : "on the heap");
    clsTXTObject r = onArena ? clsTXTObject(&arena) : clsTXTObject();
    fill(r);
    ASSERT_EQ(r.size(), 40);
    EXPECT_EQ(Texts(r), expected);
    const std::string full = expected;

    // Room before value 5, the list full after the growth above (or not): then dropped.
    r.InsertSpaceToArray(5, 7);
    ASSERT_EQ(r.size(), 47);
    EXPECT_TRUE(r.Value(5).IsEmpty() && r.Value(11).IsEmpty());
    EXPECT_EQ(r.TextAt(12), "s5");
    EXPECT_EQ(r.TextAt(13), longText(6));
    r.RemoveSpaceFromArray(5, 7);
    EXPECT_EQ(Texts(r), full);
    r.RemoveSpaceFromArray(1, 3);  // "1", "s2", the long text 3
    EXPECT_EQ(r.size(), 37);
    EXPECT_EQ(r.LongAt(1), 4);
    EXPECT_EQ(r.TextAt(35), "s38");
    EXPECT_EQ(r.TextAt(36), longText(39));
    r.InsertSpaceToArray(1, 3);
    r.SetValue(1, Variant(int32_t{1}));
    r.SetValue(2, Variant("s2"));
    r.SetValue(3, Variant(longText(3)));
    EXPECT_EQ(Texts(r), full);

    // Copies and moves onto the other place, and back.
    clsTXTObject other = onArena ? clsTXTObject() : clsTXTObject(&arena);
    other.PushText(longText(99));
    other = r;
    EXPECT_EQ(Texts(other), full);
    clsTXTObject moved(std::move(other));
    EXPECT_EQ(Texts(moved), full);
    clsTXTObject target = onArena ? clsTXTObject() : clsTXTObject(&arena);
    target.PushText(longText(98));
    target = std::move(moved);
    EXPECT_EQ(Texts(target), full);
    clsTXTObject back = onArena ? clsTXTObject(&arena) : clsTXTObject();
    back.TakeValues(target);
    EXPECT_EQ(Texts(back), full);
    clsTXTObject same = onArena ? clsTXTObject(&arena) : clsTXTObject();
    same.PushLong(7);
    same.TakeValues(back);
    EXPECT_EQ(Texts(same), full);
    EXPECT_EQ(Texts(r), full);  // the source of the copy untouched

    // Values replaced at once, and grown again from a record made anew.
    same.Construct(2);
    EXPECT_EQ(Texts(same), "0,,");
    same.AssignValues({Variant(longText(1)), Variant(2.5), Variant("ID")});
    EXPECT_EQ(Texts(same), longText(1) + ",2.5,ID,");
    same.ReserveValues(64);
    for (int i = 0; i < 60; ++i) same.PushText(longText(i));
    same.ShrinkValues();
    EXPECT_EQ(same.size(), 63);
    EXPECT_EQ(same.TextAt(62), longText(59));
  }
}
