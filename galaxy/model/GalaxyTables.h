#pragma once
// The fixed tables of the universe-map model and the galaxy windows: names of the object
// type codes (attribute `t`), the type file and type-file code behind each object type,
// the known attributes with their captions, the sub-object groups, the asteroid resource
// types and the gate IDs.
//
// InitGalaxyTables fills them all, from scratch each time; before it has run they are
// empty (every look-up then reads as outside the table). The galaxy editor runs it when
// its window loads; the property dialog runs it too when it finds them empty, so that a
// colour can be edited before the editor was ever opened.
#include <cstdint>
#include <vector>

#include "core/NameTable.h"

namespace mdlGalaxy {

// Object type names by code (positions 1..29).
extern kz::NameTable GalaxyTypeNames;
// Type file of each object type (positions 0..29; "" where there is none).
extern kz::NameTable GalaxyTypeFiles;
// Type-file type code of that file (positions 0..29, position 0 and types without a
// file hold 0; empty before InitGalaxyTables).
extern std::vector<int32_t> GalaxyMainTypeCodes;
// Sub-object group names, the subtypes of an object of type 23 (positions 1..9).
extern kz::NameTable GalaxySubObjectNames;
// Known attribute names and their captions, index for index (positions 0..21).
extern kz::NameTable GalaxyAttrNames;
extern kz::NameTable GalaxyAttrCaptions;
// Asteroid resource types (positions 0..2).
extern kz::NameTable AsteroidTypeNames;
// Gate IDs of `gid` and `gtid` (positions -1..5).
extern kz::NameTable GateIdNames;

// Object type codes the model itself acts on.
enum GalaxyType : int32_t {
  kGalSector = 1,
  kGalBackground = 2,
  kGalDock = 5,
  kGalFactory = 6,
  kGalShip = 7,
  kGalAsteroid = 17,
  kGalGate = 18,
  kGalSubObjects = 23,
};
// Sub-object groups the model itself acts on.
enum GalaxyGroup : int32_t {
  kGroupDockedShips = 5,
  kGroupPrimary = 6,
  kGroupProduct = 7,
  kGroupSecondary = 8,
  kGroupFlyingShips = 9,
};

void InitGalaxyTables();
// True once InitGalaxyTables has run.
bool GalaxyTablesFilled();

// The type-file code of an object type; 0 outside the table.
int32_t GalaxyMainTypeCode(int64_t t);

}  // namespace mdlGalaxy
