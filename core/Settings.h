#pragma once
// clsSettings: the program's configuration in the registry store.
//
// Nothing is kept in memory but the temporary folder's path and the trace file: every
// property reads or writes the store at the moment it is used, so a value written by one
// window is seen at once by every other (and by a second running copy of the program).
//
// Layout, per user under HKEY_CURRENT_USER "software\Ze Zuzazo" (subkey: value):
//   DataPath (text), LoadDesc, DescLanguage, UseDoubleBuffer, UseDirectDraw (numbers),
//   EditorEXEPath, KzEXEPath (texts); TRE: LastOpenXMLFile; 3DViewer: Path, CmdLine,
//   SupportsRuDU; main: AutoArrangeIcons; main\icons\<item key>: caption;
//   mru\TXTEditor, mru\GEditor: "0".."4"; one subkey per window place: state, left,
//   top, width, height; TE, TRE, GE: the windows' own values (ReadRegValue/SaveRegValue).
// Machine-wide, under HKEY_LOCAL_MACHINE "software\Ze Zuzazo": path, EXEName, version
// (written at start, never read).
// Read from other programs' keys: the game installer's INSTALL_DIR (fallback of
// DataRoot), the mod manager's path and exename, the game's active ModName, and the
// desktop's default opener of ".html".
//
// Booleans are stored as the numbers 1 and 0; any non-zero number reads True. A value
// that is missing, unreadable or of the wrong type or size reads as its default.
//
// The temporary folder ("Ro Vovada" in the user's temporary folder) belongs to the user
// alone: it is created with mode 0700, a folder of that name that is a link or belongs
// to someone else is never used (a fresh private folder is made instead), and emptying
// it never follows a link.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/RecentFiles.h"
#include "core/Variant.h"

// Registry value types.
inline constexpr int32_t kRegText = 1;    // REG_SZ
inline constexpr int32_t kRegNumber = 4;  // REG_DWORD

class clsSettings {
 public:
  // The program's temporary folder, set by InitEnviroment ("" before it ran, or when
  // no private folder could be made).
  std::string TempRoot;

  clsSettings() = default;
  clsSettings(const clsSettings&) = delete;
  clsSettings& operator=(const clsSettings&) = delete;
  // Closes the trace file whatever its count, then empties and removes the temporary folder.
  ~clsSettings();

  // ---- Properties (each reads or writes the store at once) ---------------------------
  // The game's data folder: "DataPath", or when that is missing or empty the game
  // installer's INSTALL_DIR (looked up on every read, never copied); "" when neither.
  std::string DataRoot() const;
  void SetDataRoot(const std::string& value);  // stored as it is, also when empty
  // The game executable: "KzEXEPath", default DataRoot + "kz.exe" (when DataRoot is set).
  std::string KzEXEPath() const;
  void SetKzEXEPath(const std::string& value);  // empty: value deleted
  std::string CustomProgram() const;             // "EditorEXEPath", default ""
  void SetCustomProgram(const std::string& value);  // empty: value deleted
  bool LoadDescriptions() const;                 // "LoadDesc", default True
  void SetLoadDescriptions(bool value);
  int32_t DescLangID() const;                    // "DescLanguage", default 44
  void SetDescLangID(int32_t value);
  bool UseDoubleBuffer() const;                  // default True
  void SetUseDoubleBuffer(bool value);
  bool UseDirectDraw() const;                    // default True
  void SetUseDirectDraw(bool value);
  std::string LastOpenedXMLFile() const;         // TRE "LastOpenXMLFile", default ""
  void SetLastOpenedXMLFile(const std::string& value);  // empty: value deleted
  std::string Ext3DViewerPath() const;           // 3DViewer "Path", default ""
  void SetExt3DViewerPath(const std::string& value);    // stored, also when empty
  std::string Ext3DViewerCmdLine() const;        // 3DViewer "CmdLine", default "%1" "%2" quoted
  void SetExt3DViewerCmdLine(const std::string& value); // stored, also when empty
  bool Ext3DViewerSupportsRuDU() const;          // 3DViewer "SupportsRuDU", default True
  void SetExt3DViewerSupportsRuDU(bool value);
  bool AutoArrangeIcons() const;                 // main "AutoArrangeIcons", default True
  void SetAutoArrangeIcons(bool value);

  // Read-only.
  // The mod manager: its "path" joined with "exename" ("KzModManager.exe" when that is
  // missing or empty); "" when "path" is missing or empty.
  std::string KzMMFullPath() const;
  // The game's active modification "ModName" + ".cat"; "" when none.
  std::string ActiveModName() const;
  // DataRoot, "mods" and ActiveModName joined; "" when there is no active modification.
  std::string ActiveModFullName() const;
  // Beside the program: "KzEditor.chm" and the trace file "log.txt".
  std::string HelpPath() const;
  std::string TraceFilePath() const;

