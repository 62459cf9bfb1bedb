// Ships that fill every tab of the ship page: turrets of every position on the sample
// cockpits, gun groups with guns, laser and missile masks (one stored the old unsigned
// way), ware lists, names, variations and class descriptions. The same ships come plain
// and packed; catalog 02 holds an older copy and a file whose gun count is damaged
// (it opens with its validation report).
#include <string>
#include <vector>

#include "SampleData.h"

namespace {

using Line = std::vector<std::string>;

struct Turret {
  int type;      // file position of a TCockpits record
  int position;  // 1 front .. 6 bottom
};

struct ShipSpec {
  std::string id, body;
  int shipClass, race, nameId, variation, typeId;
  int speed, acceleration, reactor;
  int shieldType, shieldCount;
  std::string lasers, missiles;  // masks as stored
  int wareList, cargoMin, cargoMax, cargoType, hull, tuning;
  std::vector<Turret> turrets;           // the real turrets (the main cockpit entry comes first)
  std::vector<std::vector<int>> groups;  // per turret entry: the counts of its guns
};

std::string Join(const Line& values) {
  std::string out;
  for (const auto& v : values) out += v + ";";
  return out + "\r\n";
}

Line ShipLine(const ShipSpec& s, int gunCountOffset = 0) {
  Line v(53, "0");
  v[0] = s.body;
  v[1] = "0";
  v[2] = "0.050000";
  v[3] = "0.040000";
  v[4] = "0.060000";
  v[5] = std::to_string(s.shipClass);
  v[6] = std::to_string(s.nameId);
  v[7] = std::to_string(s.speed);
  v[8] = std::to_string(s.acceleration);
  v[9] = "12";
  v[10] = "0.250000";
  v[11] = "16744448";
  v[12] = "3";
  v[13] = std::to_string(s.reactor);
  v[14] = "10";
  v[15] = "90";
  v[16] = s.body + "_scene";
  v[17] = "cockpits\\" + s.id.substr(6) + "_cockpit";
  v[18] = s.lasers;
  v[20] = "1500";
  v[21] = "2.500000";
  v[22] = std::to_string(s.shieldType);
  v[23] = std::to_string(s.shieldCount);
  v[24] = s.missiles;
  v[25] = "2";
  v[26] = std::to_string(s.tuning);
  v[27] = std::to_string(s.tuning / 2);
  v[28] = std::to_string(s.cargoMin);
  v[29] = std::to_string(s.cargoMax);
  v[30] = std::to_string(s.wareList);
  for (size_t t = 0; t < s.turrets.size(); ++t) {
    v[31 + 2 * t] = std::to_string(s.turrets[t].type);
    v[32 + 2 * t] = std::to_string(s.turrets[t].position);
  }
  v[43] = std::to_string(s.turrets.size() > 3 ? 2 : 0);
  v[44] = std::to_string(s.cargoType);
  v[45] = std::to_string(s.race);
  v[46] = std::to_string(s.hull);
  v[47] = "1";
  v[48] = "2";
  v[49] = "0";
  v[50] = std::to_string(s.variation);
  v[51] = "45";
  v[52] = std::to_string(s.typeId);

  // Turret entries: the main cockpit entry, then the real turrets.
  const int entries = static_cast<int>(s.turrets.size()) + 1;
  v.push_back(std::to_string(entries));
  for (int k = 0; k < entries; ++k) {
    v.push_back(std::to_string(k + 1));
    v.push_back(std::to_string(k));
    v.push_back(k == 0 ? "cockpit_main" : "turret_" + std::to_string(k));
    v.push_back(std::to_string(k == 0 ? 0 : 10 + k));
  }
  // Gun groups, one per turret entry that has guns, numbered lasers from 1.
  int groups = 0;
  for (const auto& g : s.groups) groups += g.empty() ? 0 : 1;
  v.push_back(std::to_string(groups));
  int laser = 1, total = 0;
  for (size_t k = 0; k < s.groups.size(); ++k) {
    const auto& guns = s.groups[k];
    if (guns.empty()) continue;
    int pseudo = 0;
    for (int c : guns) pseudo += c > 0 ? c : 0;
    v.push_back(std::to_string(laser));
    v.push_back(std::to_string(pseudo));
    v.push_back(std::to_string(k + 1));
    v.push_back(std::to_string(guns.size()));
    for (size_t g = 0; g < guns.size(); ++g) {
      v.push_back(std::to_string(laser + static_cast<int>(g)));
      v.push_back(std::to_string(guns[g]));
      v.push_back("lasers\\mount_" + std::to_string(k) + "_" + std::to_string(g));
      v.push_back(std::to_string(g));
      v.push_back(g % 2 ? "lasers\\mount_twin" : "");
      v.push_back(g % 2 ? "3" : "-1");
    }
    laser += pseudo;
    total += pseudo;
  }
  v[19] = std::to_string(total + gunCountOffset);
  // The tail: ware class, prices, notoriety, ...; the ID last.
  const Line tail = {"1", "2", "3500", "25", "1", "0", "0", "0", std::to_string(s.shipClass)};
  v.insert(v.end(), tail.begin(), tail.end());
  v.push_back(s.id);
  return v;
}

std::vector<ShipSpec> Ships() {
  return {
      {"SS_SH_SCOUT", "ships\\scout", 6, 1, 2101, 0, 1, 42000, 9000, 120, 0, 1, "1", "1", 0, 1, 5, 0, 1200, 10,
       {}, {}},
      {"SS_SH_FIGHTER", "ships\\fighter", 5, 2, 2103, 0, 2, 31000, 7000, 300, 0, 2, "5", "3", 0, 2, 12, 1, 2500, 12,
       {}, {{2, 1}}},
      {"SS_SH_FRIGATE", "ships\\frigate", 11, 3, 2105, 0, 3, 15000, 2500, 900, 1, 3, "4294967295", "2", 1, 10, 80,
       2, 30000, 8, {{0, 1}, {1, 2}, {2, 5}}, {{4}, {2, 2}, {1}, {1, 1, 1}}},
      {"SS_SH_FREIGHTER", "ships\\freighter", 1, 4, 2107, 4, 4, 9500, 1500, 450, 1, 2, "0", "0", 1, 40, 2500, 3,
       12000, 5, {{3, 2}, {2, 5}}, {{}, {2}, {1, -1}}},
      {"SS_SH_CARRIER", "ships\\carrier", 13, 5, 2109, 12, 5, 7000, 800, 4000, 1, 5, "-2147483643", "3", 0, 20, 900,
       4, 90000, 3,
       {{0, 1}, {1, 2}, {2, 3}, {2, 4}, {3, 5}, {1, 6}},
       {{2}, {1}, {1}, {1, 1}, {1, 1}, {2}, {2}}},
  };
}

std::string TextResources() {
  struct Text {
    int page, id;
    const char* text;
  } texts[] = {
      {17, 2101, "Kestrel"},        {17, 2102, "A fast scout with a single laser mount."},
      {17, 2103, "Falcon"},         {17, 2104, "The common fighter of the border patrols."},
      {17, 2105, "Osprey"},         {17, 2106, "A frigate with three turrets around its bridge."},
      {17, 2107, "Pelican"},        {17, 2108, "A slow freighter with a large hold."},
      {17, 2109, "Leviathan"},      {17, 2110, "A carrier with a turret on every side."},
      {2006, 1, "Scout"},           {2006, 2, "Fighter"},
      {2006, 3, "Frigate"},         {2006, 4, "Freighter"},
      {2006, 5, "Carrier"},
  };
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n";
  int page = -1;
  for (const auto& t : texts) {
    if (t.page != page) {
      if (page != -1) x += "  </page>\n";
      page = t.page;
      x += "  <page id=\"" + std::to_string(page) + "\" title=\"Ships\">\n";
    }
    x += "    <t id=\"" + std::to_string(t.id) + "\">" + t.text + "</t>\n";
  }
  return x + "  </page>\n</language>\n";
}

std::string ShipFile(int version, const std::vector<ShipSpec>& ships, int damagedIndex = -1) {
  std::string out = "// Sample data written by kz_sampledata\r\n" + std::to_string(version) + ";" +
                    std::to_string(ships.size()) + ";\r\n";
  for (size_t i = 0; i < ships.size(); ++i) out += Join(ShipLine(ships[i], static_cast<int>(i) == damagedIndex ? 3 : 0));
  return out;
}

}  // namespace

KZ_SAMPLE_GENERATOR(B20_ShipData) {
  const std::vector<ShipSpec> ships = Ships();
  const std::string current = ShipFile(30, ships);
  const std::vector<ShipSpec> older(ships.begin(), ships.begin() + 3);
  return out.WritePlain("types/TShips.txt", current) && out.WritePacked("types/TShips_packed.pck", current) &&
         out.WritePlain("t/440130.xml", TextResources()) &&
         out.WriteCatalog("02.cat", {{"types\\TShips.txt", ShipFile(29, older)},
                                     {"types\\TShips_damaged.txt", ShipFile(30, ships, 2), true}});
}
