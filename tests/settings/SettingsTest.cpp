#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "SettingsFixture.h"
#include "core/Generic.h"

using platform::HKEY_CLASSES_ROOT;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;
namespace fs = std::filesystem;

namespace {

struct TextProperty {
  const char* what;
  std::function<std::string(const clsSettings&)> get;
  std::function<void(clsSettings&, const std::string&)> set;
  const char* subkey;  // below the per-user root ("" = the root)
  const char* value;
  const char* def;
  bool emptyDeletes;
};

std::vector<TextProperty> TextProperties() {
  return {
      {"DataRoot", &clsSettings::DataRoot, &clsSettings::SetDataRoot, "", "DataPath", "", false},
      {"KzEXEPath", &clsSettings::KzEXEPath, &clsSettings::SetKzEXEPath, "", "KzEXEPath", "", true},
      {"CustomProgram", &clsSettings::CustomProgram, &clsSettings::SetCustomProgram, "", "EditorEXEPath", "", true},
      {"LastOpenedXMLFile", &clsSettings::LastOpenedXMLFile, &clsSettings::SetLastOpenedXMLFile, "TRE",
       "LastOpenXMLFile", "", true},
      {"Ext3DViewerPath", &clsSettings::Ext3DViewerPath, &clsSettings::SetExt3DViewerPath, "3DViewer", "Path", "",
       false},
      {"Ext3DViewerCmdLine", &clsSettings::Ext3DViewerCmdLine, &clsSettings::SetExt3DViewerCmdLine, "3DViewer",
       "CmdLine", "\"%1\" \"%2\"", false},
  };
}

struct BoolProperty {
  const char* what;
  std::function<bool(const clsSettings&)> get;
  std::function<void(clsSettings&, bool)> set;
  const char* subkey;
  const char* value;
};

std::vector<BoolProperty> BoolProperties() {
  return {
      {"LoadDescriptions", &clsSettings::LoadDescriptions, &clsSettings::SetLoadDescriptions, "", "LoadDesc"},
      {"UseDoubleBuffer", &clsSettings::UseDoubleBuffer, &clsSettings::SetUseDoubleBuffer, "", "UseDoubleBuffer"},
      {"UseDirectDraw", &clsSettings::UseDirectDraw, &clsSettings::SetUseDirectDraw, "", "UseDirectDraw"},
      {"Ext3DViewerSupportsRuDU", &clsSettings::Ext3DViewerSupportsRuDU, &clsSettings::SetExt3DViewerSupportsRuDU,
       "3DViewer", "SupportsRuDU"},
      {"AutoArrangeIcons", &clsSettings::AutoArrangeIcons, &clsSettings::SetAutoArrangeIcons, "main",
       "AutoArrangeIcons"},
  };
}

std::string Path(const char* subkey) {
  std::string p = "software\\Ze Zuzazo";
  if (*subkey) p += std::string("\\") + subkey;
  return p;
}

}  // namespace

TEST_F(SettingsTest, TextPropertiesDefaultsEmptyRuleAndType) {
  for (const TextProperty& p : TextProperties()) {
    SCOPED_TRACE(p.what);
    clsSettings s;
    EXPECT_EQ(p.get(s), p.def);
    p.set(s, "/games/kz/value");
    EXPECT_EQ(StoredType(HKEY_CURRENT_USER, Path(p.subkey), p.value), platform::REG_SZ);
    EXPECT_EQ(p.get(s), "/games/kz/value");
    // A second object sees the value at once: nothing is kept in memory.
    clsSettings other;
    EXPECT_EQ(p.get(other), "/games/kz/value");

    p.set(s, "");
    std::string bytes;
    uint32_t type = StoredType(HKEY_CURRENT_USER, Path(p.subkey), p.value, &bytes);
    if (p.emptyDeletes) {
      EXPECT_EQ(type, 0u) << "an empty text removes the value";
      EXPECT_EQ(p.get(s), p.def);
    } else {
      EXPECT_EQ(type, platform::REG_SZ);
      EXPECT_EQ(bytes, std::string(1, '\0')) << "an empty text is stored as one NUL";
      EXPECT_EQ(p.get(s), "") << "a stored empty text is not replaced by the default";
    }
  }
}

