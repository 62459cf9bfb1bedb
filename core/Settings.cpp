#include "core/Settings.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/Generic.h"
#include "platform/Registry.h"

using kz::Variant;
using namespace platform;

SettingsPtr Settings;

namespace {

constexpr const char* kRootKey = "software\\Ze Zuzazo";
constexpr const char* kRootKeyGE = "software\\Ze Zuzazo\\GE";
constexpr const char* kInstallerKey = "SOFTWARE\\Copperfen\\Kz Concord";
constexpr const char* kModManagerKey = "SOFTWARE\\Kz RedIrodova";
constexpr const char* kGameKey = "SOFTWARE\\TESSALY\\Kz";
constexpr const char* kTempFolderName = "Ro Vovada";

// The running program's own file ("" when the system does not say).
std::string ProgramFile() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string ProgramDir() {
  std::filesystem::path exe(ProgramFile());
  return exe.empty() ? std::string(".") : exe.parent_path().string();
}

int32_t OpenCreated(int32_t hive, const char* path) {
  int32_t key = 0;
  if (RegCreateKeyA(hive, path, &key) != ERROR_SUCCESS || key == 0) return -1;
  return key;
}

// A key opened for reading only (0 when missing).
int32_t OpenExisting(int32_t parent, const char* path) {
  if (parent == -1 || parent == 0) return 0;
  int32_t key = 0;
  if (RegOpenKeyA(parent, path, &key) != ERROR_SUCCESS) return 0;
  return key;
}

void Close(int32_t key) {
  if (key != 0 && key != -1) RegCloseKey(key);
}

// The value's stored type, 0 when it cannot be read.
uint32_t ValueType(int32_t key, const char* name) {
  uint32_t type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return 0;
  return type;
}

// A text value of a key of another program (opened, never created); "" when missing.
std::string ReadForeignText(int32_t hive, const char* path, const char* name) {
  int32_t key = OpenExisting(hive, path);
  if (key == 0) return {};
  std::string text = clsSettings::RegGetStringValue(key, name);
  Close(key);
  return text;
}

std::string ClassesDefault(const std::string& path) { return ReadForeignText(HKEY_CLASSES_ROOT, path.c_str(), ""); }

}  // namespace

clsSettings::~clsSettings() {
  if (traceFile_) std::fclose(traceFile_);
  traceFile_ = nullptr;
  traceNumber_ = 0;
  traceCount_ = 0;
  DeleteTemp();
}

// ---- Registry operations ------------------------------------------------------------

int32_t clsSettings::OpenRootHandleUser() const { return OpenCreated(HKEY_CURRENT_USER, kRootKey); }
int32_t clsSettings::OpenRootHandleUserGE() const { return OpenCreated(HKEY_CURRENT_USER, kRootKeyGE); }
int32_t clsSettings::OpenRootHandleMachine() const { return OpenCreated(HKEY_LOCAL_MACHINE, kRootKey); }

int32_t clsSettings::RegGetLongValue(int32_t key, const std::string& name) {
  if (key == -1 || key == 0 || ValueType(key, name.c_str()) != REG_DWORD) return -1;
  int32_t value = -1;
  if (!kz::GetRegValue(key, name, value)) return -1;
  return value;
}

std::string clsSettings::RegGetStringValue(int32_t key, const std::string& name) {
  if (key == -1 || key == 0 || ValueType(key, name.c_str()) != REG_SZ) return {};
  std::string value;
  if (!kz::GetRegValue(key, name, value)) return {};
  return value;
}

