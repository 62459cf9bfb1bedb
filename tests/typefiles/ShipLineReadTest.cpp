// Ship records whose turret, gun group or gun counts do not add up to the values of
// their line: the file opens, the ship holds its line as it stands (and saves it back
// so), the parser names it, and the other ships load as from a clean file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ShipLines.h"
#include "TypeFileFixture.h"

using namespace mdlKzConst;

namespace {

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  size_t at = 0;
  for (size_t semi; (semi = line.find(';', at)) != std::string::npos; at = semi + 1) out.push_back(line.substr(at, semi - at));
  return out;
}

std::string Joined(const std::vector<std::string>& fields) {
  std::string line;
  for (const auto& f : fields) line += f + ";";
  return line + "\r\n";
}

// One turret entry, one gun group of two guns: T at 53, G at 58, the group's gun count
// at 62, its guns at 63 .. 74, the tail at 75 .. 84 (here numbers of at least 0, so
// that a count read from the tail is a count).
std::vector<std::string> BaseShip() {
  std::vector<std::string> f = Fields(ShipLine(1, {2}, "SS_SH_B"));
  for (size_t i = 75; i < 84; ++i) f[i] = "7";
  return f;
}

class ShipLineReadTest : public TypeFileTest {
 protected:
  const std::string first = ShipLine(0, {}, "SS_SH_A");
  const std::string third = ShipLine(2, {1, 3}, "SS_SH_C");
  // The three ships at lines 3, 4 and 5.
  std::string File(const std::string& second) const { return "17;3;\r\n" + first + second + third; }
};

}  // namespace

TEST_F(ShipLineReadTest, CountsThatDoNotAddUpKeepTheLineAndSayWhat) {
  struct Case {
    const char* name;
    std::vector<std::string> fields;
    std::string what;
  };
  auto with = [](std::vector<std::pair<size_t, std::string>> set) {
    std::vector<std::string> f = BaseShip();
    for (const auto& [i, v] : set) f[i] = v;
    return f;
  };
  std::vector<std::string> headerCut = with({{58, "2"}});
  headerCut.erase(headerCut.begin() + 76, headerCut.end() - 1);  // 76 values and the ID
  std::vector<std::string> tailCut = BaseShip();
  tailCut.erase(tailCut.begin() + 75, tailCut.begin() + 78);
  const Case cases[] = {
      {"turret entries", with({{53, "9"}}), "its line ends after 85 values, within the 9 turret entries that field 53 counts"},
      {"a huge turret count", with({{53, "2000000000"}}),
       "its line ends after 85 values, within the 2000000000 turret entries that field 53 counts"},
      {"a gun group's guns", with({{58, "2"}}),
       "its line ends after 85 values, within the 7 guns that field 78 counts for gun group 2"},
      {"a gun group's header", headerCut,
       "its line ends after 77 values, within the header of gun group 2 of the 2 that field 58 counts"},
      {"guns", with({{62, "5"}}), "its line ends after 85 values, within the 5 guns that field 62 counts for gun group 1"},
      {"the tail", tailCut, "its line ends after 82 values, within the 10 values that end a ship"},
      {"more values than counted", with({{62, "1"}}), "its counts add up to 79 values, and its line holds 85"},
      {"a negative turret count", with({{53, "-1"}}), "the turret count (field 53) is not a count: -1"},
      {"a turret count that is text", with({{53, "abc"}}), "the turret count (field 53) is not a count: abc"},
      {"a gun group count with a fraction", with({{58, "1.5"}}), "the gun group count (field 58) is not a count: 1.5"},
      {"a gun count that is text", with({{62, "x"}}), "the gun count of gun group 1 (field 62) is not a count: x"},
  };
  clsTxtParser clean;
  ASSERT_TRUE(LoadText(clean, File(Joined(BaseShip())), kTShips, "clean.txt")) << clean.GetLastError();
  EXPECT_TRUE(clean.LineRecords().empty());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = File(Joined(c.fields));
    clsTxtParser p;
    ASSERT_TRUE(LoadText(p, "// ships\r\n" + text, kTShips)) << p.GetLastError();
    EXPECT_TRUE(p.Parsed());
    ASSERT_EQ(p.Count(), 3);
    // The other ships as a clean file has them.
    EXPECT_EQ(p.FindIndex(0)->GetObjectTData(), clean.FindIndex(0)->GetObjectTData());
    EXPECT_EQ(p.FindIndex(2)->GetObjectTData(), clean.FindIndex(2)->GetObjectTData());
    // The ship of the line: every value of it, its ID last.
    TXTObjectPtr bad = p.FindIndex(1);
    EXPECT_EQ(static_cast<size_t>(bad->size()), c.fields.size());
    EXPECT_EQ(bad->ObjectName(), "SS_SH_B");
    EXPECT_FALSE(bad->Dirty);
    EXPECT_FALSE(p.CheckDirty());
    ASSERT_EQ(p.LineRecords().size(), 1u);
    EXPECT_EQ(p.LineRecords()[0].id, bad->id);
    EXPECT_EQ(p.LineRecords()[0].line, 4);
    EXPECT_EQ(p.LineRecords()[0].what, c.what);
    // Saved: the line as it was read, byte for byte.
    std::string saved;
    ASSERT_TRUE(SaveTo(p, "saved.txt", saved)) << p.GetLastError();
    EXPECT_EQ(saved, Header() + text);
  }
}

