// Saving keeps the bytes of every value nobody changed: numbers written in another form
// than the writer's own ("0.050000", "007", ".5") come back as they were read, in every
// layout, through edits of other values, equal-value sets and copies of records.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ShipLines.h"
#include "TypeFileFixture.h"
#include "typefiles/Cockpit.h"
#include "typefiles/CockpitParser.h"
#include "typefiles/Ship.h"
#include "typefiles/ShipParser.h"
#include "videdoded.h"

using namespace mdlKzConst;
using kz::Variant;

namespace {

// The tokens of one line, each followed by ";".
std::string Line(const std::vector<std::string>& tokens) {
  std::string line;
  for (const auto& t : tokens) line += t + ";";
  return line + "\r\n";
}

// A record of n values: the tokens (cut or padded with "1"), then the ID.
std::string Record(int n, std::vector<std::string> tokens, const std::string& id) {
  tokens.resize(static_cast<size_t>(n - 1), "1");
  tokens.push_back(id);
  return Line(tokens);
}

// Numbers in every form the reader takes that the writer would form otherwise, with the
// texts that look like numbers but are not, and a few numbers in the writer's own form.
const std::vector<std::string> kWholeForms = {"007",  "-0",          "-007",        "00",
                                              "0042", "02147483647", "-02147483648", "7",
                                              "-12",  "0",           "2147483647",  "-2147483648"};
const std::vector<std::string> kFloatForms = {"0.050000", "2.500000", ".5",     "5.",   "-.5",  "-5.",
                                              "00.5",     "-0.0",     "-0.000", "1.10", "0.000000",
                                              "3.14159265358979323846", "0.1000000000000000055511151231257827",
                                              "000000000000000000001.5", "12345678901234567890.0",
                                              "2.5", "0.05", "5.0", "-0.25", "0.30000000000000004"};
const std::vector<std::string> kTextForms = {"+5", "2147483648", "-2147483649", "99999999999999999999", "1e5",
                                             "1.5e3", " 5", "5 ", ".", "-", "-.", "0x10", "", "a b", "1,5",
                                             "1.2.3", "objects\\a"};

std::vector<std::string> AllForms() {
  std::vector<std::string> all = kWholeForms;
  all.insert(all.end(), kFloatForms.begin(), kFloatForms.end());
  all.insert(all.end(), kTextForms.begin(), kTextForms.end());
  return all;
}

// The forms from `first` on, `n` of them (wrapping round).
std::vector<std::string> FormsFrom(size_t first, size_t n) {
  const std::vector<std::string> all = AllForms();
  std::vector<std::string> out;
  for (size_t i = 0; i < n; ++i) out.push_back(all[(first + i) % all.size()]);
  return out;
}

std::string FileHeader() { return "// Created with " + kz::GetAppTitleVersion() + "\r\n"; }

// The fields of a line (without the line end).
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  size_t at = 0;
  for (size_t semi; (semi = line.find(';', at)) != std::string::npos; at = semi + 1) out.push_back(line.substr(at, semi - at));
  return out;
}

// A generic file of records of n values holding every form; the version and the count
// with a leading zero when padded.
std::string GenericFormsFile(int version, int n, bool padded = false) {
  const size_t forms = AllForms().size();
  int records = 0;
  std::string body;
  for (size_t at = 0; at < forms + 3; at += static_cast<size_t>(n - 1), ++records)
    body += Record(n, FormsFrom(at, static_cast<size_t>(n - 1)), "SS_REC_" + std::to_string(records));
  const std::string zero = padded ? "0" : "";
  return FileHeader() + zero + std::to_string(version) + ";" + zero + std::to_string(records) + ";\r\n" + body;
}

// A ship (2 turrets, groups of 1 and 3 guns) whose numbers are written in other forms.
std::string PaddedShipLine(const std::string& id) {
  std::string line = ShipLine(2, {1, 3}, id);
  line = ReplaceField(line, 1, "0.050000");
  line = ReplaceField(line, 2, "007");
  line = ReplaceField(line, 3, "-0");
  line = ReplaceField(line, 4, ".5");
  line = ReplaceField(line, 19, "04");           // the gun count
  line = ReplaceField(line, 53, "02");           // the turret count
  line = ReplaceField(line, 55, "0101");         // a turret entry
  line = ReplaceField(line, 62, "02");           // the gun group count
  line = ReplaceField(line, 65, "0.500000");     // the first group's header
  line = ReplaceField(line, 66, "01");           // its gun count
  line = ReplaceField(line, 68, "5.");           // its gun
  line = ReplaceField(line, 63 + 4 + 6 + 3, "003");  // the second group's gun count
  return line;
}