TEST_F(SettingsTest, TextPropertyStoredAsNumberReadsAsDefault) {
  PutNumber(HKEY_CURRENT_USER, kRoot, "EditorEXEPath", 7);
  PutNumber(HKEY_CURRENT_USER, Path("3DViewer"), "CmdLine", 7);
  clsSettings s;
  EXPECT_EQ(s.CustomProgram(), "");
  EXPECT_EQ(s.Ext3DViewerCmdLine(), "\"%1\" \"%2\"");
}

TEST_F(SettingsTest, BooleansWrittenAsOneAndZeroReadAsNonZero) {
  for (const BoolProperty& p : BoolProperties()) {
    SCOPED_TRACE(p.what);
    clsSettings s;
    EXPECT_TRUE(p.get(s)) << "default";
    p.set(s, false);
    std::string bytes;
    EXPECT_EQ(StoredType(HKEY_CURRENT_USER, Path(p.subkey), p.value, &bytes), platform::REG_DWORD);
    EXPECT_EQ(bytes, std::string("\0\0\0\0", 4));
    EXPECT_FALSE(p.get(s));
    p.set(s, true);
    StoredType(HKEY_CURRENT_USER, Path(p.subkey), p.value, &bytes);
    EXPECT_EQ(bytes, std::string("\1\0\0\0", 4)) << "True is written as 1";
    for (int32_t stored : {5, -1, 0x10000}) {
      PutNumber(HKEY_CURRENT_USER, Path(p.subkey), p.value, stored);
      EXPECT_TRUE(p.get(s)) << stored;
    }
    PutText(HKEY_CURRENT_USER, Path(p.subkey), p.value, "0");
    EXPECT_TRUE(p.get(s)) << "a value of the wrong type reads as the default";
  }
}

TEST_F(SettingsTest, DescLangIDDefaultAndRoundTrip) {
  clsSettings s;
  EXPECT_EQ(s.DescLangID(), 44);
  s.SetDescLangID(49);
  EXPECT_EQ(StoredType(HKEY_CURRENT_USER, kRoot, "DescLanguage"), platform::REG_DWORD);
  EXPECT_EQ(s.DescLangID(), 49);
  PutText(HKEY_CURRENT_USER, kRoot, "DescLanguage", "33");
  EXPECT_EQ(s.DescLangID(), 44);
}

TEST_F(SettingsTest, DataRootFallsBackToInstallerOnEveryRead) {
  clsSettings s;
  EXPECT_EQ(s.DataRoot(), "");
  EXPECT_EQ(s.KzEXEPath(), "") << "no data folder, no default game path";

  PutText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copperfen\\Kz Concord", "INSTALL_DIR", "/opt/kz");
  EXPECT_EQ(s.DataRoot(), "/opt/kz");
  EXPECT_EQ(s.KzEXEPath(), "/opt/kz/kz.exe");
  PutText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Copperfen\\Kz Concord", "INSTALL_DIR", "/srv/kz2");
  EXPECT_EQ(s.DataRoot(), "/srv/kz2") << "looked up again on every read";
  EXPECT_EQ(StoredType(HKEY_CURRENT_USER, kRoot, "DataPath"), 0u) << "never copied into DataPath";

  s.SetDataRoot("");
  EXPECT_EQ(s.DataRoot(), "/srv/kz2") << "an empty DataPath counts as missing";
  s.SetDataRoot("/home/me/kz");
  EXPECT_EQ(s.DataRoot(), "/home/me/kz");
  EXPECT_EQ(s.KzEXEPath(), "/home/me/kz/kz.exe");
  s.SetKzEXEPath("/usr/games/kz");
  EXPECT_EQ(s.KzEXEPath(), "/usr/games/kz");
  s.SetKzEXEPath("");
  EXPECT_EQ(s.KzEXEPath(), "/home/me/kz/kz.exe") << "deleting the value brings the default back";
}

