// Writing: round trips of every layout, refusals, and failed saves leaving the file whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <limits>
#include <thread>

#include "ShipLines.h"
#include "TypeFileFixture.h"
#include "tests/common/FileSizeLimit.h"

using namespace mdlKzConst;
using kz::Variant;

class ParserWriteTest : public TypeFileTest {
 protected:
  // Loads the text, saves it, and expects the same bytes back; then loads the saved
  // file again and expects the same records.
  void RoundTrip(const std::string& text, int32_t type) {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, type)) << p.GetLastError();
    std::string saved;
    ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
    EXPECT_EQ(saved, text) << "type " << type;
    clsTxtParser again;
    ASSERT_TRUE(LoadText(again, saved, type, "again.txt")) << again.GetLastError();
    ASSERT_EQ(again.Count(), p.Count());
    for (int32_t i = 0; i < p.Count(); ++i) {
      const auto& a = p.FindIndex(i)->Values();
      const auto& b = again.FindIndex(i)->Values();
      ASSERT_EQ(a.size(), b.size());
      for (size_t k = 0; k < a.size(); ++k) {
        EXPECT_TRUE(kz::VariantEquals(a[k], b[k])) << i << "/" << k;
        EXPECT_EQ(a[k].Kind(), b[k].Kind()) << i << "/" << k;
      }
    }
  }
  std::string JobLine(int n, const std::string& last, int seed) {
    std::string line;
    for (int i = 0; i < n - 1; ++i) line += (i == 1 ? "Name" + std::to_string(seed) : std::to_string(i * seed)) + ";";
    return line + last + "\r\n";
  }
};

TEST_F(ParserWriteTest, GenericRoundTripsByteForByte) {
  RoundTrip(GenericFile(3, 23, {"SS_LASER_B", "SS_LASER_A", "ss_laser_a"}), kTLaser);
  RoundTrip(GenericFile(5, 21, {"SS_SHIELD_1"}), kTShields);
  RoundTrip(GenericFile(48, 37, {"M1", "M2"}), kTMissiles);
  RoundTrip(GenericFile(13, 27, {"N1"}), kTNebula);
  RoundTrip(GenericFile(14, 36, {"N1", "N2"}), kTNebula);
  RoundTrip(GenericFile(1, 17, {"SS_WARE_\xC3\xA9", "caf\xC3\xA9"}), kTWare);  // Windows-1252 text
  RoundTrip(GenericFile(2, 20, {}), kWrecks);
}

TEST_F(ParserWriteTest, ShipsRoundTrip) {
  RoundTrip(Header() + "17;3;\r\n" + ShipLine(0, {}, "SS_SH_A") + ShipLine(2, {1, 3}, "SS_SH_B") +
                ShipLine(4, {0, 2, 1}, "SS_SH_C"),
            kTShips);
}

TEST_F(ParserWriteTest, JobsRoundTripWithoutRemarkOrCount) {
  const std::pair<int, int> versions[] = {{8, 117}, {9, 119}, {10, 120}};
  for (auto [version, n] : versions)
    RoundTrip(std::to_string(version) + ";\r\n" + JobLine(n, "First job", 2) + JobLine(n, "Second, job", 3), kJobs);
  RoundTrip("9;\r\n", kJobs);
}

TEST_F(ParserWriteTest, JobsLastFieldEmptyOrBlankKeepsItsSeparator) {
  // Without the separator the line would end after the field before, and the reader
  // would take the next line's first field as this record's last.
  RoundTrip("9;\r\n" + JobLine(119, ";", 4) + JobLine(119, " \t;", 5) + JobLine(119, "Last", 6), kJobs);
  // A record whose last field was emptied by an edit reads back with it.
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, "8;\r\n" + JobLine(117, "First", 1) + JobLine(117, "Second", 2), kJobs));
  p.FindIndex(0)->SetValue(116, Variant(std::string()));
  std::string saved;
  ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
  clsTxtParser again;
  ASSERT_TRUE(LoadText(again, saved, kJobs, "again.txt")) << again.GetLastError();
  ASSERT_EQ(again.Count(), 2);
  EXPECT_EQ(again.FindIndex(0)->TextAt(116), "");
  EXPECT_EQ(again.FindIndex(1)->TextAt(116), "Second");
  EXPECT_EQ(again.FindIndex(1)->LongAt(0), 0);
}

