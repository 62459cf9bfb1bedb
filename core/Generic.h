#pragma once
// Generic procedures used everywhere: paths, file versions, registry values, keyed
// collections, bits, colours, hexadecimal text, plural forms and small numeric tests.
// All live in namespace kz. None keeps state. The helpers on widgets (lists, trees,
// combos, text boxes) are in core/ui/GenericUi.h.
//
// Paths: "\" and "/" both separate folders. A catalog path ("<catalog>::<inner path>")
// is only ever split inside its inner path: the text up to and including "::" is the
// folder of a file that lies at the top of the catalog.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Collection.h"
#include "core/Variant.h"

namespace kz {

// ---- Paths and files --------------------------------------------------------------

// The user's temporary folder ($TMPDIR, else /tmp) with its trailing separator.
std::string GetTempDir();
// The text before the last separator (without it); "" when the path holds none.
std::string GetFilePath(std::string_view path);
// The text after the last separator; "" when the path holds none.
std::string GetFileName(std::string_view path);
// The text after the last separator, or the whole path when it holds none; with
// withoutExtension, cut before the last "." of that text.
std::string ExtractFileName(std::string_view path, bool withoutExtension = false);
// The text after the last "." (a dot in a folder name counts); "" when none. In a catalog
// path only the inner path is searched.
std::string GetFileExt(std::string_view path);
// "X:" for a drive path, "\\server\share" (or "//server/share") for a network path, else "".
std::string GetPathRoot(std::string_view path);
// Joins the parts with one separator between them, the separator the parts already use
// ("\" inside a catalog path, "/" when no part holds one); one trailing separator of the
// result is removed (except from a lone root "/"). A text ending in "::" takes no separator.
std::string BuildPath(const std::vector<std::string>& parts);
std::string BuildPath(std::initializer_list<std::string_view> parts);
template <class... Parts>
std::string BuildPath(const Parts&... parts) {
  return BuildPath(std::initializer_list<std::string_view>{std::string_view(parts)...});
}

// The version a shared library of ours carries (its KzLibraryVersion export); "" when the
// file is no such library.
std::string GetFileVersion(const std::string& path);
// Loads a library by name (the program's ../lib folder first, then the normal search;
// "rudu" also finds "librudu.so"). When it loads: name becomes its full path and the result
// is its version. Otherwise the default, name unchanged.
std::string GetLibraryVersion(std::string& name, const std::string& defaultText);
// Loads a shared library by name ("vup", "libvup.so" or a path), the program's own
// lib folder first; the dlopen handle (release with dlclose), null when it does not
// load. fullPath, when given, receives the path it was loaded from.
void* LoadLibraryByName(const std::string& name, std::string* fullPath = nullptr);
// The files LoadLibraryByName tries for a name, in order: for a name without a folder,
// the name and its "lib<name>.so" form in the installed library folder (exeDir, then
// libFromBin, the path from the program's folder to it), then in exeDir/../lib (the
// build tree), then the two names for the loader's own search. A path is tried alone;
// an empty exeDir leaves the loader's search alone.
std::vector<std::string> LibraryCandidates(const std::string& name, const std::string& exeDir,
                                           std::string_view libFromBin);
// The program's version "major.minor.revision".
std::string GetAppVersion();
// The folder picker (through platform::Ui); "" when cancelled. owner is a window or null.
std::string BrowseForFolder(void* owner, const std::string& title);
// Always false.
inline bool InIDE() { return false; }

// ---- Registry values ---------------------------------------------------------------

constexpr int32_t kRegSz = 1;
constexpr int32_t kRegDword = 4;

// A text is written as REG_SZ (its bytes and one NUL); anything else is converted with
// CLng and written as a 4-byte REG_DWORD (pass BoolToLong of a Boolean). True on success;
// false also when the value does not convert.
bool SetRegValue(int32_t key, const std::string& name, const Variant& value);
// type 1: the text (cut at its first NUL); type 4: the 32-bit number. When the read fails
// the value becomes the default when one is given, else stays unchanged (type 1) or
// becomes 0 (type 4). True when the read succeeded.
bool GetRegValue(int32_t key, const std::string& name, int32_t type, Variant& value,
                 const std::optional<Variant>& defaultValue = std::nullopt);
// Typed forms of the same.
bool GetRegValue(int32_t key, const std::string& name, std::string& value,
                 const std::optional<std::string>& defaultValue = std::nullopt);
bool GetRegValue(int32_t key, const std::string& name, int32_t& value,
                 const std::optional<int32_t>& defaultValue = std::nullopt);

// ---- Keyed collections -------------------------------------------------------------

// The item under the key (a copy: for shared_ptr items the reference); T{} when missing.
template <class T>
T CollGetItem(const Collection<T>& coll, std::string_view key) {
  const T* p = coll.Find(key);
  return p ? *p : T{};
}
// Appends under the key; false (nothing added) when the key is already used.
template <class T, class U>
bool CollAddObject(Collection<T>& coll, U&& item, std::string_view key) {
  if (!key.empty() && coll.Exists(key)) return false;
  coll.Add(std::forward<U>(item), key);
  return true;
}
template <class T, class U>
bool CollAddVariant(Collection<T>& coll, U&& item, std::string_view key) {
  return CollAddObject(coll, std::forward<U>(item), key);
}
// Removes the item at a 1-based position / under a key; false when there is none.
template <class T>
bool CollRemove(Collection<T>& coll, int32_t position) {
  if (position < 1 || position > coll.Count()) return false;
  coll.Remove(position);
  return true;
}
template <class T>
bool CollRemove(Collection<T>& coll, std::string_view key) {
  if (!coll.Exists(key)) return false;
  coll.Remove(key);
  return true;
}
template <class T>
bool CollRemove(Collection<T>& coll, const char* key) {
  return CollRemove(coll, std::string_view(key));
}
template <class T>
bool CollRemove(Collection<T>& coll, const std::string& key) {
  return CollRemove(coll, std::string_view(key));
}
// A numeric Variant is a position, a text a key.
template <class T>
bool CollRemove(Collection<T>& coll, const Variant& positionOrKey) {
  if (positionOrKey.IsString()) return CollRemove(coll, std::string_view(positionOrKey.AsString()));
  try {
    return CollRemove(coll, CLng(positionOrKey));
  } catch (const AppError&) {
    return false;
  }
}
// Bounds of a vector seen as an array from 0: count, lower 0, upper size-1; 0 with the
// bounds untouched for an empty vector (an array without dimensions).
template <class T>
int32_t GetArrayBounds(const std::vector<T>& array, int32_t& lower, int32_t& upper) {
  if (array.empty()) return 0;
  lower = 0;
  upper = static_cast<int32_t>(array.size()) - 1;
  return upper - lower + 1;
}

// ---- Rectangles --------------------------------------------------------------------

struct RECT {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
  int32_t x = 0, y = 0;
};
// Edges included.
inline bool PointInRect(const RECT& r, const POINT& p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// ---- Numbers, bits, colours and text ------------------------------------------------

// In place; leaving the 32-bit range raises AppError 6 (the variable is unchanged then).
void Inc(int32_t& value, int32_t amount = 1);
void Dec(int32_t& value, int32_t amount = 1);
// The high / low 16 bits as a signed 16-bit number.
int32_t HiWord(int32_t value);
int32_t LoWord(int32_t value);
// Bits 0..31; another bit number raises AppError 5.
bool GetBit(int32_t value, int32_t bit);
int32_t SetBit(int32_t value, int32_t bit);
int32_t ClearBit(int32_t value, int32_t bit);
inline int32_t BoolToLong(bool b) { return b ? 1 : 0; }
inline bool LongToBool(int32_t v) { return v != 0; }
// Byte 0 / 1 / 2 of the colour by truncating division (GetBlue(-1) is 0).
uint8_t GetRed(int32_t colour);
uint8_t GetGreen(int32_t colour);
uint8_t GetBlue(int32_t colour);
// Exchange the lowest and the third byte, keep the middle one, drop the highest.
int32_t RGBToBGR(int32_t colour);
int32_t BGRToRGB(int32_t colour);
// Upper-case hexadecimal (a negative value as its 8-digit two's complement); width 0:
// padded to an even number of digits; a wider width pads with "0"; never cut.
std::string ToHex(int32_t value, int32_t width = 0);
// Reads the run of hexadecimal digits at the start of the text; up to 32 bits, read as a
// two's-complement value (so HexToLong(ToHex(n)) == n); 0 when the text does not start
// with a digit or the run needs more than 32 bits.
int32_t HexToLong(std::string_view text);
// Every character 0-9, a-f, A-F (true for "").
bool IsHexString(std::string_view text);
// n Mod 2 (sign of n) is not positive: true for non-negative even numbers and all negative numbers.
inline bool IsEven(int32_t n) { return n % 2 <= 0; }
// The text converts to a double and, rounded, to a 32-bit integer, and both are equal.
bool IsWholeNumber(std::string_view text);
// The integer part (toward zero), plus 1 when there is a fraction and the integer part is
// 1 or more. Out of the 32-bit range: AppError 6.
int32_t RoundUp(double value);
// By |count|: 1 -> one; 2..4 -> few; 0 and 5 or more -> many.
template <class T>
T PluralForm(int32_t count, T one, T few, T many) {
  int64_t c = count < 0 ? -static_cast<int64_t>(count) : count;
  if (c == 1) return one;
  if (c >= 2 && c <= 4) return few;
  return many;
}
inline std::string PluralForm(int32_t count, const char* one, const char* few, const char* many) {
  return PluralForm<std::string>(count, one, few, many);
}
// The text before its first NUL (the whole text when it holds none).
std::string TrimNull(std::string_view text);
// Appends separator and item; the separator only when text and item are both non-empty.
void AppendWithSep(std::string& text, std::string_view item, std::string_view separator);

constexpr int32_t vbBinaryCompare = 0;
constexpr int32_t vbTextCompare = 1;
// Replaces every occurrence (left to right, replacements not searched again); returns the
// count. 0 and the text unchanged when search is empty or equals the replacement.
// vbTextCompare compares without case (ASCII).
int32_t ReplaceCount(std::string& text, std::string_view search, std::string_view replacement,
                     int32_t compareMode = vbBinaryCompare);

}  // namespace kz
