// The first sample files: type files of the generic layout (plain and packed), the
// numbered catalog 01, the mod catalog and one file in each filtered folder.
#include <cstdint>
#include <string>
#include <vector>

#include "SampleData.h"

namespace {

using Record = std::vector<std::string>;

// A ware-like record of `size` values: the seven common fields, the kind's own
// fields, the nine tail fields and the ID.
Record WareRecord(int size, const std::string& body, int descId, const std::vector<std::string>& own,
                  int volume, int price, const std::string& id) {
  Record r = {body, "0", "0.000000", "0.000000", "0.000000", "0", std::to_string(descId)};
  const int ownCount = size - 7 - 9 - 1;
  for (int i = 0; i < ownCount; ++i) r.push_back(i < static_cast<int>(own.size()) ? own[i] : "0");
  // Volume, production RelVal (NPC), price modifiers, ware class, production RelVal
  // (player), min. notoriety, video ID, skin index.
  const std::vector<std::string> tail = {std::to_string(volume), std::to_string(price), "25", "1", "1",
                                        std::to_string(price), "0", "0", "0"};
  r.insert(r.end(), tail.begin(), tail.end());
  r.push_back(id);
  return r;
}

std::vector<Record> Lasers(const std::string& variant) {
  return {WareRecord(23, "lasers\\laser_ire", 1101, {"1", "50", "2500", "420", "35", variant}, 5, 1250, "SS_LASER_IRE"),
          WareRecord(23, "lasers\\laser_pac", 1102, {"2", "40", "4200", "380", "40"}, 8, 3800, "SS_LASER_PAC"),
          WareRecord(23, "lasers\\laser_hept", 1103, {"3", "30", "8800", "350", "48"}, 12, 9100, "SS_LASER_HEPT")};
}

std::vector<Record> Shields() {
  return {WareRecord(21, "shields\\shield_1", 1201, {"1000", "25", "200"}, 3, 800, "SS_SHIELD_A"),
          WareRecord(21, "shields\\shield_5", 1202, {"5000", "30", "900"}, 10, 4200, "SS_SHIELD_B")};
}

std::vector<Record> Missiles() {
  // Fields 7-11 speeds, range and lifetime; 23 the flags; 25 the icon.
  auto own = [](std::vector<std::string> first, const char* flags, const char* icon) {
    first.resize(16, "0");
    first.push_back(flags);
    first.push_back("0");
    first.push_back(icon);
    return first;
  };
  return {WareRecord(37, "missiles\\mosquito", 1301, own({"1", "350", "2500", "120", "6000"}, "5", "ICON_MISSILE_LIGHT"), 1,
                     120, "SS_MISSILE_MOSQUITO"),
          WareRecord(37, "missiles\\wasp", 1302, own({"2", "300", "3500", "300", "7000"}, "34", "ICON_MISSILE_SWARM"), 2,
                     340, "SS_MISSILE_WASP")};
}

std::vector<Record> Bullets() {
  return {WareRecord(37, "bullets\\ire", 1401, {"1", "90", "12000", "600", "255", "0", "0"}, 0, 0, "SS_BULLET_IRE"),
          WareRecord(37, "bullets\\pac", 1402, {"2", "100", "10000", "500", "0", "255", "0"}, 0, 0, "SS_BULLET_PAC")};
}

// A 4x4 32-bit uncompressed DDS image.
std::string SmallDds() {
  std::string d = "DDS ";
  auto u32 = [&d](uint32_t v) {
    for (int i = 0; i < 4; ++i) d += static_cast<char>((v >> (8 * i)) & 0xff);
  };
  u32(124);                      // header size
  u32(0x1 | 0x2 | 0x4 | 0x1000 | 0x8);  // caps, height, width, pixel format, pitch
  u32(4);                        // height
  u32(4);                        // width
  u32(16);                       // pitch
  u32(0);                        // depth
  u32(0);                        // mip maps
  for (int i = 0; i < 11; ++i) u32(0);
  u32(32);                       // pixel format size
  u32(0x41);                     // RGB with alpha
  u32(0);
  u32(32);                       // bits per pixel
  u32(0x00ff0000);
  u32(0x0000ff00);
  u32(0x000000ff);
  u32(0xff000000);
  u32(0x1000);                   // texture
  for (int i = 0; i < 4; ++i) u32(0);
  for (int p = 0; p < 16; ++p) u32(p % 2 ? 0xff3060c0u : 0xffc06030u);
  return d;
}

// A 2x2 24-bit uncompressed TGA image.
std::string SmallTga() {
  std::string t(18, '\0');
  t[2] = 2;   // true colour
  t[12] = 2;  // width
  t[14] = 2;  // height
  t[16] = 24;
  const char px[] = {'\x20', '\x40', '\x80', '\x80', '\x40', '\x20', '\x00', '\xff', '\x00', '\xff', '\xff', '\xff'};
  t.append(px, sizeof px);
  return t;
}

}  // namespace

KZ_SAMPLE_GENERATOR(A10_TypeFiles) {
  using kzsample::TypeFileText;
  return out.WritePlain("types/TLaser.txt", TypeFileText(40, Lasers("0"))) &&
         out.WritePacked("types/TShields.pck", TypeFileText(25, Shields())) &&
         out.WritePacked("types/TMissiles.pck", TypeFileText(48, Missiles()));
}

KZ_SAMPLE_GENERATOR(A20_Catalogs) {
  using kzsample::TypeFileText;
  // 01 holds older copies (hidden by the plain files) and a type file of its own.
  const bool numbered = out.WriteCatalog("01.cat", {{"types\\TLaser.txt", TypeFileText(39, Lasers("1"))},
                                                    {"types\\TBullets.pck", TypeFileText(30, Bullets()), true},
                                                    {"objects\\v\\00001.bod", "// sample body\r\n0;0;0;\r\n"}});
  if (!numbered) return false;
  return out.WriteCatalog("mods/samplemod.cat", {{"types\\TShields.txt", TypeFileText(26, Shields())},
                                                 {"maps\\mod_universe.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe/>\n"}});
}

KZ_SAMPLE_GENERATOR(A30_Folders) {
  return out.WritePlain("t/440001.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n"
                        "  <page id=\"17\" title=\"Names\">\n    <t id=\"1101\">Impulse Ray Emitter</t>\n"
                        "    <t id=\"1201\">1 MW Shield</t>\n  </page>\n</language>\n") &&
         out.WritePlain("maps/x_universe.xml",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe>\n"
                        "  <o t=\"1\" x=\"0\" y=\"0\" r=\"0\" size=\"50000\" m=\"0\"/>\n</universe>\n") &&
         out.WritePlain("objects/v/00002.bod", "// sample body\r\n0;0;0;\r\n") &&
         out.WritePlain("dds/icons.dds", SmallDds()) && out.WritePlain("textures/sample.tga", SmallTga());
}