TEST_F(ParserWriteTest, JobWingsAndWareListsAreTheInverseOfTheirReaders) {
  RoundTrip(Header() + "1;10;11;12;\r\n2;20;\r\n-3;30;-31;\r\n", kJobWings);
  RoundTrip(Header(), kJobWings);
  RoundTrip(Header() + "3;\r\n2;SS_WARE_A;SS_WARE_B;\r\n0;\r\n1;12;\r\n", kWareLists);
  RoundTrip(Header() + "0;\r\n", kWareLists);
}

TEST_F(ParserWriteTest, EmptyParserAndEditedRecordsLoadBackEqual) {
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, GenericFile(6, 5, {}), kTSpecial));
  auto a = p.CreateObject();
  a->Construct(18);
  a->SetObjectName("SS_NEW");
  a->SetValue(1, Variant(2.5));
  a->SetValue(2, Variant(true));
  EXPECT_TRUE(p.CheckDirty());
  std::string saved;
  ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
  EXPECT_EQ(saved, Header() + "6;1;\r\n0;2.5;-1;" + std::string("0;0;0;0;0;0;0;0;0;0;0;0;0;0;") + "SS_NEW;\r\n");
  EXPECT_FALSE(p.CheckDirty());
  EXPECT_FALSE(a->Dirty);

  clsTxtParser empty;
  ASSERT_TRUE(LoadText(empty, "4;0;\r\n", kTLaser));
  ASSERT_TRUE(SaveTo(empty, "empty.txt", saved));
  EXPECT_EQ(saved, Header() + "4;0;\r\n");
}

TEST_F(ParserWriteTest, FailedSavesLeaveTheFileWhole) {
  const std::string old = "old content\r\n";
  auto attempt = [&](clsTxtParser& p, const char* what) {
    WriteBytes("target.txt", old);
    std::string saved;
    EXPECT_FALSE(SaveTo(p, "target.txt", saved)) << what;
    EXPECT_EQ(saved, old) << what;
    EXPECT_FALSE(p.GetLastError().empty()) << what;
    EXPECT_TRUE(p.CheckDirty() || !p.Modified()) << what;
  };
  {
    clsTxtParser p;  // generic: a text that would shift the fields
    ASSERT_TRUE(LoadText(p, GenericFile(3, 23, {"A", "B"}), kTLaser));
    p.FindIndex(1)->SetValue(0, Variant("a;b"));
    attempt(p, "generic");
    EXPECT_TRUE(p.FindIndex(1)->Dirty);  // nothing was saved
    EXPECT_NE(p.GetLastError().find("record 2"), std::string::npos) << p.GetLastError();
  }
  {
    clsTxtParser p;  // Jobs: a bad value in the middle, and a bad raw last field
    ASSERT_TRUE(LoadText(p, "8;\r\n" + JobLine(117, "Job", 1), kJobs));
    p.FindIndex(0)->SetValue(5, Variant("x\r\ny"));
    attempt(p, "jobs middle");
    p.FindIndex(0)->SetValue(5, Variant(5));
    p.FindIndex(0)->SetObjectName("Job;2");
    attempt(p, "jobs last");
  }
  {
    clsTxtParser p;  // JobWings: a text item, then a record without items
    ASSERT_TRUE(LoadText(p, "1;10;\r\n", kJobWings));
    p.FindIndex(0)->SetValue(1, Variant("ten"));
    attempt(p, "jobwings text");
    p.FindIndex(0)->SetValue(1, Variant(1.5));
    attempt(p, "jobwings fraction");
    p.FindIndex(0)->RemoveSpaceFromArray(1, 0);
    auto lone = p.CreateObject();
    lone->Construct(1);
    attempt(p, "jobwings lone");
  }
  {
    clsTxtParser p;  // IconData is refused
    ASSERT_TRUE(LoadText(p, "s;I;1;1;1;\r\nI_A;x;1;2;3;4;\r\n", kIconData));
    attempt(p, "icondata");
    EXPECT_NE(p.GetLastError().find("IconData"), std::string::npos);
  }
}

