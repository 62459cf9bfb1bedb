#include "typefiles/ShipTables.h"

#include <cstdint>

#include "core/Common.h"
#include "typefiles/DescServer.h"

namespace kz {

NameTable TShipsFieldLabels;
NameTable ShipClassNames;
NameTable ShieldTypeNames;
NameTable MissileNames;
NameTable TurretPositionNames;

void InitShipTables() {
  TShipsFieldLabels = NameTable(0, 65);
  static constexpr struct {
    int32_t index;
    const char* text;
  } kLabels[] = {
      {2, "Yaw"},
      {3, "Pitch"},
      {4, "Roll"},
      {5, "Class"},
      {6, "Description"},
      {7, "Speed"},
      {8, "Acceleration"},
      {9, "Engine sound"},
      {10, "Average reaction delay"},
      {11, "Engine effect (color)"},
      {12, "Engine glow effect"},
      {13, "Reactor output (power)"},
      {14, "Sound volume (min)"},
      {15, "Sound volume (max)"},
      {16, "Ship scene"},
      {17, "Cockpit scene"},
      {18, "Possible lasers"},
      {19, "Gun count"},
      {20, "Weapons energy"},
      {21, "Weapons recharge rate"},
      {22, "Shield type"},
      {23, "Max shield count"},
      {24, "Possible missiles"},
      {25, "Number of missiles (NPC)"},
      {26, "Max # of engine tunning"},
      {27, "Max # of rudder tunning"},
      {28, "Cargo min (buy)"},
      {29, "Cargo max"},
      {30, "Ware List ID"},
      {43, "Docking slots"},
      {44, "Cargo type"},
      {45, "Race"},
      {46, "Hull strength"},
      {47, "Explosion effect"},
      {48, "Body explosion effect"},
      {49, "Particle emmiter"},
      {50, "Variation index"},
      {51, "Angular acceleration"},
      {52, "Class Description"},
      {53, "Turret count"},
  };
  for (const auto& l : kLabels) TShipsFieldLabels.Set(l.index, l.text);

  ShipClassNames = NameTable(0, {"TL", "TS", "M0", "M1", "M2", "M3", "M4", "M5", "TL-P", "TS-P", "UFO/Pilgrim",
                                 "M6", "TP", "M7"});
  ShieldTypeNames = NameTable(0, {"1 MW", "5 MW", "25 MW", "125 MW"});
  MissileNames = NameTable(-1, {"none", "Gnatt", "Bee", "Damselfly", "Moth", "Beetle", "Barb", "Pin", "Spike"});
  TurretPositionNames = NameTable(1, {"front", "rear", "left", "right", "top", "bottom"});
}

std::string GetShipClassName(int32_t shipClass) {
  if (ShipClassNames.Empty()) InitShipTables();
  int64_t id = int64_t(kShipClassFirstID) + shipClass;
  int32_t handle = id <= INT32_MAX ? clsDescServer::FindString(kShipClassPage, static_cast<int32_t>(id)) : 0;
  if (handle != 0) return clsDescServer::StringText(handle);
  return LookupName(ShipClassNames, shipClass, true);
}

}  // namespace kz