std::string JobFields(int n, int seed, const std::string& last) {
  std::vector<std::string> v;
  for (int i = 0; i < n - 1; ++i) {
    if (i == 1)
      v.push_back("Name" + std::to_string(seed));
    else
      v.push_back(AllForms()[static_cast<size_t>(i + seed) % AllForms().size()]);
  }
  std::string line;
  for (const auto& t : v) line += t + ";";
  return line + last + "\r\n";
}

}  // namespace

class ValueBytesTest : public TypeFileTest {
 protected:
  // Loads, saves and expects the same bytes; the saved file saves the same again.
  void ExpectSavedUnchanged(clsTxtParser& p, const std::string& text) {
    std::string saved;
    ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
    EXPECT_EQ(saved, text);
    std::string formed;
    ASSERT_TRUE(p.FormatFile(formed)) << p.GetLastError();
    EXPECT_EQ(formed, text);
  }
  void RoundTrip(const std::string& text, int32_t type) {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, type)) << p.GetLastError();
    EXPECT_FALSE(p.CheckDirty());
    ExpectSavedUnchanged(p, text);
    clsTxtParser again;
    ASSERT_TRUE(LoadText(again, text, type, "again.txt")) << again.GetLastError();
    ExpectSavedUnchanged(again, text);
  }
};

TEST_F(ValueBytesTest, EveryAcceptedFormComesBackByteForByteInEveryLayout) {
  struct Case {
    const char* name;
    std::string text;
    int32_t type;
  };
  const Case cases[] = {
      {"lasers", GenericFormsFile(3, 23), kTLaser},
      {"lasers, header numbers in other forms", GenericFormsFile(3, 23, true), kTLaser},
      {"lasers, header numbers written as floating-point ones",
       std::string(GenericFormsFile(3, 23)).replace(FileHeader().size(), 4, "3.0;3.00;"), kTLaser},
      {"cockpits", GenericFormsFile(7, 19), kTCockpits},
      {"wares", GenericFormsFile(1, 17), kTWare},
      {"ships", Header() + "30;002;\r\n" + PaddedShipLine("SS_SH_A") + PaddedShipLine("SS_SH_B"), kTShips},
      {"jobs", "09;\r\n" + JobFields(119, 3, "0.50") + JobFields(119, 7, "-007") + JobFields(119, 9, "Last"), kJobs},
      {"job wings", Header() + "01;002;3;-0;\r\n5;6.0;\r\n", kJobWings},
      {"ware lists", Header() + "2;\r\n2;007;0.50;\r\n1;SS_WARE_A;\r\n", kWareLists},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RoundTrip(c.text, c.type);
  }
}

TEST_F(ValueBytesTest, ShipsAndCockpitsThroughTheirObjectsKeepUntouchedValues) {
  // Ships: the objects are built from the counts read in other forms; a new turret
  // changes its counts and adds its entries, every other value keeps its bytes.
  const std::string a = PaddedShipLine("SS_SH_A"), b = PaddedShipLine("SS_SH_B");
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, Header() + "30;2;\r\n" + a + b, kTShips)) << p.GetLastError();
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(p)) << ships.GetLastError();
  ExpectSavedUnchanged(p, Header() + "30;2;\r\n" + a + b);
  ShipPtr ship = ships.UnsortedShips.Item(1);
  ship->MakeNewTurret();
  std::string saved;
  ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
  const size_t from = saved.find("\r\n30;2;\r\n") + 9;
  const std::vector<std::string> before = Fields(a), after = Fields(saved.substr(from, saved.find("\r\n", from) - from));
  ASSERT_EQ(after.size(), before.size() + 8);  // a turret entry and an empty gun group
  EXPECT_EQ(after[53], "3");                  // the counts changed are formed anew
  EXPECT_EQ(after[66], "3");
  // The values untouched keep their bytes, where the new entries moved them.
  for (size_t field : {1, 2, 3, 4, 19, 55}) EXPECT_EQ(after[field], before[field]) << field;
  for (size_t field : {65, 66, 68, 76}) EXPECT_EQ(after[field + 4], before[field]) << field;
  EXPECT_NE(saved.find(b), std::string::npos);  // the other ship whole

  // Cockpits: a page setting the value it shows (at single precision) changes nothing.
  clsTxtParser cp;
  const std::string text = GenericFormsFile(7, 19);
  ASSERT_TRUE(LoadText(cp, text, kTCockpits, "c.txt")) << cp.GetLastError();
  clsCockpitParser cockpits;
  ASSERT_TRUE(cockpits.Load(cp));
  const CockpitPtr c = cockpits.FindIndex(0);
  for (int32_t i = 0; i < c->size(); ++i) {
    if (!cp.FindIndex(0)->Value(i).IsNumeric()) continue;
    c->SetValue(i, c->Value(i));
  }
  EXPECT_FALSE(cp.CheckDirty());
  ExpectSavedUnchanged(cp, text);
}

