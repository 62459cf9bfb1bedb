#pragma once
// The decisions of the galaxy editor window, its new-object dialog and its object page
// that need no window: captions, status and question texts, the texts and images of tree
// nodes, the drag pointer, the paste check, the typed subtype of a new
// object and the value texts of the object page.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Variant.h"

namespace mdlGalaxyEditorRules {

// Title of the window and of its message boxes.
inline constexpr const char* kTitle = "Galaxy Editor";
// The name shown for a map made with "New".
inline constexpr const char* kNewMapTitle = "New Map File";

inline constexpr const char* kOpenFilter =
    "Kz Universe Maps (*.xml; *.pck; *.cat)|*.xml;*.pck;*.cat|All files (*.*)|*.*";
inline constexpr const char* kSaveFilter =
    "Kz Universe Maps - plain (*.xml)|*.xml|Kz Universe Maps - packed (*.pck)|*.pck|Kz Catalogs (*.cat)|*.cat";

// What a save with the dialog's type `filterIndex` (1-based, of kSaveFilter) writes to
// `path`: 1 plain, 2 packed. The catalog type writes the entry as its name's extension
// says (".pck" packed, any other plain).
int32_t SaveModeFor(int32_t filterIndex, std::string_view path);

// "Galaxy Editor", or "Galaxy Editor [<file title>]" with " *" while modified.
std::string EditorCaption(const std::string& fileTitle, bool modified);
// "1 sector", "0 sectors", "21 sectors".
std::string SectorCountText(int32_t count);
// The save question before an open, a new map or closing.
std::string SaveQuestionText();
// The question of the delete command.
std::string DeleteQuestionText(const std::string& name, const std::string& id);
// Text of an entry of the "open" menu for the n-th (1-based) recent file.
std::string RecentMenuText(int32_t n, const std::string& path);

// Parts of a node's text (bits of the name mask).
inline constexpr int32_t kMaskName = 1;
inline constexpr int32_t kMaskClass = 2;
inline constexpr int32_t kMaskID = 4;
// "[<type name>]", ID and name in this order, those whose bit is set, joined by " - "
// (an empty part adds no separator).
std::string NodeText(int32_t mask, const std::string& typeName, const std::string& id, const std::string& name);
// The image key of a node by the object's type, subtype and load state ("" = no image).
std::string NodeImageKey(int32_t otype, const kz::Variant& subtype, bool loaded);
// Every image key the tree knows.
const std::vector<std::string>& ImageKeys();

// The drag pointer over a target: "nop", "moveparent" or "movesiblink".
std::string DragPointerKey(bool dragging, bool overTarget, bool sameNode, int32_t draggedType, int32_t targetType,
                           bool alt);
// Why a paste beside the current object is refused ("" = allowed).
std::string PasteRefusal(int32_t currentType, int32_t copiedType);

// The splitter never comes closer than this (twips) to either side of the window.
inline constexpr int32_t kSplitterMargin = 2000;

// ---- new-object dialog ---------------------------------------------------------------

enum class TypedSubtype { None, Value, Invalid };
// A subtype typed into the text box: empty gives none; a number gives its value rounded
// to a 32-bit integer; a text that is no number, or a number beyond 32 bits, is invalid.
TypedSubtype ParseTypedSubtype(const std::string& text, int32_t& value);
// The list entry of a record: its ID when the name is the ID, else "<name> - <id>".
std::string SubtypeEntryText(const std::string& name, const std::string& id);
// The type codes offered when container types are left out: 1..29 without sector,
// background and sub-object group.
std::vector<int32_t> LimitedTypeCodes();

inline constexpr const char* kNeedType = "You must select object type.";
inline constexpr const char* kNeedSubtype = "You must select object subtype.";
inline constexpr const char* kBadSubtype = "Subtype must be numeric or empty value.";

// ---- object page ----------------------------------------------------------------------

// Distance units of the object page.
enum DistanceUnit : int32_t { kMeters = 0, kGameUnits = 1, kMiles = 2 };
// A coordinate of an object that is not a sector, in the chosen unit.
std::string FormatDistanceValue(const kz::Variant& value, int32_t unit);
// "RGB r g b" from the three low bytes, decimal or hexadecimal.
std::string FormatColourValue(const kz::Variant& value, bool hexa);
// A rotation: "0x" and hexadecimal digits, or the stored value.
std::string FormatAngleValue(const kz::Variant& value, bool hexa);
// The removal question of a property with that caption.
std::string DeletePropertyQuestion(const std::string& caption);
inline constexpr const char* kSectorTypeFixed = "You cannot change type of object \"sector\".";
inline constexpr const char* kRemoveCoordsQuestion = "Do you really want to remove coordinates from this object?";

}  // namespace mdlGalaxyEditorRules
