#include "core/Collection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "tests/common/ErrorOf.h"

using kz::AppError;
using kz::Collection;

namespace {

using kztest::ErrorOf;

std::string Order(const Collection<std::string>& c) {
  std::string s;
  for (const auto& x : c) s += x;
  return s;
}

TEST(Collection, AddPositionsKeysAndRemoval) {
  Collection<std::string> c;
  c.Add("a", "KeyA");
  c.Add("c", "KeyC");
  c.Add("b", "", 2);     // before position 2
  c.Add("d", "KeyD", 0, 3);  // after position 3
  c.Add("0", "", 1);
  EXPECT_EQ(Order(c), "0abcd");
  EXPECT_EQ(c.Count(), 5);
  EXPECT_EQ(c.Item(1), "0");
  EXPECT_EQ(c.Item("keya"), "a");
  EXPECT_EQ(c.Item("KEYD"), "d");
  EXPECT_EQ(c.PositionOf("keyc"), 4);
  EXPECT_EQ(c.PositionOf("nope"), 0);
  EXPECT_EQ(c.Key(2), "KeyA");
  EXPECT_EQ(c.Key(3), "");
  EXPECT_TRUE(c.Exists("kEyC"));
  EXPECT_EQ(c.Find(""), nullptr);

  EXPECT_EQ(ErrorOf([&] { c.Add("x", "keyA"); }), kz::kErrDuplicateKey);
  EXPECT_EQ(ErrorOf([&] { c.Add("x", "", 9); }), kz::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { c.Add("x", "", 0, -1); }), kz::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { c.Add("x", "", 1, 1); }), kz::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { c.Item("missing"); }), kz::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { c.Item(0); }), kz::kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { c.Item(6); }), kz::kErrSubscript);
  EXPECT_EQ(Order(c), "0abcd") << "failed adds change nothing";

  c.Remove("KEYA");
  EXPECT_EQ(Order(c), "0bcd");
  EXPECT_EQ(c.PositionOf("KeyD"), 4);
  c.Remove(1);
  EXPECT_EQ(Order(c), "bcd");
  EXPECT_EQ(c.PositionOf("KeyC"), 2);
  EXPECT_FALSE(c.Exists("KeyA"));
  c.Add("a", "KeyA");  // the key is free again
  EXPECT_EQ(ErrorOf([&] { c.Remove("KeyA2"); }), kz::kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { c.Remove(9); }), kz::kErrSubscript);
  Collection<std::string> copy = c;
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(Order(copy), "bcda");
  EXPECT_EQ(copy.Item("keya"), "a");
}

TEST(Collection, KeysFoldAsciiOnly) {
  Collection<int> c;
  c.Add(1, "Größe");
  c.Add(2, "GRÖSSE");
  EXPECT_EQ(c.Item("größe"), 1);     // ASCII letters fold
  EXPECT_FALSE(c.Exists("GRÖßE"));   // non-ASCII bytes compare exactly
  EXPECT_EQ(c.Item("grÖsse"), 2);
}

// Keys of every length up to 20 bytes, each byte in turn changed: an ASCII letter's
// other case finds the same item, at any place and on a table filled at once or one by
// one; the bytes beside the letters ('@', '[', '`', '{') and bytes from 0x80 on that
// differ by the same bit are other keys.
TEST(Collection, KeysFoldAsciiLettersAtEveryPlace) {
  const std::string base = "aZ@[`{\xc1\xe1mQ09_zA\x80\xa0kKx~";
  for (size_t len = 1; len <= base.size(); ++len) {
    const std::string key = base.substr(0, len);
    Collection<int> one, all;
    one.Add(1, key);
    all.AssignAll(1, [&](size_t) { return std::pair<int, std::string_view>(1, key); });
    for (size_t i = 0; i < len; ++i) {
      std::string other = key;
      other[i] = static_cast<char>(other[i] ^ 0x20);
      const unsigned char c = static_cast<unsigned char>(key[i]);
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      EXPECT_EQ(one.Exists(other), letter) << len << " " << i;
      EXPECT_EQ(all.Exists(other), letter) << len << " " << i;
    }
    EXPECT_TRUE(one.Exists(key));
    EXPECT_TRUE(all.Exists(key));
    EXPECT_FALSE(one.Exists(key + "a"));
    EXPECT_FALSE(one.Exists(key.substr(0, len - 1)));
  }
}

TEST(Collection, ItemReferencesStayValid) {
  Collection<std::string> c;
  std::string& first = c.Add("first", "f");
  for (int i = 0; i < 1000; ++i) c.Add(std::to_string(i), "", 1);
  EXPECT_EQ(first, "first");
  EXPECT_EQ(&first, &c.Item("f"));
}

