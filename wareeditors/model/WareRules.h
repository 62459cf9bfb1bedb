#pragma once
// Decisions of the ware page that need no window: type names, the host's answers, the
// computed rows (charge time, range, colour), flag bits and their captions, the
// toolbar's scene buttons, the flag-box flow layout and the export lines.
//
// Records are read defensively: a field the record does not have, or a value that is
// no number where one is needed, never throws out of these functions unless a
// function says so.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "typefiles/TXTObject.h"

namespace ware {

// Type codes the page handles: 2-8 and 10-18.
bool HandlesType(int32_t type);
// "Shields", "Lasers", ... ; "" for types without a name (debris, 16, included).
std::string TypeName(int32_t type);
// Type name & " v." & version; "" when the type has no name.
std::string ObjectTypeNameOf(int32_t type, int32_t version);
// The type name without one trailing "s", then " info".
std::string PageNameOf(int32_t type);
// Bits: 1 records have names, 2 records have a race. 3 for factories, 0 for bullets.
int32_t QueryInfoOf(int32_t type);
// Values of a new record of the type; 0 when the page cannot create records of it.
int32_t NewRecordSize(int32_t type);
// The message of a refused file, "" when the file is fine.
std::string ValidateMessage(int32_t fileType, int32_t version);
// Types whose records name an icon: lasers, missiles, factories, docks.
bool TypeHasIcons(int32_t type);
// The field that names the record's icon for ShowObject (-1: none).
int32_t IconFieldOf(int32_t type);

// ---- numbers ------------------------------------------------------------------------

// The value as a 64-bit whole number: whole numbers, and fractions rounded to the
// nearest (halves to even). False for texts that are no number, empty values and
// values outside the 64-bit range.
bool NumberOf(const kz::Variant& v, double& out);
bool LongOf(const kz::Variant& v, int64_t& out);
// Field i of the record as a number / a rounded whole number; false when the record
// has no such field or it holds no number.
bool FieldNumber(const clsTXTObject& o, int32_t i, double& out);
bool FieldLong(const clsTXTObject& o, int32_t i, int64_t& out);

// d with one decimal ("0.0"); exact halves go away from zero (1.25 -> "1.3").
std::string FormatOneDecimal(double d);

// ---- computed rows --------------------------------------------------------------------

// Shield charge time of field 8 (capacity) over field 7 (recharge rate):
// "<number> <unit>" with the unit s, min or h; "[error]" when it cannot be computed
// (a zero rate, a value that is no number, a missing field).
std::string ChargeTimeText(const clsTXTObject& o);
// Bullet range of field 10 (lifetime, ms) and field 11 (speed, units/s): "<m> m"
// below 1000 m, else "<km> km"; "[error]" when it cannot be computed.
std::string RangeText(const clsTXTObject& o);

// The first of the three colour fields (bullets 13, planets 7); -1 for other types.
int32_t ColourFirstField(int32_t type);
// The colour number field(first+2) * 65536 + field(first+1) * 256 + field(first);
// 0 for a type without colour. nullopt when the record lacks the fields or they hold
// no number.
std::optional<int64_t> RecordColour(const clsTXTObject& o, int32_t type);
// "0x" and the colour in hexadecimal, padded to an even number of digits.
std::string ColourText(int64_t colour);
// Writes the three colour bytes of c into the record; false (nothing written) for a
// type without colour or a record without the fields.
bool StoreColour(clsTXTObject& o, int32_t type, int32_t colour);

// ---- flags ----------------------------------------------------------------------------

constexpr int32_t kFlagCount = 9;
// The flags field of the type (bullets 12, missiles 23), -1 for other types.
int32_t FlagField(int32_t type);
// Captions and tooltips of the flag boxes (9 each; empty lists for other types).
const std::vector<std::string>& FlagCaptions(int32_t type);
const std::vector<std::string>& FlagTooltips(int32_t type);
// The flags value; nullopt when the type has no flags, the field is missing or holds
// no whole number in the 32-bit range.
std::optional<int32_t> FlagsOf(const clsTXTObject& o, int32_t type);
// Box k is checked for the flags.
inline bool FlagChecked(int32_t flags, int32_t k) { return k >= 0 && k < 31 && (flags & (1 << k)) != 0; }
// A click on box k that left it `checked`: sets or clears the bit and stores the
// flags as a 32-bit whole number. False (record unchanged) for a type without flags,
// a record whose flags field holds no number, or a box outside 0..8.
bool ApplyFlagClick(clsTXTObject& o, int32_t type, int32_t k, bool checked);

// Where the flag boxes go in a frame `frameWidth` twips wide, box by box (widths and
// heights in twips): left 100, top 300, a new row when a box would reach past
// frameWidth - 50, 100 twips between boxes and rows. The frame's height is the last
// top + 300 + 50.
struct FlagPlace {
  int32_t left = 0, top = 0;
};
std::vector<FlagPlace> FlowFlagBoxes(const std::vector<int32_t>& widths, int32_t boxHeight, int32_t frameWidth,
                                     int32_t& frameHeight);

// ---- toolbar ------------------------------------------------------------------------

struct SceneButton {
  std::string caption;
  int32_t field = 0;
  std::string tooltip;
};
// The scene buttons of a type, in toolbar order (after Body and Picture).
std::vector<SceneButton> SceneButtonsOf(int32_t type);

// ---- export -------------------------------------------------------------------------

// One line per field: "<i>: <caption>: <stored value>" and CR LF. `caption(i)` gives
// the field's caption.
template <class Caption>
std::vector<std::string> ExportLines(const clsTXTObject& o, Caption caption) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(o.size()));
  for (int32_t i = 0; i < o.size(); ++i)
    lines.push_back(std::to_string(i) + ": " + caption(i) + ": " + kz::CStr(o.Value(i)) + "\r\n");
  return lines;
}
// The export file's name: beside the open file (the part after "::" for a catalog
// path), named after it without extension and "_export.txt".
std::string ExportFileName(const std::string& openFile);

}  // namespace ware
