// The virtual file system through its C entry points: layers and their overlay
// order, filters, finds with wildcards and folders, nested finds, catalog finds,
// a missing data folder and damaged catalogs, and the error-text protocol.
#include <algorithm>
#include <functional>

#include "../rudu/TestFiles.h"
#include "core/LibBindings.h"
#include "rudu/HandleTable.h"
#include "rudu/rudu.h"
#include "zuzer/zuzer.h"

namespace {

namespace fs = std::filesystem;
using kztest::WriteCatalog;
using kztest::WriteRaw;

struct Found {
  int32_t kind;
  std::string name, path;
  bool operator==(const Found&) const = default;
};

std::vector<Found> Drain(int32_t find, ZuZERFindData& fd) {
  std::vector<Found> out;
  if (find == 0) return out;
  do out.push_back({fd.kind, kz::CutAtNul(fd.name, sizeof fd.name), kz::CutAtNul(fd.path, sizeof fd.path)});
  while (ZuZER_FindNextFile(find, &fd) != 0);
  ZuZER_FindClose(find);
  return out;
}

std::vector<Found> FindAll(const std::string& pattern) {
  ZuZERFindData fd{};
  return Drain(ZuZER_FindFirstFile(pattern.c_str(), &fd), fd);
}

std::vector<std::string> Names(const std::vector<Found>& v) {
  std::vector<std::string> out;
  for (const Found& f : v) out.push_back(f.name);
  return out;
}

std::string Content(const std::string& path) {
  std::string data, error;
  EXPECT_TRUE(kz::ReadWholeFile(path, data, error)) << error;
  return data;
}

class ZuzerTest : public kztest::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    // The program's filters (filters are process-wide and only ever added).
    for (const char* f : {"types\\*", "t\\*", "dds\\*", "textures\\*", "objects\\*", "maps\\*"})
      ASSERT_NE(ZuZER_AddVFSFilter(f), 0);
  }
  // A data folder with two numbered catalogs, plain files and a mod catalog.
  void MakeGameFolder() {
    WriteCatalog(P("01.cat"), {{"types\\TLaser.txt", "laser 01"},
                               {"types\\TShips.pck", "ships 01"},
                               {"types\\TShields.txt", "shields 01"},
                               {"objects\\v\\00001.bod", "model 01"},
                               {"readme.txt", "not indexed"}});
    WriteCatalog(P("02.cat"), {{"TYPES\\TLaser.txt", "laser 02"}, {"t\\440001.xml", "text 02"}});
    WriteCatalog(P("10.cat"), {{"types\\TMissiles.txt", "missiles 10"}});
    WriteRaw(P("types/TShields.txt"), "shields disk");
    WriteRaw(P("types/TShips.txt"), "ships disk");
    WriteRaw(P("t/440002.xml"), "text disk");
    WriteRaw(P("t/490001.xml"), "german");
    WriteRaw(P("other/x.txt"), "not indexed");
    WriteRaw(P("maps/x_universe.xml"), "<universe/>");
    WriteCatalog(P("mods/mod.cat"), {{"types\\TShields.txt", "shields mod"}, {"maps\\mod.xml", "<m/>"}});
  }
};

TEST_F(ZuzerTest, LayersHideLowerEntriesInTheDocumentedOrder) {
  MakeGameFolder();
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0) << kz::GetZuZERError();
  // 02 hides 01 (also when spelt differently); plain files hide catalogs.
  auto laser = FindAll("types\\TLaser.txt");
  ASSERT_EQ(laser.size(), 1u);
  EXPECT_EQ(laser[0].path, P("02.cat") + "::TYPES\\TLaser.txt");
  EXPECT_EQ(Content(laser[0].path), "laser 02");
  auto shields = FindAll("types\\TShields.txt");
  ASSERT_EQ(shields.size(), 1u);
  EXPECT_EQ(shields[0].path, P("types/TShields.txt"));
  EXPECT_EQ(FindAll("types\\TMissiles.txt").at(0).path, P("10.cat") + "::types\\TMissiles.txt");

  // The active mod lies above all of them.
  ASSERT_NE(ZuZER_AppendCatalog(P("mods/mod.cat").c_str()), 0);
  EXPECT_EQ(Content(FindAll("types\\tshields.TXT").at(0).path), "shields mod");
  EXPECT_EQ(FindAll("maps\\*").size(), 2u);

  // Building again replaces the index: the mod is gone.
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  EXPECT_EQ(Content(FindAll("types\\TShields.txt").at(0).path), "shields disk");
  EXPECT_EQ(FindAll("maps\\*").size(), 1u);

  // A missing mod catalog fails the append and names it.
  EXPECT_EQ(ZuZER_AppendCatalog(P("mods/none.cat").c_str()), 0);
  EXPECT_NE(kz::GetZuZERError().find("none.cat"), std::string::npos);
}

