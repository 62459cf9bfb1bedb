#pragma once
// The decisions behind the file dialogs, the catalog browser and the virtual file
// list: filter strings, start folders, catalog paths and the folder stack. Plain
// functions without any window, so that each can be checked on its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kz {

// ---- Filters ("description|pattern;pattern|description|pattern") ----------------

struct FileFilter {
  std::string Description;
  std::string Pattern;  // as written: one or more masks separated by ";"
};

// Splits a filter string into its pairs; a last description without a pattern is
// dropped. An empty string gives no filters.
std::vector<FileFilter> ParseFilterString(std::string_view filter);

// The masks of one pattern ("*.txt;*.pck" -> {"*.txt", "*.pck"}), blanks around each
// mask removed, empty masks skipped.
std::vector<std::string> SplitPatternMasks(std::string_view pattern);

// The pattern the catalog browser lists with: exactly "*.*" becomes "*".
std::string CatalogListPattern(std::string_view pattern);

// 1-based FilterIndex -> 0-based position among `count` filters: 1..count select that
// filter, anything else (0 included) the first; -1 when there are no filters.
int FilterPosition(int32_t filterIndex, std::size_t count);

// The filter a save dialog starts with: with an empty file name the current index;
// otherwise the number (1-based) of the first filter one of whose masks has exactly
// the file name's extension (case-sensitive); the current index when none has.
int32_t MatchSaveFilterIndex(std::string_view filter, std::string_view fileName,
                             int32_t currentIndex);

// The text after the last "." of the whole path ("" when there is none).
std::string PathExtension(std::string_view path);

// The extension a save adds to a typed name without one: the extension of the
// pattern's first mask when that is a plain extension ("*.txt" -> "txt"); empty when
// the mask has none or it holds wildcards ("*", "*.*", "*.t?t").
std::string DefaultExtensionOf(std::string_view pattern);

// The name with "." and the pattern's default extension appended when the name has no
// extension of its own and the pattern gives one; otherwise the name unchanged.
std::string WithDefaultExtension(std::string_view name, std::string_view pattern);

// ---- Catalog paths ------------------------------------------------------------------

inline constexpr std::string_view kVfsPrefix = "vfs://";

// True when the file dialog continues in the catalog browser: the path contains "::"
// or its extension is "cat" in any letter case.
bool IsCatalogDialogPath(std::string_view path);
// The folder a plain file dialog reopens in after "Close Catalog": the folder of the
// catalog file itself (text before its last "/" or "\"), never a folder inside it.
std::string CatalogStartFolder(std::string_view path);

// The catalog's name shown at the root of the folder combo: the text after the last
// "/" or "\" ("" when there is none, so "" for "vfs://").
std::string CatalogDisplayName(std::string_view catalog);

// The result of the browser for inner path p: "vfs://" & p for the virtual file
// system, catalog & "::" & p for a catalog.
std::string CatalogResultPath(std::string_view catalog, std::string_view inner);

// ---- Folder stack of the catalog browser ----------------------------------------------

struct BrowserStart {
  std::vector<std::string> Folders;  // root first
  std::string Name;                  // for the name box
};

// Splits a start path inside the catalog (backslash-separated, "/" taken as well) into
// the folder stack and the name: empty parts skipped, the last part is the name; in
// open mode a leading "vfs://" is removed first.
BrowserStart SplitBrowserStart(std::string_view fileName, bool openMode);

// Each stack folder followed by "\".
std::string FolderPrefix(const std::vector<std::string>& folders);

// The search pattern of a listing: the folder prefix and the list pattern.
std::string BrowserListPattern(const std::vector<std::string>& folders, std::string_view pattern);

// The text of a folder combo entry at depth k (1 = first folder): 4*k blanks and the name.
std::string FolderEntryText(int depth, std::string_view folder);

// A name typed or picked in the browser, checked before it becomes part of an inner
// path: not empty, no ":" (no drive, no second catalog), no wildcards, no "." or ".." part, and not
// absolute (no leading "\" or "/"). False with the reason in `why`.
bool CheckBrowserName(std::string_view name, std::string& why);

// What a name typed into the browser's name box stands for.
struct TypedName {
  enum class Kind { Inner, Outside };
  Kind What = Kind::Inner;
  // Inner: the inner path ("/" taken as "\"); Outside: the path that is opened as it stands.
  std::string Path;
  bool FromRoot = false;  // Inner: from the root ("vfs://" typed), not from the folder shown
};
// A full path ("/...") and a catalog path ("<catalog>::<inner>", the inner "/" taken as
// "\", a catalog without folder next to the catalog browsed) are Outside; "vfs://<p>"
// while browsing the virtual file system is p from its root; anything else is a name
// relative to the folder shown.
TypedName ReadTypedName(std::string_view typed, std::string_view catalog);

// ---- Virtual file list -------------------------------------------------------------

struct VfsFileRow {
  std::string VfsName;   // the path in the virtual file system ("types\TShips.txt")
  std::string RealName;  // where it really comes from (disk path or catalog path)
};

// Every file the virtual file system offers under a filter of backslash-separated name
// patterns, one per folder level ("types\T*"): an empty part or a level beyond the
// filter's parts takes "*"; every folder found is walked, at any depth, and files are
// listed at every level. Results in the order the file system gives them.
std::vector<VfsFileRow> WalkVfsFiles(std::string_view filterText);

// ---- Settings dialog ---------------------------------------------------------------

// What a language ID typed into the settings is: a whole number from 1 to 2^31-1.
enum class LangIdCheck { Ok, NotANumber, OutOfRange };
// Reads a typed language ID (blanks around it allowed). NotANumber for a text that is no
// number or has a fraction, OutOfRange for a number below 1 or beyond 32 bits.
LangIdCheck ParseLanguageID(std::string_view text, int32_t& id);

// What OK in the settings has to reload, from the values before and after.
struct SettingsReload {
  bool DataFolderChanged = false;  // reload the game data (the descriptions with them)
  bool LoadDescriptions = false;   // load the description strings (again) without a data reload
  bool UnloadDescriptions = false; // drop them
};
SettingsReload DecideSettingsReload(std::string_view oldDataRoot, std::string_view newDataRoot,
                                    bool oldLoadDesc, bool newLoadDesc, int32_t oldLang, int32_t newLang);

// The line of a language in the settings' language box: the ID with at least two
// digits, " - " and the name ("44 - English", "07 - Greek").
std::string LanguageEntryText(int32_t id, std::string_view name);

// Case-insensitive (ASCII) equality.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace kz