Variant clsSettings::ReadRegValue(const std::string& section, const std::string& name, int32_t type,
                                  const Variant& def) const {
  int32_t root = OpenRootHandleUser();
  if (root == -1) return def;
  int32_t key = root;
  if (!section.empty()) key = OpenExisting(root, section.c_str());
  Variant result = def;
  if (key != 0) {
    uint32_t stored = ValueType(key, name.c_str());
    if (type == kRegText && stored == REG_SZ) {
      std::string text;
      if (kz::GetRegValue(key, name, text)) result = Variant(std::move(text));
    } else if (type == kRegNumber && stored == REG_DWORD) {
      int32_t number = 0;
      if (kz::GetRegValue(key, name, number)) result = Variant(number);
    }
  }
  if (key != root) Close(key);
  Close(root);
  return result;
}

bool clsSettings::SaveRegValue(const std::string& section, const std::string& name, const Variant& value,
                               bool deleteIfEmpty) {
  int32_t root = OpenRootHandleUser();
  if (root == -1) return false;
  int32_t key = root;
  if (!section.empty()) key = OpenCreated(root, section.c_str());
  bool ok = false;
  if (key != -1) {
    if (deleteIfEmpty && value.IsString() && value.AsString().empty()) {
      int32_t rc = RegDeleteValueA(key, name.c_str());
      ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    } else if (value.IsBoolean()) {
      ok = kz::SetRegValue(key, name, Variant(kz::BoolToLong(value.AsBoolean())));
    } else {
      ok = kz::SetRegValue(key, name, value);
    }
  }
  if (key != root) Close(key);
  Close(root);
  return ok;
}

bool clsSettings::ReadBool(const std::string& section, const std::string& name, bool def) const {
  Variant v = ReadRegValue(section, name, kRegNumber, Variant(kz::BoolToLong(def)));
  return v.Kind() == kz::VariantKind::Long ? v.AsLong() != 0 : def;
}

// ---- Properties ---------------------------------------------------------------------

std::string clsSettings::DataRoot() const {
  Variant v = ReadRegValue("", "DataPath", kRegText, Variant(std::string()));
  std::string path = v.IsString() ? v.AsString() : std::string();
  if (path.empty()) path = ReadForeignText(HKEY_LOCAL_MACHINE, kInstallerKey, "INSTALL_DIR");
  // Development runs name a sample data folder in the environment; it is a default only, never stored.
  if (path.empty()) {
    if (const char* sample = std::getenv("KZ_SAMPLE_DATA"); sample && *sample) path = sample;
  }
  return path;
}
void clsSettings::SetDataRoot(const std::string& value) { SaveRegValue("", "DataPath", Variant(value), false); }

std::string clsSettings::KzEXEPath() const {
  std::string root = DataRoot();
  std::string def = root.empty() ? std::string() : kz::BuildPath(root, "kz.exe");
  return kz::CStr(ReadRegValue("", "KzEXEPath", kRegText, Variant(def)));
}
void clsSettings::SetKzEXEPath(const std::string& value) { SaveRegValue("", "KzEXEPath", Variant(value), true); }

std::string clsSettings::CustomProgram() const {
  return kz::CStr(ReadRegValue("", "EditorEXEPath", kRegText, Variant(std::string())));
}
void clsSettings::SetCustomProgram(const std::string& value) {
  SaveRegValue("", "EditorEXEPath", Variant(value), true);
}

bool clsSettings::LoadDescriptions() const { return ReadBool("", "LoadDesc", true); }
void clsSettings::SetLoadDescriptions(bool value) { SaveRegValue("", "LoadDesc", Variant(kz::BoolToLong(value))); }

int32_t clsSettings::DescLangID() const {
  Variant v = ReadRegValue("", "DescLanguage", kRegNumber, Variant(int32_t(44)));
  return v.Kind() == kz::VariantKind::Long ? v.AsLong() : 44;
}
void clsSettings::SetDescLangID(int32_t value) { SaveRegValue("", "DescLanguage", Variant(value)); }

bool clsSettings::UseDoubleBuffer() const { return ReadBool("", "UseDoubleBuffer", true); }
void clsSettings::SetUseDoubleBuffer(bool value) {
  SaveRegValue("", "UseDoubleBuffer", Variant(kz::BoolToLong(value)));
}

