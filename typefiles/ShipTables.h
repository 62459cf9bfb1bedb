#pragma once
// The fixed English texts of TShips records: field labels by field index, ship class
// names, shield type names, missile names and turret position names, and the ship
// class name looked up in the game's text resources.
//
// Every table has a fixed index range; an entry that is not listed is empty.
// InitShipTables fills them (again from scratch when called a second time).
#include <cstdint>
#include <string>

#include "core/NameTable.h"

namespace kz {

extern NameTable TShipsFieldLabels;    // 0-65
extern NameTable ShipClassNames;       // 0-13
extern NameTable ShieldTypeNames;      // 0-3
extern NameTable MissileNames;         // -1..7
extern NameTable TurretPositionNames;  // 1-6

void InitShipTables();

// Text page and first string ID of the ship class names in the text resources.
inline constexpr int32_t kShipClassPage = 1263;
inline constexpr int32_t kShipClassFirstID = 19301;

// The text of string 19301 + class on page 1263 when the description server holds one;
// otherwise LookupName(ShipClassNames, class, true): the built-in name, "Unknown value"
// for an empty entry, "N/A" outside 0..13. Fills the tables first when still empty.
std::string GetShipClassName(int32_t shipClass);

}  // namespace kz
