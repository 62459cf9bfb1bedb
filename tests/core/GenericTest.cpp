#include "core/Generic.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/ErrorOf.h"

namespace fs = std::filesystem;
using namespace kz;

namespace {

using kztest::ErrorOf;

TEST(GenericPaths, SplitAtBothSeparatorsAndCatalogPaths) {
  struct Case {
    const char* path;
    const char* filePath;
    const char* fileName;
    const char* extracted;
    const char* extractedNoExt;
    const char* ext;
  } cases[] = {
      {"C:\\Data\\types\\TShips.txt", "C:\\Data\\types", "TShips.txt", "TShips.txt", "TShips", "txt"},
      {"/home/u/kz/types/TShips.pck", "/home/u/kz/types", "TShips.pck", "TShips.pck", "TShips", "pck"},
      {"/home/u\\mixed/a.b.c", "/home/u\\mixed", "a.b.c", "a.b.c", "a.b", "c"},
      {"file.txt", "", "", "file.txt", "file", "txt"},
      {"C:\\a.b\\file", "C:\\a.b", "file", "file", "file", "b\\file"},
      {"dir/", "dir", "", "", "", ""},
      {"", "", "", "", "", ""},
      {"/d/03.cat::types\\a.txt", "/d/03.cat::types", "a.txt", "a.txt", "a", "txt"},
      {"/d/03.cat::a.txt", "/d/03.cat::", "a.txt", "a.txt", "a", "txt"},
      {"/d/03.cat::a", "/d/03.cat::", "a", "a", "a", ""},
      {"/d/x.y/03.cat::t\\sub\\f.pck", "/d/x.y/03.cat::t\\sub", "f.pck", "f.pck", "f", "pck"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(GetFilePath(c.path), c.filePath);
    EXPECT_EQ(GetFileName(c.path), c.fileName);
    EXPECT_EQ(ExtractFileName(c.path), c.extracted);
    EXPECT_EQ(ExtractFileName(c.path, true), c.extractedNoExt);
    EXPECT_EQ(GetFileExt(c.path), c.ext);
  }
}

TEST(GenericPaths, BuildPath) {
  EXPECT_EQ(BuildPath("C:\\Data\\", "mods", "x.cat"), "C:\\Data\\mods\\x.cat");
  EXPECT_EQ(BuildPath("C:\\"), "C:");
  EXPECT_EQ(BuildPath("", "mods"), "mods");
  EXPECT_EQ(BuildPath("/home/u/kz", "mods", "x.cat"), "/home/u/kz/mods/x.cat");
  EXPECT_EQ(BuildPath("/home/u/kz/", "t/"), "/home/u/kz/t");
  EXPECT_EQ(BuildPath("mods", "x.cat"), "mods/x.cat");
  EXPECT_EQ(BuildPath("/"), "/");
  EXPECT_EQ(BuildPath("/", "tmp"), "/tmp");
  EXPECT_EQ(BuildPath("/d/03.cat::types", "a.txt"), "/d/03.cat::types\\a.txt");
  EXPECT_EQ(BuildPath("/d/03.cat::", "a.txt"), "/d/03.cat::a.txt");
  EXPECT_EQ(BuildPath("/d/03.cat::t/x", "a.txt"), "/d/03.cat::t/x/a.txt");
  EXPECT_EQ(BuildPath(std::vector<std::string>{"a", "", "b"}), "a/b");
  EXPECT_EQ(BuildPath(std::vector<std::string>{}), "");
  std::string s = "/tmp/";
  EXPECT_EQ(BuildPath(s, std::string("Ro Vovada")), "/tmp/Ro Vovada");
}

TEST(GenericPaths, GetPathRoot) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\x\\y", "C:"},          {"\\\\server\\share\\dir\\f.txt", "\\\\server\\share"},
      {"\\\\server\\share", "\\\\server\\share"}, {"\\\\server\\share\\", "\\\\server\\share"},
      {"//server/share/dir", "//server/share"},   {"\\\\server", "\\\\server"},
      {"dir\\f.txt", ""},          {"/home/u", ""},  {"", ""}, {"\\\\", "\\\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPathRoot(c.in), c.out) << c.in;
}

TEST(GenericPaths, TempDirHasTrailingSeparator) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  ::setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(GetTempDir(), "/var/tmp/");
  ::setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(GetTempDir(), "/var/tmp/");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(GetTempDir(), "/tmp/");
  if (old) ::setenv("TMPDIR", saved.c_str(), 1);
}

TEST(GenericVersions, AppAndLibraryVersions) {
  EXPECT_EQ(GetAppVersion(), KZ_TEST_PROJECT_VERSION);
  std::string name = "rudu";
  std::string v = GetLibraryVersion(name, "none");
  EXPECT_EQ(v, KZ_TEST_PROJECT_VERSION);
  EXPECT_TRUE(fs::path(name).is_absolute()) << name;
  EXPECT_NE(name.find("librudu.so"), std::string::npos) << name;
  EXPECT_EQ(GetFileVersion(name), KZ_TEST_PROJECT_VERSION);
  std::string missing = "no-such-library-here";
  EXPECT_EQ(GetLibraryVersion(missing, "def"), "def");
  EXPECT_EQ(missing, "no-such-library-here");
  EXPECT_EQ(GetFileVersion("/etc/hostname"), "");
  EXPECT_EQ(GetFileVersion(""), "");
  std::string libc = "libc.so.6";  // loads, but carries no version of ours
  EXPECT_EQ(GetLibraryVersion(libc, "def"), "");
  EXPECT_TRUE(fs::path(libc).is_absolute());
  EXPECT_FALSE(InIDE());
}

// The files a library is looked for by name, in order: the library folder of the
// installed layout (the program's folder and the path from bin/ to the library folder),
// the build tree's lib/ beside bin/, then the loader's own search. A multiarch library
// folder (lib/x86_64-linux-gnu) is not beside bin/ as lib/ is, and the loader's search
// cannot be counted on to use the program's run path (a sanitizer's dlopen calls from
// its own library).
TEST(GenericVersions, LibraryCandidatesLookInTheInstalledLibraryFolderFirst) {
  struct Case {
    std::string name, exeDir, libFromBin;
    std::vector<std::string> want;
  };
  const std::vector<Case> cases = {
      {"vup", "/opt/kz/bin", "../lib/x86_64-linux-gnu",
       {"/opt/kz/bin/../lib/x86_64-linux-gnu/vup", "/opt/kz/bin/../lib/x86_64-linux-gnu/libvup.so",
        "/opt/kz/bin/../lib/vup", "/opt/kz/bin/../lib/libvup.so", "vup", "libvup.so"}},
      // The library folder beside bin/ is tried once.
      {"vup", "/opt/kz/bin", "../lib", {"/opt/kz/bin/../lib/vup", "/opt/kz/bin/../lib/libvup.so", "vup", "libvup.so"}},
      {"rudu.dll", "/p/bin", "../lib", {"/p/bin/../lib/rudu.dll", "/p/bin/../lib/librudu.so", "rudu.dll", "librudu.so"}},
      {"libvup.so", "/p/bin", "../lib64", {"/p/bin/../lib64/libvup.so", "/p/bin/../lib/libvup.so", "libvup.so"}},
      // A path is opened as it stands; without the program's folder only the loader searches.
      {"/x/libvup.so", "/p/bin", "../lib", {"/x/libvup.so"}},
      {"vup", "", "../lib", {"vup", "libvup.so"}},
      {"", "/p/bin", "../lib", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LibraryCandidates(c.name, c.exeDir, c.libFromBin), c.want) << c.name << " " << c.libFromBin;
}

TEST(GenericUiService, BrowseForFolderGoesThroughTheService) {
  auto ui = std::make_shared<platform::ScriptedUi>();
  platform::UiScope scope(ui);
  ui->PushFolder("/games/kz");
  EXPECT_EQ(BrowseForFolder(nullptr, "Data folder"), "/games/kz");
  EXPECT_EQ(BrowseForFolder(nullptr, "Data folder"), "");
  EXPECT_EQ(ui->Calls("BrowseForFolder").at(0).Title, "Data folder");
}

class GenericRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string base = (fs::temp_directory_path() / "kzgen-XXXXXX").string();
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    dir_ = base;
    ::setenv("KZ_REGISTRY_DIR", dir_.c_str(), 1);
    ASSERT_EQ(platform::RegCreateKeyA(platform::HKEY_CURRENT_USER, "software\\Ze Zuzazo", &key_), 0);
  }
  void TearDown() override {
    platform::RegCloseKey(key_);
    fs::remove_all(dir_);
  }
  fs::path dir_;
  int32_t key_ = 0;
};