// A file larger than the writer's buffers, with every kind of value (texts the library
// converts, numbers of many forms), saves to the bytes FormatFile gives, whatever the
// write handle held before and wherever it stood; a second save after the file grew
// well past the first one's size does too.
TEST_F(ParserWriteTest, LargeSavesAreTheFormattedBytesWhateverTheHandleHeld) {
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, GenericFile(3, 23, {}), kTLaser));
  const Variant forms[] = {Variant(0.1), Variant(-0.0), Variant(2.5), Variant(1e-7), Variant(123456.789),
                           Variant(1e20), Variant(true), Variant(static_cast<int16_t>(-3)), Variant(),
                           Variant(std::string("caf\xC3\xA9")), Variant(std::string(300, 'w'))};
  auto add = [&](int records) {
    for (int i = 0; i < records; ++i) {
      auto r = p.CreateObject();
      r->Construct(23);
      for (int k = 0; k < 21; ++k) r->SetValue(k, forms[(i + k) % std::size(forms)]);
      r->SetValue(21, Variant(static_cast<float>(i) / 7));
      r->SetObjectName("SS_REC_" + std::to_string(i));
    }
  };
  add(1000);
  std::string want;
  ASSERT_TRUE(p.FormatFile(want)) << p.GetLastError();
  ASSERT_GT(want.size(), size_t{200} << 10);
  // The same bytes as the library's writer gives field by field.
  std::string library = Header() + "3;1000;\r\n";
  for (int32_t i = 0; i < p.Count(); ++i) {
    for (const Variant& v : p.FindIndex(i)->Values()) {
      Kz_Value k;
      switch (v.Kind()) {
        case kz::VariantKind::Integer:
        case kz::VariantKind::Long:
        case kz::VariantKind::Boolean: k.SetLong(static_cast<int32_t>(v.NumberValue())); break;
        case kz::VariantKind::Single:
        case kz::VariantKind::Double: k.SetDouble(v.NumberValue()); break;
        case kz::VariantKind::String: k.SetText(v.AsString()); break;
        default: k.SetText(""); break;
      }
      ASSERT_EQ(Kz_TXTFormatValue(k, library), 1);
    }
    library += "\r\n";
  }
  EXPECT_EQ(want, library);

  struct Case {
    const char* what;
    std::string old;  // what the target held ("" = nothing)
    int32_t create, seek;
  };
  const Case cases[] = {
      {"new file", "", 1, 0},
      {"kept content longer than the save", std::string(want.size() * 2, 'o'), 0, 0},
      {"after a kept head", "HEAD", 0, 4},
  };
  for (const Case& c : cases) {
    if (c.old.empty()) std::filesystem::remove(PathOf("big.txt"));
    else WriteBytes("big.txt", c.old);
    int32_t h = RuDU_OpenFile(PathOf("big.txt").c_str(), 1, c.create, 1);
    ASSERT_NE(h, 0);
    ASSERT_EQ(RuDU_SeekFile(h, c.seek, 0), c.seek);
    ASSERT_TRUE(p.Save(h)) << c.what << ": " << p.GetLastError();
    ASSERT_EQ(RuDU_CloseFile(h), 1);
    EXPECT_EQ(ReadBytes("big.txt"), c.old.substr(0, static_cast<size_t>(c.seek)) + want) << c.what;
  }

  add(3000);
  ASSERT_TRUE(p.FormatFile(want));
  std::string saved;
  ASSERT_TRUE(SaveTo(p, "grown.txt", saved)) << p.GetLastError();
  EXPECT_EQ(saved, want);
  clsTxtParser again;
  ASSERT_TRUE(LoadText(again, saved, kTLaser, "again.txt")) << again.GetLastError();
  ASSERT_EQ(again.Count(), p.Count());
  EXPECT_EQ(again.FindIndex(3999)->Values().size(), 23u);
  EXPECT_EQ(kz::CStr(again.FindIndex(9)->Value(0)), "caf\xC3\xA9");
}

// A value refused far into a large save (after much of it was formed), or a handle the
// save cannot write, fail the save: the old file stays whole and nothing is marked saved.
TEST_F(ParserWriteTest, LargeFailedSavesLeaveTheFileWhole) {
  std::vector<std::string> ids;
  for (int i = 0; i < 4000; ++i) ids.push_back("SS_LASER_" + std::to_string(i));
  const std::string old = "old content\r\n";
  struct Case {
    const char* what;
    Variant last;  // set into the last record, or Empty for a read handle
    const char* reason;
  };
  const Case cases[] = {
      {"separator in a text", Variant(std::string("x;y")), "record 4000"},
      {"not finite", Variant(std::numeric_limits<double>::infinity()), "record 4000"},
      {"character Windows-1252 lacks", Variant(std::string("\xE2\x82\xAC\xE2\x98\x83")), "record 4000"},
      {"read handle", Variant(), "reading only"},
  };
  for (const Case& c : cases) {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, GenericFile(3, 23, ids), kTLaser));
    WriteBytes("target.txt", old);
    const bool readHandle = c.last.IsEmpty();
    if (!readHandle) p.FindIndex(3999)->SetValue(4, c.last);
    else p.FindIndex(0)->SetValue(4, Variant(5));
    int32_t h = RuDU_OpenFile(PathOf("target.txt").c_str(), readHandle ? 0 : 1, readHandle ? 0 : 1, readHandle ? 0 : 1);
    ASSERT_NE(h, 0);
    EXPECT_FALSE(p.Save(h)) << c.what;
    RuDU_CloseFile(h);
    EXPECT_EQ(ReadBytes("target.txt"), old) << c.what;
    EXPECT_NE(p.GetLastError().find(c.reason), std::string::npos) << c.what << ": " << p.GetLastError();
    EXPECT_TRUE(p.CheckDirty()) << c.what;
  }
}