TEST_F(ZuzerTest, FiltersSayWhatIsIndexed) {
  MakeGameFolder();
  WriteRaw(P("objects/cut/deep/00002.bod"), "nested");
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  EXPECT_EQ(Names(FindAll("*")), (std::vector<std::string>{"maps", "objects", "t", "types"}));
  for (const Found& f : FindAll("*")) EXPECT_EQ(f.kind, ZUZER_KIND_FOLDER);
  EXPECT_TRUE(FindAll("other\\*").empty());
  EXPECT_TRUE(FindAll("readme.txt").empty());
  EXPECT_EQ(Names(FindAll("objects\\cut\\deep\\*")), std::vector<std::string>{"00002.bod"});
  // Folders of catalogs only and folders on disk alike.
  auto objects = FindAll("objects\\*");
  EXPECT_EQ(Names(objects), (std::vector<std::string>{"cut", "v"}));
  EXPECT_EQ(objects[0].path, P("objects/cut"));
  EXPECT_EQ(objects[1].path, P("01.cat") + "::objects\\v");
}

TEST_F(ZuzerTest, FindsMatchWildcardsNamesWithoutExtensionAndFolders) {
  MakeGameFolder();
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"types\\T*", {"TLaser.txt", "TMissiles.txt", "TShields.txt", "TShips.txt", "TShips.pck"}},
      {"types/t?aser*", {"TLaser.txt"}},
      {"TYPES\\tl?ser", {"TLaser.txt"}},      // the name without its extension
      {"types\\TShips", {"TShips.txt", "TShips.pck"}},  // the higher layer first
      {"types\\TShips.pck", {"TShips.pck"}},
      {"types\\*.txt", {"TLaser.txt", "TMissiles.txt", "TShields.txt", "TShips.txt"}},
      {"t\\44*", {"440001.xml", "440002.xml"}},
      {"objects\\v\\00001", {"00001.bod"}},
      {"objects\\v", {"v"}},
      {"\\types", {"types"}},
      {"types\\TNone", {}},
      {"nofolder\\*", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(Names(FindAll(c.pattern)), c.names);
  }
  ZuZERFindData fd{};
  EXPECT_EQ(ZuZER_FindFirstFile("types\\TNone", &fd), 0);
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_NO_MATCH);
  EXPECT_NE(kz::GetZuZERError().find("types\\TNone"), std::string::npos);
  for (const char* bad : {"", "types\\", "ty*es\\x", "..\\x", "a\\\\b"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ZuZER_FindFirstFile(bad, &fd), 0);
    EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_PATTERN);
  }
  EXPECT_EQ(ZuZER_FindFirstFile("*", nullptr), 0);
  // The record is NUL-padded and the path opens.
  const int32_t h = ZuZER_FindFirstFile("t\\440002", &fd);
  ASSERT_NE(h, 0);
  EXPECT_EQ(fd.kind, ZUZER_KIND_FILE);
  EXPECT_EQ(std::string(fd.name), "440002.xml");
  EXPECT_TRUE(std::all_of(fd.name + 11, fd.name + sizeof fd.name, [](char c) { return c == 0; }));
  EXPECT_EQ(Content(fd.path), "text disk");
  EXPECT_EQ(ZuZER_FindNextFile(h, &fd), 0);
  EXPECT_NE(ZuZER_FindClose(h), 0);
}

