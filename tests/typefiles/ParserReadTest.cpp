// Reading the six layouts, the refusals and the load faults.
#include <gtest/gtest.h>

#include "ShipLines.h"
#include "TypeFileFixture.h"
#include "gamelibs/rudu/HandleTable.h"

using namespace mdlKzConst;

class ParserReadTest : public TypeFileTest {};

TEST_F(ParserReadTest, GenericFilesOfSeveralTypes) {
  struct Case {
    int32_t type;
    int32_t version;
    int32_t size;
  } cases[] = {{kTLaser, 3, 23}, {kTShields, 5, 21}, {kTWare, 1, 17}, {kTMissiles, 48, 37},
               {kTNebula, 13, 27}, {kTNebula, 14, 36}, {kTBackgrounds, 2, 38}, {kTCockpits, 7, 19}};
  for (const auto& c : cases) {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, GenericFile(c.version, c.size, {"SS_B", "SS_A", "SS_C"}), c.type))
        << c.type << ": " << p.GetLastError();
    EXPECT_TRUE(p.Parsed());
    EXPECT_EQ(p.Version(), c.version);
    EXPECT_EQ(p.otype(), c.type);
    ASSERT_EQ(p.Count(), 3);
    EXPECT_EQ(NamesOf(p.UnsortedObjects), (std::vector<std::string>{"SS_B", "SS_A", "SS_C"}));
    EXPECT_EQ(NamesOf(p.objects), (std::vector<std::string>{"SS_A", "SS_B", "SS_C"}));
    for (int i = 0; i < 3; ++i) {
      auto r = p.FindIndex(i);
      EXPECT_EQ(r->size(), c.size);
      EXPECT_EQ(r->index, i);
      EXPECT_EQ(r->id, i + 1);
      EXPECT_EQ(r->otype, c.type);
      EXPECT_FALSE(r->Dirty);
    }
    auto first = p.FindIndex(0);
    EXPECT_EQ(first->Value(0).Kind(), kz::VariantKind::String);
    EXPECT_EQ(first->Value(3).Kind(), kz::VariantKind::Double);
    EXPECT_EQ(first->Value(1).Kind(), kz::VariantKind::Long);
    EXPECT_FALSE(p.CheckDirty());
  }
}

TEST_F(ParserReadTest, EmptyFileAndRefusals) {
  {
    clsTxtParser p;
    EXPECT_TRUE(LoadText(p, "// remark\r\n7;0;\r\n", kTLaser));
    EXPECT_TRUE(p.Parsed());
    EXPECT_EQ(p.Count(), 0);
    EXPECT_EQ(p.Version(), 7);
  }
  {
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, GenericFile(47, 37, {"M1"}), kTMissiles));
    EXPECT_EQ(p.GetLastError(), "This is old version of the file (ver. 47).\r\n\r\nIt is not supported by this version of " +
                                    kz::GetAppTitle() + ".");
    EXPECT_FALSE(p.Parsed());
  }
  {
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, GenericFile(1, 5, {"X"}), 30));
    EXPECT_EQ(p.GetLastError(), "Unknown size of entries in file. Cannot load.");
  }
  {
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, GenericFile(1, 5, {"X"}), 0));
    EXPECT_EQ(p.GetLastError(), "Unrecognized T file.");
  }
  {
    // A record cut short: the library's error, no prefix.
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, "1;2;\r\n" + FixedLine(23, "A") + "1;2;3;\r\n", kTLaser));
    EXPECT_FALSE(p.Parsed());
    EXPECT_FALSE(p.GetLastError().empty());
    EXPECT_EQ(p.Count(), 1);  // the records read so far stay
  }
  {
    // A version that is not a number.
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, "abc;0;\r\n", kTLaser));
    EXPECT_EQ(p.GetLastError().rfind("Error loading T file:\r\n", 0), 0u) << p.GetLastError();
  }
}

