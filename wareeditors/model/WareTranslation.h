#pragma once
// Stored values of ware-like records turned into readable texts with units and back,
// and the description of each field to the value dialog: caption, whether it has a
// translated form, unit, value type and pick list. Everything is decided by the
// record's type code (otype) and the field index; size-6 is every record's cargo size.
//
// Lists that come from other files are passed in WareLists, which the page fills.
// The lists whose positions are stored values (the laser's bullet, the bullet's
// ammunition) are in file order, so that the name shown and the position stored agree.
#include <cstdint>
#include <string>
#include <vector>

#include "core/NameTable.h"
#include "core/Variant.h"
#include "typefiles/TXTObject.h"
#include "typefiles/TxtParser.h"

namespace ware {

struct WareLists {
  // The six cargo size names (0..5).
  std::vector<std::string> cargoSizes;
  // The bullets type file, for lasers (none: no bullet names).
  std::shared_ptr<clsTxtParser> bullets;
  // Names of the ammunition wares, by file position (for bullets).
  std::vector<std::string> ammunition;
  // The icon names, sorted by name (for lasers, missiles, factories, docks).
  std::vector<std::string> iconNames;
};

// Names of a ware file's records in file order: the page-17 string with the ID in
// field 6, or the record's ID when that string is missing or empty.
std::vector<std::string> RecordNamesInFileOrder(const clsTxtParser* file);
// The text of page/id of the description store; "[string <page>:<id>]" when missing
// (also for an id outside the 32-bit range).
std::string DescText(int32_t page, int64_t id);
// The resource name: the page-17 string with the ID in field 6 (as a whole number);
// the record's ID when there is no such string; "" for a record of fewer than 7 fields.
std::string ResourceNameOf(const clsTXTObject& o);

std::string PropertyName(const clsTXTObject& o, int32_t i);
// 0 no translation, 1 a number with a unit, 2 a pick list.
int32_t SupportTranslate(const clsTXTObject& o, int32_t i);
std::string ValueUnit(const clsTXTObject& o, int32_t i);
// 0 whole number, 1 number with fraction, 2 text.
int32_t ValueType(const clsTXTObject& o, int32_t i);
kz::NameTable PropertyValues(const clsTXTObject& o, int32_t i, const WareLists& lists);
// True when `text` was set to the display form of field i. Units and the "0x" prefix
// only when !forEdit. A value that cannot be translated (a text where a number is
// needed, a number out of range) throws kz::AppError.
bool TranslateValue(const clsTXTObject& o, int32_t i, std::string& text, bool forEdit, const WareLists& lists);
// The edit text turned back into the value to store. False: the text is refused. A
// text that is no number where one is needed, or a result outside the 32-bit range,
// throws kz::AppError (13, 6).
bool TranslateValueBack(const clsTXTObject& o, const std::string& text, int32_t i, kz::Variant& value,
                        const WareLists& lists);
// True when field i stores the position of its pick-list entry (cargo size, the
// laser's bullet, the bullet's ammunition, race, factory size); the icon lists store
// the entry's text.
bool StoresEntryPosition(const clsTXTObject& o, int32_t i);
// The value of entry `entry` (its index in PropertyValues) of field i's pick list,
// whose text is `text`: the entry's position where the field stores positions (so of
// two entries of one text the chosen one counts), else the text's TranslateValueBack.
bool TranslateEntryBack(const clsTXTObject& o, int32_t i, int32_t entry, const std::string& text, kz::Variant& value,
                        const WareLists& lists);

// The value of a hexadecimal colour byte typed with or without a "#" or "&H" prefix.
int32_t HexValueOf(const std::string& text);

}  // namespace ware