TEST_F(ZuzerTest, NestedFindsWalkTheWholeTree) {
  MakeGameFolder();
  WriteRaw(P("objects/cut/deep/00002.bod"), "nested");
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  // The walk of the file list: a find per folder while the outer find is open.
  std::vector<std::string> files;
  std::function<void(const std::string&)> walk = [&](const std::string& prefix) {
    ZuZERFindData fd{};
    const std::string pattern = prefix.empty() ? "*" : prefix + "\\*";
    int32_t h = ZuZER_FindFirstFile(pattern.c_str(), &fd);
    if (h == 0) return;
    do {
      std::string name = kz::CutAtNul(fd.name, sizeof fd.name);
      std::string full = prefix.empty() ? name : prefix + "\\" + name;
      if (fd.kind & 2) {
        walk(full);
      } else {
        files.push_back(full);
      }
    } while (ZuZER_FindNextFile(h, &fd) != 0);
    ZuZER_FindClose(h);
  };
  const int32_t before = rudu::HandleCount();
  walk("");
  EXPECT_EQ(rudu::HandleCount(), before);  // every find closed
  EXPECT_EQ(files, (std::vector<std::string>{"maps\\x_universe.xml", "objects\\cut\\deep\\00002.bod",
                                             "objects\\v\\00001.bod", "t\\440001.xml", "t\\440002.xml",
                                             "t\\490001.xml", "types\\TLaser.txt", "types\\TMissiles.txt",
                                             "types\\TShields.txt", "types\\TShips.txt", "types\\TShips.pck"}));
  // A find survives a rebuild of the index.
  ZuZERFindData fd{};
  int32_t h = ZuZER_FindFirstFile("types\\*", &fd);
  ASSERT_NE(h, 0);
  ASSERT_EQ(ZuZER_CreateVFS(""), 0);
  int n = 1;
  while (ZuZER_FindNextFile(h, &fd) != 0) ++n;
  EXPECT_EQ(n, 5);
  ZuZER_FindClose(h);
}

TEST_F(ZuzerTest, CatalogFindsListOneCatalogOrTheWholeSystem) {
  MakeGameFolder();
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  // Replace an entry: the catalog lists it once, with the new content.
  {
    std::string error;
    ASSERT_TRUE(kz::WriteWholeFile(P("01.cat") + "::types\\TLaser.txt", "laser new", 1, error)) << error;
  }
  int32_t cat = RuDU_OpenCatalog(P("01.cat").c_str(), 0);
  ASSERT_NE(cat, 0);
  int32_t ctx = ZuZER_CatFindInit(cat);
  ASSERT_NE(ctx, 0);
  RuDU_CloseCatalog(cat);  // the context keeps what it needs
  ZuZERFindData fd{};
  auto top = Drain(ZuZER_CatFindFirstFile(ctx, "*", &fd), fd);
  EXPECT_EQ(top, (std::vector<Found>{{2, "objects", P("01.cat") + "::objects"},
                                     {2, "types", P("01.cat") + "::types"},
                                     {1, "readme.txt", P("01.cat") + "::readme.txt"}}));
  auto types = Drain(ZuZER_CatFindFirstFile(ctx, "types\\*", &fd), fd);
  EXPECT_EQ(Names(types), (std::vector<std::string>{"TLaser.txt", "TShields.txt", "TShips.pck"}));
  EXPECT_EQ(Content(types[0].path), "laser new");
  // A full inner name tests existence.
  int32_t h = ZuZER_CatFindFirstFile(ctx, "objects\\v\\00001.bod", &fd);
  EXPECT_NE(h, 0);
  ZuZER_FindClose(h);
  EXPECT_EQ(ZuZER_CatFindFirstFile(ctx, "objects\\v\\00009.bod", &fd), 0);
  EXPECT_NE(kz::GetZuZERError().find("01.cat"), std::string::npos);
  EXPECT_NE(ZuZER_FindClose(ctx), 0);
  EXPECT_EQ(ZuZER_CatFindFirstFile(ctx, "*", &fd), 0);  // closed
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_HANDLE);

  // The whole system as a catalog.
  int32_t vfs = ZuZER_GetVFSHandle();
  ASSERT_NE(vfs, 0);
  EXPECT_EQ(ZuZER_GetVFSHandle(), vfs);
  ctx = ZuZER_CatFindInit(vfs);
  ASSERT_NE(ctx, 0);
  EXPECT_EQ(Names(Drain(ZuZER_CatFindFirstFile(ctx, "t\\*", &fd), fd)),
            (std::vector<std::string>{"440001.xml", "440002.xml", "490001.xml"}));
  ZuZER_FindClose(ctx);
  EXPECT_EQ(ZuZER_CatFindInit(12345678), 0);
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_HANDLE);
  EXPECT_EQ(ZuZER_FindClose(0), 0);
  EXPECT_EQ(ZuZER_GetLastError(), 0);
  EXPECT_EQ(ZuZER_FindNextFile(987654, &fd), 0);
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_HANDLE);
}

