// Records of every ware-like type file for the ware page, in catalog 06: wares (the
// bullets' ammunition), bullets with colours and flags (hiding the older copy in 01),
// factories with races, sizes and icons, special objects, wrecks, gates, planets with
// colours and dust, suns, asteroids, debris, backgrounds and nebulae; the GUI icon
// sheet the "IconData" file names; and the English names of these records.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SampleData.h"

namespace {

using Record = std::vector<std::string>;

// A record of `size` values: "0" except for the listed fields, the ID last.
Record Rec(int size, const std::vector<std::pair<int, std::string>>& fields, const std::string& id) {
  Record r(static_cast<size_t>(size), "0");
  r[2] = r[3] = r[4] = "0.000000";
  for (const auto& [i, v] : fields) r[static_cast<size_t>(i)] = v;
  r.back() = id;
  return r;
}

// A 128 x 64 true-colour TGA (rows top-down): five 30 x 30 icons, each a coloured
// square with a lighter disc, one pixel in from the cells at (0,0), (32,0), (64,0),
// (96,0) and (0,32) of a dark grey sheet.
std::string IconSheet() {
  const int w = 128, h = 64;
  std::string t(18, '\0');
  t[2] = 2;
  t[12] = static_cast<char>(w);
  t[14] = static_cast<char>(h);
  t[16] = 24;
  t[17] = 0x20;
  struct Cell {
    int x, y;
    uint8_t r, g, b;
  } cells[] = {{0, 0, 200, 60, 40}, {32, 0, 230, 150, 30}, {64, 0, 40, 110, 210}, {96, 0, 60, 170, 70},
               {0, 32, 150, 70, 200}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t r = 40, g = 40, b = 48;
      for (const Cell& c : cells) {
        const int cx = x - c.x - 1, cy = y - c.y - 1;
        if (cx < 0 || cy < 0 || cx >= 30 || cy >= 30) continue;
        r = c.r;
        g = c.g;
        b = c.b;
        const int dx = cx - 15, dy = cy - 15;
        if (dx * dx + dy * dy <= 64) r = g = b = 240;
      }
      t += static_cast<char>(b);
      t += static_cast<char>(g);
      t += static_cast<char>(r);
    }
  }
  return t;
}

std::string Texts() {
  const std::vector<std::pair<int, std::string>> names = {
      {3101, "Impulse Ray Ammunition"}, {3102, "Bulk ammunition for impulse rays"},
      {3111, "Accelerator Shells"},     {3112, "Shells for accelerator cannons"},
      {3121, "Energy Cells"},           {3122, "Power for every factory"},
      {3201, "Food Factory"},           {3202, "Grows food for the sector"},
      {3211, "Technology Plant"},       {3212, "Builds equipment"},
      {3301, "Navigation Beacon"},      {3401, "Derelict Freighter"},
      {3501, "North Gate"},             {3601, "Ocean World"},
      {3602, "A blue planet with two dust belts"},
      {3701, "Yellow Sun"},             {3801, "Ore Asteroid"},
      {3901, "Hull Fragment"},          {4001, "Starfield"},
      {4101, "Red Nebula"},             {4102, "Drains shields"},
  };
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n  <page id=\"17\" title=\"Ware names\">\n";
  for (const auto& [id, text] : names) x += "    <t id=\"" + std::to_string(id) + "\">" + text + "</t>\n";
  return x + "  </page>\n</language>\n";
}

}  // namespace