TEST_F(GenericRegistry, SetAndGetValues) {
  ASSERT_TRUE(SetRegValue(key_, "Empty", Variant("")));
  uint32_t type = 0, size = 0;
  ASSERT_EQ(platform::RegQueryValueExA(key_, "Empty", nullptr, &type, nullptr, &size), 0);
  EXPECT_EQ(type, platform::REG_SZ);
  EXPECT_EQ(size, 1u);
  Variant v = Variant(5);
  EXPECT_TRUE(GetRegValue(key_, "Empty", kRegSz, v));
  EXPECT_EQ(v, Variant(""));

  ASSERT_TRUE(SetRegValue(key_, "Path", Variant("C:\\Kz")));
  ASSERT_TRUE(SetRegValue(key_, "Lang", Variant(44)));
  ASSERT_TRUE(SetRegValue(key_, "Rounded", Variant(2.5)));
  ASSERT_TRUE(SetRegValue(key_, "Flag", Variant(BoolToLong(true))));
  EXPECT_FALSE(SetRegValue(key_, "Big", Variant(1e12)));
  ASSERT_EQ(platform::RegQueryValueExA(key_, "Lang", nullptr, &type, nullptr, &size), 0);
  EXPECT_EQ(type, platform::REG_DWORD);
  EXPECT_EQ(size, 4u);

  EXPECT_TRUE(GetRegValue(key_, "Path", kRegSz, v));
  EXPECT_EQ(v, Variant("C:\\Kz"));
  EXPECT_TRUE(GetRegValue(key_, "Lang", kRegDword, v));
  EXPECT_EQ(v, Variant(44));
  EXPECT_TRUE(GetRegValue(key_, "Rounded", kRegDword, v));
  EXPECT_EQ(v, Variant(2));
  int32_t n = 0;
  EXPECT_TRUE(GetRegValue(key_, "Flag", n));
  EXPECT_EQ(n, 1);

  // Missing: the default when given; else unchanged text / zero number.
  v = Variant("keep");
  EXPECT_FALSE(GetRegValue(key_, "Missing", kRegSz, v, Variant("def")));
  EXPECT_EQ(v, Variant("def"));
  v = Variant("keep");
  EXPECT_FALSE(GetRegValue(key_, "Missing", kRegSz, v));
  EXPECT_EQ(v, Variant("keep"));
  v = Variant(9);
  EXPECT_FALSE(GetRegValue(key_, "Missing", kRegDword, v));
  EXPECT_EQ(v, Variant(0));
  EXPECT_FALSE(GetRegValue(key_, "Missing", kRegDword, v, Variant(44)));
  EXPECT_EQ(v, Variant(44));
  // Wrong size: a text read as a number fails.
  EXPECT_FALSE(GetRegValue(key_, "Path", kRegDword, v, Variant(-1)));
  EXPECT_EQ(v, Variant(-1));
  // A text with an embedded NUL is cut there.
  const char raw[] = "ab\0cd";
  ASSERT_EQ(platform::RegSetValueExA(key_, "Nul", 0, platform::REG_SZ, raw, 6), 0);
  std::string s;
  EXPECT_TRUE(GetRegValue(key_, "Nul", s));
  EXPECT_EQ(s, "ab");
  EXPECT_FALSE(GetRegValue(-1, "Nul", s, std::string("d")));
  EXPECT_EQ(s, "d");
}