TEST_F(ZuzerTest, AMissingOrEmptyFolderGivesAnEmptySystemAndAnErrorText) {
  for (std::string dir : {std::string(), P("does-not-exist"), root}) {
    SCOPED_TRACE(dir);
    const int32_t r = ZuZER_CreateVFS(dir.c_str());
    if (dir == root) {
      EXPECT_NE(r, 0);  // empty but there
    } else {
      EXPECT_EQ(r, 0);
      EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_FOLDER);
      if (!dir.empty()) {
        EXPECT_NE(kz::GetZuZERError().find("does-not-exist"), std::string::npos);
      }
    }
    EXPECT_TRUE(FindAll("*").empty());
    EXPECT_TRUE(FindAll("types\\TShips").empty());
    EXPECT_NE(ZuZER_GetVFSHandle(), 0);
  }
  EXPECT_EQ(ZuZER_CreateVFS(nullptr), 0);
}

TEST_F(ZuzerTest, ADamagedNumberedCatalogIsLeftOutAndNamed) {
  WriteRaw(P("01.cat"), "01.dat\ntypes\\TLaser.txt 400\n");
  WriteRaw(P("01.dat"), "short");
  WriteCatalog(P("02.cat"), {{"types\\TShips.txt", "ships"}});
  WriteRaw(P("03.cat"), std::string("\0\1\2binary", 9));
  EXPECT_EQ(ZuZER_CreateVFS(root.c_str()), 0);
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_CATALOG);
  const std::string text = kz::GetZuZERError();
  EXPECT_NE(text.find("01.cat"), std::string::npos) << text;
  EXPECT_NE(text.find("03.cat"), std::string::npos) << text;
  EXPECT_EQ(Names(FindAll("types\\*")), std::vector<std::string>{"TShips.txt"});
}

// Numbered catalogs are read several at once: the layers and the error text still
// follow their numbers.
TEST_F(ZuzerTest, ManyNumberedCatalogsKeepTheirOrderAndErrors) {
  for (int c = 1; c <= 16; ++c) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d.cat", c);
    if (c == 5 || c == 11) {
      WriteRaw(P(name), std::string(name, 2) + ".dat\ntypes\\x.txt 400\n");  // runs past its data file
      WriteRaw(P(std::string(name, 2) + ".dat"), "short");
      continue;
    }
    std::vector<std::pair<std::string, std::string>> entries;
    for (int e = 0; e < 50; ++e) entries.push_back({"types\\c" + std::to_string(c) + "_" + std::to_string(e) + ".txt", "e"});
    entries.push_back({c % 2 ? "TYPES\\Shared.txt" : "types\\shared.TXT", "from " + std::to_string(c)});
    WriteCatalog(P(name), entries);
  }
  EXPECT_EQ(ZuZER_CreateVFS(root.c_str()), 0);
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_CATALOG);
  const std::string text = kz::GetZuZERError();
  const size_t five = text.find("05.cat"), eleven = text.find("11.cat");
  ASSERT_NE(five, std::string::npos) << text;
  ASSERT_NE(eleven, std::string::npos) << text;
  EXPECT_LT(five, eleven) << text;
  const auto shared = FindAll("types\\shared");
  ASSERT_EQ(shared.size(), 1u);
  EXPECT_EQ(Content(shared[0].path), "from 16");
  EXPECT_EQ(FindAll("types\\*").size(), 14u * 50u + 1u);
  EXPECT_EQ(FindAll("types\\c5_*").size(), 0u);
}

