#pragma once
// What the ship page shows and decides besides the field rules: the rows of its property
// lists and of the turret, cockpit, gun group and gun lists, the toolbar of each tab,
// the "Max recharge time" figure, the validation report, the laser and missile masks,
// the cargo rule, the messages of its editing operations and the layout of its tabs
// (in twips).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "txteditor/model/ShipValues.h"
#include "typefiles/CockpitParser.h"
#include "typefiles/Gun.h"
#include "typefiles/GunGroup.h"
#include "typefiles/Ship.h"
#include "typefiles/ShipParser.h"
#include "typefiles/Turret.h"

namespace shippage {

// ---- Property lists ------------------------------------------------------------------

// Fields of the info, performance, model and weapons lists, in their order. The info
// list starts with a row for the ID and ends with the nine tail fields size-10 ..
// size-2; the weapons list has the gun group count row between its two parts.
inline constexpr std::array<int32_t, 9> kInfoFields = {5, 45, 44, 28, 29, 43, 50, 6, 52};
inline constexpr std::array<int32_t, 11> kPerformanceFields = {2, 3, 4, 7, 8, 51, 26, 27, 13, 46, 10};
inline constexpr std::array<int32_t, 12> kModelFields = {16, 17, 11, 12, 9, 14, 15, 47, 48, 49, 1, 0};
inline constexpr std::array<int32_t, 7> kWeaponFields = {22, 23, 20, 21, 25, 19, 53};
inline constexpr std::array<int32_t, 2> kWeaponMaskFields = {18, 24};

// One row of a property list: caption, Value column, [offset] column and the tag
// ("name" for the ID, the field index, or "" for a row that is not edited).
struct FieldRow {
  std::string caption;
  std::string value;
  std::string offset;
  std::string tag;
};
// The row of a field: its caption, the stored value (a double as "0.0000"), with the
// translated text in front when the field has one ("5.000 m/s (2500)").
FieldRow MakeFieldRow(const clsTXTObject& record, int32_t index, const clsShip* ship, const ShipSupport& support);
// The stored value as the list shows it.
std::string StoredText(const kz::Variant& v);
// The rows of the four lists (empty for a ship without values).
std::vector<FieldRow> InfoRows(const clsShip& ship, const ShipSupport& support);
std::vector<FieldRow> PerformanceRows(const clsShip& ship, const ShipSupport& support);
std::vector<FieldRow> ModelRows(const clsShip& ship, const ShipSupport& support);
std::vector<FieldRow> WeaponRows(const clsShip& ship, const ShipSupport& support);

// ---- Turrets, cockpits, gun groups, guns ---------------------------------------------

// "Turrets descriptor: " followed by the values of fields 31 .. 42, each with ";".
std::string TurretDescriptorLine(const clsTXTObject& record);
// The 7 sub-items of a turret row: offset, index, turret index, body ID, path index,
// type and position (the last two only for real turrets; empty when the turret's
// descriptor cannot be read).
std::vector<std::string> TurretCells(const clsTurret& turret);
// One cockpit row per turret entry 2 .. TurretCount: number, cockpit index, cockpit name.
std::vector<std::array<std::string, 3>> CockpitRows(const clsShip& ship, const clsCockpitParser& cockpits);
// The 5 sub-items of a gun group row: offset, the four header values, its turret's position name.
std::vector<std::string> GunGroupCells(const clsGunGroup& group);
// The sub-items of a gun row: values 1..5 (user view) or the offset and values 0..5.
std::vector<std::string> GunCells(const clsGun& gun, bool userView);
// Column headers and widths (twips) of the gun list.
std::vector<std::pair<std::string, int32_t>> GunColumns(bool userView);

// ---- Toolbar --------------------------------------------------------------------------

struct ToolButton {
  std::string key, caption, tip;
  int32_t image = 0;
  bool enabled = true;
};
// The buttons of a tab: the three model buttons on tabs 0-3, the turret buttons on tab
// 4, the gun buttons on tab 5 (enabled only when not read-only and a record is shown).
std::vector<ToolButton> ToolbarButtons(int32_t tab, bool readOnly, bool recordShown);

// ---- Figures -------------------------------------------------------------------------

// "<count> x <shield name> = <seconds> s": the time to charge all shields of the ship.
// Empty when there is no shield record at field 22's position, or the figure cannot be
// made (efficiency or reactor 0, a power of 0 or less, a negative reactor output, a
// total that is not finite or beyond 32 bits).
std::string MaxRechargeTime(const clsTXTObject& ship, const clsTxtParser& shields);

// The report of every ship whose data is damaged; false when there is one (the report
// then starts with the file's header), true with the report unchanged otherwise.
bool ValidationReport(const clsShipParser& ships, std::string& report);

// ---- Laser and missile masks -----------------------------------------------------------

// A mask field as 32 bits: a whole number 2147483648 .. 4294967295 (older files) is
// taken bit for bit; false for a value that is no 32-bit mask.
bool ReadMask(const kz::Variant& value, int32_t& mask);
// One row of the laser or missile lists.
struct MaskRow {
  int32_t position = 0;  // file position (the bit)
  std::string key;       // the record's key
  std::string name;      // display name
  bool installed = false;
};
// The records at positions 0 .. 31 of the collection, each marked by its bit.
std::vector<MaskRow> MaskRows(const clsTxtParser& records, int32_t mask);
// The display name of a laser or missile record: page 17 text of field 6, or its ID.
std::string MaskRecordName(const clsTXTObject& record);
// Sets or clears the bit of a record's position in the ship's mask field; the value
// stored is the signed 32-bit mask. False when the field holds no mask or the position
// lies outside 0 .. 31.
bool ChangeMask(clsTXTObject& ship, int32_t field, int32_t position, bool set);

// ---- Editing ---------------------------------------------------------------------------

// Fields whose edit is warned about (they are kept by the editor itself).
bool IsCountField(const clsShip& ship, int32_t index);
inline constexpr const char* kCountFieldWarning =
    "Warning:\r\nManually modifying this value can corrupt ship data.\r\nThis value is altered automatically by "
    "the editor.\r\n\r\nDo you really want to modify it?";
// After an edit of field 28 or 29: keeps field 28 at or below field 29 and returns the
// message to show ("" when nothing changed).
std::string ApplyCargoRule(clsTXTObject& record, int32_t index);
inline constexpr const char* kNoTurretsMessage =
    "There are no turrets on this ship. You must first create a turret with Add Turret button.";
inline constexpr const char* kLastTurretOnly = "You can only delete the last turret in the list.";
inline constexpr const char* kLastGunOnly = "You can only delete the last gun in the list.";
std::string MaxTurretsMessage();
std::string RemoveTurretQuestion(const clsTurret& turret);
std::string RemoveGunQuestion(const clsGun& gun);

// ---- Layout (twips) ---------------------------------------------------------------------

struct Box {
  int32_t left = 0, top = 0, width = 0, height = 0;
  int32_t right() const { return left + width; }
  int32_t bottom() const { return top + height; }
};
// Tab 0: the info list and the description box below it.
void ArrangeInfoTab(int32_t tabWidth, int32_t tabHeight, Box& info, Box& desc);
// Tabs 1, 2, 3 and 8: the tab's one control fills it.
void ArrangeSingle(int32_t tabWidth, int32_t tabHeight, Box& control);
// Tab 4: turret list, label and cockpit list.
void ArrangeTurretTab(int32_t tabWidth, int32_t tabHeight, int32_t headerHeight, Box& turrets, Box& label,
                      Box& cockpits);
// Tab 5: gun group list, label, the two view options and the gun list.
void ArrangeGunTab(int32_t tabWidth, int32_t tabHeight, int32_t headerHeight, int32_t pageWidth, Box& groups,
                   Box& gunsLabel, Box& userOption, Box& debugOption, Box& guns);
// Tabs 6 and 7: installed list, the two buttons, available list and its label.
void ArrangeMaskTab(int32_t tabWidth, int32_t tabHeight, Box& installed, Box& addButton, Box& removeButton,
                    Box& available, Box& availableLabel);

}  // namespace shippage