TEST(GenericCollections, Helpers) {
  Collection<std::shared_ptr<std::string>> c;
  auto a = std::make_shared<std::string>("a");
  EXPECT_TRUE(CollAddObject(c, a, "1k"));
  EXPECT_FALSE(CollAddObject(c, std::make_shared<std::string>("b"), "1K"));
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(CollGetItem(c, "1k"), a);
  EXPECT_EQ(CollGetItem(c, "2k"), nullptr);
  Collection<Variant> vs;
  EXPECT_TRUE(CollAddVariant(vs, Variant(7), "3-12"));
  EXPECT_FALSE(CollAddVariant(vs, Variant(8), "3-12"));
  EXPECT_EQ(CollGetItem(vs, "3-12"), Variant(7));
  EXPECT_TRUE(CollGetItem(vs, "x").IsEmpty());
  EXPECT_FALSE(CollRemove(vs, 2));
  EXPECT_FALSE(CollRemove(vs, "nope"));
  EXPECT_TRUE(CollRemove(vs, Variant("3-12")));
  EXPECT_TRUE(CollRemove(c, Variant(1)));
  EXPECT_FALSE(CollRemove(c, Variant(1)));
  std::vector<int> arr{1, 2, 3};
  int32_t lo = -9, hi = -9;
  EXPECT_EQ(GetArrayBounds(arr, lo, hi), 3);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 2);
  lo = hi = -9;
  EXPECT_EQ(GetArrayBounds(std::vector<int>{}, lo, hi), 0);
  EXPECT_EQ(lo, -9);
}