bool clsSettings::UseDirectDraw() const { return ReadBool("", "UseDirectDraw", true); }
void clsSettings::SetUseDirectDraw(bool value) { SaveRegValue("", "UseDirectDraw", Variant(kz::BoolToLong(value))); }

std::string clsSettings::LastOpenedXMLFile() const {
  return kz::CStr(ReadRegValue("TRE", "LastOpenXMLFile", kRegText, Variant(std::string())));
}
void clsSettings::SetLastOpenedXMLFile(const std::string& value) {
  SaveRegValue("TRE", "LastOpenXMLFile", Variant(value), true);
}

std::string clsSettings::Ext3DViewerPath() const {
  return kz::CStr(ReadRegValue("3DViewer", "Path", kRegText, Variant(std::string())));
}
void clsSettings::SetExt3DViewerPath(const std::string& value) {
  SaveRegValue("3DViewer", "Path", Variant(value), false);
}

std::string clsSettings::Ext3DViewerCmdLine() const {
  return kz::CStr(ReadRegValue("3DViewer", "CmdLine", kRegText, Variant(std::string("\"%1\" \"%2\""))));
}
void clsSettings::SetExt3DViewerCmdLine(const std::string& value) {
  SaveRegValue("3DViewer", "CmdLine", Variant(value), false);
}

bool clsSettings::Ext3DViewerSupportsRuDU() const { return ReadBool("3DViewer", "SupportsRuDU", true); }
void clsSettings::SetExt3DViewerSupportsRuDU(bool value) {
  SaveRegValue("3DViewer", "SupportsRuDU", Variant(kz::BoolToLong(value)));
}

bool clsSettings::AutoArrangeIcons() const { return ReadBool("main", "AutoArrangeIcons", true); }
void clsSettings::SetAutoArrangeIcons(bool value) {
  SaveRegValue("main", "AutoArrangeIcons", Variant(kz::BoolToLong(value)));
}

std::string clsSettings::KzMMFullPath() const {
  int32_t key = OpenExisting(HKEY_LOCAL_MACHINE, kModManagerKey);
  if (key == 0) return {};
  std::string path = RegGetStringValue(key, "path");
  std::string exe = RegGetStringValue(key, "exename");
  Close(key);
  if (path.empty()) return {};
  if (exe.empty()) exe = "KzModManager.exe";
  return kz::BuildPath(path, exe);
}

std::string clsSettings::ActiveModName() const {
  std::string name = ReadForeignText(HKEY_CURRENT_USER, kGameKey, "ModName");
  return name.empty() ? std::string() : name + ".cat";
}

std::string clsSettings::ActiveModFullName() const {
  std::string mod = ActiveModName();
  if (mod.empty()) return {};
  return kz::BuildPath(DataRoot(), "mods", mod);
}

std::string clsSettings::HelpPath() const { return kz::BuildPath(ProgramDir(), "KzEditor.chm"); }
std::string clsSettings::TraceFilePath() const { return kz::BuildPath(ProgramDir(), "log.txt"); }

// ---- Environment --------------------------------------------------------------------

namespace {

// Opens a folder without following a link; -1 when it is none or a link.
int OpenFolderNoFollow(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// True when the open folder belongs to this user; makes it private (0700) then.
bool MakeFolderPrivate(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) return false;
  return true;
}

// The named private folder: created with mode 0700, or reused when it is a real folder
// of this user (then made private). False when the name is taken otherwise.
bool UseNamedFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  int fd = OpenFolderNoFollow(path);
  if (fd < 0) return false;
  bool ok = MakeFolderPrivate(fd);
  ::close(fd);
  return ok;
}

}  // namespace