// A save whose bytes cannot all be written (the disk full part way, or a value refused
// after much of the file was written out) fails with the reason: the old file stays
// whole, nothing is marked saved, and nothing is left beside it; the next save that can
// be written is whole.
TEST_F(ParserWriteTest, ASaveCutShortLeavesTheFileWholeAndNothingBesideIt) {
  std::vector<std::string> ids;
  for (int i = 0; i < 4000; ++i) ids.push_back("SS_LASER_" + std::to_string(i));
  const std::string old = "old content\r\n";
  auto names = [&] {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  };
  const std::vector<std::string> alone = {"t.txt", "target.txt"};
  for (const bool full : {true, false}) {
    const char* what = full ? "disk full" : "refused value";
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, GenericFile(3, 23, ids), kTLaser));
    p.FindIndex(3999)->SetValue(4, full ? Variant(5) : Variant(std::string("x;y")));
    WriteBytes("target.txt", old);
    {
      kztest::FileSizeLimit limit(full ? 64 * 1024 : RLIM_INFINITY);
      std::string saved;
      EXPECT_FALSE(SaveTo(p, "target.txt", saved)) << what;
    }
    EXPECT_EQ(ReadBytes("target.txt"), old) << what;
    EXPECT_NE(p.GetLastError().find(full ? "target.txt" : "record 4000"), std::string::npos) << what << ": " << p.GetLastError();
    EXPECT_TRUE(p.CheckDirty()) << what;
    EXPECT_EQ(names(), alone) << what;

    p.FindIndex(3999)->SetValue(4, Variant(6));
    std::string want, saved;
    ASSERT_TRUE(p.FormatFile(want));
    ASSERT_TRUE(SaveTo(p, "target.txt", saved)) << what << ": " << p.GetLastError();
    EXPECT_EQ(saved, want) << what;
    EXPECT_FALSE(p.CheckDirty()) << what;
    EXPECT_EQ(names(), alone) << what;
  }
}

// A large file is formed by several threads in parts: the bytes are those of one pass,
// and a refusal reported is the first in the file, whichever part met it.
TEST_F(ParserWriteTest, SavesFormedInPartsAreTheBytesOfOnePassAndReportTheFirstRefusal) {
  struct PartSize {
    ~PartSize() { clsTxtParser::SetSavePartBytes(clsTxtParser::kDefaultSavePartBytes); }
  } restore;
  std::vector<std::string> ids;
  for (int i = 0; i < 2400; ++i) ids.push_back(i % 7 == 0 ? "SS_CAF\xC3\x89_" + std::to_string(i) : "SS_" + std::to_string(i));
  const std::string text = GenericFile(3, 23, ids);
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, text, kTLaser));
  clsTxtParser::SetSavePartBytes(SIZE_MAX);
  std::string onePass, inParts;
  ASSERT_TRUE(p.FormatFile(onePass)) << p.GetLastError();
  EXPECT_EQ(onePass, text);
  clsTxtParser::SetSavePartBytes(16 << 10);
  ASSERT_TRUE(p.FormatFile(inParts)) << p.GetLastError();
  EXPECT_EQ(inParts, onePass);
  std::string saved;
  ASSERT_TRUE(SaveTo(p, "parts.txt", saved)) << p.GetLastError();
  EXPECT_EQ(saved, onePass);

  const std::string old = "old content\r\n";
  const std::vector<int> spoiled[] = {{2399}, {1300, 2000}, {0, 2399}, {599, 600, 1799}};
  for (const auto& records : spoiled) {
    clsTxtParser q;
    ASSERT_TRUE(LoadText(q, text, kTLaser));
    for (int r : records) q.FindIndex(r)->SetValue(3, Variant("x\r\ny"));
    WriteBytes("target.txt", old);
    EXPECT_FALSE(SaveTo(q, "target.txt", saved)) << records.front();
    EXPECT_EQ(saved, old) << records.front();
    const std::string first = "record " + std::to_string(records.front() + 1) + " (";
    EXPECT_NE(q.GetLastError().find(first), std::string::npos) << q.GetLastError();
    EXPECT_TRUE(q.FindIndex(records.front())->Dirty);
  }
}

