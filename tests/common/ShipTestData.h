#pragma once
// The values of a consistent ship record, built in memory for the ship tests.
#include <string>
#include <vector>

#include "core/Variant.h"

namespace kztest {

// What a ship's values hold where its turrets and gun groups leave them free.
struct ShipLook {
  std::vector<kz::Variant> head;  // fields 0..52 (field 19 and the turret descriptors are set over them)
  std::string turretBody;         // each turret entry's body: this, then the entry's number from 0
  int (*turretSide)(int turret);  // the side in the descriptor of real turret 1, 2, ...
  int tailStep;                   // the nine values after the gun groups are 0, tailStep, 2 * tailStep, ...
};

// A consistent ship: `turrets` entries (the first the main cockpit entry, the others at
// positions 1, 2, ...), one gun group per entry of `groups` with guns of the given
// counts (the value 1 of each gun). Field 19 and the initial laser positions agree
// with the counts.
inline std::vector<kz::Variant> ConsistentShipValues(const ShipLook& look, int turrets,
                                                     const std::vector<std::vector<int>>& groups,
                                                     const std::string& id) {
  using kz::Variant;
  std::vector<Variant> v = look.head;
  int total = 0;
  for (const auto& g : groups)
    for (int c : g)
      if (c > 0) total += c;
  v[19] = Variant(int32_t(total));
  for (int t = 1; t < turrets; ++t) {  // descriptors of the real turrets
    v[31 + 2 * (t - 1)] = Variant(int32_t(look.turretSide(t)));
    v[32 + 2 * (t - 1)] = Variant(int32_t(t));
  }
  v.push_back(Variant(int32_t(turrets)));  // 53
  for (int t = 0; t < turrets; ++t) {
    v.push_back(Variant(int32_t(t + 1)));
    v.push_back(Variant(int32_t(t)));
    v.push_back(Variant(look.turretBody + std::to_string(t)));
    v.push_back(Variant(int32_t(t * 10)));
  }
  v.push_back(Variant(int32_t(groups.size())));
  int laser = 1;
  for (size_t g = 0; g < groups.size(); ++g) {
    int pseudo = 0;
    for (int c : groups[g])
      if (c > 0) pseudo += c;
    v.push_back(Variant(int32_t(laser)));
    v.push_back(Variant(int32_t(pseudo)));
    v.push_back(Variant(int32_t(g + 1)));
    v.push_back(Variant(int32_t(groups[g].size())));
    int n = laser;
    for (size_t k = 0; k < groups[g].size(); ++k) {
      v.push_back(Variant(int32_t(n++)));
      v.push_back(Variant(int32_t(groups[g][k])));
      v.push_back(Variant("gun_" + std::to_string(g) + "_" + std::to_string(k)));
      v.push_back(Variant(int32_t(k)));
      v.push_back(Variant("gun2_" + std::to_string(g) + "_" + std::to_string(k)));
      v.push_back(Variant(int32_t(-1)));
    }
    laser += pseudo;
  }
  for (int i = 0; i < 9; ++i) v.push_back(Variant(int32_t(look.tailStep * i)));
  v.push_back(Variant(id));
  return v;
}

}  // namespace kztest
