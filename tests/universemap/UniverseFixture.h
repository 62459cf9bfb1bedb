#pragma once
// Universe maps for the universe map tests: sectors carry their display name in a
// "name" attribute (read by the name hook), and text is measured 6 pixels per byte and
// 13 pixels per line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MapFixture.h"
#include "core/KzConst.h"
#include "galaxy/model/UniverseEditor.h"
#include "platform/ScriptedUi.h"

namespace unitest {

inline mdlUniverseMap::TextSize FakeMeasure(std::string_view text) {
  return {static_cast<int32_t>(text.size()) * 6, 13};
}

inline std::string NameAttr(const GalaxyObjectPtr& o) { return kz::CStr(o->NamedProperty("name")); }

// One `o` element of a sector; `inner` goes inside it.
inline std::string SectorXml(int x, int y, const std::string& name, const std::string& inner = {},
                             const std::string& extra = {}) {
  std::string s = "<o t=\"1\" s=\"0\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" name=\"" + name +
                  "\"" + extra;
  return inner.empty() ? s + "/>\n" : s + ">\n" + inner + "</o>\n";
}
inline std::string GateXml(int gx, int gy, int gtid = 0, const std::string& extra = {}) {
  return "<o t=\"18\" s=\"0\" gid=\"0\" gx=\"" + std::to_string(gx) + "\" gy=\"" + std::to_string(gy) + "\" gtid=\"" +
         std::to_string(gtid) + "\"" + extra + "/>\n";
}
inline std::string Universe(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe xmlns=\"KZUNIVERS.xsd\">\n" + body + "</universe>\n";
}

// A document, a universe editor over it and a scripted dialogs service that records
// every event raised.
struct UniverseTest : galtest::MapTest {
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();
  std::shared_ptr<platform::Ui> previousUi;
  clsUniverseEditor map;
  std::vector<std::string> events;  // "click:<name>", "created:<name>", ...
  int repaints = 0;

  void SetUp() override {
    previousUi = platform::Ui::SetInstance(ui);
    mdlKzConst::InitArrays();
    map.NameOf = NameAttr;
    map.SetMeasure(FakeMeasure);
    map.BoxSize = [] { return std::pair<double, double>(400, 300); };
    map.Repaint = [this] { ++repaints; };
    auto record = [this](const char* what) {
      return [this, what](const GalaxyObjectPtr& o) {
        std::string label = o->otype() == 18 ? "gate" + o->key() : NameAttr(o);
        events.push_back(std::string(what) + ":" + label);
      };
    };
    map.OnSectorClick = record("click");
    map.OnSectorCreated = record("created");
    map.OnSectorDeleted = record("deleted");
    map.OnSectorModified = record("modified");
    map.OnDisplaySector = record("display");
  }
  void TearDown() override { platform::Ui::SetInstance(previousUi); }

  void Open(const std::string& body) {
    Load(Universe(body));
    map.ShowUniverse(doc);
    events.clear();
  }
  int32_t IndexOf(const std::string& name) const {
    for (size_t i = 0; i < map.Layout.Records.size(); ++i)
      if (map.Layout.Records[i].name == name) return static_cast<int32_t>(i);
    return -1;
  }
  // The pixel centre of a grid place.
  std::pair<double, double> Centre(int col, int row) const {
    return {map.Layout.PixelX(col) + map.Layout.CellWidth / 2.0, map.Layout.PixelY(row) + map.Layout.CellHeight / 2.0};
  }
  void MoveTo(int col, int row) {
    auto [x, y] = Centre(col, row);
    map.MouseMove(x, y, false, false);
  }
};

}  // namespace unitest
