#pragma once
// The decisions of the galaxy property dialog (frmGalEdit), without widgets: which
// editing form a property gets, the lists of the list form, and the value texts in each
// unit and format, both ways.
#include <cstdint>
#include <memory>
#include <string>

#include "core/NameTable.h"
#include "core/Variant.h"

class clsGalaxyParser;

namespace mdlGalEdit {

// Editing forms.
enum ValueKind : int32_t { kColour = 0, kList = 1, kDistance = 2, kAngle = 3, kNumber = 4 };
// Length units of distances.
enum LengthUnit : int32_t { kMetres = 0, kGameUnits = 1, kMiles = 2 };

// The form of a property by its name (compared in lower case) and its object's type.
int32_t ValueKindOf(const std::string& name, int32_t otype);

// The list of a list-form property: display names and the values stored for them, at
// the same positions (FillCombo offers every non-empty display name, its position as
// item data). Subtypes of type-file objects list the records of the type's file (names
// or IDs), storing the record IDs; every other list stores the position as text. False
// when the property has no list source (a subtype without type file or document).
bool BuildValueList(const std::string& name, int32_t otype, const clsGalaxyParser* parser, bool names,
                    kz::NameTable& display, kz::NameTable& stored);

// The position to preselect for a value: a text at the first stored value equal to it, a
// number at that position; -1 for none (also for the number -1).
int32_t ListPositionOf(const kz::Variant& value, const kz::NameTable& stored);

// The value as the dialog shows it.
std::string FormatValueText(int32_t kind, const std::string& name, bool sector, int32_t unit, bool hexa,
                            const kz::Variant& value);

// The text as a value: false when it is not accepted, with a message for the user or
// none (then "Entered value is invalid." is shown). Numbers are 32-bit integers:
// distances are read as decimal numbers in the unit and rounded to whole game units;
// colours and hexadecimal rotations take at most eight hexadecimal digits.
bool ParseValueText(int32_t kind, const std::string& name, bool sector, int32_t unit, bool hexa,
                    const std::string& text, kz::Variant& value, std::string& message);

// True when a value differs from another as the map file would tell (a list-index text
// "5" is the number 5).
bool ValueChanged(const kz::Variant& before, const kz::Variant& after);

// The caption of an attribute name; "" for a name that is not a known attribute.
std::string GetAttrCaption(const std::string& name);

}  // namespace mdlGalEdit
