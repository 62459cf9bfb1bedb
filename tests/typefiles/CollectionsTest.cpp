// Name order, file order, keys and finds of the record collections.
#include <gtest/gtest.h>

#include <algorithm>

#include "TypeFileFixture.h"

using kz::Variant;

namespace {
TXTObjectPtr Add(clsTxtParser& p, const std::string& id, const TXTObjectPtr& before = nullptr) {
  auto r = p.CreateObject(before);
  r->Construct(3);
  r->SetObjectName(id);
  // Re-file it under its name, as the editor does when it gives a new record its values.
  p.RemoveObject(r);
  p.AddObjectP(r, before);
  return r;
}
std::vector<int32_t> Indexes(const clsTxtParser& p) {
  std::vector<int32_t> v;
  for (const auto& r : p.UnsortedObjects) v.push_back(r->index);
  return v;
}
}  // namespace

TEST(CollectionsTest, NameOrderIgnoresCaseAndKeepsEqualIdsInOrder) {
  clsTxtParser p;
  auto b = Add(p, "b");
  auto A = Add(p, "A");
  auto a = Add(p, "a");
  auto A2 = Add(p, "A");
  EXPECT_EQ(NamesOf(p.objects), (std::vector<std::string>{"A", "a", "A", "b"}));
  EXPECT_EQ(p.objects.Item(1), A);
  EXPECT_EQ(p.objects.Item(2), a);
  EXPECT_EQ(p.objects.Item(3), A2);
  EXPECT_EQ(NamesOf(p.UnsortedObjects), (std::vector<std::string>{"b", "A", "a", "A"}));
  EXPECT_EQ(Indexes(p), (std::vector<int32_t>{0, 1, 2, 3}));
  // Keys are unique even for equal IDs.
  EXPECT_EQ(b->key(), "1k");
  EXPECT_EQ(A2->key(), "4k");
}

TEST(CollectionsTest, LoadedNameOrderEqualsFilingOneByOne) {
  std::string text = GenericFile(1, 23, {"Zed", "alpha", "Beta", "ALPHA", "_x", "beta", "10", "9"});
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  clsTxtParser loaded;
  ASSERT_TRUE(loaded.LoadFromHandle(doc, mdlKzConst::kTLaser));
  clsTxtParser filed;
  for (const auto& r : loaded.UnsortedObjects) {
    auto c = r->Clone();
    filed.AddObjectP(c);
  }
  EXPECT_EQ(NamesOf(loaded.objects), NamesOf(filed.objects));
  EXPECT_EQ(NamesOf(loaded.objects), (std::vector<std::string>{"10", "9", "_x", "alpha", "ALPHA", "Beta", "beta", "Zed"}));
}

namespace {
// Loads a generic file of these IDs into `loaded` and expects its name order to be the
// order of filing its records one by one.
void LoadExpectingTheOrderOfFilingOneByOne(const std::vector<std::string>& ids, clsTxtParser& loaded) {
  std::string text = GenericFile(1, 23, ids);
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  ASSERT_TRUE(loaded.LoadFromHandle(doc, mdlKzConst::kTLaser));
  clsTxtParser filed;
  for (const auto& r : loaded.UnsortedObjects) filed.AddObjectP(r->Clone());
  EXPECT_EQ(NamesOf(loaded.objects), NamesOf(filed.objects));
}
}  // namespace

// Long IDs that share long beginnings and differ, in case only or in a byte, at any
// place (before, at and past the eighth or sixteenth byte), or in length alone: the
// name order of a load is the order of filing them one by one.
TEST(CollectionsTest, LoadedNameOrderOfLongIdsEqualsFilingOneByOne) {
  const std::vector<std::string> ids = {
      "ships\\ship_10", "SHIPS\\ship_2", "ships\\SHIP_1", "ships\\ship_1", "ships\\ship_",   "ships\\ship",
      "shipsAship_1",  "ships[ship_1",   "objects\\weapons\\lasers_a", "OBJECTS\\WEAPONS\\LASERS_A",
      "objects\\weapons\\lasers_", "objects\\weapons\\lasers_b", "objects\\weapons\\laserz", "objects\\weapons\\Lasers_\xe9",
      "objects\\weapons\\lasers_\xc9", "objects\\weapon", "x",
      // and short ones, up to eight bytes, that begin the longer ones or one another
      "ships\\sh", "SHIPS\\S", "ships", "Ship", "s", "S", "ships\\sH"};
  clsTxtParser loaded;
  ASSERT_NO_FATAL_FAILURE(LoadExpectingTheOrderOfFilingOneByOne(ids, loaded));
  // Against a plain comparison of the folded IDs, equal ones in file order.
  std::vector<std::string> expected = NamesOf(loaded.UnsortedObjects);
  std::stable_sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
    const std::string x = clsTxtParser::NameOrderKey(a), y = clsTxtParser::NameOrderKey(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                        [](char p, char q) { return static_cast<unsigned char>(p) < static_cast<unsigned char>(q); });
  });
  EXPECT_EQ(NamesOf(loaded.objects), expected);
}