TEST_F(ZuzerTest, NamesTooLongForTheRecordArePassedOverWithAnError) {
  const std::string longName = std::string(250, 'n') + ".txt";
  WriteRaw(P("types/" + longName), "x");
  WriteRaw(P("types/a.txt"), "a");
  WriteRaw(P("types/z.txt"), "z");
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  ZuZERFindData fd{};
  int32_t h = ZuZER_FindFirstFile("types\\*", &fd);
  ASSERT_NE(h, 0);
  EXPECT_STREQ(fd.name, "a.txt");
  ASSERT_NE(ZuZER_FindNextFile(h, &fd), 0);  // the long one is passed over
  EXPECT_STREQ(fd.name, "z.txt");
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_TOO_LONG);
  EXPECT_NE(kz::GetZuZERError().find(std::string(250, 'n')), std::string::npos);
  ZuZER_FindClose(h);
  EXPECT_EQ(ZuZER_FindFirstFile(("types\\" + longName).c_str(), &fd), 0);
  EXPECT_EQ(ZuZER_GetLastError(), ZUZER_ERR_TOO_LONG);
}

TEST_F(ZuzerTest, ErrorTextProtocol) {
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);
  EXPECT_EQ(ZuZER_GetLastError(), 0);
  int32_t needed = -1;
  ZuZER_TranslateError(0, nullptr, 0, &needed);
  EXPECT_EQ(needed, 0);
  EXPECT_EQ(kz::GetZuZERError(), "");
  ZuZERFindData fd{};
  EXPECT_EQ(ZuZER_FindFirstFile("maps\\none", &fd), 0);
  const int32_t code = ZuZER_GetLastError();
  ZuZER_TranslateError(code, nullptr, 0, &needed);
  const std::string text = kz::GetZuZERError();
  EXPECT_EQ(static_cast<size_t>(needed), text.size() + 1);
  EXPECT_NE(text.find("maps\\none"), std::string::npos);
  ZuZER_AddVFSFilter("maps\\*");  // any entry clears it
  EXPECT_EQ(ZuZER_GetLastError(), 0);
  EXPECT_STRNE(KzLibraryVersion(), "");
}

TEST_F(ZuzerTest, TheSampleDataFolderLoads) {
  // The tool lies in bin/ of the build tree; the tests in tests/.
  const char* bin = std::getenv("KZ_BINARY_DIR");
  const std::string tool = bin ? std::string(bin) + "/bin/kz_sampledata"
                               : (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin/kz_sampledata").string();
  if (!fs::exists(tool)) GTEST_SKIP() << "kz_sampledata not built";
  for (int run = 0; run < 2; ++run)  // running again gives the same folder
    ASSERT_EQ(std::system((tool + " " + root + " >/dev/null").c_str()), 0);
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0) << kz::GetZuZERError();
  EXPECT_EQ(FindAll("types\\TLaser").at(0).path, P("types/TLaser.txt"));
  EXPECT_EQ(Content(FindAll("types\\TBullets").at(0).path).substr(0, 2), "//");
  EXPECT_EQ(kztest::ReadRaw(P("01.cat")).find("types\\TLaser.txt"), kztest::ReadRaw(P("01.cat")).rfind("types\\TLaser.txt"));
  ASSERT_NE(ZuZER_AppendCatalog(P("mods/samplemod.cat").c_str()), 0);
  auto shields = FindAll("types\\TShields");
  ASSERT_EQ(shields.size(), 2u);
  EXPECT_EQ(shields[0].path, P("mods/samplemod.cat") + "::types\\TShields.txt");
  for (const char* folder : {"t", "maps", "objects", "dds", "textures"}) EXPECT_FALSE(FindAll(std::string(folder) + "\\*").empty()) << folder;
}

}  // namespace
