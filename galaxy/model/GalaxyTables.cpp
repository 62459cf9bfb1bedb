#include "galaxy/model/GalaxyTables.h"

namespace mdlGalaxy {

kz::NameTable GalaxyTypeNames;
kz::NameTable GalaxyTypeFiles;
std::vector<int32_t> GalaxyMainTypeCodes;
kz::NameTable GalaxySubObjectNames;
kz::NameTable GalaxyAttrNames;
kz::NameTable GalaxyAttrCaptions;
kz::NameTable AsteroidTypeNames;
kz::NameTable GateIdNames;

void InitGalaxyTables() {
  GalaxyTypeNames = kz::NameTable(
      1, {"Sector", "Background", "Sun", "Planet", "Dock", "Factory", "Ship", "Laser", "Shield", "Missiles", "Ware E",
          "Ware N", "Ware B", "Ware F", "Ware M", "Ware T", "Asteroid", "Gate", "", "Special", "Nebula", "",
          "Sub objects", "", "", "", "", "Debris", "Station wreck ?"});
  GalaxyTypeFiles = kz::NameTable(
      0, {"", "", "TBackgrounds", "TSuns", "TPlanets", "TDocks", "TFactories", "TShips", "TLaser", "TShields",
          "TMissiles", "TWareE", "TWareN", "TWareB", "TWareF", "TWareM", "TWareT", "TAsteroids", "TGates", "",
          "TSpecial", "TNebula", "", "", "", "", "", "", "TDebris", ""});
  GalaxyMainTypeCodes = {0, 0, 17, 14, 13, 10, 7, 1, 3, 2, 5, 6, 6, 6, 6, 6, 6, 15, 12, 0, 8, 18, 0, 0, 0, 0, 0, 0, 16, 0};
  GalaxySubObjectNames = kz::NameTable(1, {"Shieds", "Lasers", "Missiles", "Upgrades", "Docked ships",
                                           "Primary resources", "Product", "Secondary resources", "Flying ships"});
  GalaxyAttrNames = kz::NameTable(0, {"id", "t", "s", "x", "y", "z", "color", "r", "n", "a", "b", "g", "gid", "gtid",
                                      "gx", "gy", "aamount", "atype", "ff", "fc", "fn", "m"});
  GalaxyAttrCaptions = kz::NameTable(
      0, {"ID", "Type", "Subtype", "X", "Y", "Z", "Color", "Race", "Description/Amount", "Rotation - alpha",
          "Rotation - beta", "Rotation - gamma", "Gate - ID", "Gate - target gate ID", "Gate - target sector X",
          "Gate - target sector Y", "Asteroid - resource amount", "Asteroid - type", "Sector - fog far",
          "Sector - fog near", "Sector - fog close", "Sector - music"});
  AsteroidTypeNames = kz::NameTable(0, {"Ore", "Silicon", "Iridite"});
  GateIdNames = kz::NameTable(-1, {"-1", "1A", "1B", "2A", "2B", "3A", "3B"});
}

bool GalaxyTablesFilled() { return !GalaxyTypeNames.Empty(); }

int32_t GalaxyMainTypeCode(int64_t t) {
  if (t < 0 || t >= static_cast<int64_t>(GalaxyMainTypeCodes.size())) return 0;
  return GalaxyMainTypeCodes[static_cast<size_t>(t)];
}

}  // namespace mdlGalaxy
