// A collection that mirrors another: what it shows, and how the two part when either
// changes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/Collection.h"

using kz::Collection;

namespace {

using C = Collection<std::string>;

C Make() {
  C c;
  c.Add("a", "KA");
  c.Add("b", "KB");
  c.Add("c", "");
  c.Add("d", "KD");
  return c;
}

// Every item with its key, in order, and what its key finds (read without a change).
std::string Shape(const C& c) {
  std::string s;
  for (int32_t i = 1; i <= c.Count(); ++i) {
    const std::string key(c.Key(i));
    s += c.Item(i) + "/" + key;
    if (!key.empty()) {
      const std::string* found = c.Find(key);
      s += found && found == &c.Item(i) && c.PositionOf(key) == i ? "+" : "?";
    }
    s += ";";
  }
  return s;
}

struct Op {
  const char* name;
  std::function<void(C&)> run;
};

const std::vector<Op>& Ops() {
  static const std::vector<Op> ops = {
      {"add at the end", [](C& c) { c.Add("x", "KX"); }},
      {"add before 2", [](C& c) { c.Add("y", "KY", 2); }},
      {"remove 1", [](C& c) { c.Remove(1); }},
      {"remove a key", [](C& c) { c.Remove("kb"); }},
      {"clear", [](C& c) { c.Clear(); }},
      {"reserve", [](C& c) { c.Reserve(100); }},
      {"assign all", [](C& c) { c.AssignAll(2, [](size_t i) { return std::pair<std::string, std::string_view>(i ? "q" : "p", i ? "KQ" : ""); }); }},
      {"set an item", [](C& c) { c.Item(2) = "set"; }},
      {"set an item by key", [](C& c) { c.Item("KD") = "keyed"; }},
      {"set a found item", [](C& c) { *c.Find("ka") = "found"; }},
      {"change every item", [](C& c) {
         for (auto& x : c) x += "!";
       }},
      {"copied over", [](C& c) {
         C other;
         other.Add("o", "KO");
         c = other;
       }},
      {"moved over", [](C& c) {
         C other;
         other.Add("m", "KM");
         c = std::move(other);
       }},
      {"mirrors a third", [](C& c) {
         static C third = [] {
           C t;
           t.Add("t", "KT");
           return t;
         }();
         c.Mirror(third);
       }},
  };
  return ops;
}

// Either side changed: both show what two collections of their own would.
TEST(CollectionMirror, EitherSideChangedPartsThemAsCopiesWould) {
  for (const Op& op : Ops()) {
    for (bool onMirror : {false, true}) {
      SCOPED_TRACE(std::string(op.name) + (onMirror ? " on the mirror" : " on the source"));
      C source = Make();
      C mirror;
      mirror.Add("old", "KOLD");
      mirror.Mirror(source);
      EXPECT_TRUE(mirror.Mirrors());
      EXPECT_EQ(Shape(mirror), Shape(source));
      C refSource = Make(), refMirror = Make();
      op.run(onMirror ? mirror : source);
      op.run(onMirror ? refMirror : refSource);
      EXPECT_EQ(Shape(source), Shape(refSource));
      EXPECT_EQ(Shape(mirror), Shape(refMirror));
      // Parted, one goes on without the other.
      if (!mirror.Mirrors()) {
        source.Add("s2", "KS2");
        refSource.Add("s2", "KS2");
        EXPECT_EQ(Shape(mirror), Shape(refMirror));
        EXPECT_EQ(Shape(source), Shape(refSource));
      }
    }
  }
}

TEST(CollectionMirror, ReadsDoNotPartThem) {
  C source = Make();
  C mirror;
  mirror.Mirror(source);
  const C& s = source;
  const C& m = mirror;
  EXPECT_EQ(m.Count(), 4);
  EXPECT_FALSE(m.Empty());
  EXPECT_EQ(&m.Item(2), &s.Item(2));
  EXPECT_EQ(m.Item("kd"), "d");
  EXPECT_TRUE(m.Exists("KA"));
  EXPECT_EQ(m.PositionOf("KD"), 4);
  EXPECT_EQ(m.Key(1), "KA");
  std::string all;
  for (const auto& x : m) all += x;
  for (const auto& x : s) all += x;
  EXPECT_EQ(all, "abcdabcd");
  EXPECT_TRUE(mirror.Mirrors());
}

// The source keeps its items where they are when the two part; a mirror cleared,
// replaced or destroyed leaves the source as it was.
TEST(CollectionMirror, TheSourceKeepsItsItemsWhereTheyAre) {
  C source = Make();
  const std::string* second = &std::as_const(source).Item(2);
  {
    C mirror;
    mirror.Mirror(source);
    mirror.Add("x", "KX");
    EXPECT_EQ(&std::as_const(source).Item(2), second);
    mirror.Mirror(source);
    std::string& ref = source.Item(2);  // may change: the mirror takes its copy first
    EXPECT_EQ(&ref, second);
    ref = "B";
    EXPECT_EQ(mirror.Item(2), "b");
    mirror.Mirror(source);
  }
  EXPECT_EQ(Shape(source), "a/KA+;B/KB+;c/;d/KD+;");
  EXPECT_EQ(&std::as_const(source).Item(2), second);
}

// A source destroyed or moved hands its items on: to its mirror, or to where it moved
// (which the mirror then shows); a mirror moved goes on showing its source.
TEST(CollectionMirror, SourceOrMirrorDestroyedOrMoved) {
  const std::string expected = Shape(Make());
  {
    C mirror;
    {
      C source = Make();
      mirror.Mirror(source);
    }
    EXPECT_FALSE(mirror.Mirrors());
    EXPECT_EQ(Shape(mirror), expected);
  }
  {
    C mirror;
    auto source = std::make_unique<C>(Make());
    mirror.Mirror(*source);
    C moved(std::move(*source));
    source.reset();
    EXPECT_TRUE(mirror.Mirrors());
    EXPECT_EQ(Shape(mirror), expected);
    moved.Remove(1);
    EXPECT_EQ(Shape(mirror), expected);
    EXPECT_EQ(moved.Count(), 3);
  }
  {
    C source = Make();
    auto mirror = std::make_unique<C>();
    mirror->Mirror(source);
    C moved;
    moved = std::move(*mirror);
    mirror.reset();
    EXPECT_TRUE(moved.Mirrors());
    EXPECT_EQ(Shape(moved), expected);
    source.Clear();
    EXPECT_EQ(Shape(moved), expected);
    EXPECT_FALSE(moved.Mirrors());
  }
  {
    // Each given to the other.
    C source = Make();
    C mirror;
    mirror.Mirror(source);
    source = std::move(mirror);
    EXPECT_EQ(Shape(source), expected);
    C back;
    back.Mirror(source);
    back = source;
    EXPECT_FALSE(back.Mirrors());
    EXPECT_EQ(Shape(back), expected);
    C copy(back);
    EXPECT_EQ(Shape(copy), expected);
  }
}

// A copy of a mirror is a collection of its own with the same items.
TEST(CollectionMirror, CopiesOfAMirrorHoldTheirOwn) {
  C source = Make();
  C mirror;
  mirror.Mirror(source);
  C copy(mirror);
  EXPECT_FALSE(copy.Mirrors());
  EXPECT_EQ(Shape(copy), Shape(source));
  source.Remove("KA");
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_EQ(mirror.Count(), 4);
  EXPECT_EQ(source.Count(), 3);
}

}  // namespace