KZ_SAMPLE_GENERATOR(B17_WarePages) {
  using kzsample::TypeFileText;
  // Cargo size (size-6), volume (size-10) and price (size-9) of every ware-like record.
  auto ware = [](int size, std::vector<std::pair<int, std::string>> fields, int cargo, const std::string& id) {
    fields.push_back({size - 6, std::to_string(cargo)});
    fields.push_back({size - 10, "1"});
    fields.push_back({size - 9, "100"});
    return Rec(size, fields, id);
  };
  const std::vector<Record> wares = {
      ware(17, {{0, "wares\\ammo_ire"}, {6, "3101"}}, 0, "SS_WARE_AMMO_IRE"),
      ware(17, {{0, "wares\\ammo_pac"}, {6, "3111"}}, 1, "SS_WARE_AMMO_PAC"),
      ware(17, {{0, "wares\\energy"}, {6, "3121"}, {11, "2"}}, 2, "SS_WARE_ENERGY")};
  // Bullets: lifetime (10), speed (11), flags (12), colour (13-15), ammunition (27).
  const std::vector<Record> bullets = {
      Rec(37, {{0, "bullets\\ire"}, {6, "1401"}, {7, "1"}, {8, "90"}, {10, "2000"}, {11, "250000"}, {12, "5"},
               {13, "255"}, {14, "64"}, {15, "32"}, {27, "0"}},
          "SS_BULLET_IRE"),
      Rec(37, {{0, "bullets\\pac"}, {6, "1402"}, {7, "2"}, {8, "100"}, {10, "1500"}, {11, "100000"}, {12, "64"},
               {13, "32"}, {14, "200"}, {15, "255"}, {27, "1"}},
          "SS_BULLET_PAC")};
  // Factories: scene (11), dock count (12, shown + 4300), race (13), size (17), icon (18).
  const std::vector<Record> factories = {
      ware(29, {{0, "factories\\food"}, {6, "3201"}, {11, "factories\\scene_food"}, {12, "2"}, {13, "1"},
                {17, "2"}, {18, "ICON_FACTORY_FOOD"}},
           5, "SS_FACTORY_FOOD"),
      ware(29, {{0, "factories\\tech"}, {6, "3211"}, {11, "factories\\scene_tech"}, {12, "5"}, {13, "3"},
                {17, "5"}, {18, "ICON_FACTORY_TECH"}},
           5, "SS_FACTORY_TECH")};
  const std::vector<Record> special = {Rec(18, {{0, "special\\beacon"}, {6, "3301"}, {7, "special\\scene_beacon"}}, "SS_SPECIAL_BEACON")};
  const std::vector<Record> wrecks = {Rec(20, {{0, "wrecks\\freighter"}, {6, "3401"}, {7, "wrecks\\scene_freighter"}}, "SS_WRECK_FREIGHTER")};
  const std::vector<Record> gates = {Rec(18, {{0, "gates\\north"}, {6, "3501"}, {7, "gates\\scene_gate"}}, "SS_GATE_NORTH")};
  // Planets: colour (7-9), scene (10), dust bodies and densities (11-26).
  const std::vector<Record> planets = {
      Rec(37, {{0, "planets\\ocean"}, {6, "3601"}, {7, "40"}, {8, "110"}, {9, "210"}, {10, "planets\\scene_ocean"},
               {11, "dust\\ice"}, {12, "60"}, {13, "dust\\rock"}, {14, "25"}},
          "SS_PLANET_OCEAN")};
  const std::vector<Record> suns = {Rec(19, {{0, "suns\\yellow"}, {6, "3701"}, {7, "suns\\scene_sun"}, {8, "150"}}, "SS_SUN_YELLOW")};
  const std::vector<Record> asteroids = {
      Rec(21, {{0, "asteroids\\ore"}, {6, "3801"}, {7, "asteroids\\scene_ore"}, {8, "1.5"}, {10, "asteroids\\debris_ore"}},
          "SS_ASTEROID_ORE")};
  const std::vector<Record> debris = {
      Rec(21, {{0, "debris\\hull"}, {6, "3901"}, {7, "debris\\scene_hull"}, {9, "debris\\scene2_hull"}}, "SS_DEBRIS_HULL")};
  // Backgrounds: distances 24 and 25 in game units.
  const std::vector<Record> backgrounds = {
      Rec(38, {{0, "backgrounds\\stars"}, {6, "4001"}, {24, "250000"}, {25, "15000000"}}, "SS_BACKGROUND_STARS")};
  // Nebulae: ranges (8, 9), reductions (10-12), dust rows (13-26).
  const std::vector<Record> nebulae = {
      Rec(36, {{0, "nebulae\\red"}, {6, "4101"}, {7, "nebulae\\scene_red"}, {8, "20000000"}, {9, "5000000"},
               {10, "30"}, {11, "50"}, {12, "5"}, {13, "dust\\red"}, {14, "80"}},
          "SS_NEBULA_RED")};

  return out.WriteCatalog("06.cat", {{"types\\TWareT.txt", TypeFileText(30, wares)},
                                     {"types\\TBullets.txt", TypeFileText(31, bullets)},
                                     {"types\\TFactories.txt", TypeFileText(28, factories)},
                                     {"types\\TSpecial.txt", TypeFileText(9, special)},
                                     {"types\\Wrecks.txt", TypeFileText(9, wrecks)},
                                     {"types\\TGates.txt", TypeFileText(9, gates)},
                                     {"types\\TPlanets.txt", TypeFileText(14, planets)},
                                     {"types\\TSuns.txt", TypeFileText(9, suns)},
                                     {"types\\TAsteroids.txt", TypeFileText(9, asteroids)},
                                     {"types\\TDebris.txt", TypeFileText(9, debris)},
                                     {"types\\TBackgrounds.txt", TypeFileText(9, backgrounds)},
                                     {"types\\TNebula.txt", TypeFileText(14, nebulae)},
                                     {"textures\\interface\\gui\\gui_icons.tga", IconSheet()},
                                     {"t\\440017.xml", Texts()}});
}
