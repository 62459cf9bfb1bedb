#pragma once
// A universe map of two sectors for the sector map tests, and a model over its first one.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "MapFixture.h"
#include "galaxy/model/SectorMapModel.h"

namespace smtest {

// The first sector: a sun, a gate to the second sector, a dock whose group holds a ship
// with coordinates, and a background without any. The second sector: a gate back and a
// planet.
inline const char* kMap =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<universe xmlns=\"KZUNIVERS.xsd\">\n"
    " <o t=\"1\" s=\"0\" x=\"0\" y=\"0\">\n"
    "  <o t=\"3\" s=\"0\" x=\"1000000\" y=\"0\" z=\"2000000\"/>\n"
    "  <o t=\"18\" s=\"0\" x=\"0\" y=\"0\" z=\"-5000000\" gid=\"0\" gx=\"1\" gy=\"0\" gtid=\"1\"/>\n"
    "  <o t=\"5\" s=\"0\" x=\"-3000000\" y=\"500\" z=\"0\">\n"
    "   <o t=\"23\" s=\"0\">\n"
    "    <o t=\"7\" s=\"0\" x=\"5\" y=\"6\" z=\"7\"/>\n"
    "   </o>\n"
    "  </o>\n"
    "  <o t=\"2\" s=\"0\"/>\n"
    " </o>\n"
    " <o t=\"1\" s=\"0\" x=\"1\" y=\"0\">\n"
    "  <o t=\"18\" s=\"1\" x=\"0\" y=\"0\" z=\"5000000\" gid=\"1\" gx=\"0\" gy=\"0\" gtid=\"0\"/>\n"
    "  <o t=\"4\" s=\"0\" x=\"7\" y=\"8\" z=\"9\"/>\n"
    " </o>\n"
    "</universe>\n";

// Every character 7 pixels wide, every line 13 high.
inline mdlSectorMap::MapSize FakeMeasure(std::string_view text) {
  return mdlSectorMap::MapSize{static_cast<int32_t>(text.size()) * 7, 13};
}

struct SectorMapTest : galtest::MapTest {
  mdlSectorMap::SectorMapModel m;
  GalaxyObjectPtr s1, s2;
  std::vector<std::string> clicks;

  void SetUp() override {
    Load(kMap, "sectormap.xml");
    s1 = Sector(1);
    s2 = Sector(2);
    ASSERT_TRUE(doc->LoadSectorChildren(s1)) << doc->GetLastError();
    m.SetParser(doc);
    m.SetMeasure(FakeMeasure);
    m.SetBoxSize(500, 500);  // scale: 1e-5 pixels per unit, 100 pixels per 10,000,000
    m.OnObjectClick = [this](const GalaxyObjectPtr& o) { clicks.push_back(o ? o->key() : std::string("none")); };
  }
  GalaxyObjectPtr Obj(int32_t record) { return m.ObjectOf(m.Records()[static_cast<size_t>(record)]); }
};

}  // namespace smtest