TEST_F(ValueBytesTest, AnEditedValueChangesOnlyItsOwnBytes) {
  const std::string header = Header() + "3;1;\r\n";
  const std::vector<std::string> tokens = {"0.050000", "007", "2.500000", "-0", ".5", "00.5", "5.", "1.10"};
  const std::string line = Record(23, tokens, "SS_A");
  struct Edit {
    int32_t field;
    Variant value;
    const char* bytes;
  };
  const Edit edits[] = {
      {0, Variant(0.25), "0.25"},         {1, Variant(int32_t{8}), "8"},    {2, Variant(2.75), "2.75"},
      {3, Variant(int32_t{1}), "1"},      {4, Variant(int32_t{5}), "5"},    {5, Variant(std::string("x")), "x"},
      {6, Variant(5.5), "5.5"},           {7, Variant(int16_t{3}), "3"},    {0, Variant(std::string("0.050000")), "0.050000"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.field);
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, header + line, kTLaser)) << p.GetLastError();
    p.FindIndex(0)->SetValue(e.field, e.value);
    std::string saved;
    ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
    EXPECT_EQ(saved, header + ReplaceField(line, static_cast<size_t>(e.field), e.bytes));
  }
}

TEST_F(ValueBytesTest, SettingAnEqualValueKeepsTheBytes) {
  const std::string header = Header() + "3;1;\r\n";
  const std::vector<std::string> tokens = {"0.050000", "007", "2.500000", "-0", ".5", "5.", "-0.000", "0042"};
  const std::string text = header + Record(23, tokens, "SS_A");
  struct Set {
    int32_t field;
    Variant value;
  };
  // The value the field holds, as the pages hand it back: of its own kind or another.
  const Set sets[] = {
      {0, Variant(0.05)}, {1, Variant(int32_t{7})}, {1, Variant(int16_t{7})}, {1, Variant(7.0)},
      {2, Variant(2.5)},  {2, Variant(2.5f)},       {3, Variant(int32_t{0})}, {4, Variant(0.5)},
      {5, Variant(int32_t{5})}, {6, Variant(-0.0)}, {7, Variant(42.0)},
  };
  for (const Set& s : sets) {
    SCOPED_TRACE(s.field);
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, kTLaser)) << p.GetLastError();
    const TXTObjectPtr r = p.FindIndex(0);
    const kz::VariantKind kind = r->KindAt(s.field);
    r->SetValue(s.field, s.value);
    EXPECT_FALSE(r->Dirty);
    EXPECT_TRUE(kz::VariantEquals(r->Value(s.field), s.value));
    EXPECT_EQ(r->KindAt(s.field), kind);  // the value as it was read
    ExpectSavedUnchanged(p, text);
    // A value set twice, away and back, is formed anew: it was changed.
    r->SetValue(s.field, Variant(std::string("other")));
    r->SetValue(s.field, s.value);
    EXPECT_TRUE(r->Dirty);
  }
}

TEST_F(ValueBytesTest, CopiesOfRecordsKeepTheReadTexts) {
  const std::vector<std::string> tokens = {"0.050000", "007", "2.500000", "-0", ".5", "5.", "a text long enough"};
  const std::string line = Record(23, tokens, "SS_A");
  const std::string data = line.substr(0, line.size() - 2);  // without the line end
  clsTXTObject copied, assigned, moved;
  TXTObjectPtr clone;
  auto viaCopyTo = std::make_shared<clsTXTObject>();
  {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, Header() + "3;1;\r\n" + line, kTLaser)) << p.GetLastError();
    const TXTObjectPtr r = p.FindIndex(0);
    EXPECT_EQ(r->GetObjectTData(), data);
    clsTXTObject copy(*r);
    copied = copy;
    assigned = *r;
    clsTXTObject source(*r);
    moved = std::move(source);
    clone = r->Clone();
    r->CopyTo(*viaCopyTo);
    // A record duplicated into the file is saved with the same bytes.
    const TXTObjectPtr dup = p.CreateObject();
    const int32_t id = dup->id, index = dup->index;
    r->CopyTo(*dup);
    dup->id = id;
    dup->index = index;
    dup->SetObjectName("SS_B");
    std::string saved;
    ASSERT_TRUE(SaveTo(p, "out.txt", saved)) << p.GetLastError();
    EXPECT_EQ(saved, Header() + "3;2;\r\n" + line + ReplaceField(line, 22, "SS_B"));
  }
  // The file's records are gone: the copies hold texts of their own.
  for (const clsTXTObject* r : {&copied, &assigned, &moved, clone.get(), viaCopyTo.get()}) EXPECT_EQ(r->GetObjectTData(), data);
  // A copy set to an equal value keeps the text; one set to another forms it anew.
  copied.SetValue(0, Variant(0.05));
  copied.SetValue(1, Variant(int32_t{70}));
  const std::string edited = ReplaceField(line, 1, "70");
  EXPECT_EQ(copied.GetObjectTData(), edited.substr(0, edited.size() - 2));
}

