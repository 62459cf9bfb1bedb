#pragma once
// Ship records, supporting type files and text resources for the ship page's rule tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/KzConst.h"
#include "core/Variant.h"
#include "txteditor/model/ShipValues.h"
#include "typefiles/FieldTables.h"
#include "typefiles/ShipParser.h"
#include "typefiles/ShipTables.h"
#include "typefiles/TXTObject.h"
#include "typefiles/TxtParser.h"
#include "videdoded.h"

namespace shiptest {

using kz::Variant;

inline void InitTables() {
  static bool done = [] {
    mdlKzConst::InitArrays();
    kz::InitAllFieldTables();
    kz::InitShipTables();
    return true;
  }();
  (void)done;
}

// The values of a consistent ship: `turrets` entries (the first the main cockpit
// entry, the others at positions 1, 2, ...), one gun group per entry of `groups` with
// guns of the given counts, fields 20..30 and 44..52 set to plain numbers.
inline std::vector<Variant> ShipValues(int turrets, const std::vector<std::vector<int>>& groups,
                                       const std::string& id = "SS_SH_TEST") {
  std::vector<Variant> v;
  for (int i = 0; i < 53; ++i) v.push_back(Variant(int32_t(0)));
  v[0] = Variant("ships\\body");
  int total = 0;
  for (const auto& g : groups)
    for (int c : g)
      if (c > 0) total += c;
  v[19] = Variant(int32_t(total));
  for (int t = 1; t < turrets; ++t) {
    v[31 + 2 * (t - 1)] = Variant(int32_t(t - 1));
    v[32 + 2 * (t - 1)] = Variant(int32_t(t));
  }
  v.push_back(Variant(int32_t(turrets)));
  for (int t = 0; t < turrets; ++t) {
    v.push_back(Variant(int32_t(t + 1)));
    v.push_back(Variant(int32_t(t)));
    v.push_back(Variant("turret_" + std::to_string(t)));
    v.push_back(Variant(int32_t(t * 10)));
  }
  v.push_back(Variant(int32_t(groups.size())));
  int laser = 1;
  for (size_t g = 0; g < groups.size(); ++g) {
    int pseudo = 0;
    for (int c : groups[g])
      if (c > 0) pseudo += c;
    v.push_back(Variant(int32_t(laser)));
    v.push_back(Variant(int32_t(pseudo)));
    v.push_back(Variant(int32_t(g + 1)));
    v.push_back(Variant(int32_t(groups[g].size())));
    int n = laser;
    for (size_t k = 0; k < groups[g].size(); ++k) {
      v.push_back(Variant(int32_t(n++)));
      v.push_back(Variant(int32_t(groups[g][k])));
      v.push_back(Variant("gun_" + std::to_string(g) + "_" + std::to_string(k)));
      v.push_back(Variant(int32_t(k)));
      v.push_back(Variant("gun2_" + std::to_string(g) + "_" + std::to_string(k)));
      v.push_back(Variant(int32_t(-1)));
    }
    laser += pseudo;
  }
  for (int i = 0; i < 9; ++i) v.push_back(Variant(int32_t(i)));
  v.push_back(Variant(id));
  return v;
}

// A record of `size` values (0, the ID last) with the listed fields set.
inline std::shared_ptr<clsTXTObject> Rec(int32_t size, std::vector<std::pair<int32_t, Variant>> fields = {},
                                         const std::string& id = "SS_TEST") {
  auto r = std::make_shared<clsTXTObject>();
  std::vector<Variant> values(static_cast<size_t>(size), Variant(int32_t{0}));
  if (size > 0) values.back() = Variant(id);
  for (auto& f : fields) values[static_cast<size_t>(f.first)] = f.second;
  r->AssignValues(std::move(values));
  r->otype = 1;
  return r;
}

inline std::shared_ptr<clsTXTObject> ShipRecord(std::vector<Variant> values) {
  auto r = std::make_shared<clsTXTObject>();
  r->AssignValues(std::move(values));
  r->otype = 1;
  return r;
}

inline ShipPtr MakeShip(std::vector<Variant> values) {
  auto ship = std::make_shared<clsShip>(ShipRecord(std::move(values)));
  EXPECT_TRUE(ship->LoadObjects()) << ship->GetLastError();
  return ship;
}

// A parsed type file from its text.
inline TxtParserPtr Parse(const std::string& text, int32_t type, const std::string& fileName = "") {
  auto p = std::make_shared<clsTxtParser>();
  int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), 1);
  EXPECT_NE(doc, 0);
  EXPECT_TRUE(p->LoadFromHandle(doc, type)) << p->GetLastError();
  p->FileName = fileName;
  return p;
}

// A record collection holding the given records in this order (name order too).
inline TxtParserPtr Records(const std::vector<std::vector<Variant>>& records, const std::string& fileName = "") {
  auto p = std::make_shared<clsTxtParser>();
  for (const auto& values : records) {
    auto r = std::make_shared<clsTXTObject>();
    r->id = p->NextKeyNumber();
    r->AssignValues(std::vector<Variant>(values));
    r->otype = 1;
    p->AddObjectP(r);
  }
  p->FileName = fileName;
  return p;
}

// A TCockpits record (19 values) with its ID.
inline std::vector<std::string> CockpitLine(const std::string& id, int lasers = 0) {
  std::vector<std::string> r(19, "0");
  r[0] = "cockpits\\c";
  r[8] = std::to_string(lasers);
  r[18] = id;
  return r;
}

// A generic type file of records given as lines of values.
inline std::string TypeText(int version, const std::vector<std::vector<std::string>>& records) {
  std::string s = std::to_string(version) + ";" + std::to_string(records.size()) + ";\r\n";
  for (const auto& r : records) {
    for (const auto& v : r) s += v + ";";
    s += "\r\n";
  }
  return s;
}

// A TShields record of 21 values: name id (field 6), power (7), strength (8), efficiency (10).
inline std::vector<std::string> ShieldLine(int nameId, int power, int strength, const std::string& efficiency,
                                           const std::string& id) {
  std::vector<std::string> r(21, "0");
  r[0] = "shields\\s";
  r[6] = std::to_string(nameId);
  r[7] = std::to_string(power);
  r[8] = std::to_string(strength);
  r[10] = efficiency;
  r[20] = id;
  return r;
}

// A laser or missile record of `size` values with a name id in field 6.
inline std::vector<std::string> WareLine(int size, int nameId, const std::string& id) {
  std::vector<std::string> r(static_cast<size_t>(size), "0");
  r[0] = "body";
  r[6] = std::to_string(nameId);
  r.back() = id;
  return r;
}

// Replaces the description store by pages of strings (language 44).
inline void LoadTexts(const std::vector<std::pair<int, std::vector<std::pair<int, std::string>>>>& pages) {
  Kz_TREDescServerUnload();
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n";
  for (const auto& [page, strings] : pages) {
    x += "<page id=\"" + std::to_string(page) + "\">\n";
    for (const auto& [id, text] : strings) x += "<t id=\"" + std::to_string(id) + "\">" + text + "</t>\n";
    x += "</page>\n";
  }
  x += "</language>\n";
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(x.data(), x.size()), 1);
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
}

class ShipPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTables();
    Kz_TREDescServerUnload();
    support.BuildLists();
  }
  void TearDown() override { Kz_TREDescServerUnload(); }
  shippage::ShipSupport support;
};

}  // namespace shiptest
