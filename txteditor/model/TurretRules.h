#pragma once
// The rules of the turret page (records of the cockpits file, type 9): field captions,
// the compatible-laser mask of field 8 and the rows of its two laser lists.
//
// The mask is a 32-bit field whose bit i stands for the laser at 0-based position i of
// the lasers file. Files may hold it signed (bit 31 as the sign) or unsigned (up to
// 4294967295); both read as the same 32 bits, and a changed mask keeps the form of
// the value it replaces, so a mask whose bits come back is saved as it was read.
#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "typefiles/TXTObject.h"
#include "typefiles/TxtParser.h"

namespace mdlTurret {

constexpr int32_t kTurretType = 9;
constexpr int32_t kTurretRecordSize = 19;
constexpr int32_t kSceneField = 7;
constexpr int32_t kLaserMaskField = 8;
constexpr int32_t kMaskBits = 32;

// The 32 bits of a stored mask: a whole number (or numeric text) from -2147483648 to
// 4294967295, taken bit for bit. False for anything else (no mask: nothing is allowed,
// and the page changes no bit of it).
bool MaskOf(const kz::Variant& value, int32_t& mask);

// The mask `bits` as field 8 stores it, in the form of the value it replaces
// (`held`): signed (a 32-bit integer) when that is a 32-bit integer or a negative
// number, else unsigned (a whole number from 0 to 4294967295, which stays unsigned
// when bit 31 is cleared and set again).
kz::Variant StoredMask(int32_t bits, const kz::Variant& held);

// The caption of field `index` of a record of `size` values: the common or tail
// caption, "Scene file" for field 7, else the cockpit labels table ("Unknown value"
// for an empty entry, "N/A" outside it).
std::string FieldCaption(int32_t size, int32_t index);

// The value type the value dialog checks: 2 (text) for field 7, else 0 (whole number).
int32_t ValueType(int32_t index);

// The display name of a laser: its page-17 name (field 6), else its ID.
std::string LaserName(const clsTXTObject& laser);

struct LaserRow {
  std::string key;   // the laser record's key
  int32_t position;  // its 0-based position in the lasers file (the row's text)
  std::string name;
  bool allowed;      // its bit is set in the mask
};
// One row per laser at positions 0 to 31 of the lasers file (stopping at its end).
std::vector<LaserRow> LaserRows(const clsTxtParser* lasers, int32_t mask);

// The text as a single-precision number, for the value dialog; false when it is no number.
bool TranslateBack(const std::string& text, kz::Variant& value);

}  // namespace mdlTurret