TEST_F(ParserReadTest, InvalidContainerAndDocumentOwnership) {
  int32_t before = rudu::HandleCount();
  {
    clsTxtParser p;
    EXPECT_FALSE(p.LoadFromHandle(0, kTLaser));
    EXPECT_EQ(p.GetLastError(), "Invalid container type.");
    int32_t tre = Kz_CreateObject(0, kKzTreDocument, 0);
    ASSERT_NE(tre, 0);
    EXPECT_FALSE(p.LoadFromHandle(tre, kTLaser));
    EXPECT_EQ(p.GetLastError(), "Invalid container type.");
    EXPECT_EQ(Kz_GetObjectType(tre), kKzTreDocument);  // not taken: still the caller's
    Kz_DeleteHandle(0, tre);

    // A type-file document is taken over even when the load fails.
    std::string text = "1;0;\r\n";
    int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
    ASSERT_NE(doc, 0);
    EXPECT_FALSE(p.LoadFromHandle(doc, 0));
    EXPECT_EQ(p.GetLastError(), "Unrecognized T file.");
    EXPECT_EQ(Kz_GetObjectType(doc), 0);

    std::string bad = "1;1;\r\n1;2;\r\n";
    doc = Kz_LoadFromBuffer(bad.data(), bad.size(), kKzLoadTypeFile);
    EXPECT_FALSE(p.LoadFromHandle(doc, kTLaser));
    EXPECT_EQ(Kz_GetObjectType(doc), 0);

    std::string good = GenericFile(1, 23, {"A", "B"});
    doc = Kz_LoadFromBuffer(good.data(), good.size(), kKzLoadTypeFile);
    EXPECT_TRUE(p.LoadFromHandle(doc, kTLaser));
    EXPECT_EQ(p.otype(), kTLaser);
  }
  EXPECT_EQ(rudu::HandleCount(), before);
}

TEST_F(ParserReadTest, ReloadReplacesEverythingAndFailureClearsParsed) {
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, GenericFile(3, 23, {"A", "B", "C"}), kTLaser));
  p.CreateObject();
  EXPECT_TRUE(p.Modified());
  // Load again through both entries: no key collision, the counter starts again.
  ASSERT_TRUE(LoadText(p, GenericFile(4, 23, {"D", "E"}), kTLaser));
  EXPECT_FALSE(p.Modified());
  EXPECT_EQ(p.Count(), 2);
  EXPECT_EQ(p.objects.Count(), 2);
  EXPECT_EQ(p.FindIndex(0)->id, 1);
  std::string text = GenericFile(5, 23, {"F"});
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), kKzLoadTypeFile);
  ASSERT_TRUE(p.LoadFromHandle(doc, kTLaser));
  EXPECT_EQ(NamesOf(p.objects), std::vector<std::string>{"F"});
  EXPECT_EQ(p.Version(), 5);

  // A failed reload never reports Parsed.
  EXPECT_FALSE(LoadText(p, GenericFile(47, 37, {"M"}), kTMissiles));
  EXPECT_FALSE(p.Parsed());
  EXPECT_FALSE(LoadText(p, "1;1;\r\n", kTLaser));
  EXPECT_FALSE(p.Parsed());
  EXPECT_FALSE(p.LoadFromHandle(0, kTLaser));
  EXPECT_FALSE(p.Parsed());
}

TEST_F(ParserReadTest, BadCountsFailWithTheLayoutsError) {
  const std::string rest = FixedLine(23, "A");
  struct Case {
    std::string text;
    int32_t type;
    std::string error;
  } cases[] = {
      {"1;-1;\r\n" + rest, kTLaser, "Error loading T file:\r\nInvalid record count: -1"},
      {"1;1.5;\r\n" + rest, kTLaser, "Error loading T file:\r\nInvalid record count: 1.5"},
      {"-2;\r\n", kWareLists, "Invalid ware list count: -2"},
      {"1;\r\n-3;a;\r\n", kWareLists, "Invalid ware list length: -3"},
  };
  for (const auto& c : cases) {
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, c.text, c.type));
    EXPECT_EQ(p.GetLastError(), c.error);
    EXPECT_FALSE(p.Parsed());
  }
}

