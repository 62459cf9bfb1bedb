// Where an export may write: never onto a file an editor window has open, with paths
// compared as the file driver resolves them (case, links, catalog entries).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "txteditor/model/ExportTarget.h"

namespace {

namespace fs = std::filesystem;

class ExportTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string base = (fs::temp_directory_path() / "kz-export-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(base.data()));
    root = base;
    fs::create_directories(P("types"));
    fs::create_directories(P("links"));
    Write("types/TShips.txt", "ships");
    Write("types/TLaser.txt", "lasers");
    Write("01.cat", "01.dat\ntypes\\TShips.txt 5\ntypes\\TLaser.txt 6\n");
    Write("01.dat", "shipslasers");
    fs::create_symlink("../types/TShips.txt", P("links/ships.txt"));
    fs::create_symlink(P("links/ships.txt"), P("links/chain.txt"));
    fs::create_symlink("../types", P("links/types"));
    fs::create_symlink("../01.cat", P("links/cat.cat"));
    fs::create_symlink("../types/TShips_new.txt", P("links/new.txt"));
  }
  void TearDown() override { fs::remove_all(root); }
  std::string P(const std::string& rel) const { return root + "/" + rel; }
  void Write(const std::string& rel, const std::string& bytes) { std::ofstream(P(rel), std::ios::binary) << bytes; }
  std::string root;
};

TEST_F(ExportTargetTest, AWriteTouchesTheOpenFileWhereverItsPathLeads) {
  struct Case {
    const char* target;
    const char* open;
    bool touches;
  } cases[] = {
      {"types/TShips.txt", "types/TShips.txt", true},
      {"TYPES/tships.TXT", "types/TShips.txt", true},        // names without regard to case
      {"types\\TShips.txt", "types/TShips.txt", true},       // either separator
      {"types/../types/./TShips.txt", "types/TShips.txt", true},
      {"links/ships.txt", "types/TShips.txt", true},          // a link (relative target)
      {"links/chain.txt", "TYPES/TShips.txt", true},          // a chain of links (absolute)
      {"links/types/tships.txt", "types/TShips.txt", true},   // a linked folder
      {"types/TShips.txt", "links/chain.txt", true},          // the open file's path through links
      {"types/TLaser.txt", "types/TShips.txt", false},
      {"types/TShips_export.txt", "types/TShips.txt", false},
      {"links/new.txt", "types/TShips.txt", false},           // a link to a file not there yet
      {"absent/TShips.txt", "types/TShips.txt", false},       // no place to write: the write fails itself
      {"", "types/TShips.txt", false},
      // Inside catalogs: an entry by its catalog and inner path.
      {"01.cat::types\\TShips.txt", "01.cat::types\\TShips.txt", true},
      {"01.CAT::Types/TSHIPS.txt", "01.cat::types\\TShips.txt", true},
      {"links/cat.cat::types\\TShips.txt", "01.cat::types\\TShips.txt", true},
      {"01.cat::types\\TLaser.txt", "01.cat::types\\TShips.txt", false},  // a write appends
      {"01.cat::types\\TShips_export.txt", "01.cat::types\\TShips.txt", false},
      {"types/TShips.txt", "01.cat::types\\TShips.txt", false},  // a plain file of the same inner name
      // A catalog's index or data file written as a plain file, or written into.
      {"01.cat", "01.cat::types\\TShips.txt", true},
      {"links/cat.cat", "01.cat::types\\TShips.txt", true},
      {"01.DAT", "01.cat::types\\TShips.txt", true},
      {"01.cat::x.txt", "01.cat", true},
      {"01.cat::x.txt", "01.dat", true},
      {"02.cat::x.txt", "01.cat", false},
  };
  for (const Case& c : cases) {
    const std::string target = *c.target ? P(c.target) : std::string();
    EXPECT_EQ(exports::WriteTouches(target, P(c.open)), c.touches) << c.target << " / " << c.open;
  }
}

TEST_F(ExportTargetTest, TheRefusalNamesTheTargetAndTheOpenFile) {
  const std::vector<std::string> open = {P("types/TLaser.txt"), P("links/ships.txt"), P("01.cat::types\\TLaser.txt")};
  EXPECT_EQ(exports::ExportTargetRefusal(P("types/TShips_export.txt"), open), "");
  EXPECT_EQ(exports::ExportTargetRefusal(P("types/TShips.txt"), {}), "");
  const std::string refusal = exports::ExportTargetRefusal(P("types/tships.txt"), open);
  EXPECT_EQ(refusal, "Cannot export to " + P("types/tships.txt") + ":\r\n" + P("links/ships.txt") +
                         " is open in an editor window. Choose another file name.");
  EXPECT_NE(exports::ExportTargetRefusal(P("01.dat"), open), "");
}

TEST_F(ExportTargetTest, ASaveGoesOntoItsOwnFileButOntoNoOtherWindowsFile) {
  const std::string own = P("types/TShips.txt");
  const std::vector<std::string> open = {own, P("types/TLaser.txt"), P("01.cat::types\\TLaser.txt")};
  struct Case {
    const char* target;
    bool refused;
  } cases[] = {
      {"types/TShips.txt", false},  {"TYPES/TSHIPS.TXT", false}, {"links/chain.txt", false},  // its own file
      {"types/TShips_new.txt", false}, {"01.cat::types\\TShips.txt", false},
      {"types/TLaser.txt", true},   {"types/tlaser.txt", true},  {"01.cat::TYPES\\tlaser.txt", true},
      {"01.dat", true},  // the data file of a catalog another window reads from
  };
  for (const Case& c : cases) {
    const std::string refusal = exports::SaveTargetRefusal(P(c.target), own, open);
    EXPECT_EQ(!refusal.empty(), c.refused) << c.target << ": " << refusal;
    if (c.refused) EXPECT_EQ(refusal.rfind("Cannot save to " + P(c.target) + ":\r\n", 0), 0u) << refusal;
  }
}

TEST(ExportFileName, IsTheOpenFilesNameWithExportInItsFolder) {
  EXPECT_EQ(exports::ExportFileName("/data/types/TShips.txt"), "/data/types/TShips_export.txt");
  EXPECT_EQ(exports::ExportFileName("/data/types/TShips.pck"), "/data/types/TShips_export.txt");
  EXPECT_EQ(exports::ExportFileName("/d/01.cat::types\\TShips.txt"), "types/TShips_export.txt");
}

}  // namespace