// Values the writer refuses are refused as before, next to numbers that keep their text.
TEST_F(ValueBytesTest, RefusedValuesBesideReadTextsStillFailTheSave) {
  const std::string text = Header() + "3;1;\r\n" + Record(23, {"0.050000", "007", "2.500000"}, "SS_A");
  const Variant refused[] = {Variant(std::static_pointer_cast<kz::Object>(std::make_shared<clsTXTObject>())),
                             Variant(std::string("a;b")), Variant(std::numeric_limits<double>::infinity())};
  for (const Variant& v : refused) {
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, kTLaser)) << p.GetLastError();
    p.FindIndex(0)->SetValue(1, v);
    std::string saved;
    EXPECT_FALSE(SaveTo(p, "out.txt", saved));
    EXPECT_NE(p.GetLastError().find("field 1"), std::string::npos) << p.GetLastError();
  }
}

// Texts set on a record, of every length around the ones a value cell holds inside it
// (up to 5 bytes) and with every byte the writer takes or refuses at each place: each is
// saved as the library's own formatter forms it, or fails the save where it refuses.
TEST_F(ValueBytesTest, TextsAreSavedAsTheLibraryFormsThem) {
  std::vector<std::string> texts = {"", "a", "ab", "abc", "abcd", "abcde", "abcdef", "abcdefgh", "/", "//", "//a",
                                    "/a", "a//", "a/", "x//yz", "\t", " ", "  x  ", "\xC3\xA4", "a\xC3\xA4b",
                                    "\xE2\x82\xAC", "\x7F"};
  for (const char bad : {';', '\r', '\n', '\0'})
    for (size_t at = 0; at < 7; ++at) {
      std::string t = std::string(at, 'q') + bad;
      texts.push_back(t);
      texts.push_back(t + "zz");
    }
  const std::string text = Header() + "3;1;\r\n" + Record(23, {"5", "7"}, "SS_A");
  for (const std::string& t : texts) {
    const std::string shown = "text of " + std::to_string(t.size()) + " bytes: " + kz::CStr(Variant(t));
    Kz_Value value;
    value.SetText(t);
    std::string field;
    const bool takes = Kz_TXTFormatValue(value, field) != 0;
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, text, kTLaser)) << p.GetLastError();
    p.FindIndex(0)->SetValue(2, Variant(t));
    std::string saved;
    const bool ok = SaveTo(p, "out.txt", saved);
    EXPECT_EQ(ok, takes) << shown << ": " << p.GetLastError();
    if (ok && takes)
      EXPECT_EQ(saved, Header() + "3;1;\r\n" + Record(23, {"5", "7", field.substr(0, field.size() - 1)}, "SS_A"))
          << shown;
  }
}

// A ship operation that fails part-way puts the record back as it was: the numbers
// keep the texts they were read from.
TEST_F(ValueBytesTest, AFailedShipOperationRestoresTheReadTexts) {
  // The last turret (number 2) owns the third gun group; without it the other two
  // groups' pseudo gun counts add up past 32 bits, so the gun count cannot be refreshed.
  std::string line = ShipLine(2, {0, 0, 0}, "SS_SH_A");
  line = ReplaceField(line, 1, "0.050000");
  line = ReplaceField(line, 58, "02");  // the last turret's number
  line = ReplaceField(line, 64, "2147483647");
  line = ReplaceField(line, 65, "01");
  line = ReplaceField(line, 68, "2147483647");
  line = ReplaceField(line, 69, "1.0");
  line = ReplaceField(line, 72, "0");
  line = ReplaceField(line, 73, "002");
  const std::string text = Header() + "30;1;\r\n" + line;
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, text, kTShips)) << p.GetLastError();
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(p)) << ships.GetLastError();
  const ShipPtr ship = ships.UnsortedShips.Item(1);
  ASSERT_EQ(ship->Turrets.Count(), 2);
  EXPECT_FALSE(ship->RemoveTurret(ship->Turrets.Item(2)));
  EXPECT_EQ(ship->Turrets.Count(), 2);
  EXPECT_FALSE(p.CheckDirty());
  ExpectSavedUnchanged(p, text);
}