// Whether a file is in name order is seen as its records come: files in order, out of
// order only at their last record or their second, with equal IDs in another case,
// with IDs read as numbers (whose names are kept as copies) among texts. Each load's
// name order is the order of filing its records one by one.
TEST(CollectionsTest, LoadedNameOrderOfFilesInOrderOrNearlyEqualsFilingOneByOne) {
  const std::vector<std::vector<std::string>> cases = {
      {"alpha", "beta", "gamma", "gamma", "zed"},
      {"alpha", "beta", "gamma", "zed", "delta"},
      {"beta", "alpha", "gamma", "zed"},
      {"a", "A", "a", "b", "B"},
      {"1", "2", "3", "30", "4"},
      {"1", "10", "2", "x_long_identifier", "y"},
      {"zed"},
      {"b", "a"},
  };
  for (const auto& ids : cases) {
    SCOPED_TRACE(ids.front() + ".." + ids.back() + " (" + std::to_string(ids.size()) + ")");
    clsTxtParser loaded;
    ASSERT_NO_FATAL_FAILURE(LoadExpectingTheOrderOfFilingOneByOne(ids, loaded));
    EXPECT_EQ(NamesOf(loaded.UnsortedObjects), ids);
    // The same records in both, each under its key.
    for (const auto& r : loaded.UnsortedObjects) EXPECT_EQ(loaded.objects.Find(r->key()) ? *loaded.objects.Find(r->key()) : nullptr, r);
  }
}