  // ---- Registry operations (also for the windows' own subkeys) ------------------------
  // Key handles of the roots (created when missing), or -1. The caller closes them.
  int32_t OpenRootHandleUser() const;
  int32_t OpenRootHandleUserGE() const;
  int32_t OpenRootHandleMachine() const;
  // The number under a value name of an open key; -1 when it cannot be read.
  static int32_t RegGetLongValue(int32_t key, const std::string& name);
  // The text under a value name of an open key; "" when it cannot be read.
  static std::string RegGetStringValue(int32_t key, const std::string& name);
  // A value of the per-user root (section "") or of its subkey `section` (opened, not
  // created): type kRegText or kRegNumber; `def` when it cannot be read.
  kz::Variant ReadRegValue(const std::string& section, const std::string& name, int32_t type,
                           const kz::Variant& def = kz::Variant()) const;
  // Writes a value (a text as REG_SZ, anything else as a 32-bit REG_DWORD) into the
  // per-user root or its subkey `section` (created when missing); an empty text with
  // deleteIfEmpty deletes the value instead. True when written or deleted.
  bool SaveRegValue(const std::string& section, const std::string& name, const kz::Variant& value,
                    bool deleteIfEmpty = false);

  // ---- Environment ------------------------------------------------------------------
  // Records the program's folder, executable name and version machine-wide (silently
  // skipped when that key cannot be written) and makes the private temporary folder.
  // True when every step ran.
  bool InitEnviroment();
  // Deletes the plain files (and links, never their targets) directly inside the
  // temporary folder and removes it; a subfolder inside keeps the folder.
  void DeleteTemp();
  // The command of the default web browser; "xdg-open" when the store names none.
  std::string GetBrowser() const;

  // ---- Trace file ("log.txt" beside the program, appended to) ------------------------
  // Opens the file when closed and counts one more user; the file number (0 on failure).
  int32_t OpenTraceFile();
  // Counts one user less and closes the file at 0; the new count.
  int32_t CloseTraceFile();
  // Appends "<local date and time> - <text>" as a line when the file is open (opening and
  // closing it around the line when openClose is set). False when that failed.
  bool Trace(const std::string& text, bool openClose);
  // Deletes the file (closing it whatever its count) when it is longer than maxSize
  // bytes; True only when it was deleted.
  bool ClearTraceFile(int64_t maxSize);
  int32_t TraceRefCount() const noexcept { return traceCount_; }

  // ---- Recent files, window places, launcher captions ------------------------------
  // The recent type files / universe maps, first entry first, under "mru\TXTEditor" /
  // "mru\GEditor" as "0", "1", ...; saving replaces every value of the list's key.
  void SaveRecentTFiles(const std::vector<std::string>& list);
  void SaveRecentGalaxyMaps(const std::vector<std::string>& list);
  // The stored list, read as "0" to "4" in that order (missing names and values that
  // are not texts are passed over); empty when the key is missing.
  std::vector<std::string> LoadRecentTFiles() const;
  std::vector<std::string> LoadRecentGalaxyMaps() const;

  // Stores the window's state (minimised as normal) and its normal outer rectangle
  // under the subkey `key`.
  void SaveWindowPos(const kz::WindowPlace& window, const std::string& key);
  // Restores it: the stored rectangle (defaults: the window's own scale units, converted
  // to pixels; a negative left or top becomes 0), then the state when it is maximised.
  // Any other stored state is the normal one. True when the subkey could be opened.
  bool LoadWindowPos(kz::WindowPlace& window, const std::string& key, int32_t defaultWidth,
                     int32_t defaultHeight);
  // Stores every item's caption under main\icons\<item key>\caption.
  void SaveIcons(const kz::IconList& icons);
  // Gives the items their stored captions (the key itself when the value is missing);
  // stored keys that match no item are passed over.
  void LoadIcons(kz::IconList& icons);

 private:
  void SaveRecentList(const char* subkey, const std::vector<std::string>& list);
  std::vector<std::string> LoadRecentList(const char* subkey) const;
  bool ReadBool(const std::string& section, const std::string& name, bool def) const;
  void ResetTraceAttributes();

  std::FILE* traceFile_ = nullptr;
  int32_t traceNumber_ = 0;
  int32_t traceCount_ = 0;
};

using SettingsPtr = std::shared_ptr<clsSettings>;

// The process-wide settings object, created by the start-up (null before).
extern SettingsPtr Settings;