TEST(Collection, LargeAppendAndLookupIsFast) {
  constexpr int n = 200000;
  auto start = std::chrono::steady_clock::now();
  Collection<int> c;
  for (int i = 0; i < n; ++i) c.Add(i, std::to_string(i) + "k");
  long sum = 0;
  for (int i = 0; i < n; ++i) sum += c.Item(std::to_string(i) + "K");
  for (int i = 0; i < n; i += 1000) EXPECT_EQ(c.PositionOf(std::to_string(i) + "k"), i + 1);
  c.Remove("100k");
  EXPECT_EQ(c.PositionOf("199999k"), n - 1);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(sum, static_cast<long>(n) * (n - 1) / 2);
  EXPECT_LT(ms, 30000) << "append/lookup must not be quadratic";  // quadratic would take minutes
}

// Keys added, removed and added again in any order, at any position, against a plain
// reference: every key stays findable at its right position, removed keys are gone.
TEST(Collection, ManyRemovalsKeepEveryKeyFindable) {
  Collection<int> c;
  std::vector<std::pair<std::string, int>> ref;  // position order
  std::mt19937 rng(12345);
  int next = 0;
  auto check = [&] {
    ASSERT_EQ(c.Count(), static_cast<int32_t>(ref.size()));
    for (size_t i = 0; i < ref.size(); ++i) {
      ASSERT_EQ(c.Item(static_cast<int32_t>(i) + 1), ref[i].second);
      if (ref[i].first.empty()) continue;
      ASSERT_EQ(c.PositionOf(ref[i].first), static_cast<int32_t>(i) + 1) << ref[i].first;
      ASSERT_EQ(c.Item(ref[i].first), ref[i].second);
    }
  };
  for (int round = 0; round < 3000; ++round) {
    unsigned op = rng() % 10;
    if (op < 6 || ref.empty()) {
      int v = next++;
      // Some keys repeat under another case after their item is gone; some items have none.
      std::string key = (v % 7 == 0) ? std::string() : (v % 2 ? "K" : "k") + std::to_string(v % 900);
      bool taken = false;
      for (const auto& r : ref) taken = taken || (!key.empty() && kz::KeysEqual(r.first, key));
      size_t at = ref.empty() ? 0 : rng() % (ref.size() + 1);
      int32_t before = at < ref.size() ? static_cast<int32_t>(at) + 1 : 0;
      if (taken) {
        EXPECT_EQ(ErrorOf([&] { c.Add(v, key, before); }), kz::kErrDuplicateKey);
        continue;
      }
      c.Add(v, key, before);
      ref.insert(ref.begin() + static_cast<std::ptrdiff_t>(at), {key, v});
    } else {
      size_t at = rng() % ref.size();
      if (!ref[at].first.empty() && rng() % 2)
        c.Remove(ref[at].first);
      else
        c.Remove(static_cast<int32_t>(at) + 1);
      EXPECT_FALSE(ref[at].first.empty() ? false : c.Exists(ref[at].first));
      ref.erase(ref.begin() + static_cast<std::ptrdiff_t>(at));
    }
    if (round % 100 == 0) check();
  }
  check();

  Collection<int> moved = std::move(c);
  EXPECT_EQ(c.Count(), 0);
  EXPECT_FALSE(c.Exists(ref.front().first.empty() ? "k1" : ref.front().first));
  c.Add(-1, "again");  // a moved-from collection is usable
  EXPECT_EQ(c.Item("AGAIN"), -1);
  std::swap(c, moved);
  check();
}

}  // namespace

// Items made at once: the same collection as one Add each (positions, keys folded, items
// without a key), it goes on working as usual, and a key given twice (under any case)
// refuses the whole assignment and leaves what was there.
TEST(Collection, AssignAllMatchesAddingOneByOne) {
  for (int n : {0, 1, 7, 5000}) {
    Collection<int> made, added;
    made.Add(-1, "old");
    std::vector<std::string> keys;
    for (int i = 0; i < n; ++i) keys.push_back(i % 5 == 4 ? std::string() : (i % 2 ? "K" : "k") + std::to_string(i));
    made.AssignAll(static_cast<size_t>(n), [&](size_t i) { return std::pair<int, std::string_view>(int(i) * 3, keys[i]); });
    for (int i = 0; i < n; ++i) added.Add(i * 3, keys[static_cast<size_t>(i)]);
    ASSERT_EQ(made.Count(), n);
    EXPECT_FALSE(made.Exists("old"));
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(made.Item(i + 1), i * 3);
      ASSERT_EQ(made.Key(i + 1), keys[static_cast<size_t>(i)]);
      if (keys[static_cast<size_t>(i)].empty()) continue;
      std::string other = keys[static_cast<size_t>(i)];
      other[0] = other[0] == 'k' ? 'K' : 'k';
      ASSERT_EQ(made.PositionOf(other), i + 1) << other;
    }
    if (n < 7) continue;
    made.Remove(3);
    made.Add(99, "new", 2);
    EXPECT_EQ(made.PositionOf("new"), 2);
    EXPECT_EQ(made.PositionOf(keys[3]), 4);
    EXPECT_EQ(ErrorOf([&] { made.Add(1, keys[1]); }), kz::kErrDuplicateKey);
  }
  // A key given twice among few keys, and among many (the table filled in many parts).
  for (size_t n : {size_t{3}, size_t{5000}}) {
    Collection<int> c;
    c.Add(5, "kept");
    std::vector<std::string> twice;
    for (size_t i = 0; i + 1 < n; ++i) twice.push_back("a" + std::to_string(i));
    twice.push_back("A0");
    EXPECT_EQ(ErrorOf([&] { c.AssignAll(n, [&](size_t i) { return std::pair<int, std::string_view>(int(i), twice[i]); }); }),
              kz::kErrDuplicateKey)
        << n;
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(c.Item("kept"), 5);
  }
}