TEST(GenericNumbers, Hexadecimal) {
  struct Case {
    int32_t value, width;
    const char* text;
  } cases[] = {{255, 0, "FF"},     {4095, 0, "0FFF"}, {10, 4, "000A"},         {0, 0, "0"},
               {74565, 2, "12345"}, {0, 3, "000"},    {-1, 0, "FFFFFFFF"},     {INT32_MIN, 0, "80000000"},
               {-120, 0, "FFFFFF88"}, {1, 0, "01"}};
  for (const auto& c : cases) EXPECT_EQ(ToHex(c.value, c.width), c.text) << c.value;
  EXPECT_EQ(HexToLong("ff8000"), 16744448);
  EXPECT_EQ(HexToLong("1A2Bzz"), 6699);
  EXPECT_EQ(HexToLong("#FF8000"), 0);
  EXPECT_EQ(HexToLong("&HFF"), 0);
  EXPECT_EQ(HexToLong(""), 0);
  EXPECT_EQ(HexToLong("100000000"), 0);  // needs 33 bits
  EXPECT_EQ(HexToLong("0000000000FF"), 255);
  for (int32_t n : {0, 1, -1, -120, INT32_MIN, INT32_MAX, 0x7FFF0000, -0x1234567})
    EXPECT_EQ(HexToLong(ToHex(n)), n) << n;
  EXPECT_TRUE(IsHexString(""));
  EXPECT_TRUE(IsHexString("09afAF"));
  EXPECT_FALSE(IsHexString("0x1"));
}

