#pragma once
// The checks and writes of the turret and gun dialogs. Every value is checked and
// converted before anything is created or changed: a refused value changes nothing,
// and a turret or gun is created only together with all its values (when writing
// them fails, it is removed again).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "typefiles/Gun.h"
#include "typefiles/GunGroup.h"
#include "typefiles/Ship.h"
#include "typefiles/Turret.h"

namespace shippage {

// The outcome of a dialog's check: passed, a warning text of its own, or the
// "whole number" invalid-value warning.
struct DialogCheck {
  enum Kind { Passed, Message, InvalidNumber } kind = Passed;
  std::string text;
  bool ok() const { return kind == Passed; }
};

// ---- Turret dialog ---------------------------------------------------------------------

struct TurretInput {
  std::string path, body, position, typeText;
  // The item data of the chosen type entry; -1 when none is chosen.
  int32_t selectedType = -1;
  // The type entries (text = cockpit ID, data = file position).
  std::vector<std::pair<std::string, int32_t>> typeEntries;
  // The position and type are checked in new mode and for a real turret.
  bool checkDescriptor = true;
};
struct TurretValues {
  std::string body;
  int32_t path = 0;
  int32_t type = -1;
  int32_t position = 0;
};
DialogCheck CheckTurret(const TurretInput& input, TurretValues& values);
// Writes the values into `turret`, or into a new turret of the ship when `turret` is
// null (then returned). Only a real turret takes the descriptor. On a failure the new
// turret is removed again and the error raised.
TurretPtr ApplyTurret(clsShip& ship, TurretPtr turret, const TurretValues& values);

// ---- Gun dialog ------------------------------------------------------------------------

struct GunInput {
  std::string count, body0, path0, body1, path1;
};
struct GunValues {
  int32_t count = 0;
  std::string body0, body1;
  int32_t path0 = 0;
  int32_t path1 = -1;
};
// The checks of the gun dialog's OK. Both path boxes take any number, rounded to the
// nearest whole number (halves to the even neighbour); the secondary one may stay
// empty (stored as -1).
DialogCheck CheckGun(const GunInput& input, GunValues& values);
// Writes the values into `gun`, or into a new gun of the group when `gun` is null
// (then returned), and refreshes the counts. On a failure the new gun is removed again
// and the error raised.
GunPtr ApplyGun(clsGunGroup& group, GunPtr gun, const GunValues& values);

}  // namespace shippage