namespace {

// A collection made at once of many items keeps its nodes in one block of just their
// number: the items made so, the ones added after them (past the block), removed ones
// whose places are taken again, and a copy, a move and a clear all hold what they were
// given, at addresses that stay where they were.
TEST(Collection, AssignAllNodesInOneBlockThenAddedRemovedAndMoved) {
  for (size_t n : {size_t{1}, size_t{9}, size_t{1000}, size_t{70000}}) {
    std::vector<std::string> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = std::to_string(i) + "k";
    Collection<std::string> c;
    c.AssignAll(n, [&](size_t i) { return std::pair<std::string, std::string_view>("v" + std::to_string(i), keys[i]); });
    std::string* const first = &c.Item(1);
    std::string* const last = &c.Item(static_cast<int32_t>(n));
    for (size_t i = 0; i < 3 * n + 20; ++i) c.Add("a" + std::to_string(i), "a" + std::to_string(i));
    EXPECT_EQ(first, &c.Item("0K"));
    EXPECT_EQ(last, &c.Item(std::to_string(n - 1) + "k"));
    // Removed from the block and from past it; their places are taken by the next ones.
    c.Remove(std::string("0k"));
    c.Remove("a0");
    c.Add("again", "again", 1);
    c.Add("more", "more");
    ASSERT_EQ(c.Count(), static_cast<int32_t>(4 * n + 20));
    EXPECT_EQ(c.Item(1), "again");
    EXPECT_EQ(c.Item(c.Count()), "more");
    bool same = true;
    for (size_t i = 1; i < n; ++i) same = same && c.Item(std::to_string(i) + "k") == "v" + std::to_string(i);
    for (size_t i = 1; i < 3 * n + 20; ++i) same = same && c.Item("A" + std::to_string(i)) == "a" + std::to_string(i);
    EXPECT_TRUE(same) << n;
    Collection<std::string> copy(c);
    Collection<std::string> moved(std::move(c));
    EXPECT_TRUE(c.Empty());
    ASSERT_EQ(copy.Count(), moved.Count());
    for (int32_t i = 1; i <= copy.Count(); ++i) same = same && copy.Item(i) == moved.Item(i) && copy.Key(i) == moved.Key(i);
    EXPECT_TRUE(same) << n;
    moved.Clear();
    moved.Add("after", "after");
    EXPECT_EQ(moved.Item("AFTER"), "after");
    const std::string two[] = {"x0", "x1"};
    c.AssignAll(2, [&](size_t i) { return std::pair<std::string, std::string_view>(std::to_string(i), two[i]); });
    EXPECT_EQ(c.Item("x1"), "1");
  }
}

// The node block and the key table of a large collection made at once are memory of
// the page pool, sized from the count: the next collection of that size takes them
// again instead of fresh memory from the system.
TEST(Collection, LargeAssignAllTakesItsTablesFromThePagePool) {
  constexpr size_t n = 200000;
  std::vector<std::string> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = std::to_string(i) + "k";
  const size_t before = kz::PagePool::InUse();
  size_t held = 0;
  for (int round = 0; round < 2; ++round) {
    Collection<int> c;
    c.AssignAll(n, [&](size_t i) { return std::pair<int, std::string_view>(static_cast<int>(i), keys[i]); });
    held = kz::PagePool::InUse() - before;
    // At least the items and keys, and the key table's slots, in pool blocks.
    EXPECT_GE(held, n * (sizeof(int) + 16 + 8)) << round;
    EXPECT_EQ(c.Item("123456K"), 123456);
  }
  EXPECT_EQ(kz::PagePool::InUse(), before);
}

}  // namespace