TEST_F(ParserReadTest, HugeCountsFailAtTheEndOfTheFile) {
  const std::string cases[] = {"1;2000000000;\r\n" + FixedLine(23, "A"), "2147483647;\r\n1;x;\r\n"};
  const int32_t types[] = {kTLaser, kWareLists};
  for (int i = 0; i < 2; ++i) {
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, cases[i], types[i]));
    EXPECT_FALSE(p.GetLastError().empty());
    EXPECT_EQ(p.Count(), 1);
  }
  // A huge turret count reads no further than its ship's line.
  clsTxtParser p;
  std::string ship = ReplaceField(ShipLine(0, {}, "SH"), 53, "2000000000");
  ASSERT_TRUE(LoadText(p, "1;1;\r\n" + ship, kTShips)) << p.GetLastError();
  ASSERT_EQ(p.Count(), 1);
  EXPECT_EQ(p.FindIndex(0)->size(), 65);
  ASSERT_EQ(p.LineRecords().size(), 1u);
}

TEST_F(ParserReadTest, ShipsWithTurretsAndGunGroups) {
  std::string text = "// ships\r\n17;3;\r\n" + ShipLine(0, {}, "SS_SH_A") + ShipLine(2, {1, 3}, "SS_SH_B") +
                     ShipLine(4, {0, 2, 1}, "SS_SH_C");
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, text, kTShips)) << p.GetLastError();
  ASSERT_EQ(p.Count(), 3);
  EXPECT_EQ(p.FindIndex(0)->size(), 65);
  EXPECT_EQ(static_cast<size_t>(p.FindIndex(1)->size()), ShipSize(2, {1, 3}));
  EXPECT_EQ(static_cast<size_t>(p.FindIndex(2)->size()), ShipSize(4, {0, 2, 1}));
  EXPECT_EQ(p.FindIndex(2)->ObjectName(), "SS_SH_C");
  EXPECT_EQ(p.FindIndex(1)->otype, kTShips);
}

TEST_F(ParserReadTest, JobsVersionsAndRefusal) {
  for (int version : {8, 9, 10}) {
    int n = version == 8 ? 117 : version == 9 ? 119 : 120;
    std::string line;
    for (int i = 0; i < n - 1; ++i) line += std::to_string(i) + ";";
    std::string text = std::to_string(version) + ";\r\n" + line + "Job one\r\n" + line + "Job two\r\n";
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, kJobs)) << p.GetLastError();
    EXPECT_EQ(p.Version(), version);
    ASSERT_EQ(p.Count(), 2);
    EXPECT_EQ(p.FindIndex(0)->size(), n);
    EXPECT_EQ(p.FindIndex(1)->ObjectName(), "Job two");
    EXPECT_EQ(p.FindIndex(1)->otype, kJobs);
  }
  clsTxtParser p;
  EXPECT_FALSE(LoadText(p, "11;\r\n", kJobs));
  EXPECT_EQ(p.GetLastError(), "Unsupported version: 11");
  clsTxtParser q;
  EXPECT_TRUE(LoadText(q, "9;\r\n", kJobs));
  EXPECT_EQ(q.Count(), 0);
}

