#pragma once
// The field rules of the ship page: which TShips fields are translated and how (display
// text and its inverse), their value types, units, captions and pick lists, the name
// lists they use, and the names and texts of a ship record (display name, race,
// class, description).
//
// Everything here is plain model code: the page (txteditor/Ship.h) answers the editor
// page members through these functions. The supporting files (lasers, shields,
// missiles, cockpits) and the three name lists are held in a ShipSupport, which the
// page fills once from the archive and the description server.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/NameTable.h"
#include "core/Variant.h"
#include "typefiles/CockpitParser.h"
#include "typefiles/Ship.h"
#include "typefiles/TXTObject.h"
#include "typefiles/TxtParser.h"

class clsArchive;

namespace shippage {

// Text pages the ship page reads.
inline constexpr int32_t kPageRaces = 1266;
inline constexpr int32_t kPageShipTypes = 2006;
// Fields with rules of their own.
inline constexpr int32_t kFieldClass = 5;
inline constexpr int32_t kFieldDescription = 6;
inline constexpr int32_t kFieldSpeed = 7;
inline constexpr int32_t kFieldAcceleration = 8;
inline constexpr int32_t kFieldReactor = 13;
inline constexpr int32_t kFieldLasers = 18;
inline constexpr int32_t kFieldGunCount = 19;
inline constexpr int32_t kFieldWeaponEnergy = 20;
inline constexpr int32_t kFieldWeaponRecharge = 21;
inline constexpr int32_t kFieldShieldType = 22;
inline constexpr int32_t kFieldShieldCount = 23;
inline constexpr int32_t kFieldMissiles = 24;
inline constexpr int32_t kFieldEngineTuning = 26;
inline constexpr int32_t kFieldCargoMin = 28;
inline constexpr int32_t kFieldCargoMax = 29;
inline constexpr int32_t kFieldWareList = 30;
inline constexpr int32_t kFieldCargoType = 44;
inline constexpr int32_t kFieldRace = 45;
inline constexpr int32_t kFieldVariation = 50;
inline constexpr int32_t kFieldShipType = 52;
inline constexpr int32_t kFieldTurretCount = 53;

// The files and lists the ship page reads besides the ship file itself. Every
// collection exists (an empty one stands for a file the archive cannot give).
struct ShipSupport {
  TxtParserPtr Lasers = std::make_shared<clsTxtParser>();
  TxtParserPtr Shields = std::make_shared<clsTxtParser>();
  TxtParserPtr Missiles = std::make_shared<clsTxtParser>();
  std::shared_ptr<clsCockpitParser> Cockpits = std::make_shared<clsCockpitParser>();
  kz::NameTable ClassList;      // 0..13
  kz::NameTable RaceList;       // 1..19
  kz::NameTable CargoSizeList;  // 0..5

  // Takes "TMissiles", "TShields", "TLaser" and "TCockpits" from the archive (when one
  // is given and has them) and builds the three name lists.
  void Load(clsArchive* archive);
  // Builds the three name lists only.
  void BuildLists();
};

// ---- Value translation -------------------------------------------------------------

// 0 no translation, 1 a number shown with a unit, 2 a value chosen from a list. The
// cargo size rule of the tail field size-6 wins over every other.
int32_t SupportValueTranslate(const clsTXTObject& record, int32_t index);
// 2 text for 0, 16, 17; 1 number with fraction for 2, 3, 4, 21; 0 whole number else.
int32_t ValueType(int32_t index);
// The unit the value dialog shows ("rotations/min", "m/s", "MW", "J", "J/s" or "").
std::string ValueUnit(int32_t index);
// The pick list of a field (empty for a field without one).
kz::NameTable PropertyValues(const clsTXTObject& record, int32_t index, const ShipSupport& support);
// The display text of a stored value; the unit part only when noUnit is false. False
// (text unchanged) for a field without translation or a value that cannot be shown.
bool TranslateValue(const clsTXTObject& record, int32_t index, std::string& text, bool noUnit,
                    const ShipSupport& support);
// The stored value of a display text. False (value unchanged) when the text is not
// valid for the field: not a number, out of the 32-bit range, a field 20 of 0 for the
// recharge rate. A pick-list text that is not in its list is taken only as a whole
// number code; field 13 takes only a whole number. No text is ever stored in a number
// field through these rules.
bool TranslateValueBack(const clsTXTObject& record, const std::string& text, int32_t index, kz::Variant& value,
                        const ShipSupport& support);
// The value of entry `entry` (its index in PropertyValues) of a pick list, whose text
// is `text`: every ship pick list stores the entry's position, so of two entries of
// one text the chosen one counts. Other fields: TranslateValueBack of the text.
bool TranslateEntryBack(const clsTXTObject& record, int32_t index, int32_t entry, const std::string& text,
                        kz::Variant& value, const ShipSupport& support);

// The caption of a field: the ship label, else the common or tail caption, else "Gun
// groups count" for the gun group count field of `ship` (when given), else "".
std::string PropertyName(const clsTXTObject& record, int32_t index, const clsShip* ship);

// ---- Name lists and names ------------------------------------------------------------

kz::NameTable BuildClassList();
kz::NameTable BuildRaceList();
kz::NameTable BuildCargoSizeList();
// The race name of a stored value: page 1266, else the built-in name ("N/A" outside).
std::string RaceName(const kz::Variant& value);
// Class name of a stored value (GetShipClassName).
std::string ClassName(const kz::Variant& value);
// One entry per TShields record (object name, else the built-in shield name); a copy
// of the built-in names when the collection is empty.
kz::NameTable ShieldList(const clsTxtParser& shields);
kz::NameTable MissileList(const clsTxtParser& missiles);
// The shield name of a ship's field 22 value: the object name of the TShields record
// at that file position (its ID when it has none), else the built-in shield name.
std::string ShieldTypeText(const clsTxtParser& shields, const kz::Variant& value);

// Object name text of page 17 for a field value (handle text, "" when none).
std::string ObjectNameText(const kz::Variant& id);
// Page 17 texts, each looked up once (for passes over many records).
class ObjectNameMemo {
 public:
  // The text of page 17, id; null when the store has no such string.
  const std::string* Find(int32_t id);

 private:
  std::unordered_map<int32_t, std::optional<std::string>> texts_;
};
// The ship's name: page 17 text of field 6 (or its ID), followed by the variation name
// (page 17, 10000 + field 50) when the record has a field 50 greater than 0. "" for a
// record of 6 values or fewer.
std::string ShipDisplayName(const clsTXTObject& record, ObjectNameMemo* memo = nullptr);
// "Ship type: ..." (field 52) and "Description: ..." (page 17, field 6 + 1), CR LF
// between.
std::string ShipDescription(const clsTXTObject& record);
// "Ships v." + version for type 1, else "".
std::string ObjectTypeName(int32_t type, int32_t version);

// A stored value as a number; false for a text that is no number or not finite.
bool NumberOf(const kz::Variant& v, double& d);
// A stored value as a whole number, as CLng takes it; false when it is none or out of range.
bool WholeOf(const kz::Variant& v, int32_t& n);

// Fixed-point text of a number with `decimals` decimals and at least `minInt` digits
// before the point; halves go away from zero (on the number's 15-digit decimal form).
std::string FormatFixed(double value, int decimals, int minInt = 1);

}  // namespace shippage