TEST(GenericNumbers, BitsWordsAndColours) {
  EXPECT_TRUE(GetBit(static_cast<int32_t>(0x80000000u), 31));
  EXPECT_FALSE(GetBit(0x7FFFFFFF, 31));
  EXPECT_EQ(SetBit(0, 31), static_cast<int32_t>(0x80000000u));
  EXPECT_EQ(SetBit(1, 4), 17);
  EXPECT_EQ(ClearBit(-1, 0), -2);
  EXPECT_EQ(ClearBit(-1, 31), 0x7FFFFFFF);
  EXPECT_EQ(ErrorOf([] { GetBit(1, 32); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([] { SetBit(1, -1); }), kErrInvalidArgument);
  EXPECT_EQ(LoWord(0xFF88), -120);
  EXPECT_EQ(HiWord(static_cast<int32_t>(0xFF880001u)), -120);
  EXPECT_EQ(HiWord(0x00010000), 1);
  EXPECT_EQ(GetRed(0x123456), 0x56);
  EXPECT_EQ(GetGreen(0x123456), 0x34);
  EXPECT_EQ(GetBlue(0x123456), 0x12);
  EXPECT_EQ(GetBlue(-1), 0);
  EXPECT_EQ(GetGreen(-1), 0);
  EXPECT_EQ(GetRed(-1), 255);
  EXPECT_EQ(RGBToBGR(0x123456), 0x563412);
  EXPECT_EQ(BGRToRGB(static_cast<int32_t>(0xAA123456u)), 0x563412);
  EXPECT_EQ(BoolToLong(true), 1);
  EXPECT_TRUE(LongToBool(-5));
  EXPECT_TRUE(PointInRect({0, 0, 10, 10}, {10, 0}));
  EXPECT_FALSE(PointInRect({0, 0, 10, 10}, {11, 5}));
}

TEST(GenericNumbers, IncDecRoundUpEvenWhole) {
  int32_t n = 5;
  Inc(n);
  Inc(n, 4);
  Dec(n, 20);
  EXPECT_EQ(n, -10);
  n = INT32_MAX;
  EXPECT_EQ(ErrorOf([&] { Inc(n); }), kErrOverflow);
  EXPECT_EQ(n, INT32_MAX);
  n = INT32_MIN;
  EXPECT_EQ(ErrorOf([&] { Dec(n); }), kErrOverflow);

  struct R {
    double in;
    int32_t out;
  } rounds[] = {{1.5, 2}, {0.5, 0}, {-1.5, -1}, {2.0, 2}, {0.25, 0}, {1.0000001, 2}, {-0.5, 0}, {7.0, 7}};
  for (const auto& r : rounds) EXPECT_EQ(RoundUp(r.in), r.out) << r.in;
  EXPECT_EQ(ErrorOf([] { RoundUp(3e9); }), kErrOverflow);

  EXPECT_TRUE(IsEven(0));
  EXPECT_TRUE(IsEven(4));
  EXPECT_FALSE(IsEven(3));
  EXPECT_TRUE(IsEven(-3));
  EXPECT_TRUE(IsEven(-4));

  for (const char* yes : {"2.0", "2", " -7 ", "1e3"}) EXPECT_TRUE(IsWholeNumber(yes)) << yes;
  for (const char* no : {"2.5", "3000000000", "abc", "", "1.0000001"}) EXPECT_FALSE(IsWholeNumber(no)) << no;
}

TEST(GenericText, PluralTrimAppendReplace) {
  struct P {
    int32_t n;
    const char* form;
  } plurals[] = {{1, "one"}, {3, "few"}, {11, "many"}, {21, "many"}, {-2, "few"}, {0, "many"}, {-1, "one"},
                 {5, "many"}, {INT32_MIN, "many"}};
  for (const auto& p : plurals) EXPECT_EQ(PluralForm(p.n, "one", "few", "many"), p.form) << p.n;
  EXPECT_EQ(PluralForm(2, 1, 2, 3), 2);

  EXPECT_EQ(TrimNull(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(TrimNull("abc"), "abc");

  std::string t;
  AppendWithSep(t, "a", ", ");
  AppendWithSep(t, "", ", ");
  AppendWithSep(t, "b", ", ");
  EXPECT_EQ(t, "a, b");

  std::string s = "aXaxa";
  EXPECT_EQ(ReplaceCount(s, "a", "aa"), 3);
  EXPECT_EQ(s, "aaXaaxaa");
  s = "aXaxa";
  EXPECT_EQ(ReplaceCount(s, "x", "-", vbTextCompare), 2);
  EXPECT_EQ(s, "a-a-a");
  s = "aXaxa";
  EXPECT_EQ(ReplaceCount(s, "x", "-"), 1);
  EXPECT_EQ(ReplaceCount(s, "", "-"), 0);
  EXPECT_EQ(ReplaceCount(s, "a", "a"), 0);
  s = "aaaa";
  EXPECT_EQ(ReplaceCount(s, "aa", "b"), 2);
  EXPECT_EQ(s, "bb");
}

}  // namespace
