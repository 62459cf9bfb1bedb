// The ship table and record structure exports, read back from disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ShipPageData.h"
#include "core/Common.h"
#include "txteditor/model/ShipExport.h"
#include "tests/common/FileBytes.h"

using namespace shiptest;
using namespace shippage;

namespace {

std::string ReadFile(const std::string& path) { return kztest::FileBytes(path); }

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary);
  f << data;
}

class ShipExportTest : public ShipPageTest {
 protected:
  void SetUp() override {
    ShipPageTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() / ("shipexport_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    support.Shields = Parse(TypeText(25, {ShieldLine(1, 10, 5000, "1", "SS_SH_A")}), 2);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
    ShipPageTest::TearDown();
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Two ships: speed 1000 with 5 engine tunings on shield 0, and one whose shield lies
  // past the file.
  TxtParserPtr Ships() {
    auto a = ShipValues(1, {{1}}, "SS_SH_ONE");
    a[7] = Variant(int32_t(1000));
    a[26] = Variant(int32_t(5));
    a[27] = Variant(int32_t(3));
    a[8] = Variant(int32_t(2500));
    a[13] = Variant(int32_t(12000));
    a[20] = Variant(int32_t(700));
    a[21] = Variant(1.25);
    a[23] = Variant(int32_t(2));
    a[29] = Variant(int32_t(40));
    a[45] = Variant(int32_t(2));
    a[5] = Variant(int32_t(5));
    a[46] = Variant(int32_t(9000));
    auto b = ShipValues(0, {}, "SS_SH_TWO");
    b[22] = Variant(int32_t(3));
    std::string text = "30;2;\r\n";
    for (const auto& v : {a, b}) {
      for (const auto& x : v) text += kz::CStr(x) + ";";
      text += "\r\n";
    }
    return Parse(text, 1, "/data/types/TShips.txt");
  }

  std::filesystem::path dir_;
};

}  // namespace

TEST_F(ShipExportTest, TableRowsAndFile) {
  auto ships = Ships();
  auto row = ShipTableRow(*ships->FindIndex(0), support);
  ASSERT_EQ(row.size(), 16u);
  std::vector<std::string> texts;
  for (const auto& v : row) texts.push_back(kz::CStr(v));
  EXPECT_EQ(texts, (std::vector<std::string>{"0", "SS_SH_ONE", "Brenn", "M3", "2.00", "3.00", "5", "3", "5.000",
                                             "12000", "700", "1.25", "5000", "2", "40", "9000"}));
  EXPECT_EQ(kz::CStr(ShipTableRow(*ships->FindIndex(1), support)[12]), "N/A");

  const std::string path = Path("table.txt");
  WriteFile(path, std::string(5000, 'x'));  // a longer old file leaves nothing behind
  std::string error;
  ASSERT_EQ(WriteShipExport(path, 1, *ships, *ships->FindIndex(0), nullptr, support, error), ExportResult::Done)
      << error;
  const std::string bytes = ReadFile(path);
  const std::string expect =
      ShipTableHeader("/data/types/TShips.txt") +
      "\r\nIndex;Name;Race;Class;Speed - Min [m/s];Speed - Max [m/s];Tunning - Engine;Tunning - Rudder;"
      "Acceleration [m/s];Reactor;Weapons - Energy;Weapons - Recharge rate;Shield - Energy [KJ];Shield - Count;"
      "Cargo;Hull strength;\r\n"
      "0;SS_SH_ONE;Brenn;M3;2.00;3.00;5;3;5.000;12000;700;1.25;5000;2;40;9000;\r\n"
      "1;SS_SH_TWO;N/A;TL;0.00;0.00;0;0;0.000;0;0;0;N/A;0;0;0;\r\n";
  EXPECT_EQ(bytes, expect);
  EXPECT_EQ(ShipTableHeader("x.txt"), "TShips file x.txt - generated with " + kz::GetAppTitleVersion());

  // A file without records: the header and the column line.
  auto empty = Parse("30;0;\r\n", 1, "/data/empty.txt");
  ASSERT_EQ(WriteShipExport(path, 1, *empty, clsTXTObject(), nullptr, support, error), ExportResult::Done);
  const std::string lines = ReadFile(path);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
}

TEST_F(ShipExportTest, RefusedValueNamesTheShipAndKeepsTheOldFile) {
  struct Case {
    const char* id;
    const char* writerText;
  } cases[] = {{"SS_SH_\xe4\xb8\xad", "Windows-1252 cannot hold"}};
  for (const auto& c : cases) {
    auto ships = Ships();
    ships->FindIndex(1)->SetObjectName(c.id);
    const std::string path = Path("keep.txt");
    WriteFile(path, "old content");
    std::string error;
    EXPECT_EQ(WriteShipExport(path, 1, *ships, *ships->FindIndex(0), nullptr, support, error), ExportResult::Failed);
    EXPECT_EQ(error.rfind(std::string("Ship index 1, name \"") + c.id + "\": ", 0), 0u) << error;
    EXPECT_NE(error.find(c.writerText), std::string::npos) << error;
    EXPECT_EQ(ReadFile(path), "old content");
  }
  // A display name with ";" (from the text resources) is refused the same way.
  LoadTexts({{17, {{2000, "Semi;colon"}}}});
  auto ships = Ships();
  ships->FindIndex(0)->SetValue(6, Variant(int32_t(2000)));
  std::string out, error;
  EXPECT_FALSE(FormatShipTable(*ships, support, out, error));
  EXPECT_EQ(error.rfind("Ship index 0, name \"SS_SH_ONE\": ", 0), 0u) << error;
  EXPECT_TRUE(out.empty());
}

TEST_F(ShipExportTest, RecordStructure) {
  auto ship = MakeShip(ShipValues(1, {}, "SS_SH_REC"));
  const std::string path = Path("structure.txt");
  WriteFile(path, std::string(20000, 'y'));
  std::string error;
  ASSERT_EQ(WriteShipExport(path, 2, clsTxtParser(), *ship->Object, ship.get(), support, error), ExportResult::Done);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind("0: Body file: ships\\body\r\n1: Picture ID: 0\r\n2: Yaw: 0\r\n", 0), 0u) << text.substr(0, 80);
  EXPECT_NE(text.find("\r\n31: : 0\r\n"), std::string::npos);  // a field without caption
  EXPECT_NE(text.find("\r\n58: Gun groups count: 0\r\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), ship->size());
  EXPECT_NE(text.find("SS_SH_REC\r\n"), std::string::npos);

  // No ship shown: an empty file.
  clsShip none;
  ASSERT_EQ(WriteShipExport(path, 2, clsTxtParser(), *none.Object, &none, support, error), ExportResult::Done);
  EXPECT_EQ(ReadFile(path), "");
  // Another filter writes nothing and leaves the file as it was.
  WriteFile(path, "as it was");
  ASSERT_EQ(WriteShipExport(path, 3, clsTxtParser(), *ship->Object, ship.get(), support, error), ExportResult::Done);
  EXPECT_EQ(ReadFile(path), "as it was");
}

TEST_F(ShipExportTest, FailuresAreReported) {
  std::string error;
  auto ships = Ships();
  EXPECT_EQ(WriteShipExport(Path("no/such/folder/x.txt"), 1, *ships, clsTXTObject(), nullptr, support, error),
            ExportResult::OpenFailed);
  EXPECT_EQ(error.rfind("Error opening file " + Path("no/such/folder/x.txt") + ":\r\n", 0), 0u) << error;
  if (geteuid() != 0) {
    // A folder that cannot take the new file: the commit fails and says so.
    const std::string path = Path("locked.txt");
    WriteFile(path, "old");
    chmod(dir_.c_str(), 0500);
    error.clear();
    ExportResult r = WriteShipExport(path, 1, *ships, clsTXTObject(), nullptr, support, error);
    chmod(dir_.c_str(), 0700);
    EXPECT_NE(r, ExportResult::Done);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(path), "old");
  }
}
