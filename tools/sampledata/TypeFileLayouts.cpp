// One type file of every layout the type-file parser reads: a generic file (docks),
// ships with turrets and gun groups, jobs, job wings, ware lists and icon data.
#include <string>
#include <vector>

#include "SampleData.h"

namespace {

using Line = std::vector<std::string>;

std::string Lines(const std::string& head, const std::vector<Line>& lines, bool lastWithoutSeparator = false) {
  std::string out = head;
  for (const auto& l : lines) {
    for (size_t i = 0; i < l.size(); ++i) {
      out += l[i];
      if (!(lastWithoutSeparator && i + 1 == l.size())) out += ";";
    }
    out += "\r\n";
  }
  return out;
}

// A ship: 53 leading values, the turrets (4 values each), the gun groups (a header
// of 4 values whose last is the gun count, then 6 values per gun), 9 tail values and
// the ID.
Line Ship(const std::string& body, int race, int speed, int turrets, const std::vector<int>& guns,
          const std::string& id) {
  Line v = {body, "0", "0.000000", "0.000000", "0.000000", "1", "2001", std::to_string(speed), "12", "30"};
  while (v.size() < 53) v.push_back(std::to_string((v.size() * 37) % 500));
  v[13] = std::to_string(race);
  v.push_back(std::to_string(turrets));
  for (int t = 0; t < turrets; ++t) {
    v.push_back(std::to_string(t));        // turret position
    v.push_back(std::to_string(2 + t));    // cockpit index
    v.push_back("0");
    v.push_back(std::string("cockpit_") + std::to_string(t));
  }
  v.push_back(std::to_string(guns.size()));
  int first = 0;
  for (size_t g = 0; g < guns.size(); ++g) {
    v.push_back(std::to_string(first));
    v.push_back(std::to_string(g + 1));
    v.push_back(std::to_string(g));
    v.push_back(std::to_string(guns[g]));
    for (int k = 0; k < guns[g]; ++k) {
      v.push_back(std::to_string(first + k));
      v.push_back("0");
      v.push_back("lasers\\mount_" + std::to_string(k));
      v.push_back("0");
      v.push_back("0");
      v.push_back("0");
    }
    first += guns[g];
  }
  for (int i = 0; i < 9; ++i) v.push_back(std::to_string(i == 0 ? 1 : 0));
  v.push_back(id);
  return v;
}

// A job of `n` fields; the last one (its comment) stands without a separator.
Line Job(int n, int number, const std::string& name, const std::string& ship, int wing, int wares) {
  Line v;
  for (int i = 0; i < n - 1; ++i) v.push_back("0");
  v[0] = std::to_string(number);
  v[1] = name;
  v[2] = "5";
  v[3] = "1";
  v[4] = "!job.generic.trader";
  v[5] = "!job.config.default";
  v[6] = std::to_string(3000 + number);
  v[8] = ship;
  v[13] = std::to_string(wing);
  v[14] = std::to_string(wares);
  v.push_back(name + " (sample job)");
  return v;
}

}  // namespace

KZ_SAMPLE_GENERATOR(A20_TypeFileLayouts) {
  const std::string head = "// Sample data written by kz_sampledata\r\n";
  Line dock = {"docks\\dock_equipment", "0", "0.000000", "0.000000", "0.000000", "2", "2201",
               "snd_flyby", "1500.5", "3000.25", "80", "docks\\scene_equipment", "docks\\inner_equipment", "1",
               "12", "0", "250", "HUD_DOCK", "10", "0", "25", "1", "1", "0", "0", "0", "0", "SS_DOCK_EQUIP"};
  Line shipyard = dock;
  shipyard[0] = "docks\\dock_shipyard";
  shipyard[6] = "2202";
  shipyard[13] = "3";
  shipyard.back() = "SS_DOCK_SHIPYARD";
  std::string docks = head + "12;2;\r\n" + Lines("", {dock, shipyard});

  std::string ships = head + "30;3;\r\n" +
                      Lines("", {Ship("ships\\scout", 1, 420, 0, {}, "SS_SH_SCOUT"),
                                 Ship("ships\\fighter", 2, 310, 1, {2}, "SS_SH_FIGHTER"),
                                 Ship("ships\\frigate", 3, 150, 3, {2, 4, 1}, "SS_SH_FRIGATE")});

  std::string jobs = "9;\r\n" + Lines("", {Job(119, 1, "Traders", "SS_SH_FIGHTER", 1, 0),
                                           Job(119, 2, "Patrol", "SS_SH_FRIGATE", 2, 1)},
                                      true);

  std::string wings = head + Lines("", {{"1", "1", "2"}, {"2", "2", "1", "3"}});

  std::string wareLists = head + "2;\r\n" +
                          Lines("", {{"3", "SS_LASER_IRE", "SS_SHIELD_A", "SS_MISSILE_MOSQUITO"},
                                     {"2", "SS_LASER_PAC", "SS_MISSILE_WASP"}});

  std::string icons = Lines("", {{"interface\\icons_wares", "WARES", "32", "32", "2"},
                                 {"ICON_LASER", "0", "0", "0", "32", "32"},
                                 {"ICON_SHIELD", "0", "32", "0", "32", "32"},
                                 {"interface\\icons_ships", "SHIPS", "64", "64", "1"},
                                 {"ICON_SHIP", "0", "0", "0", "64", "64"},
                                 // The GUI group: the sheet the ware page cuts icons from.
                                 {"ICONTYPE_GUI", "interface\\gui\\gui_icons.dds", "32", "32", "5"},
                                 {"ICON_MISSILE_LIGHT", "0", "0", "0", "30", "30"},
                                 {"ICON_MISSILE_SWARM", "0", "32", "0", "30", "30"},
                                 {"HUD_DOCK", "0", "64", "0", "30", "30"},
                                 {"ICON_FACTORY_FOOD", "0", "96", "0", "30", "30"},
                                 {"ICON_FACTORY_TECH", "0", "0", "32", "30", "30"}});

  return out.WritePlain("types/TDocks.txt", docks) && out.WritePlain("types/TShips.txt", ships) &&
         out.WritePlain("types/Jobs.txt", jobs) && out.WritePlain("types/JobWings.txt", wings) &&
         out.WritePlain("types/WareLists.txt", wareLists) && out.WritePacked("types/IconData.pck", icons);
}
