// Text resource files in English (44) and German (49) that name the sample objects:
// page 17 object names (field 6 of the sample wares, ships and docks), 1263 ship
// classes, 1999 ware sizes, 1000 job descriptions and 7 sector names. The German
// strings come in a plain and a packed file.
#include <string>
#include <utility>
#include <vector>

#include "SampleData.h"

namespace {

using Strings = std::vector<std::pair<int, std::string>>;
using Pages = std::vector<std::pair<int, Strings>>;

std::string Tre(int lang, const Pages& pages) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"" + std::to_string(lang) + "\">\n";
  for (const auto& [page, strings] : pages) {
    x += "  <page id=\"" + std::to_string(page) + "\" title=\"Page " + std::to_string(page) +
         "\" descr=\"\" voice=\"0\">\n";
    for (const auto& [id, text] : strings) x += "    <t id=\"" + std::to_string(id) + "\">" + text + "</t>\n";
    x += "  </page>\n";
  }
  return x + "</language>\n";
}

}  // namespace

KZ_SAMPLE_GENERATOR(A40_TextResources) {
  std::string english = Tre(44, {{17, {{1101, "Impulse Ray Emitter"}, {1102, "Particle Accelerator Cannon"},
                                       {1103, "High Energy Plasma Thrower"}, {1201, "1 MW Shield"},
                                       {1202, "5 MW Shield"}, {1301, "Mosquito Missile"}, {1302, "Wasp Missile"},
                                       {1401, "Impulse Ray Bolt"}, {1402, "Accelerator Round"},
                                       {2001, "Sample Ship"}, {2201, "Equipment Dock"}, {2202, "Shipyard"}}},
                                 {7, {{1, "Home of Light"}}},
                                 {1000, {{3001, "Traders buying cheap and selling to {17,2202}"},
                                         {3002, "Patrols guarding {7,1}"}}},
                                 {1263, {{19301, "Large Transporter"}, {19302, "Transporter"}, {19306, "Fighter"}}},
                                 {1999, {{10, "Tiny"}, {11, "Small"}, {12, "Medium"}, {13, "Large"},
                                         {14, "Extra Large"}, {15, "Station"}}}});
  std::string german = Tre(49, {{17, {{1101, "Impulsstrahlemitter"}, {1102, "Partikelbeschleunigerkanone"},
                                      {1103, "Hochenergie-Plasmawerfer"}, {1201, "1-MW-Schild"},
                                      {1202, "5-MW-Schild"}, {1301, "Moskito-Rakete"}, {1302, "Wespe-Rakete"},
                                      {1401, "Impulsstrahlgeschoss"}, {1402, "Beschleunigergeschoss"}}},
                                {7, {{1, "Heimat des Lichts"}}}});
  std::string germanMore = Tre(49, {{17, {{2001, "Beispielschiff"}, {2201, "Ausr\xc3\xbcstungsdock"},
                                          {2202, "Schiffswerft"}}},
                                    {1000, {{3001, "H\xc3\xa4ndler f\xc3\xbcr {17,2202}"},
                                            {3002, "Patrouillen in {7,1}"}}},
                                    {1263, {{19302, "Transporter"}, {19306, "J\xc3\xa4ger"}}},
                                    {1999, {{10, "Winzig"}, {11, "Klein"}, {12, "Mittel"}, {13, "Gro\xc3\x9f"},
                                            {14, "Sehr gro\xc3\x9f"}, {15, "Station"}}}});
  return out.WritePlain("t/440002.xml", english) && out.WritePlain("t/490001.xml", german) &&
         out.WritePacked("t/490002.pck", germanMore);
}