// The case on the sample data: the scout's turret count raised from 1 to 5.
TEST_F(ShipLineReadTest, TheSampleFileWithARaisedTurretCountOpensAndIsMendedInItsRecord) {
  const std::string root = PathOf("data");
  const std::string cmd = std::string(KZ_TEST_BINARY_DIR) + "/bin/kz_sampledata '" + root + "' > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::string original = kztest::FileBytes(root + "/types/TShips.txt");
  const size_t scoutAt = original.find("\r\n", original.find("\r\n") + 2) + 2;  // after the remark and the counts
  const size_t scoutEnd = original.find("\r\n", scoutAt) + 2;
  const std::string scout = original.substr(scoutAt, scoutEnd - scoutAt);
  ASSERT_NE(scout.find("SS_SH_SCOUT;"), std::string::npos) << scout;
  ASSERT_EQ(Fields(scout)[53], "1");
  const std::string damaged = original.substr(0, scoutAt) + ReplaceField(scout, 53, "5") + original.substr(scoutEnd);

  clsTxtParser clean, p;
  ASSERT_TRUE(LoadText(clean, original, kTShips, "clean.txt"));
  ASSERT_TRUE(LoadText(p, damaged, kTShips, "TShips.txt")) << p.GetLastError();
  ASSERT_EQ(p.Count(), 5);
  for (int32_t i = 1; i < 5; ++i) EXPECT_EQ(p.FindIndex(i)->GetObjectTData(), clean.FindIndex(i)->GetObjectTData()) << i;
  TXTObjectPtr bad = p.FindIndex(0);
  EXPECT_EQ(bad->size(), clean.FindIndex(0)->size());
  ASSERT_EQ(p.LineRecords().size(), 1u);
  EXPECT_EQ(p.LineRecords()[0].id, bad->id);
  EXPECT_EQ(p.LineRecords()[0].line, 3);
  EXPECT_EQ(p.LineRecords()[0].what, "its line ends after 69 values, within the 5 turret entries that field 53 counts");

  // Mended in its record (as the raw view does), saved and read again: a clean load.
  bad->SetValue(53, kz::Variant(int32_t(1)));
  std::string mended;
  ASSERT_TRUE(SaveTo(p, "mended.txt", mended)) << p.GetLastError();
  clsTxtParser again;
  ASSERT_TRUE(LoadText(again, mended, kTShips, "again.txt")) << again.GetLastError();
  EXPECT_TRUE(again.LineRecords().empty());
  ASSERT_EQ(again.Count(), 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(again.FindIndex(i)->GetObjectTData(), clean.FindIndex(i)->GetObjectTData()) << i;
}

TEST_F(ShipLineReadTest, EveryShipOfItsLineIsNamedAndALaterLoadForgetsThem) {
  const std::string bad1 = Joined([] {
    auto f = BaseShip();
    f[53] = "9";
    return f;
  }());
  const std::string bad2 = ReplaceField(ShipLine(0, {}, "SS_SH_D"), 53, "3");
  clsTxtParser p;
  ASSERT_TRUE(LoadText(p, "17;4;\r\n\r\n" + bad1 + first + bad2 + third, kTShips)) << p.GetLastError();
  ASSERT_EQ(p.Count(), 4);
  ASSERT_EQ(p.LineRecords().size(), 2u);
  EXPECT_EQ(p.LineRecords()[0].line, 3);  // after the empty line
  EXPECT_EQ(p.LineRecords()[0].id, p.FindIndex(0)->id);
  EXPECT_EQ(p.LineRecords()[1].line, 5);
  EXPECT_EQ(p.LineRecords()[1].id, p.FindIndex(2)->id);
  EXPECT_EQ(p.FindIndex(2)->ObjectName(), "SS_SH_D");
  EXPECT_EQ(p.FindIndex(3)->ObjectName(), "SS_SH_C");
  ASSERT_TRUE(LoadText(p, File(Joined(BaseShip())), kTShips, "clean.txt"));
  EXPECT_TRUE(p.LineRecords().empty());
}

// A file that cannot be read line by line either keeps its clear error.
TEST_F(ShipLineReadTest, ALineTooShortForAShipOrMissingShipsStillFail) {
  std::vector<std::string> shortShip = BaseShip();
  shortShip.erase(shortShip.begin() + 40, shortShip.end() - 1);
  std::vector<std::string> raised = BaseShip();
  raised[53] = "9";
  std::vector<std::string> almost = Fields(ShipLine(0, {}, "SS_SH_B"));
  almost.erase(almost.begin() + 58, almost.end() - 1);  // 59 values: a tail cut to 4
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {File(Joined(shortShip)),
       "Error loading ship:\r\nShip 2 (line 3): its line holds fewer than the 65 values of the smallest ship"},
      {File(Joined(almost)),
       "Error loading ship:\r\nShip 2 (line 3): its line holds fewer than the 65 values of the smallest ship"},
      {"17;4;\r\n" + first + third, "Error loading ship:\r\nShip 3: the file ends before it (its record count is 4)"},
      // More ship lines than the count says, one of them not adding up: a ship may run
      // over two lines, and the lines after the count would be lost.
      {File(Joined(raised)) + third,
       "Error loading ship:\r\nShip 2 (line 3): its line ends after 85 values, within the 9 turret entries that "
       "field 53 counts; and the file holds more lines than its 3 ships (a ship may run over several lines)"},
  };
  for (const auto& c : cases) {
    clsTxtParser p;
    EXPECT_FALSE(LoadText(p, c.text, kTShips));
    EXPECT_FALSE(p.Parsed());
    EXPECT_EQ(p.GetLastError(), c.error);
  }
}
