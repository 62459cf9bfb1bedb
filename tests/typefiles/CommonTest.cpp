// The common procedures.
#include <gtest/gtest.h>

#include <fstream>

#include "core/Common.h"
#include "core/Generic.h"
#include "galaxy/model/GalaxyObject.h"
#include "platform/ScriptedUi.h"
#include "typefiles/TxtParser.h"

using namespace kz;

TEST(CommonTest, LookupName) {
  mdlKzConst::InitArrays();
  NameTable t(0, {"zero", "", "two"});
  EXPECT_EQ(LookupName(t, 0, true), "zero");
  EXPECT_EQ(LookupName(t, 1, true), "Unknown value");
  EXPECT_EQ(LookupName(t, -5, true), "N/A");
  EXPECT_EQ(LookupName(t, -5, false), "");
  EXPECT_EQ(LookupName(t, 3, true), "N/A");
  EXPECT_EQ(LookupNameRaw(t, 1), "");
  EXPECT_EQ(LookupNameRaw(t, 2), "two");
  EXPECT_EQ(LookupNameRaw(t, 9), "");
  EXPECT_EQ(LookupName(mdlKzConst::RaceNames, 0, true), "N/A");
  EXPECT_EQ(LookupName(mdlKzConst::RaceNames, 19, true), "Kessai");

  int32_t index = -1;
  NameTable races(1, {"a", "b", "b"});
  EXPECT_TRUE(FindStringIndex("b", races, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(FindStringIndex("B", races, index));
  EXPECT_FALSE(FindStringIndex("a", NameTable(), index));
  EXPECT_EQ(GetLanguageName(49), "German");
  EXPECT_EQ(GetLanguageName(7), "");
}

TEST(CommonTest, FieldCaptions) {
  mdlKzConst::InitArrays();
  clsTXTObject r;
  r.Construct(23);
  std::string caption = "untouched";
  const std::pair<int32_t, const char*> cases[] = {
      {0, "Body file"}, {6, "Description"}, {21, "Skin index"}, {13, "Volume"}, {22, "N/A"}};
  for (const auto& [i, text] : cases) {
    ASSERT_TRUE(GetFieldCaption(r, i, caption)) << i;
    EXPECT_EQ(caption, text) << i;
  }
  caption = "untouched";
  EXPECT_FALSE(GetFieldCaption(r, 7, caption));
  EXPECT_FALSE(GetFieldCaption(r, 12, caption));
  EXPECT_EQ(caption, "untouched");
  // A short record: the common caption wins for fields 0-6.
  clsTXTObject s;
  s.Construct(8);
  ASSERT_TRUE(GetFieldCaption(s, 7, caption));
  EXPECT_EQ(caption, "N/A");
  ASSERT_TRUE(GetFieldCaption(s, 5, caption));
  EXPECT_EQ(caption, "Galaxy subtype");
}

TEST(CommonTest, NewObjectNames) {
  auto named = [](std::initializer_list<const char*> names) {
    std::vector<TXTObjectPtr> v;
    for (const char* n : names) {
      auto r = std::make_shared<clsTXTObject>();
      r->Construct(2);
      r->SetObjectName(n);
      v.push_back(r);
    }
    v.push_back(std::make_shared<clsTXTObject>());  // a record without values
    return v;
  };
  EXPECT_EQ(GetNewObjectName(named({})), "NEW_OBJECT_1");
  EXPECT_EQ(GetNewObjectName(named({"NEW_OBJECT_3", "NEW_OBJECT_12", "SS_X"})), "NEW_OBJECT_13");
  EXPECT_EQ(GetNewObjectName(named({"NEW_OBJECT_", "NEW_OBJECT_x", "new_object_9"})), "NEW_OBJECT_1");
  EXPECT_EQ(GetNewObjectName(named({"NEW_OBJECT_2147483647"})), "NEW_OBJECT_2147483648");
  EXPECT_EQ(GetNewObjectName(named({"NEW_OBJECT_99999999999999"})), "NEW_OBJECT_1");
  clsTxtParser p;
  auto r = p.CreateObject();
  r->Construct(1);
  r->SetObjectName("NEW_OBJECT_4");
  EXPECT_EQ(GetNewObjectName(p.objects), "NEW_OBJECT_5");
}

TEST(CommonTest, FormatDistance) {
  EXPECT_EQ(FormatDistance(500000, false, false), "1.000 km");
  EXPECT_EQ(FormatDistance(499500, false, false), "999 m");
  EXPECT_EQ(FormatDistance(500000, true, false), "1000");
  EXPECT_EQ(FormatDistance(926000, false, true), "1.000  nm");
  EXPECT_EQ(FormatDistance(0, false, false), "0 m");
  EXPECT_EQ(FormatDistance(1234567, false, false), "2.469 km");
}

TEST(CommonTest, RecentLists) {
  std::vector<std::string> list = {"/a/One.txt", "/a/two.txt"};
  AddToMRU("/a/ONE.txt", list);
  EXPECT_EQ(list, (std::vector<std::string>{"/a/ONE.txt", "/a/two.txt"}));
  for (const char* n : {"3", "4", "5", "6"}) AddToMRU(n, list);
  EXPECT_EQ(list, (std::vector<std::string>{"6", "5", "4", "3", "/a/ONE.txt"}));
  RemoveFromMRU("/a/one.txt", list);
  EXPECT_EQ(list.size(), 5u);
  RemoveFromMRU("/a/ONE.txt", list);
  EXPECT_EQ(list.size(), 4u);

  Collection<std::string> coll;
  for (const char* n : {"a", "b", "c", "d", "e", "f", "B"}) AddToMRU(n, coll);
  std::vector<std::string> got(coll.begin(), coll.end());
  EXPECT_EQ(got, (std::vector<std::string>{"B", "f", "e", "d", "c"}));
  RemoveFromMRU("d", coll);
  RemoveFromMRU("zz", coll);
  EXPECT_EQ(coll.Count(), 4);
}

TEST(CommonTest, CatalogAndVfsPaths) {
  EXPECT_TRUE(IsCatalogPath("/d/01.cat::types\\TShips.txt"));
  EXPECT_FALSE(IsCatalogPath("/d/types/TShips.txt"));
  EXPECT_EQ(GetCatalogPart("/d/01.cat::a::b"), "/d/01.cat");
  EXPECT_EQ(GetCatalogFilePart("/d/01.cat::a::b"), "a::b");
  EXPECT_EQ(GetCatalogPart("/d/x.txt"), "/d/x.txt");
  EXPECT_EQ(GetCatalogFilePart("/d/x.txt"), "");
  std::string cat = "unchanged";
  EXPECT_EQ(SplitCatalogPath("/d/x.txt", cat), "/d/x.txt");
  EXPECT_EQ(cat, "unchanged");
  EXPECT_EQ(SplitCatalogPath("c1::p1::p2", cat), "p1::p2");
  EXPECT_EQ(cat, "c1");
  EXPECT_TRUE(IsVFSPath("vfs://types\\TLaser.txt"));
  EXPECT_FALSE(IsVFSPath("VFS://x"));
  EXPECT_EQ(StripVFSPrefix("vfs://types\\TLaser.txt"), "types\\TLaser.txt");
  EXPECT_EQ(StripVFSPrefix("types\\TLaser.txt"), "");
}

TEST(CommonTest, ListIndexSortedInsertAndSectors) {
  EXPECT_NO_THROW(CheckListIndex(3, 0, 3, "clsShip"));
  try {
    CheckListIndex(4, 0, 3, "clsShip");
    FAIL();
  } catch (const AppError& e) {
    EXPECT_EQ(e.Number, kErrShipIndex);
    EXPECT_EQ(e.Source, "clsShip");
    EXPECT_EQ(e.Description, "List index out of bounds.");
  }

  struct Item {
    int SortIndex;
    std::string name;
  };
  Collection<std::shared_ptr<Item>> c;
  for (auto [s, n] : std::vector<std::pair<int, const char*>>{{5, "a"}, {1, "b"}, {5, "c"}, {3, "d"}, {9, "e"}})
    EXPECT_TRUE(CollAddSorted(c, std::make_shared<Item>(Item{s, n}), n));
  std::string order;
  for (const auto& i : c) order += i->name;
  EXPECT_EQ(order, "bdace");

  auto sector = std::make_shared<clsGalaxyObject>();
  sector->SetOtype(1);
  auto dock = std::make_shared<clsGalaxyObject>();
  dock->SetOtype(5);
  dock->SetParent(sector);
  auto ware = std::make_shared<clsGalaxyObject>();
  ware->SetOtype(23);
  ware->SetParent(dock);
  EXPECT_EQ(GetSectorOf(ware), sector);
  EXPECT_EQ(GetSectorOf(sector), sector);
  auto loose = std::make_shared<clsGalaxyObject>();
  loose->SetOtype(7);
  EXPECT_EQ(GetSectorOf(loose), nullptr);
  EXPECT_EQ(GetSectorOf(std::shared_ptr<clsGalaxyObject>()), nullptr);
  auto x = std::make_shared<clsGalaxyObject>(), y = std::make_shared<clsGalaxyObject>();
  x->SetParent(y);
  y->SetParent(x);
  EXPECT_EQ(GetSectorOf(x), nullptr);  // a circle ends the walk
}

TEST(CommonTest, MessagesThroughTheDialogsService) {
  auto ui = std::make_shared<platform::ScriptedUi>();
  auto old = platform::Ui::SetInstance(ui);
  MsgInvalidValue("Speed", 0);
  MsgInvalidValue("", 1);
  MsgInvalidValue("Name", 2);
  auto calls = ui->Calls("MsgBox");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].Text, "Speed: Entered value is incorrect. It must be whole number.");
  EXPECT_EQ(calls[0].Flags, platform::vbExclamation);
  EXPECT_EQ(calls[1].Text, "Entered value is incorrect. It must be float number.");
  EXPECT_EQ(calls[2].Text, "Name: Entered value is incorrect. It must be string.");

  std::string path = GetTempDir() + "kz-common-overwrite.txt";
  std::remove(path.c_str());
  ui->ClearCalls();
  EXPECT_TRUE(ConfirmOverwrite(path));
  EXPECT_TRUE(ui->Calls().empty());
  std::ofstream(path) << "x";
  ui->PushMsgBox(platform::vbNo);
  EXPECT_FALSE(ConfirmOverwrite(path, "TXT Editor"));
  ASSERT_NE(ui->Last("MsgBox"), nullptr);
  EXPECT_EQ(ui->Last("MsgBox")->Text, path + " already exists.\r\nDo you want to overwrite it?");
  EXPECT_EQ(ui->Last("MsgBox")->Title, "TXT Editor");
  EXPECT_EQ(ui->Last("MsgBox")->Flags, platform::vbYesNo | platform::vbQuestion);
  ui->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(ConfirmOverwrite(path));
  EXPECT_EQ(ui->Last("MsgBox")->Title, GetAppTitle());
  std::remove(path.c_str());
  platform::Ui::SetInstance(old);

  EXPECT_EQ(GetAppTitleVersion(), "Ze Zuzazo " + GetAppVersion());
}
