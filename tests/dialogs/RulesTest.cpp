// The plain decisions of the file dialogs, the catalog browser and the settings.
#include <gtest/gtest.h>

#include <QStringList>

#include <string>
#include <vector>

#include "platform/ui/QtUi.h"
#include "shell/DialogRules.h"

namespace {

using kz::FileFilter;

TEST(FilterRules, ParsesPairsAndDropsAnUnpairedDescription) {
  auto f = kz::ParseFilterString("Type files (*.txt)|*.txt|Packed (*.pck)|*.pck;*.PCK|Orphan");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].Description, "Type files (*.txt)");
  EXPECT_EQ(f[1].Pattern, "*.pck;*.PCK");
  EXPECT_TRUE(kz::ParseFilterString("").empty());
  EXPECT_TRUE(kz::ParseFilterString("only a description").empty());
  EXPECT_EQ(kz::CatalogListPattern("*.*"), "*");
  EXPECT_EQ(kz::CatalogListPattern("*.txt"), "*.txt");
}

TEST(FilterRules, ConvertsToQtNameFilters) {
  // The desktop dialog gets the filters in Qt's form; "*.*" means every file.
  struct Case {
    std::string in;
    QStringList want;
  } cases[] = {
      {"Type files (*.txt)|*.txt", {"Type files (*.txt)"}},
      {"All Files (*.*)|*.*", {"All Files (*)"}},
      {"Type files|*.txt;*.pck|Executable Files (*.exe)|*.exe", {"Type files (*.txt *.pck)", "Executable Files (*.exe)"}},
      {"Both (*.txt;*.pck)|*.txt; *.pck;", {"Both (*.txt *.pck)"}},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::QtUi::QtFilters(c.in), c.want) << c.in;
}

TEST(FilterRules, FilterIndexIsOneBasedAndOutOfRangeSelectsTheFirst) {
  struct Case {
    int32_t index;
    std::size_t count;
    int want;
  } cases[] = {{1, 3, 0}, {3, 3, 2}, {0, 3, 0}, {4, 3, 0}, {-1, 3, 0}, {1, 0, -1}, {2, 2, 1}};
  for (const Case& c : cases) EXPECT_EQ(kz::FilterPosition(c.index, c.count), c.want) << c.index << "/" << c.count;
}