TEST_F(SettingsTest, ModManagerAndActiveMod) {
  clsSettings s;
  EXPECT_EQ(s.KzMMFullPath(), "");
  EXPECT_EQ(s.ActiveModName(), "");
  EXPECT_EQ(s.ActiveModFullName(), "");
  // Reading other programs' keys never creates them.
  int32_t k = 0;
  EXPECT_NE(platform::RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kz RedIrodova", &k), platform::ERROR_SUCCESS);
  EXPECT_NE(platform::RegOpenKeyA(HKEY_CURRENT_USER, "SOFTWARE\\TESSALY\\Kz", &k), platform::ERROR_SUCCESS);

  PutText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kz RedIrodova", "exename", "mm.exe");
  EXPECT_EQ(s.KzMMFullPath(), "") << "no path, no mod manager";
  PutText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kz RedIrodova", "path", "/opt/mm/");
  EXPECT_EQ(s.KzMMFullPath(), "/opt/mm/mm.exe");
  PutText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Kz RedIrodova", "exename", "");
  EXPECT_EQ(s.KzMMFullPath(), "/opt/mm/KzModManager.exe");

  PutText(HKEY_CURRENT_USER, "SOFTWARE\\TESSALY\\Kz", "ModName", "bigmod");
  EXPECT_EQ(s.ActiveModName(), "bigmod.cat");
  EXPECT_EQ(s.ActiveModFullName(), "mods/bigmod.cat") << "joined without a leading separator";
  s.SetDataRoot("/data/kz/");
  EXPECT_EQ(s.ActiveModFullName(), "/data/kz/mods/bigmod.cat");
  PutText(HKEY_CURRENT_USER, "SOFTWARE\\TESSALY\\Kz", "ModName", "");
  EXPECT_EQ(s.ActiveModFullName(), "");
}

TEST_F(SettingsTest, BrowserFromClassesOrDesktopOpener) {
  clsSettings s;
  EXPECT_EQ(s.GetBrowser(), "xdg-open");
  PutText(HKEY_CLASSES_ROOT, "Applications\\iexplore.exe\\shell\\open\\command", "", "oldbrowser %1");
  EXPECT_EQ(s.GetBrowser(), "oldbrowser %1");
  PutText(HKEY_CLASSES_ROOT, ".html", "", "htmlfile");
  EXPECT_EQ(s.GetBrowser(), "oldbrowser %1") << "a class without a command falls through";
  PutText(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", "", "firefox %1");
  EXPECT_EQ(s.GetBrowser(), "firefox %1");
}

TEST_F(SettingsTest, RegistryOperations) {
  clsSettings s;
  int32_t root = s.OpenRootHandleUser();
  ASSERT_NE(root, -1);
  EXPECT_EQ(clsSettings::RegGetLongValue(root, "missing"), -1);
  EXPECT_EQ(clsSettings::RegGetStringValue(root, "missing"), "");
  EXPECT_EQ(clsSettings::RegGetLongValue(-1, "x"), -1);
  platform::RegCloseKey(root);

  // A missing section gives the default and is not created by the read.
  EXPECT_TRUE(s.ReadRegValue("TE", "Sort", kRegNumber).IsEmpty());
  EXPECT_EQ(kz::CLng(s.ReadRegValue("TE", "Sort", kRegNumber, int32_t(3))), 3);
  int32_t k = 0;
  EXPECT_NE(platform::RegOpenKeyA(HKEY_CURRENT_USER, Path("TE").c_str(), &k), platform::ERROR_SUCCESS);

  EXPECT_TRUE(s.SaveRegValue("TE", "Sort", int32_t(2)));
  EXPECT_TRUE(s.SaveRegValue("TE", "Flag", true));
  EXPECT_TRUE(s.SaveRegValue("TE", "LastFindString", "ship"));
  EXPECT_EQ(kz::CLng(s.ReadRegValue("TE", "Sort", kRegNumber)), 2);
  EXPECT_EQ(kz::CLng(s.ReadRegValue("TE", "Flag", kRegNumber)), 1) << "a Boolean goes in as 1";
  EXPECT_EQ(kz::CStr(s.ReadRegValue("TE", "LastFindString", kRegText)), "ship");
  EXPECT_TRUE(s.ReadRegValue("TE", "Sort", kRegText).IsEmpty()) << "asked as the wrong type";

  EXPECT_TRUE(s.SaveRegValue("TE", "LastFindString", "", true));
  EXPECT_EQ(StoredType(HKEY_CURRENT_USER, Path("TE"), "LastFindString"), 0u);
  EXPECT_TRUE(s.SaveRegValue("TE", "LastFindString", "", false));
  EXPECT_EQ(StoredType(HKEY_CURRENT_USER, Path("TE"), "LastFindString"), platform::REG_SZ);

  int32_t ge = s.OpenRootHandleUserGE();
  ASSERT_NE(ge, -1);
  kz::SetRegValue(ge, "LastFindString", kz::Variant("sector"));
  platform::RegCloseKey(ge);
  EXPECT_EQ(kz::CStr(s.ReadRegValue("GE", "LastFindString", kRegText)), "sector");
}

TEST_F(SettingsTest, InitEnviromentRecordsProgramAndMakesPrivateTemp) {
  clsSettings s;
  ASSERT_TRUE(s.InitEnviroment());
  EXPECT_EQ(s.TempRoot, (TempDir() / "Ro Vovada").string());
  struct stat st {};
  ASSERT_EQ(::lstat(s.TempRoot.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(StoredType(HKEY_LOCAL_MACHINE, kRoot, "path"), platform::REG_SZ);
  EXPECT_EQ(StoredType(HKEY_LOCAL_MACHINE, kRoot, "EXEName"), platform::REG_SZ);
  std::string version;
  StoredType(HKEY_LOCAL_MACHINE, kRoot, "version", &version);
  EXPECT_EQ(kz::TrimNull(version), kz::GetAppVersion());

  // A second start reuses the folder left over (and its files).
  std::ofstream(fs::path(s.TempRoot) / "left.bod") << "x";
  clsSettings again;
  ASSERT_TRUE(again.InitEnviroment());
  EXPECT_EQ(again.TempRoot, s.TempRoot);
  EXPECT_TRUE(fs::exists(fs::path(s.TempRoot) / "left.bod"));
  again.TempRoot.clear();  // keep it for `s`
}

TEST_F(SettingsTest, TempFolderWithWideModeIsMadePrivate) {
  fs::path named = TempDir() / "Ro Vovada";
  fs::create_directory(named);
  ::chmod(named.c_str(), 0777);
  clsSettings s;
  ASSERT_TRUE(s.InitEnviroment());
  EXPECT_EQ(s.TempRoot, named.string());
  struct stat st {};
  ::stat(named.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST_F(SettingsTest, TempFolderThatIsALinkIsRefused) {
  fs::path victim = base_ / "victim";
  fs::create_directory(victim);
  std::ofstream(victim / "precious.txt") << "keep me";
  fs::create_directory_symlink(victim, TempDir() / "Ro Vovada");
  {
    clsSettings s;
    ASSERT_TRUE(s.InitEnviroment());
    EXPECT_NE(s.TempRoot, (TempDir() / "Ro Vovada").string());
    struct stat st {};
    ASSERT_EQ(::lstat(s.TempRoot.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << "a real folder, not the link";
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(fs::path(s.TempRoot).parent_path(), TempDir());
    std::ofstream(fs::path(s.TempRoot) / "model.bod") << "bytes";
  }  // the end of the object empties and removes its own folder
  EXPECT_TRUE(fs::exists(victim / "precious.txt"));
  EXPECT_TRUE(fs::is_symlink(TempDir() / "Ro Vovada"));
}

TEST_F(SettingsTest, TempFolderOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
  fs::path named = TempDir() / "Ro Vovada";
  fs::create_directory(named);
  ASSERT_EQ(::chown(named.c_str(), 65534, 65534), 0);
  clsSettings s;
  ASSERT_TRUE(s.InitEnviroment());
  EXPECT_NE(s.TempRoot, named.string());
  struct stat st {};
  ASSERT_EQ(::lstat(s.TempRoot.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  ::stat(named.c_str(), &st);
  EXPECT_EQ(st.st_uid, 65534u) << "the other user's folder is left alone";
}

TEST_F(SettingsTest, DeleteTempNeverFollowsLinks) {
  fs::path outside = base_ / "outside";
  fs::create_directory(outside);
  std::ofstream(outside / "target.txt") << "keep";
  clsSettings s;
  ASSERT_TRUE(s.InitEnviroment());
  fs::path temp(s.TempRoot);
  std::ofstream(temp / "a.bod") << "1";
  std::ofstream(temp / "b.bod") << "2";
  fs::create_symlink(outside / "target.txt", temp / "link.txt");
  fs::create_directory_symlink(outside, temp / "dirlink");
  s.DeleteTemp();
  EXPECT_FALSE(fs::exists(temp)) << "emptied and removed";
  EXPECT_TRUE(fs::exists(outside / "target.txt"));
  EXPECT_EQ(fs::directory_iterator(outside)->path().filename(), "target.txt");
}

TEST_F(SettingsTest, DeleteTempKeepsFolderWithSubfolder) {
  clsSettings s;
  ASSERT_TRUE(s.InitEnviroment());
  fs::path temp(s.TempRoot);
  std::ofstream(temp / "a.bod") << "1";
  fs::create_directory(temp / "sub");
  std::ofstream(temp / "sub" / "inner.bod") << "2";
  s.DeleteTemp();
  EXPECT_TRUE(fs::exists(temp / "sub" / "inner.bod")) << "subfolders are not entered";
  EXPECT_FALSE(fs::exists(temp / "a.bod"));
  EXPECT_TRUE(fs::exists(temp));
  fs::remove_all(temp);
  s.DeleteTemp();  // a folder gone meanwhile is no error
}

TEST_F(SettingsTest, DeleteTempOfAReplacedFolderDoesNothing) {
  fs::path victim = base_ / "victim";
  fs::create_directory(victim);
  std::ofstream(victim / "precious.txt") << "keep me";
  clsSettings s;
  ASSERT_TRUE(s.InitEnviroment());
  fs::remove_all(s.TempRoot);
  fs::create_directory_symlink(victim, s.TempRoot);
  s.DeleteTemp();
  EXPECT_TRUE(fs::exists(victim / "precious.txt"));
  fs::remove(s.TempRoot);
}

TEST_F(SettingsTest, HelpAndTraceBesideProgram) {
  clsSettings s;
  fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(s.HelpPath(), (exe.parent_path() / "KzEditor.chm").string());
  EXPECT_EQ(s.TraceFilePath(), (exe.parent_path() / "log.txt").string());
}

// The one test that touches log.txt beside the test program.
TEST_F(SettingsTest, TraceFile) {
  clsSettings s;
  fs::path log = s.TraceFilePath();
  fs::remove(log);
  EXPECT_TRUE(s.Trace("not open", false)) << "nothing open: nothing written";
  EXPECT_FALSE(fs::exists(log));

  EXPECT_TRUE(s.Trace("first line", true));
  EXPECT_EQ(s.TraceRefCount(), 0);
  int32_t n = s.OpenTraceFile();
  EXPECT_NE(n, 0);
  EXPECT_EQ(s.OpenTraceFile(), n) << "the same file number while it is open";
  EXPECT_EQ(s.TraceRefCount(), 2);
  EXPECT_TRUE(s.Trace("second line", true));
  EXPECT_EQ(s.TraceRefCount(), 2);
  EXPECT_EQ(s.CloseTraceFile(), 1);
  EXPECT_EQ(s.CloseTraceFile(), 0);

  std::ifstream in(log);
  std::string l1, l2, l3;
  std::getline(in, l1);
  std::getline(in, l2);
  EXPECT_FALSE(std::getline(in, l3));
  EXPECT_NE(l1.find(" - first line"), std::string::npos);
  EXPECT_EQ(l1.substr(l1.size() - 13), " - first line");
  EXPECT_EQ(l2.substr(l2.size() - 14), " - second line");

  EXPECT_FALSE(s.ClearTraceFile(1 << 20)) << "small enough: kept";
  EXPECT_TRUE(fs::exists(log));
  s.OpenTraceFile();
  s.OpenTraceFile();
  EXPECT_TRUE(s.ClearTraceFile(10));
  EXPECT_FALSE(fs::exists(log));
  EXPECT_EQ(s.TraceRefCount(), 0) << "closed whatever its count";
  EXPECT_FALSE(s.ClearTraceFile(0)) << "no file";
}
