#include <gtest/gtest.h>

#include "DataFolder.h"
#include "core/KzConst.h"
#include "typefiles/Archive.h"

using testdata::DataFolder;
using testdata::Record;
using testdata::TypeFile;

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mdlKzConst::InitArrays();
    data.Write("types/TLaser.txt", TypeFile(40, {Record(23, {"a"}, "SS_LASER_A"), Record(23, {"b"}, "SS_LASER_B")}));
    data.Write("types/TShields.pck", TypeFile(25, {Record(21, {"s"}, "SS_SHIELD_A")}), true);
    data.Write("types/TMissiles.txt", TypeFile(40, {Record(37, {"m"}, "SS_MISSILE_OLD")}));  // too old to load
    data.Mount();
  }
  DataFolder data;
  clsArchive archive;
};

TEST_F(ArchiveTest, CachesOneParserPerName) {
  TxtParserPtr lasers = archive.GetFile("TLaser");
  ASSERT_TRUE(lasers) << archive.GetLastError();
  EXPECT_TRUE(lasers->Parsed());
  EXPECT_EQ(lasers->Count(), 2);
  EXPECT_EQ(lasers->otype(), mdlKzConst::kTLaser);
  EXPECT_EQ(lasers->FileName, "types\\TLaser");
  EXPECT_TRUE(archive.IsFileLoaded("TLaser"));

  // Read once: the file is gone from the disk, the archive still answers the same parser.
  data.Remove("types/TLaser.txt");
  data.Mount();
  EXPECT_EQ(archive.GetFile("TLaser"), lasers);
  EXPECT_EQ(archive.GetFile("tlaser.txt"), lasers) << "one key without case and extension";
  EXPECT_EQ(archive.GetFile("types\\TLASER.pck"), lasers);
  EXPECT_TRUE(archive.IsFileLoaded("TLASER.TXT"));
  EXPECT_EQ(archive.Count(), 1);

  TxtParserPtr shields = archive.GetFile("TShields");
  ASSERT_TRUE(shields) << "packed files load too: " << archive.GetLastError();
  EXPECT_EQ(shields->FindIndex(0)->ObjectName(), "SS_SHIELD_A");
  EXPECT_EQ(archive.LoadError(), "False");
  EXPECT_EQ(archive.NotLoadedFiles(), "");
}

TEST_F(ArchiveTest, MissingFilesAreListed) {
  EXPECT_EQ(archive.GetFile("TDocks"), nullptr);
  EXPECT_EQ(archive.LoadError(), "True");
  EXPECT_TRUE(archive.ParseError());
  EXPECT_EQ(archive.NotLoadedFiles(), "types\\TDocks: File not found in VFS");
  EXPECT_EQ(archive.GetLastError(), "Error loading types\\TDocks:\r\n\r\nFile not found in VFS");
  EXPECT_EQ(archive.GetFile("TWareN"), nullptr);
  EXPECT_EQ(archive.NotLoadedFiles(),
            "types\\TDocks: File not found in VFS\r\ntypes\\TWareN: File not found in VFS");
  EXPECT_EQ(archive.NotParsedFiles(), "");
  EXPECT_FALSE(archive.IsFileLoaded("TDocks"));
  EXPECT_EQ(archive.GetFile(""), nullptr);

  archive.ClearErrors();
  EXPECT_EQ(archive.LoadError(), "False");
  EXPECT_EQ(archive.NotLoadedFiles(), "");
  EXPECT_EQ(archive.GetLastError(), "");
}

TEST_F(ArchiveTest, FileThatDoesNotParseKeepsTheParsersError) {
  EXPECT_EQ(archive.GetFile("TMissiles"), nullptr);
  EXPECT_NE(archive.GetLastError().find("This is old version of the file (ver. 40)"), std::string::npos)
      << archive.GetLastError();
  EXPECT_EQ(archive.LoadError(), "False") << "it was read; it is not a load failure";
  EXPECT_EQ(archive.NotLoadedFiles(), "");
  EXPECT_FALSE(archive.IsFileLoaded("TMissiles"));
}

TEST_F(ArchiveTest, ClearEmptiesTheCacheButNotTheHoldersParsers) {
  TxtParserPtr lasers = archive.GetFile("TLaser");
  ASSERT_TRUE(lasers);
  archive.GetFile("TDocks");
  archive.Clear();
  EXPECT_FALSE(archive.IsFileLoaded("TLaser"));
  EXPECT_EQ(archive.Count(), 0);
  EXPECT_EQ(archive.LoadError(), "False");
  EXPECT_EQ(archive.NotLoadedFiles(), "");
  EXPECT_EQ(lasers->Count(), 2) << "a parser handed out stays valid";
  TxtParserPtr again = archive.GetFile("TLaser");
  ASSERT_TRUE(again);
  EXPECT_NE(again, lasers) << "read anew after Clear";
}
