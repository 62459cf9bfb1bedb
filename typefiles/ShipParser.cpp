#include "typefiles/ShipParser.h"

#include "core/XMLParser.h"

bool clsShipParser::Load(const clsTxtParser& parser) {
  Ships = {};
  UnsortedShips = {};
  FileName.clear();
  lineRecords_ = parser.LineRecords();
  for (const auto& record : parser.objects) {
    auto ship = std::make_shared<clsShip>(record);
    Ships.Add(ship, record->key());
    if (!ship->LoadObjects() && !LineRecordOf(record->id)) {
      lastError_ = "Error loading ship objects (ship idx=" + std::to_string(record->index) +
                   "): " + ship->GetLastError();
      return false;
    }
  }
  FileName = parser.FileName;
  for (const auto& record : parser.UnsortedObjects)
    if (ShipPtr ship = Find(record->id)) UnsortedShips.Add(ship, record->key());
  return true;
}

const clsTxtParser::LineRecord* clsShipParser::LineRecordOf(int32_t id) const {
  for (const auto& r : lineRecords_)
    if (r.id == id) return &r;
  return nullptr;
}

ShipPtr clsShipParser::Find(int32_t id) const {
  const ShipPtr* ship = Ships.Find(std::to_string(id) + "k");
  return ship ? *ship : nullptr;
}

ShipPtr clsShipParser::CreateShip(const TXTObjectPtr& record) {
  auto ship = std::make_shared<clsShip>(record);
  const std::string key = ship->key();
  Ships.Add(ship, key);
  try {
    UnsortedShips.Add(ship, key);
  } catch (...) {
    Ships.Remove(Ships.Count());
    throw;
  }
  return ship;
}

bool clsShipParser::ToXML(clsXMLParser& xml) {
  if (!xml.CreateNode("TShips")) {
    lastError_ = "Cannot create element TShips.";
    return false;
  }
  bool ok = true;
  for (const auto& ship : UnsortedShips) {
    if (!ship->ToXML(xml) && ok) {
      lastError_ = ship->GetLastError();
      ok = false;
    }
  }
  return ok;
}
