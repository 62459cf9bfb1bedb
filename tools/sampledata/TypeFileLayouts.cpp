// One type file of every layout the type-file parser reads: a generic file (docks),
// jobs, job wings, ware lists and icon data.
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

  return out.WritePlain("types/TDocks.txt", docks) && out.WritePlain("types/Jobs.txt", jobs) &&
         out.WritePlain("types/JobWings.txt", wings) &&
         out.WritePlain("types/WareLists.txt", wareLists) && out.WritePacked("types/IconData.pck", icons);
}
