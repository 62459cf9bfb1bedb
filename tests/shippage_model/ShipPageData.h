#pragma once
// Ship records, supporting type files and text resources for the ship page's rule tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/KzConst.h"
#include "core/Variant.h"
#include "tests/common/ShipTestData.h"
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

// The values of a consistent ship (see kztest::ConsistentShipValues) whose other fields
// hold 0, the body "ships\\body" in field 0; the real turrets stand on sides 0, 1, 2, ...
inline std::vector<Variant> ShipValues(int turrets, const std::vector<std::vector<int>>& groups,
                                       const std::string& id = "SS_SH_TEST") {
  static const kztest::ShipLook look = [] {
    kztest::ShipLook l{std::vector<Variant>(53, Variant(int32_t(0))), "turret_", [](int t) { return t - 1; }, 1};
    l.head[0] = Variant("ships\\body");
    return l;
  }();
  return kztest::ConsistentShipValues(look, turrets, groups, id);
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