TEST(FilterRules, SaveStartsWithTheFilterOfTheNamesExtension) {
  const std::string filter = "Type files|*.txt|Packed|*.pck|All|*.*";
  struct Case {
    std::string name;
    int32_t current;
    int32_t want;
  } cases[] = {
      {"x.pck", 1, 2},       // the Part's case: second pattern *.pck
      {"dir/x.txt", 3, 1},
      {"x.PCK", 1, 1},       // case-sensitive: no match keeps the current index
      {"", 3, 3},            // no name: the current index
      {"x.xml", 2, 2},
      {"a.b.c.pck", 1, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(kz::MatchSaveFilterIndex(filter, c.name, c.current), c.want) << c.name;
  EXPECT_EQ(kz::MatchSaveFilterIndex("T|*.txt;*.pck", "y.pck", 5), 1);
}

TEST(FilterRules, DefaultExtensionOfASavedName) {
  struct Case {
    std::string name, pattern, want;
  } cases[] = {
      {"a", "*.txt", "a.txt"},             // the Part's case
      {"a", "*", "a"},                     // no extension to add: no trailing "."
      {"a", "*.*", "a"},
      {"a", "*.t?t", "a"},
      {"a.pck", "*.txt", "a.pck"},         // a name with its own extension stays
      {"types\\a", "*.txt;*.pck", "types\\a.txt"},
      {"dir.x\\a", "*.txt", "dir.x\\a.txt"},  // a dot in a folder is no extension
  };
  for (const Case& c : cases) EXPECT_EQ(kz::WithDefaultExtension(c.name, c.pattern), c.want) << c.name << " " << c.pattern;
}

TEST(CatalogRules, CatalogPathsAndStartFolders) {
  EXPECT_TRUE(kz::IsCatalogDialogPath("/g/00.cat::types\\TShips.txt"));
  EXPECT_TRUE(kz::IsCatalogDialogPath("/g/00.CAT"));
  EXPECT_FALSE(kz::IsCatalogDialogPath("/g/cat/file.txt"));
  EXPECT_FALSE(kz::IsCatalogDialogPath("vfs://types\\TShips.txt"));

  // The folder of the catalog file itself, never a folder inside the catalog.
  EXPECT_EQ(kz::CatalogStartFolder("/game/00.cat::types\\TShips.txt"), "/game");
  EXPECT_EQ(kz::CatalogStartFolder("C:\\game\\00.cat::types\\TShips.txt"), "C:\\game");
  EXPECT_EQ(kz::CatalogStartFolder("/game/00.cat"), "/game");
  EXPECT_EQ(kz::CatalogStartFolder("/00.cat"), "/");
  EXPECT_EQ(kz::CatalogStartFolder("00.cat::a\\b"), "");

  EXPECT_EQ(kz::CatalogDisplayName("/game/00.cat"), "00.cat");
  EXPECT_EQ(kz::CatalogDisplayName("vfs://"), "");
  EXPECT_EQ(kz::CatalogDisplayName("00.cat"), "");
  EXPECT_EQ(kz::CatalogResultPath("vfs://", "types\\a.txt"), "vfs://types\\a.txt");
  EXPECT_EQ(kz::CatalogResultPath("/g/00.cat", "types\\a.txt"), "/g/00.cat::types\\a.txt");
}

TEST(CatalogRules, FolderStackFromTheStartPath) {
  struct Case {
    std::string path;
    bool open;
    std::vector<std::string> folders;
    std::string name;
  } cases[] = {
      {"types\\TShips.txt", true, {"types"}, "TShips.txt"},
      {"vfs://types\\TShips.txt", true, {"types"}, "TShips.txt"},
      {"vfs://types\\TShips.txt", false, {"vfs:", "types"}, "TShips.txt"},  // save keeps it
      {"\\a\\\\b\\", true, {"a"}, "b"},  // empty parts skipped; a last folder goes to the name box
      {"a/b/c.txt", true, {"a", "b"}, "c.txt"},
      {"", true, {}, ""},
      {"file.txt", true, {}, "file.txt"},
  };
  for (const Case& c : cases) {
    kz::BrowserStart s = kz::SplitBrowserStart(c.path, c.open);
    EXPECT_EQ(s.Folders, c.folders) << c.path;
    EXPECT_EQ(s.Name, c.name) << c.path;
  }
  EXPECT_EQ(kz::BrowserListPattern({"types", "sub"}, "*.txt"), "types\\sub\\*.txt");
  EXPECT_EQ(kz::BrowserListPattern({}, "*"), "*");
  EXPECT_EQ(kz::FolderEntryText(2, "sub"), "        sub");
}

TEST(CatalogRules, RefusesNamesThatLeaveTheFolder) {
  struct Case {
    std::string name;
    bool ok;
  } cases[] = {
      {"TShips.txt", true}, {"sub\\TShips.txt", true}, {"", false},       {"..", false},
      {"..\\x.txt", false}, {"a\\..\\b", false},        {".", false},      {"C:x", false},
      {"a::b", false},      {"\\abs.txt", false},       {"/abs.txt", false}, {"*.txt", false},
      {"a..b.txt", true},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(kz::CheckBrowserName(c.name, why), c.ok) << c.name;
    EXPECT_EQ(why.empty(), c.ok) << c.name;
  }
}

TEST(CatalogRules, TypedNamesInsideAndOutsideTheBrowsedCatalog) {
  using K = kz::TypedName::Kind;
  struct Case {
    std::string typed, catalog;
    K what;
    std::string path;
    bool fromRoot;
  } cases[] = {
      {"TShips.txt", "vfs://", K::Inner, "TShips.txt", false},
      {"sub/deep.txt", "/data/00.cat", K::Inner, "sub\\deep.txt", false},
      {"vfs://types\\TShips.txt", "vfs://", K::Inner, "types\\TShips.txt", true},
      {"VFS://types/TShips.txt", "vfs://", K::Inner, "types\\TShips.txt", true},
      // Only the virtual file system has a "vfs://" root; elsewhere the name is refused later.
      {"vfs://x.txt", "/data/00.cat", K::Inner, "vfs:\\\\x.txt", false},
      {"/data/types/TShips.txt", "vfs://", K::Outside, "/data/types/TShips.txt", false},
      {"/data/types/TShips.txt", "/data/00.cat", K::Outside, "/data/types/TShips.txt", false},
      {"/data/01.cat::types/TShips.txt", "vfs://", K::Outside, "/data/01.cat::types\\TShips.txt", false},
      {"01.cat::types\\a.txt", "/data/00.cat", K::Outside, "/data/01.cat::types\\a.txt", false},
      {"01.cat::a.txt", "/00.cat", K::Outside, "/01.cat::a.txt", false},
      {"01.cat::a.txt", "vfs://", K::Outside, "01.cat::a.txt", false},
  };
  for (const Case& c : cases) {
    const kz::TypedName t = kz::ReadTypedName(c.typed, c.catalog);
    EXPECT_EQ(t.What, c.what) << c.typed << " in " << c.catalog;
    EXPECT_EQ(t.Path, c.path) << c.typed << " in " << c.catalog;
    EXPECT_EQ(t.FromRoot, c.fromRoot) << c.typed << " in " << c.catalog;
  }
}

TEST(SettingsRules, LanguageIdsAreCheckedBeforeAnythingIsStored) {
  struct Case {
    std::string text;
    kz::LangIdCheck want;
    int32_t id;
  } cases[] = {
      {"39", kz::LangIdCheck::Ok, 39},
      {" 44 ", kz::LangIdCheck::Ok, 44},
      {"2147483647", kz::LangIdCheck::Ok, 2147483647},
      {"2147483648", kz::LangIdCheck::OutOfRange, 0},
      {"3000000000", kz::LangIdCheck::OutOfRange, 0},
      {"0", kz::LangIdCheck::OutOfRange, 0},
      {"-5", kz::LangIdCheck::OutOfRange, 0},
      {"abc", kz::LangIdCheck::NotANumber, 0},
      {"", kz::LangIdCheck::NotANumber, 0},
      {"4.5", kz::LangIdCheck::NotANumber, 0},
  };
  for (const Case& c : cases) {
    int32_t id = 0;
    EXPECT_EQ(kz::ParseLanguageID(c.text, id), c.want) << c.text;
    if (c.want == kz::LangIdCheck::Ok) {
      EXPECT_EQ(id, c.id) << c.text;
    }
  }
  EXPECT_EQ(kz::LanguageEntryText(44, "English"), "44 - English");
  EXPECT_EQ(kz::LanguageEntryText(7, "Greek"), "07 - Greek");
}

TEST(SettingsRules, ReloadDecisions) {
  struct Case {
    const char* what;
    std::string oldRoot, newRoot;
    bool oldLoad, newLoad;
    int32_t oldLang, newLang;
    bool data, load, unload;
  } cases[] = {
      {"nothing changed", "/g", "/g", true, true, 44, 44, false, false, false},
      {"letter case only", "/Game", "/game", true, true, 44, 44, false, false, false},
      // The data reload loads the descriptions itself: not a second time.
      {"data folder with descriptions", "/g", "/h", true, true, 44, 44, true, false, false},
      {"data folder and language", "/g", "/h", true, true, 44, 49, true, false, false},
      {"data folder without descriptions", "/g", "/h", false, false, 44, 44, true, false, true},
      {"descriptions off", "/g", "/g", true, false, 44, 44, false, false, true},
      {"descriptions on", "/g", "/g", false, true, 44, 44, false, true, false},
      {"language", "/g", "/g", true, true, 44, 49, false, true, false},
      {"language while off", "/g", "/g", false, false, 44, 49, false, false, true},
  };
  for (const Case& c : cases) {
    kz::SettingsReload r = kz::DecideSettingsReload(c.oldRoot, c.newRoot, c.oldLoad, c.newLoad, c.oldLang, c.newLang);
    EXPECT_EQ(r.DataFolderChanged, c.data) << c.what;
    EXPECT_EQ(r.LoadDescriptions, c.load) << c.what;
    EXPECT_EQ(r.UnloadDescriptions, c.unload) << c.what;
  }
}

}  // namespace