// Texts read where they stand in the file's bytes are written as the library forms the
// same texts: as they stand when it takes them, else the save is refused and the file
// left whole; whatever their length, and wherever in the field a byte the library
// does not take stands.
TEST_F(ParserWriteTest, TextsReadInPlaceAreSavedAsTheLibraryFormsThem) {
  const int n = RecordSizeOf(kTLaser);
  const std::vector<std::string> texts = {
      "abcdef", "objects\\ships\\body_17", "a//bcdef", "//abcdef", "/abcdefg", "abcdef//", "ab\rcdefg",
      "abcdefg\r", "\rabcdefg", "  spaced out  ", "\tabcdefg", "\x7F\x01\x1F" "abcdef",
      std::string(790, 'x') + "y", std::string(801, 'x'), std::string(5000, 'z') + "\r" + "zz",
      std::string(5000, 'w')};
  for (const std::string& t : texts) {
    const std::string shown = "text of " + std::to_string(t.size()) + " bytes: " + t.substr(0, 12);
    std::string line;
    for (int i = 0; i < n - 1; ++i) line += (i == 2 || i == n - 2 ? t : std::to_string(i)) + ";";
    const std::string text = Header() + "3;2;\r\n" + line + "SS_A;\r\n" + line + "SS_B;\r\n";
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, kTLaser)) << shown << ": " << p.GetLastError();
    ASSERT_EQ(p.FindIndex(1)->TextAt(2), t) << shown;
    Kz_Value value;
    value.SetText(t);
    std::string field;
    const bool takes = Kz_TXTFormatValue(value, field) != 0;
    EXPECT_EQ(takes, field == t + ";") << shown;
    const std::string old = "old content\r\n";
    WriteBytes("out.txt", old);
    std::string saved;
    EXPECT_EQ(SaveTo(p, "out.txt", saved), takes) << shown << ": " << p.GetLastError();
    EXPECT_EQ(saved, takes ? text : old) << shown;
    std::string formed;
    EXPECT_EQ(p.FormatFile(formed), takes) << shown;
    if (takes) {
      EXPECT_EQ(formed, text) << shown;
    }
  }
}

// The buffers a save's parts are formed in are kept from one save to the next: a save
// after a larger one, a larger one after it, and saves of two files at once from two
// threads are each the bytes of their own file.
TEST_F(ParserWriteTest, SavesInPartsAfterOneAnotherAndAtOnceAreEachTheirOwnBytes) {
  struct PartSize {
    ~PartSize() { clsTxtParser::SetSavePartBytes(clsTxtParser::kDefaultSavePartBytes); }
  } restore;
  auto file = [](int records, const std::string& tag) {
    std::vector<std::string> ids;
    for (int i = 0; i < records; ++i) ids.push_back("SS_" + tag + "_" + std::to_string(i));
    return GenericFile(3, 23, ids);
  };
  const std::string bigText = file(3000, "BIG"), smallText = file(700, "SMALL");
  clsTxtParser big, small;
  ASSERT_TRUE(LoadText(big, bigText, kTLaser, "big.txt")) << big.GetLastError();
  ASSERT_TRUE(LoadText(small, smallText, kTLaser, "small.txt")) << small.GetLastError();
  clsTxtParser::SetSavePartBytes(16 << 10);
  std::string saved;
  for (clsTxtParser* p : {&big, &small, &big, &small, &small, &big}) {
    const std::string& want = p == &big ? bigText : smallText;
    ASSERT_TRUE(SaveTo(*p, "out.txt", saved)) << p->GetLastError();
    EXPECT_EQ(saved, want) << (p == &big ? "big" : "small");
  }

  const std::string bigPath = PathOf("big_out.txt"), smallPath = PathOf("small_out.txt");
  auto saveOften = [](clsTxtParser& p, const std::string& path, bool& ok) {
    ok = true;
    for (int k = 0; k < 6 && ok; ++k) {
      const int32_t h = RuDU_OpenFile(path.c_str(), 1, 1, 1);
      ok = h != 0 && p.Save(h);
      RuDU_CloseFile(h);
    }
  };
  bool bigOk = false, smallOk = false;
  std::thread other(saveOften, std::ref(big), std::cref(bigPath), std::ref(bigOk));
  saveOften(small, smallPath, smallOk);
  other.join();
  EXPECT_TRUE(bigOk) << big.GetLastError();
  EXPECT_TRUE(smallOk) << small.GetLastError();
  EXPECT_EQ(ReadBytes("big_out.txt"), bigText);
  EXPECT_EQ(ReadBytes("small_out.txt"), smallText);
}
