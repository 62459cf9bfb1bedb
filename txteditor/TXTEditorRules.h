#pragma once
// The decisions of the type-file editor window that need no window: caption and prompt
// texts, the save dialog's starting filter and the way a save target is opened, the
// find matching and where a find starts, and the watch list's field range.
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"

namespace mdlTXTEditorRules {

// Title of the window and of its message boxes.
inline constexpr const char* kTitle = "TXT Editor";

// Filters of the open and the save dialog.
inline constexpr const char* kOpenFilter =
    "Kz T files (*.txt; *.pck; *.cat)|*.txt;*.pck;*.cat|Jv Catalogs (*.cat)|*.cat|All files (*.*)|*.*";
inline constexpr const char* kSaveFilter =
    "Kz T files - plain (*.txt)|*.txt|Kz T files - packed (*.pck)|*.pck|Kz Catalogs (*.cat)|*.cat";

// "TXT Editor", or "TXT Editor - [<file> (<type name>)]" with " *" while dirty.
std::string EditorCaption(const std::string& fileName, const std::string& typeName, bool dirty);

// The save question of a close request (two line breaks) and of OpenFile (one).
std::string ClosePromptText(const std::string& fileNameOnly);
std::string OpenPromptText(const std::string& fileNameOnly);

// The save filter that matches the form of a file: 3 for a catalog path ("::"),
// 2 for a packed file (".pck", any case), else 1 (plain).
int32_t SaveFilterIndexFor(const std::string& path);

// How a save target is opened for writing.
enum class SaveOpen { ConvertPlain, ConvertPacked, AsIs };
SaveOpen SaveOpenFor(int32_t filterIndex);

// Text of an entry of the "open" menu for the n-th (1-based) recent file.
std::string RecentMenuText(int32_t n, const std::string& path);

// Whether an object-list text matches a find text: with whole words the whole text
// equals it, otherwise it contains it; case is ignored either way.
bool FindMatches(QStringView itemText, QStringView findText, bool wholeWords);

// First position (1-based) a find looks at: the selected item (0 = none) or 1, one
// further when the tag says the last match was there.
int32_t FindStart(int32_t selected, const kz::Variant& tag);

// 1-based position of the first item from start on that matches; 0 when none does.
// The search never wraps to the top.
int32_t FindNext(const std::vector<QString>& texts, int32_t start, QStringView findText, bool wholeWords);

// The value a text typed for a raw field stands for: a whole number that fits 32 bits
// (blanks around it allowed, "-0" is 0) is a whole number; any other number is a
// floating-point number; everything else stays the text as typed.
kz::Variant TypedValue(const std::string& text);

// Whether two stored values are the same value: equal numbers whatever their kinds
// (numeric texts included), else equal texts.
bool SameStoredValue(const kz::Variant& a, const kz::Variant& b);

// The fields the watch list shows for a record of `size` values: both bounds must be
// numbers; a negative bound counts as 0; the upper bound is cut to size - 1. False when
// there is nothing to list.
bool WatchRange(const std::string& fromText, const std::string& toText, int32_t size, int32_t& first,
                int32_t& last);

}  // namespace mdlTXTEditorRules