bool clsSettings::InitEnviroment() {
  // 1. Where the program lives, machine-wide (silently skipped without the right).
  int32_t machine = OpenRootHandleMachine();
  if (machine != -1) {
    std::string exe = ProgramFile();
    std::filesystem::path exePath(exe);
    kz::SetRegValue(machine, "path", Variant(ProgramDir()));
    kz::SetRegValue(machine, "EXEName", Variant(exePath.filename().string()));
    kz::SetRegValue(machine, "version", Variant(kz::GetAppVersion()));
    Close(machine);
  }
  // 2-3. The private temporary folder.
  std::string temp = kz::GetTempDir();
  std::string named = kz::BuildPath(temp, kTempFolderName);
  if (UseNamedFolder(named)) {
    TempRoot = named;
    return true;
  }
  // The name is taken by a link, by someone else or by a file: a fresh folder of our own.
  std::string tmpl = named + "-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) {
    TempRoot.clear();
    return false;
  }
  TempRoot = buf.data();
  return true;
}

void clsSettings::DeleteTemp() {
  if (TempRoot.empty()) return;
  int fd = OpenFolderNoFollow(TempRoot);
  if (fd < 0) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
    ::close(fd);
    return;
  }
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return;
  }
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    names.push_back(std::move(name));
  }
  for (const std::string& name : names) {
    struct stat est {};
    if (::fstatat(fd, name.c_str(), &est, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(est.st_mode)) continue;      // subfolders are not entered
    ::unlinkat(fd, name.c_str(), 0);         // a link itself, never its target
  }
  ::closedir(dir);
  ::rmdir(TempRoot.c_str());  // fails (silently) when a subfolder is left
}

std::string clsSettings::GetBrowser() const {
  std::string result;
  std::string cls = ClassesDefault(".html");
  if (!cls.empty()) result = ClassesDefault(cls + "\\shell\\open\\command");
  if (result.empty()) result = ClassesDefault("Applications\\iexplore.exe\\shell\\open\\command");
  if (result.empty()) result = "xdg-open";
  return result;
}

// ---- Trace file ---------------------------------------------------------------------

int32_t clsSettings::OpenTraceFile() {
  if (!traceFile_) {
    traceFile_ = std::fopen(TraceFilePath().c_str(), "a");
    if (!traceFile_) return 0;
    static int32_t nextNumber = 0;
    traceNumber_ = ++nextNumber;
  }
  ++traceCount_;
  return traceNumber_;
}

int32_t clsSettings::CloseTraceFile() {
  if (traceCount_ <= 1) {
    if (traceFile_) std::fclose(traceFile_);
    traceFile_ = nullptr;
    traceNumber_ = 0;
    traceCount_ = 0;
  } else {
    --traceCount_;
  }
  return traceCount_;
}

bool clsSettings::Trace(const std::string& text, bool openClose) {
  if (openClose && OpenTraceFile() == 0) return false;
  bool ok = true;
  if (traceFile_) {
    std::time_t now = std::time(nullptr);
    std::tm local {};
    char stamp[64] = "";
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    ok = std::fprintf(traceFile_, "%s - %s\n", stamp, text.c_str()) >= 0 && std::fflush(traceFile_) == 0;
  }
  if (openClose) CloseTraceFile();
  return ok;
}

bool clsSettings::ClearTraceFile(int64_t maxSize) {
  std::string path = TraceFilePath();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size <= maxSize) return false;
  if (traceFile_) std::fclose(traceFile_);
  traceFile_ = nullptr;
  traceNumber_ = 0;
  traceCount_ = 0;
  ResetTraceAttributes();
  return ::unlink(path.c_str()) == 0;
}

void clsSettings::ResetTraceAttributes() {
  // Closing and reopening around the change, so that an open file keeps its users.
  int32_t count = traceCount_;
  if (traceFile_) std::fclose(traceFile_);
  traceFile_ = nullptr;
  traceNumber_ = 0;
  traceCount_ = 0;
  ::chmod(TraceFilePath().c_str(), 0644);
  if (count > 0 && OpenTraceFile() != 0) traceCount_ = count;
}