// Loads of many records, in layouts that announce their count and one that does not
// (its records made in store after store), and one whose count is one more than its
// records (the load fails at the end, the records read before it are filed): every
// record in file order under its key, the name order whole.
TEST_F(ParserReadTest, ManyRecordsLoadInFileOrderUnderTheirKeys) {
  constexpr int kMany = 700;
  auto id = [](int i) { return "ID_" + std::to_string(100000 + (i * 7919) % 1000); };
  std::string jobs = "8;\r\n", wares = Header() + std::to_string(kMany) + ";\r\n", lasers, lasersShort;
  std::string line;
  for (int i = 0; i < 116; ++i) line += std::to_string(i) + ";";
  std::vector<std::string> ids;
  for (int i = 0; i < kMany; ++i) {
    ids.push_back(id(i));
    jobs += line + id(i) + "\r\n";
    wares += "2;SS_WARE_" + std::to_string(i) + ";" + id(i) + ";\r\n";
  }
  lasers = GenericFile(3, 23, ids);
  lasersShort = lasers;
  lasersShort.replace(lasersShort.find(";" + std::to_string(kMany) + ";"), std::to_string(kMany).size() + 2,
                      ";" + std::to_string(kMany + 1) + ";");
  struct Case {
    const char* name;
    const std::string& text;
    int32_t type;
    bool ok;
  };
  const Case cases[] = {{"jobs", jobs, kJobs, true},
                        {"ware lists", wares, kWareLists, true},
                        {"lasers", lasers, kTLaser, true},
                        {"lasers one short", lasersShort, kTLaser, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clsTxtParser p;
    EXPECT_EQ(LoadText(p, c.text, c.type), c.ok) << p.GetLastError();
    ASSERT_EQ(p.Count(), kMany);
    std::vector<std::string> sorted = ids;
    for (int i = 0; i < kMany; ++i) {
      const TXTObjectPtr r = p.FindIndex(i);
      ASSERT_TRUE(r);
      EXPECT_EQ(r->ObjectName(), ids[static_cast<size_t>(i)]);
      EXPECT_EQ(r->index, i);
      EXPECT_EQ(r->key(), std::to_string(i + 1) + "k");
      EXPECT_EQ(p.FindKey(r->key()), r);
      EXPECT_EQ(p.UnsortedObjects.PositionOf(r->key()), i + 1);
    }
    std::stable_sort(sorted.begin(), sorted.end());
    EXPECT_EQ(NamesOf(p.objects), sorted);
  }
}

TEST_F(ParserReadTest, JobWingsItemsAndErrors) {
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, Header() + "1;10;11;12;\r\n2;20;\r\n3;30;31;\r\n", kJobWings)) << p.GetLastError();
  ASSERT_EQ(p.Count(), 3);
  EXPECT_EQ(p.FindIndex(0)->GetObjectTData(), "1;10;11;12;");
  EXPECT_EQ(p.FindIndex(1)->GetObjectTData(), "2;20;");
  EXPECT_EQ(p.FindIndex(2)->otype, 0);
  EXPECT_EQ(p.FindIndex(2)->id, 3);

  clsTxtParser q;
  EXPECT_FALSE(LoadText(q, "1;10;abc;\r\n", kJobWings));
  EXPECT_EQ(q.GetLastError(), "Expected number, not abc");
  clsTxtParser r;
  EXPECT_FALSE(LoadText(r, "1;\r\n", kJobWings));
  EXPECT_EQ(r.GetLastError(), "Attempt to read at EOF");
}

TEST_F(ParserReadTest, WareListsAndIconData) {
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, Header() + "3;\r\n2;SS_WARE_A;SS_WARE_B;\r\n0;\r\n1;12;\r\n", kWareLists)) << p.GetLastError();
  ASSERT_EQ(p.Count(), 3);
  EXPECT_EQ(p.FindIndex(0)->size(), 2);
  EXPECT_EQ(p.FindIndex(1)->size(), 0);
  EXPECT_EQ(p.FindIndex(2)->Value(0).Kind(), kz::VariantKind::String);  // every ware is a text
  EXPECT_EQ(p.FindIndex(2)->otype, kWareLists);

  clsTxtParser icons;
  ASSERT_TRUE(LoadText(icons, "sheet;ICONS;16;16;2;\r\nI_A;x;1;2;3;4;\r\nI_B;y;5;6;7;8;\r\nsheet2;ICONS2;8;8;0;\r\n",
                       kIconData))
      << icons.GetLastError();
  ASSERT_EQ(icons.Count(), 3);
  EXPECT_EQ(icons.FindIndex(0)->GetObjectTData(), "sheet;ICONS;16;16;2;sheet2;ICONS2;8;8;0;");
  EXPECT_EQ(icons.FindIndex(1)->GetObjectTData(), "1;2;3;4;I_A;");
  EXPECT_EQ(icons.FindIndex(2)->ObjectName(), "I_B");
  // The main record was filed when it was still empty: first in name order.
  EXPECT_EQ(icons.objects.Item(1), icons.FindIndex(0));

  clsTxtParser empty;
  EXPECT_FALSE(LoadText(empty, "", kIconData));
  EXPECT_EQ(empty.GetLastError(), "File is empty");
}

