#pragma once
// clsShipParser: the ships of a loaded TShips file, one clsShip per record.
// Ships lists them in the record collection's name order, UnsortedShips in file
// order; both are keyed by the records' keys and hold the same objects.
#include <cstdint>
#include <string>
#include <vector>

#include "core/Collection.h"
#include "typefiles/Ship.h"
#include "typefiles/TxtParser.h"

class clsXMLParser;

class clsShipParser : public kz::Object {
 public:
  kz::Collection<ShipPtr> Ships;          // name order at load time
  kz::Collection<ShipPtr> UnsortedShips;  // file order
  std::string FileName;                   // the record collection's path

  // Wraps every record of `parser`. Stops at the first ship whose objects cannot be
  // built: False with "Error loading ship objects (ship idx=<file position>): <reason>".
  // A ship the parser read as its line (its counts do not add up to it) is kept without
  // the objects it cannot give, so that its record can be mended.
  bool Load(const clsTxtParser& parser);
  const std::string& GetLastError() const noexcept { return lastError_; }
  // The note of the last Load's parser on the ship of the record with that key number,
  // when it was read as its line; null otherwise.
  const clsTxtParser::LineRecord* LineRecordOf(int32_t id) const;
  // The ship of the record with that key number; null when none.
  ShipPtr Find(int32_t id) const;
  // Wraps a record just made by the record collection and appends it to both lists.
  ShipPtr CreateShip(const TXTObjectPtr& record);
  // Appends a "TShips" element holding every ship (file order) under the cursor's
  // current node; the cursor stays on "TShips". False when an element could not be
  // written (every ship is still tried; the first failure's text in GetLastError).
  bool ToXML(clsXMLParser& xml);

 private:
  std::string lastError_;
  std::vector<clsTxtParser::LineRecord> lineRecords_;
};
