// The cockpit and turret parser: the input's parts (between NUL bytes) are a TCockpits
// file, a TShips file and a TLaser file. Cockpits, their compatible lasers, the ships'
// turrets and the cockpits they name are read and written as XML; a file that does not
// load says why, and the files saved and read again give the same cockpits, turrets
// and XML.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "ReaderInput.h"
#include "core/KzConst.h"
#include "core/XMLParser.h"
#include "txteditor/model/ShipFigures.h"
#include "typefiles/CockpitParser.h"
#include "typefiles/ShipParser.h"

namespace {

// Every reading of the cockpits and the ships' turrets, as one text (the XML included).
std::string Read(const clsTxtParser& cockpitFile, const clsTxtParser* shipFile, const clsTxtParser* laserFile) {
  std::string out;
  clsCockpitParser cockpits;
  if (!cockpits.Load(cockpitFile)) {
    if (cockpits.GetLastError().empty()) std::abort();
    return "refused";
  }
  if (cockpits.UnsortedCockpits.Count() > cockpitFile.Count()) std::abort();
  for (const CockpitPtr& c : cockpits.UnsortedCockpits) {
    for (int32_t i = 0; i < c->size(); ++i) {
      try {
        out += std::to_string(c->Value(i)) + ",";
      } catch (const std::exception&) {
        out += "x,";
      }
    }
    try {
      const uint32_t mask = static_cast<uint32_t>(c->CompatibleLasers());
      out += "mask " + std::to_string(mask);
      if (laserFile)
        for (int32_t bit = 0; bit < 32 && bit < laserFile->Count(); ++bit)
          if (mask & (1u << bit)) c->Lasers.Add(laserFile->FindIndex(bit));
    } catch (const std::exception&) {
      out += "no mask";
    }
    out += "\n";
  }
  clsXMLParser xml;
  if (!xml.CreateDocument("fuzz", "")) std::abort();
  if (!cockpits.ToXML(xml) && cockpits.GetLastError().empty()) std::abort();
  if (!shipFile) return out + xml.GetXML();

  clsShipParser ships;
  if (!ships.Load(*shipFile)) {
    if (ships.GetLastError().empty()) std::abort();
    return out + xml.GetXML() + "ships refused";
  }
  for (const ShipPtr& ship : ships.UnsortedShips) {
    for (const TurretPtr& t : ship->Turrets) {
      try {
        out += std::to_string(t->index()) + " " + t->PositionName() + " " + std::to_string(t->HasDescriptor());
        if (t->IsTurret() && t->HasDescriptor()) t->Cockpit = cockpits.FindIndex(t->DescriptorValue(0));
        for (const std::string& cell : shippage::TurretCells(*t)) out += "|" + cell;
      } catch (const std::exception&) {
        out += "turret refused";
      }
      out += "\n";
    }
    for (const auto& row : shippage::CockpitRows(*ship, cockpits)) out += row[0] + "|" + row[1] + "|" + row[2] + "\n";
    if (!ship->Validate() && ship->GetLastError().empty()) std::abort();
  }
  xml.SelectRoot();
  if (!ships.ToXML(xml) && ships.GetLastError().empty()) std::abort();
  return out + xml.GetXML();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mdlKzConst::InitArrays();
  const auto parts = fuzzinput::Parts(data, size, 3);
  TxtParserPtr cockpitFile = fuzzinput::Parse(parts[0], mdlKzConst::kTCockpits);
  if (!cockpitFile) return 0;
  TxtParserPtr shipFile = parts.size() > 1 ? fuzzinput::Parse(parts[1], mdlKzConst::kTShips) : nullptr;
  TxtParserPtr laserFile = parts.size() > 2 ? fuzzinput::Parse(parts[2], mdlKzConst::kTLaser) : nullptr;
  const std::string first = Read(*cockpitFile, shipFile.get(), laserFile.get());

  // Saved and read again, the files read the same.
  TxtParserPtr cockpitsAgain = fuzzinput::SavedAndReloaded(*cockpitFile, mdlKzConst::kTCockpits);
  if (!cockpitsAgain) return 0;
  TxtParserPtr shipsAgain = shipFile ? fuzzinput::SavedAndReloaded(*shipFile, mdlKzConst::kTShips) : nullptr;
  if (shipFile && !shipsAgain) return 0;
  TxtParserPtr lasersAgain = laserFile ? fuzzinput::SavedAndReloaded(*laserFile, mdlKzConst::kTLaser) : nullptr;
  if (laserFile && !lasersAgain) return 0;
  if (Read(*cockpitsAgain, shipsAgain.get(), lasersAgain.get()) != first) std::abort();
  return 0;
}
