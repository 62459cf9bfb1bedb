// A universe map of four sectors linked by gates, written plain, packed and into catalog
// 05 (maps\sample_universe.*), with the page-7 sector names and the page-17 own names of
// its objects. It holds every object type, docks and factories with their groups and
// the objects in them, an asteroid ring around a factory, a sector whose name string is
// missing and an object with a foreign attribute. No type file of the ware types E, N,
// B, F and M is written, and the nebula's subtype is in no type file, so their objects
// show the placeholder text.
//
// The map is written the way the program writes maps (tabs, " />", the declaration
// line ending in CR LF), so loading it and saving it gives the same bytes.
#include <cmath>
#include <string>
#include <vector>

#include "SampleData.h"

namespace {

struct Node {
  std::string attrs;
  std::vector<Node> kids;
};

void Print(const Node& n, int depth, std::string& out) {
  out.append(static_cast<size_t>(depth), '\t');
  out += "<o " + n.attrs;
  if (n.kids.empty()) {
    out += " />\n";
    return;
  }
  out += ">\n";
  for (const Node& k : n.kids) Print(k, depth + 1, out);
  out.append(static_cast<size_t>(depth), '\t');
  out += "</o>\n";
}

Node Group(int s, std::vector<Node> kids) { return {"t=\"23\" s=\"" + std::to_string(s) + "\"", std::move(kids)}; }

// A gate of sector (x, y) with its own gate ID leading to gate `gtid` of sector (gx, gy).
Node Gate(int gid, int gx, int gy, int gtid, const std::string& pos) {
  return {"t=\"18\" s=\"0\" " + pos + " a=\"0\" b=\"0\" g=\"0\" r=\"1\" gid=\"" + std::to_string(gid) + "\" gx=\"" +
              std::to_string(gx) + "\" gy=\"" + std::to_string(gy) + "\" gtid=\"" + std::to_string(gtid) + "\"",
          {}};
}

Node Sector(int x, int y, int colour, int music, std::vector<Node> kids) {
  return {"t=\"1\" s=\"0\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" r=\"1\" color=\"" +
              std::to_string(colour) + "\" ff=\"0\" fc=\"0\" fn=\"0\" m=\"" + std::to_string(music) + "\"",
          std::move(kids)};
}

std::string Universe() {
  const std::string origin = "x=\"0\" y=\"0\" z=\"0\"";
  // Sector 00, 00: sun, planet, an equipment dock with its own name and every group.
  Node dock = {"t=\"5\" s=\"SS_DOCK_EQUIP\" x=\"-20000\" y=\"0\" z=\"45000\" a=\"0\" b=\"0\" g=\"0\" r=\"1\" n=\"2901\"",
               {Group(1, {{"t=\"9\" s=\"SS_SHIELD_A\" n=\"10\"", {}}, {"t=\"9\" s=\"SS_SHIELD_B\" n=\"2\"", {}}}),
                Group(2, {{"t=\"8\" s=\"SS_LASER_IRE\" n=\"12\"", {}}}),
                Group(3, {{"t=\"10\" s=\"SS_MISSILE_MOSQUITO\" n=\"40\"", {}}}),
                Group(4, {}),
                Group(8, {{"t=\"16\" s=\"SS_WARE_ENERGY\" n=\"800\"", {}}}),
                Group(5, {{"t=\"7\" s=\"SS_SH_SCOUT\" r=\"1\"", {}}})}};
  Node home = Sector(0, 0, 4210752, 2,
                     {{"t=\"2\" s=\"0\"", {}},
                      {"t=\"3\" s=\"SS_SUN_YELLOW\" x=\"0\" y=\"0\" z=\"-9000000\" a=\"0\" b=\"0\" g=\"0\"", {}},
                      {"t=\"4\" s=\"SS_PLANET_OCEAN\" x=\"500000\" y=\"-20000\" z=\"3000000\" a=\"16384\" b=\"0\" g=\"0\"", {}},
                      Gate(2, 1, 0, 3, "x=\"60000\" y=\"0\" z=\"0\""),
                      Gate(1, 0, 1, 0, "x=\"0\" y=\"0\" z=\"-60000\""),
                      dock,
                      {"t=\"7\" s=\"SS_SH_FIGHTER\" x=\"1500\" y=\"300\" z=\"-2500\" r=\"2\"", {}}});

  // Sector 01, 00: a food factory with its groups and an asteroid ring around it.
  Node factory = {"t=\"6\" s=\"SS_FACTORY_FOOD\" x=\"0\" y=\"0\" z=\"0\" a=\"0\" b=\"0\" g=\"0\" r=\"1\"",
                  {Group(6, {{"t=\"16\" s=\"SS_WARE_ENERGY\" n=\"300\"", {}}}),
                   Group(7, {{"t=\"16\" s=\"SS_WARE_AMMO_IRE\" n=\"120\"", {}}, {"t=\"7\" s=\"SS_SH_SCOUT\"", {}}}),
                   Group(5, {{"t=\"7\" s=\"SS_SH_FIGHTER\" r=\"1\"", {}}}),
                   Group(9, {{"t=\"7\" s=\"SS_SH_FRIGATE\" x=\"4000\" y=\"0\" z=\"4000\" r=\"1\"", {}}})}};
  std::vector<Node> reach = {{"t=\"2\" s=\"1\"", {}}, Gate(3, 0, 0, 2, "x=\"-60000\" y=\"0\" z=\"0\""),
                             Gate(1, 1, 1, 0, "x=\"0\" y=\"0\" z=\"-60000\""), factory};
  for (int i = 0; i < 8; ++i) {
    const double angle = i * 3.14159265358979 / 4;
    const int x = static_cast<int>(std::lround(30000 * std::cos(angle)));
    const int z = static_cast<int>(std::lround(30000 * std::sin(angle)));
    reach.push_back({"t=\"17\" s=\"SS_ASTEROID_ORE\" x=\"" + std::to_string(x) + "\" y=\"0\" z=\"" + std::to_string(z) +
                         "\" a=\"" + std::to_string(i * 4096) + "\" b=\"0\" g=\"0\" atype=\"" + std::to_string(i % 3) +
                         "\" aamount=\"" + std::to_string(10 + i * 5) + "\"",
                     {}});
  }
  Node ironReach = Sector(1, 0, 2105376, 3, reach);

  // Sector 00, 01 has no name string. It holds the remaining object types, and objects
  // whose type file or record is missing.
  std::vector<Node> rest = {{"t=\"2\" s=\"2\"", {}}, Gate(0, 0, 0, 1, "x=\"0\" y=\"0\" z=\"60000\""),
                            Gate(2, 1, 1, 3, "x=\"60000\" y=\"0\" z=\"0\"")};
  const char* loose[] = {
      "t=\"8\" s=\"SS_LASER_PAC\"", "t=\"9\" s=\"SS_SHIELD_A\"", "t=\"10\" s=\"SS_MISSILE_WASP\"",
      "t=\"11\" s=\"SS_WARE_E1\"", "t=\"12\" s=\"0\"", "t=\"13\" s=\"0\"", "t=\"14\" s=\"0\"", "t=\"15\" s=\"0\"",
      "t=\"16\" s=\"SS_WARE_AMMO_PAC\"", "t=\"20\" s=\"SS_SPECIAL_BEACON\"", "t=\"21\" s=\"SS_NEBULA_DARK\"",
      "t=\"28\" s=\"SS_DEBRIS_HULL\"", "t=\"29\" s=\"0\""};
  int place = 0;
  for (const char* attrs : loose) {
    place += 5000;
    rest.push_back({std::string(attrs) + " x=\"" + std::to_string(place) + "\" y=\"0\" z=\"" + std::to_string(-place) +
                        "\" a=\"0\" b=\"0\" g=\"0\"",
                    {}});
  }
  Node unnamed = Sector(0, 1, 0, 0, rest);

  // Sector 01, 01: a shipyard, and a ship carrying an attribute the program does not know.
  Node shipyard = {"t=\"5\" s=\"SS_DOCK_SHIPYARD\" x=\"0\" y=\"0\" z=\"0\" a=\"0\" b=\"0\" g=\"0\" r=\"3\"",
                   {Group(8, {{"t=\"16\" s=\"SS_WARE_ENERGY\" n=\"2000\"", {}}}),
                    Group(5, {{"t=\"7\" s=\"SS_SH_FRIGATE\" r=\"3\"", {}}, {"t=\"7\" s=\"SS_SH_SCOUT\" r=\"3\"", {}}})}};
  Node harbor = Sector(1, 1, 6316128, 1,
                       {{"t=\"2\" s=\"0\"", {}},
                        Gate(0, 1, 0, 1, "x=\"0\" y=\"0\" z=\"60000\""),
                        Gate(3, 0, 1, 2, "x=\"-60000\" y=\"0\" z=\"0\""),
                        shipyard,
                        {"t=\"7\" s=\"SS_SH_FRIGATE\" x=\"-8000\" y=\"1000\" z=\"2000\" r=\"3\" n=\"2902\" pilot=\"Vega\"", {}}});

  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<universe xmlns=\"KZUNIVERS.xsd\">\n";
  for (const Node& s : {home, ironReach, unnamed, harbor}) Print(s, 1, out);
  return out + "</universe>\n";
}

std::string Names() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n"
         "  <page id=\"7\" title=\"Sectors\" descr=\"\" voice=\"0\">\n"
         "    <t id=\"1020101\">Argent Prime</t>\n"
         "    <t id=\"1020102\">Iron Reach</t>\n"
         "    <t id=\"1020202\">Far Harbor</t>\n"
         "  </page>\n"
         "  <page id=\"17\" title=\"Own names\" descr=\"\" voice=\"0\">\n"
         "    <t id=\"2901\">Argent Trading Station</t>\n"
         "    <t id=\"2902\">Vega's Frigate</t>\n"
         "  </page>\n</language>\n";
}

}  // namespace

KZ_SAMPLE_GENERATOR(B16_GalaxyMap) {
  const std::string map = Universe();
  return out.WritePlain("maps/sample_universe.xml", map) && out.WritePacked("maps/sample_universe.pck", map) &&
         out.WritePlain("t/440016.xml", Names()) &&
         out.WriteCatalog("05.cat", {{"maps\\sample_universe.xml", map}, {"maps\\sample_universe_packed.pck", map, true}});
}
