// Jobs files of the three record layouts (8: 117 values, 9: the base data's file,
// 10: 120 values) whose jobs fill every tab of the job page, the cockpits file of the
// turret page in catalog 03, and the texts these pages show (variant names, race names,
// job descriptions, a custom ship name).
#include <string>
#include <vector>

#include "SampleData.h"

namespace {

// The 120 values of a job in the newest layout, by logical field number.
std::vector<std::string> Job(int number, const std::string& name, const std::string& ship, int wing, int wares,
                             int variant, int race) {
  std::vector<std::string> v(120, "0");
  v[0] = std::to_string(number);
  v[1] = name;
  v[2] = "5";
  v[3] = "1";
  v[4] = "!job.generic.trader";
  v[5] = "!job.config.default";
  v[6] = std::to_string(3000 + number);
  v[8] = number == 1 ? "2001" : "0";
  v[9] = "1";   // show race
  v[12] = "1";  // show variant name
  v[13] = std::to_string(wing);
  v[14] = std::to_string(wares);
  v[15] = "3";
  v[16] = "10";
  v[17] = "600";
  v[18] = ship;
  if (ship.empty()) v[19 + 2] = v[19 + 6] = "1";  // M3 and TP
  v[28 + race] = "1";
  v[38 + variant] = "1";
  v[55] = "120";
  v[56] = "200";
  v[57] = "10";
  v[58] = v[61] = "1";
  v[64] = number % 2 ? "0" : "1";
  v[65] = "4";
  v[66] = "7";
  v[67] = v[69] = "1";
  v[72] = "50";
  v[74] = "2";
  v[75] = "3";
  v[76] = "4";
  v[77] = "25";
  v[78 + race] = "1";
  v[88] = "2";
  v[89] = "3";
  v[90] = "1";
  v[91] = v[93] = "1";
  v[96] = v[100] = "1";
  v[106] = "3";
  v[107] = "4";
  v[108] = "5";
  v[109] = std::to_string(900 + number);
  v[110] = v[113] = "1";
  v[115 + number % 4] = "1";
  v[119] = name + " (sample job)";
  return v;
}

// The job as a line of a file of `size` values: the fields a shorter layout lacks are
// left out (117: logical 37, 54 and 86; 119: logical 54); the last value stands
// without a separator.
std::string JobLine(const std::vector<std::string>& logical, int size) {
  std::string line;
  for (int n = 0; n < 120; ++n) {
    if (size == 117 && (n == 37 || n == 54 || n == 86)) continue;
    if (size == 119 && n == 54) continue;
    line += logical[static_cast<size_t>(n)];
    if (n < 119) line += ";";
  }
  return line + "\r\n";
}

std::string JobsFile(int version, int size) {
  std::string out = std::to_string(version) + ";\r\n";
  out += JobLine(Job(1, "Traders", "SS_SH_FIGHTER", 1, 0, 2, 1), size);
  out += JobLine(Job(2, "Patrol", "SS_SH_FRIGATE", 2, 1, 16, 5), size);
  out += JobLine(Job(3, "Pirates", "", 7, 9, 0, 6), size);
  return out;
}

std::string Cockpit(const std::string& scene, const std::string& mask, const std::string& id) {
  std::string line = "cockpits\\body;0;0.000000;0.000000;0.000000;0;0;" + scene + ";" + mask + ";";
  for (int i = 9; i < 18; ++i) line += "0;";
  return line + id + ";\r\n";
}

}  // namespace

KZ_SAMPLE_GENERATOR(B14_JobsAndTurrets) {
  std::string variants;
  const char* names[] = {"Basic", "Vanguard", "Sentinel", "Raider", "Hauler", "Miner", "Super Freighter",
                         "Tanker", "Military Transport", "XL", "Enhanced", "Prototype", "Advanced", "Heavy",
                         "Light", "Scout", "", "", "", "", "Hauler Mk.II"};
  for (int k = 0; k <= 20; ++k)
    if (*names[k]) variants += "    <t id=\"" + std::to_string(10000 + k) + "\">" + names[k] + "</t>\n";
  std::string races;
  const char* raceNames[] = {"Aurel", "Brenn", "Skarn", "Pellan", "Tovash", "Vekkar", "Pirate", "Quorr", "Pilgrim"};
  for (int r = 1; r <= 9; ++r)
    races += "    <t id=\"" + std::to_string(100 + r) + "\">" + raceNames[r - 1] + "</t>\n";
  races += "    <t id=\"119\">Kessai</t>\n    <t id=\"3003\">Pirates raiding the trade lanes</t>\n";
  const std::string texts = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n"
                            "  <page id=\"17\" title=\"Names\">\n" + variants +
                            "    <t id=\"2001\">Merchant Star</t>\n  </page>\n"
                            "  <page id=\"1000\" title=\"Jobs\">\n" + races + "  </page>\n</language>\n";

  const std::string cockpits = "// Sample data written by kz_sampledata\r\n3;4;\r\n" +
                               Cockpit("cockpits\\turret_front", "5", "SS_COCKPIT_FRONT") +
                               Cockpit("cockpits\\turret_rear", "-2147483643", "SS_COCKPIT_REAR") +
                               Cockpit("cockpits\\turret_all", "4294967295", "SS_COCKPIT_ALL") +
                               Cockpit("cockpits\\turret_none", "0", "SS_COCKPIT_NONE");
  return out.WritePlain("types/Jobs_v8.txt", JobsFile(8, 117)) &&
         out.WritePlain("types/Jobs_v10.txt", JobsFile(10, 120)) && out.WritePlain("t/440014.xml", texts) &&
         out.WriteCatalog("03.cat", {{"types\\TCockpits.txt", cockpits}});
}