// Loaded records share one store for their values: they outlive the parser, take edits
// that grow them, and copies or moves of them own their values.
TEST_F(ParserReadTest, LoadedRecordsOutliveTheParserAndCopyCleanly) {
  const std::string longText = "objects\\weapons\\lasers\\mounted\\laser_body_main";
  std::string line = FixedLine(23, "SS_LASER_LONG_IDENTIFIER");
  line.replace(0, line.find(';'), longText);
  std::string second = FixedLine(23, "SS_B");
  second.replace(0, second.find(';'), longText + "_b");
  TXTObjectPtr kept;
  clsTXTObject moved, copied;
  const size_t chunksBefore = clsTxtParser::RecordChunkBytes();
  {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, "3;2;\r\n" + line + second, kTLaser)) << p.GetLastError();
    EXPECT_GT(clsTxtParser::RecordChunkBytes(), chunksBefore);
    kept = p.FindIndex(0);
    ASSERT_EQ(kept->TextAt(0), longText);
    copied = *kept;
    moved = std::move(*p.FindIndex(1));
    clsTXTObject assigned;
    assigned = std::move(copied);  // heap values move
    copied = assigned;
    // Edits after the load: a longer text, room inserted and removed.
    kept->SetValue(5, kz::Variant(std::string(40, 'x')));
    kept->InsertSpaceToArray(1, 50);
    kept->RemoveSpaceFromArray(1, 10);
    kept->SetValue(2, kz::Variant(longText + "_2"));
  }  // the parser and its other records are gone
  EXPECT_EQ(kept->size(), 63);
  EXPECT_EQ(kept->TextAt(0), longText);
  EXPECT_EQ(kept->TextAt(45), std::string(40, 'x'));
  EXPECT_EQ(kept->TextAt(2), longText + "_2");
  EXPECT_EQ(kept->ObjectName(), "SS_LASER_LONG_IDENTIFIER");
  EXPECT_TRUE(kept->Dirty);
  EXPECT_EQ(copied.TextAt(0), longText);
  EXPECT_EQ(copied.ObjectName(), "SS_LASER_LONG_IDENTIFIER");
  EXPECT_EQ(moved.ObjectName(), "SS_B");
  EXPECT_EQ(moved.size(), 23);
  EXPECT_EQ(moved.TextAt(0), longText + "_b");
  auto clone = kept->Clone();
  EXPECT_GT(clsTxtParser::RecordChunkBytes(), chunksBefore);  // kept holds the store
  kept.reset();  // the last loaded record: the store goes, its memory with it
  EXPECT_EQ(clsTxtParser::RecordChunkBytes(), chunksBefore);
  EXPECT_EQ(clone->TextAt(0), longText);
  EXPECT_EQ(copied.TextAt(0), longText);
  EXPECT_EQ(moved.TextAt(0), longText + "_b");
  // A load after the memory went back (taken again for the new records) reads whole.
  clsTxtParser again;
  ASSERT_TRUE(LoadText(again, "3;2;\r\n" + second + line, kTLaser)) << again.GetLastError();
  EXPECT_EQ(again.FindIndex(0)->TextAt(0), longText + "_b");
  EXPECT_EQ(again.FindIndex(1)->ObjectName(), "SS_LASER_LONG_IDENTIFIER");
}

// Loading and closing: the same records as a load, and the handle is gone afterwards,
// also when the file is refused.
TEST_F(ParserReadTest, LoadAndCloseReadsAsLoadAndClosesTheHandle) {
  struct Case {
    std::string bytes;
    int32_t type;
    bool ok;
  } cases[] = {{GenericFile(3, 23, {"SS_B", "SS_A"}), kTLaser, true},
               {GenericFile(47, 37, {"M1"}), kTMissiles, false},
               {std::string("3;1;\r\nab\0c;\r\n", 13), kTLaser, false}};
  for (const Case& c : cases) {
    clsTxtParser loaded, closed;
    EXPECT_EQ(LoadText(loaded, c.bytes, c.type), c.ok);
    WriteBytes("c.txt", c.bytes);
    int32_t h = RuDU_OpenFile(PathOf("c.txt").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0);
    EXPECT_EQ(closed.LoadAndClose(h, c.type), c.ok);
    EXPECT_EQ(rudu::HandleKindOf(h), 0) << "the handle is still open";
    EXPECT_EQ(closed.GetLastError(), loaded.GetLastError());
    EXPECT_EQ(NamesOf(closed.UnsortedObjects), NamesOf(loaded.UnsortedObjects));
    EXPECT_EQ(NamesOf(closed.objects), NamesOf(loaded.objects));
  }
}