// A file read in name order: its name order shows the file order's records until a
// record is filed or removed, and then both orders go on as they would have.
TEST(CollectionsTest, LoadedInNameOrderThenRecordsFiledAndRemoved) {
  std::string text = GenericFile(1, 23, {"alpha", "beta", "delta", "gamma"});
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  clsTxtParser p;
  ASSERT_TRUE(p.LoadFromHandle(doc, mdlKzConst::kTLaser));
  EXPECT_TRUE(p.objects.Mirrors());
  EXPECT_EQ(p.FindKey("3k"), p.FindIndex(2));
  EXPECT_EQ(p.objects.PositionOf("4k"), 4);
  auto zed = Add(p, "zed", p.FindIndex(0));
  auto aa = Add(p, "aa");
  EXPECT_FALSE(p.objects.Mirrors());
  EXPECT_EQ(NamesOf(p.objects), (std::vector<std::string>{"aa", "alpha", "beta", "delta", "gamma", "zed"}));
  EXPECT_EQ(NamesOf(p.UnsortedObjects), (std::vector<std::string>{"zed", "alpha", "beta", "delta", "gamma", "aa"}));
  EXPECT_EQ(Indexes(p), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_TRUE(p.RemoveObject(p.FindIndex(2)));
  EXPECT_EQ(NamesOf(p.objects), (std::vector<std::string>{"aa", "alpha", "delta", "gamma", "zed"}));
  EXPECT_EQ(NamesOf(p.UnsortedObjects), (std::vector<std::string>{"zed", "alpha", "delta", "gamma", "aa"}));
  EXPECT_EQ(p.FindKey(zed->key()), zed);
  EXPECT_EQ(p.FindKey("2k"), nullptr);
  // Read again: the name order mirrors the new file order, and a parser let go of
  // first with its file order is whole to the end.
  doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  ASSERT_TRUE(p.LoadFromHandle(doc, mdlKzConst::kTLaser));
  EXPECT_TRUE(p.objects.Mirrors());
  EXPECT_EQ(NamesOf(p.objects), (std::vector<std::string>{"alpha", "beta", "delta", "gamma"}));
  EXPECT_FALSE(p.CheckDirty());
}

TEST(CollectionsTest, CreateBeforeRemoveAndRenumber) {
  clsTxtParser p;
  auto a = Add(p, "a");
  auto c = Add(p, "c");
  auto b = Add(p, "b", c);
  EXPECT_EQ(NamesOf(p.UnsortedObjects), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Indexes(p), (std::vector<int32_t>{0, 1, 2}));
  auto first = p.CreateObject(a);
  EXPECT_EQ(p.UnsortedObjects.Item(1), first);
  EXPECT_EQ(first->size(), 0);
  EXPECT_EQ(p.objects.Item(1), first);  // an empty ID sorts first
  EXPECT_EQ(Indexes(p), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(a->index, 1);
  EXPECT_TRUE(p.Modified());

  EXPECT_TRUE(p.RemoveObject(b));
  EXPECT_EQ(NamesOf(p.UnsortedObjects), (std::vector<std::string>{"", "a", "c"}));
  EXPECT_EQ(NamesOf(p.objects), (std::vector<std::string>{"", "a", "c"}));
  EXPECT_EQ(Indexes(p), (std::vector<int32_t>{0, 1, 2}));

  // A `before` that is not in the file is refused and changes nothing.
  auto stranger = std::make_shared<clsTXTObject>();
  stranger->id = 99;
  auto r = std::make_shared<clsTXTObject>();
  r->id = 100;
  EXPECT_THROW(p.AddObjectP(r, stranger), kz::AppError);
  EXPECT_THROW(p.AddObjectP(a->Clone()), kz::AppError);  // same key
  EXPECT_EQ(p.Count(), 3);
  EXPECT_EQ(p.objects.Count(), 3);
}

TEST(CollectionsTest, RemoveObjectOfAForeignRecord) {
  clsTxtParser p;
  std::string text = GenericFile(1, 23, {"A", "B"});
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  ASSERT_TRUE(p.LoadFromHandle(doc, mdlKzConst::kTLaser));
  ASSERT_FALSE(p.Modified());
  auto foreign = std::make_shared<clsTXTObject>();
  foreign->id = 1;  // the same key as a record of the file, but another record
  EXPECT_FALSE(p.RemoveObject(foreign));
  EXPECT_FALSE(p.RemoveObject(nullptr));
  auto other = std::make_shared<clsTXTObject>();
  other->id = 50;
  EXPECT_FALSE(p.RemoveObject(other));
  EXPECT_FALSE(p.Modified());
  EXPECT_EQ(p.Count(), 2);
  EXPECT_TRUE(p.RemoveObject(p.FindIndex(0)));
  EXPECT_TRUE(p.Modified());
  EXPECT_FALSE(p.RemoveObject(p.Find(1)));  // gone already (Find gives null)
}

TEST(CollectionsTest, Finds) {
  clsTxtParser p;
  std::string text = GenericFile(1, 23, {"SS_A", "ss_a", "SS_B"});
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  ASSERT_TRUE(p.LoadFromHandle(doc, mdlKzConst::kTLaser));
  EXPECT_EQ(p.FindID("ss_a"), p.FindIndex(1));
  EXPECT_EQ(p.FindID("SS_A"), p.FindIndex(0));
  EXPECT_EQ(p.FindID("Ss_A"), nullptr);
  EXPECT_EQ(p.FindIndex(-1), nullptr);
  EXPECT_EQ(p.FindIndex(3), nullptr);
  EXPECT_EQ(p.FindIndex(2)->ObjectName(), "SS_B");
  EXPECT_EQ(p.Find(2), p.FindIndex(1));
  EXPECT_EQ(p.FindKey("3K"), p.FindIndex(2));  // keys compare without case
  EXPECT_EQ(p.FindKey("4k"), nullptr);
  EXPECT_EQ(p.Find(0), nullptr);

  EXPECT_FALSE(p.CheckDirty());
  p.FindIndex(2)->SetValue(1, Variant(12345));
  EXPECT_TRUE(p.CheckDirty());
}
