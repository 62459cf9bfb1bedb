#include "txteditor/model/ShipFigures.h"

#include <cmath>
#include <cstdlib>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "txteditor/model/TurretRules.h"
#include "typefiles/ShipTables.h"

namespace shippage {

namespace {

constexpr const char* kCrLf = "\r\n";

// A value read through a part of the ship model, as text; "" when it cannot be read.
template <class F>
std::string Cell(F&& read) {
  try {
    return StoredText(read());
  } catch (const std::exception&) {
    return "";
  }
}

template <class F>
std::string CountText(F&& read) {
  try {
    return std::to_string(read());
  } catch (const std::exception&) {
    return "?";
  }
}

void AddFields(std::vector<FieldRow>& rows, const clsShip& ship, const int32_t* first, size_t n,
               const ShipSupport& support) {
  for (size_t i = 0; i < n; ++i)
    if (first[i] >= 0 && first[i] < ship.size())
      rows.push_back(MakeFieldRow(*ship.Object, first[i], &ship, support));
}

std::string Caption(int32_t field) {
  if (kz::TShipsFieldLabels.Empty()) kz::InitShipTables();
  return kz::LookupNameRaw(kz::TShipsFieldLabels, field);
}

}  // namespace

// ---- Property lists ----------------------------------------------------------------------

std::string StoredText(const kz::Variant& v) {
  if (v.Kind() == kz::VariantKind::Double) return FormatFixed(v.AsDouble(), 4);
  return kz::CStr(v);
}

FieldRow MakeFieldRow(const clsTXTObject& record, int32_t index, const clsShip* ship, const ShipSupport& support) {
  FieldRow row;
  row.caption = PropertyName(record, index, ship);
  const std::string stored = StoredText(record.Value(index));
  std::string t;
  row.value = TranslateValue(record, index, t, false, support) ? t + " (" + stored + ")" : stored;
  row.offset = std::to_string(index);
  row.tag = row.offset;
  return row;
}

std::vector<FieldRow> InfoRows(const clsShip& ship, const ShipSupport& support) {
  std::vector<FieldRow> rows;
  const int32_t n = ship.size();
  if (n == 0) return rows;
  rows.push_back({"ID", ship.Object->ObjectName(), "", "name"});
  AddFields(rows, ship, kInfoFields.data(), kInfoFields.size(), support);
  for (int32_t i = n - 10; i <= n - 2; ++i)
    if (i >= 0) rows.push_back(MakeFieldRow(*ship.Object, i, &ship, support));
  return rows;
}

std::vector<FieldRow> PerformanceRows(const clsShip& ship, const ShipSupport& support) {
  std::vector<FieldRow> rows;
  if (ship.size() == 0) return rows;
  AddFields(rows, ship, kPerformanceFields.data(), kPerformanceFields.size(), support);
  rows.push_back({"Max recharge time", MaxRechargeTime(*ship.Object, *support.Shields), "", ""});
  return rows;
}

std::vector<FieldRow> ModelRows(const clsShip& ship, const ShipSupport& support) {
  std::vector<FieldRow> rows;
  if (ship.size() == 0) return rows;
  AddFields(rows, ship, kModelFields.data(), kModelFields.size(), support);
  return rows;
}

std::vector<FieldRow> WeaponRows(const clsShip& ship, const ShipSupport& support) {
  std::vector<FieldRow> rows;
  if (ship.size() == 0) return rows;
  AddFields(rows, ship, kWeaponFields.data(), kWeaponFields.size(), support);
  std::string offset = CountText([&] { return ship.GGCountOffset(); });
  rows.push_back({"Gun group count", CountText([&] { return ship.GunSectionsCount(); }), offset,
                  offset == "?" ? std::string() : offset});
  AddFields(rows, ship, kWeaponMaskFields.data(), kWeaponMaskFields.size(), support);
  return rows;
}

// ---- Turrets, cockpits, gun groups, guns -----------------------------------------------

std::string TurretDescriptorLine(const clsTXTObject& record) {
  std::string line = "Turrets descriptor: ";
  if (record.size() > 31)
    for (int32_t i = 31; i <= 42 && i < record.size(); ++i) line += kz::CStr(record.Value(i)) + ";";
  return line;
}

std::vector<std::string> TurretCells(const clsTurret& turret) {
  std::vector<std::string> cells;
  cells.push_back(std::to_string(turret.offset));
  for (int32_t i = 0; i < 4; ++i) cells.push_back(Cell([&] { return turret.Value(i); }));
  bool real = false;
  try {
    real = turret.IsTurret();
  } catch (const std::exception&) {
  }
  if (real) {
    // A turret numbered outside 2..7 has no descriptor: its cells stay empty.
    try {
      cells.push_back(std::to_string(turret.DescriptorValue(0)));
    } catch (const std::exception&) {
      cells.push_back("");
    }
    try {
      std::string name;
      const int32_t position = turret.DescriptorValue(1);
      cells.push_back(turret.TranslateDescValue(1, name) ? name + " (" + std::to_string(position) + ")"
                                                          : std::to_string(position));
    } catch (const std::exception&) {
      cells.push_back("");
    }
  }
  return cells;
}

std::vector<std::array<std::string, 3>> CockpitRows(const clsShip& ship, const clsCockpitParser& cockpits) {
  std::vector<std::array<std::string, 3>> rows;
  int32_t count = 0;
  try {
    count = ship.TurretCount();
  } catch (const std::exception&) {
    return rows;
  }
  for (int32_t k = 2; k <= count && k <= clsShip::kMaxTurretEntries; ++k) {
    const int32_t field = 31 + 2 * (k - 2);
    if (field >= ship.size()) break;
    const kz::Variant type = ship.Value(field);
    std::string name = "[cockpit not found]";
    int32_t n = 0;
    if (WholeOf(type, n))
      if (CockpitPtr c = cockpits.FindIndex(n)) name = c->Object->ObjectName();
    rows.push_back({std::to_string(k), kz::CStr(type), name});
  }
  return rows;
}

std::vector<std::string> GunGroupCells(const clsGunGroup& group) {
  std::vector<std::string> cells;
  cells.push_back(std::to_string(group.offset));
  for (int32_t i = 0; i < 4; ++i) cells.push_back(CountText([&] { return group.Value(i); }));
  try {
    if (auto turret = group.turret()) cells.push_back(turret->PositionName());
  } catch (const std::exception&) {
  }
  return cells;
}

std::vector<std::string> GunCells(const clsGun& gun, bool userView) {
  std::vector<std::string> cells;
  if (!userView) cells.push_back(std::to_string(gun.offset));
  for (int32_t i = userView ? 1 : 0; i < 6; ++i) cells.push_back(Cell([&] { return gun.Value(i); }));
  return cells;
}

std::vector<std::pair<std::string, int32_t>> GunColumns(bool userView) {
  if (userView)
    return {{"#", 300}, {"Count", 600}, {"Body ID (1)", 2900}, {"P Idx", 600}, {"Body ID (2)", 2900}, {"P Idx", 600}};
  return {{"#", 300},        {"[offset]", 700}, {"Gun Index", 1000},   {"Gun Count", 1000},
          {"Body ID", 1400}, {"Path Idx", 800}, {"Body ID (2)", 1400}, {"Path Idx (2)", 1000}};
}

// ---- Toolbar -----------------------------------------------------------------------------

std::vector<ToolButton> ToolbarButtons(int32_t tab, bool readOnly, bool recordShown) {
  const bool editable = !readOnly && recordShown;
  if (tab >= 0 && tab <= 3)
    return {{"showbody", "Body", "Show Body", 5, true},
            {"showmodel", "Model", "Show Model", 5, true},
            {"showcockpit", "Cockpit", "Show Cockpit", 5, true}};
  if (tab == 4) return {{"newturret", "Add Turret", "", 3, editable}, {"delturret", "Remove Turret", "", 4, editable}};
  if (tab == 5) return {{"newgun", "Add Gun", "", 1, editable}, {"delgun", "Remove Gun", "", 2, editable}};
  return {};
}

// ---- Figures -------------------------------------------------------------------------------

std::string MaxRechargeTime(const clsTXTObject& ship, const clsTxtParser& shields) {
  if (ship.size() <= kFieldShieldCount) return "";
  int32_t count = 0, shieldPos = 0, reactor = 0;
  if (!WholeOf(ship.Value(kFieldShieldCount), count) || !WholeOf(ship.Value(kFieldShieldType), shieldPos)) return "";
  TXTObjectPtr shield = shields.FindIndex(shieldPos);
  if (!shield || shield->size() <= 10) return "";
  int32_t fullStrength = 0, power = 0;
  double efficiency = 0;
  if (!WholeOf(shield->Value(8), fullStrength) || !WholeOf(shield->Value(7), power) ||
      !NumberOf(shield->Value(10), efficiency) || !WholeOf(ship.Value(kFieldReactor), reactor))
    return "";
  if (efficiency == 0 || reactor == 0) return "";
  // A power of 0 or less, or a negative reactor output, gives no figure (the rounds
  // would never end).
  if (power <= 0 || reactor < 0) return "";

  int64_t k = reactor / power;
  if (k == 0) k = 1;
  if (k > count) k = count;
  int64_t used = k * int64_t(power);
  if (used > reactor) used = reactor;
  const int64_t spare = int64_t(reactor) - used;

  // One round: the time to charge k shields of the given strength; the next round's
  // strength follows from this round's time alone, so a strength seen two rounds ago
  // repeats for ever (the strength map is decreasing: cycles are at most two long).
  struct Round {
    double seconds = 0;   // RoundUp of the round's time
    int32_t next = 0;     // the strength of the next round
  };
  auto round = [&](int32_t strength, Round& r) {
    const double t = (double(k) * strength) / (double(used) * efficiency);
    if (!std::isfinite(t) || std::fabs(t) > 2147483647.0) return false;
    r.next = fullStrength;
    if (spare > 0) {
      const double reduced = double(fullStrength) - double(spare) * efficiency * t;
      r.next = (std::isfinite(reduced) && std::fabs(reduced) < 2147483647.5) ? kz::round32(reduced) : 0;
    }
    r.seconds = kz::RoundUp(t);
    return true;
  };

  int64_t remaining = count;
  double total = 0;
  int32_t strength = fullStrength;
  int32_t previous[2] = {0, 0};
  double previousSeconds[2] = {0, 0};
  int64_t rounds = 0;
  while (remaining > 0) {
    if (k <= 0) return "";
    Round r;
    if (!round(strength, r)) return "";
    // A strength seen one or two rounds back: the same rounds repeat until the end.
    if (rounds >= 2 && (strength == previous[1] || strength == previous[0])) {
      const int64_t left = (remaining + k - 1) / k;  // rounds still to run, this one included
      if (strength == previous[1]) {
        total += double(left) * r.seconds;  // fixed point
      } else {
        // Two strengths in turn: this round's, the next one's, this round's, ...
        const double other = previousSeconds[1];
        total += double((left + 1) / 2) * r.seconds + double(left / 2) * other;
      }
      remaining = 0;
      break;
    }
    total += r.seconds;
    if (std::fabs(total) > 2147483647.0) return "";
    previous[0] = previous[1];
    previousSeconds[0] = previousSeconds[1];
    previous[1] = strength;
    previousSeconds[1] = r.seconds;
    strength = r.next;
    remaining -= k;
    ++rounds;
  }
  if (!std::isfinite(total) || std::fabs(total) > 2147483647.0) return "";
  return std::to_string(count) + " x " + ShieldTypeText(shields, ship.Value(kFieldShieldType)) + " = " +
         std::to_string(static_cast<int64_t>(std::llround(total))) + " s";
}

bool ValidationReport(const clsShipParser& ships, std::string& report) {
  std::string body;
  for (const ShipPtr& ship : ships.Ships) {
    // A ship read as its line (its counts do not add up to it) is named with its line.
    const clsTxtParser::LineRecord* read = ships.LineRecordOf(ship->Object->id);
    const bool valid = ship->Validate();
    if (valid && !read) continue;
    body += "Ship index " + std::to_string(ship->Object->index) + ", name \"" + ship->Object->ObjectName() + "\":" + kCrLf;
    if (read)
      body += "Line " + std::to_string(read->line) + " of the file is kept as it stands: " + read->what + "." + kCrLf;
    if (!valid) body += ship->GetLastError() + kCrLf;
    body += "Section numbers in file: turrets: " +
            CountText([&] { return ship->TurretCount(); }) +
            ", gun groups: " + CountText([&] { return ship->GunSectionsCount(); }) +
            ", guns: " + CountText([&] { return ship->GunCount(); }) + "." + kCrLf + kCrLf;
  }
  if (body.empty()) return true;
  report += "Data in file " + ships.FileName + " are probably corrupted." + kCrLf + kCrLf + body;
  return false;
}

// ---- Laser and missile masks -----------------------------------------------------------------

bool ReadMask(const kz::Variant& value, int32_t& mask) {
  double d = 0;
  if (!NumberOf(value, d)) return false;
  if (d == std::floor(d) && d >= 2147483648.0 && d <= 4294967295.0) {
    mask = static_cast<int32_t>(static_cast<uint32_t>(d));
    return true;
  }
  return WholeOf(value, mask);
}

std::string MaskRecordName(const clsTXTObject& record) {
  std::string name = record.size() > kFieldDescription ? ObjectNameText(record.Value(kFieldDescription)) : "";
  return name.empty() ? record.ObjectName() : name;
}

std::vector<MaskRow> MaskRows(const clsTxtParser& records, int32_t mask) {
  std::vector<MaskRow> rows;
  for (int32_t i = 0; i < 32; ++i) {
    TXTObjectPtr r = records.FindIndex(i);
    if (!r) break;
    rows.push_back({i, r->key(), MaskRecordName(*r), kz::GetBit(mask, i)});
  }
  return rows;
}

bool ChangeMask(clsTXTObject& ship, int32_t field, int32_t position, bool set) {
  if (position < 0 || position > 31 || field >= ship.size()) return false;
  int32_t mask = 0;
  if (!ReadMask(ship.Value(field), mask)) return false;
  mask = set ? kz::SetBit(mask, position) : kz::ClearBit(mask, position);
  // Stored in the form it was read: an unsigned mask stays unsigned.
  ship.SetValue(field, mdlTurret::StoredMask(mask, ship.Value(field)));
  return true;
}

// ---- Editing -----------------------------------------------------------------------------

bool IsCountField(const clsShip& ship, int32_t index) {
  if (index == kFieldTurretCount || index == kFieldGunCount) return true;
  try {
    return index == ship.GGCountOffset();
  } catch (const std::exception&) {
    return false;
  }
}

std::string ApplyCargoRule(clsTXTObject& record, int32_t index) {
  if ((index != kFieldCargoMin && index != kFieldCargoMax) || record.size() <= kFieldCargoMax) return "";
  double lo = 0, hi = 0;
  if (!NumberOf(record.Value(kFieldCargoMin), lo) || !NumberOf(record.Value(kFieldCargoMax), hi)) return "";
  if (lo <= hi) return "";
  const int32_t changed = index == kFieldCargoMax ? kFieldCargoMin : kFieldCargoMax;
  record.SetValue(changed, record.Value(index));
  return "\"" + Caption(changed) + "\" was modified to be equal to new \"" + Caption(index) + "\" value.";
}

std::string MaxTurretsMessage() {
  return "Maximum number of turrets is " + std::to_string(clsShip::kMaxTurretEntries - 1) + " (+ front gun)";
}

std::string RemoveTurretQuestion(const clsTurret& turret) {
  return "Do you really want to delete the turret idx=" + std::to_string(turret.index()) +
         " (position=" + turret.PositionName() + ") ?";
}

std::string RemoveGunQuestion(const clsGun& gun) {
  return "Do you really want to delete the gun idx=" + std::to_string(gun.index()) + "?";
}

// ---- Layout --------------------------------------------------------------------------------

void ArrangeInfoTab(int32_t tabWidth, int32_t tabHeight, Box& info, Box& desc) {
  desc.top = tabHeight - desc.height - 100;
  info.width = tabWidth - info.left - 100;
  desc.width = info.width;
  info.height = tabHeight - info.top - desc.height - 200;
}

void ArrangeSingle(int32_t tabWidth, int32_t tabHeight, Box& control) {
  control.height = tabHeight - control.top - 100;
  control.width = tabWidth - control.left - 100;
}

void ArrangeTurretTab(int32_t tabWidth, int32_t tabHeight, int32_t headerHeight, Box& turrets, Box& label,
                      Box& cockpits) {
  turrets.width = tabWidth - turrets.left - 100;
  cockpits.width = turrets.width;
  turrets.height = kz::round32((double(tabHeight) - headerHeight - 100 - 3.0 * label.height) / 2.0);
  label.top = turrets.bottom() + 50;
  cockpits.top = label.bottom() + 50;
  cockpits.height = tabHeight - cockpits.top - 100;
}

void ArrangeGunTab(int32_t tabWidth, int32_t tabHeight, int32_t headerHeight, int32_t pageWidth, Box& groups,
                   Box& gunsLabel, Box& userOption, Box& debugOption, Box& guns) {
  const int32_t h = kz::round32(double(tabHeight) - headerHeight - 100);
  const int32_t l = gunsLabel.height;
  const int32_t listHeight = kz::round32((double(h) - 3.0 * l) / 2.0);
  groups.width = tabWidth - groups.left - 100;
  guns.width = groups.width;
  groups.height = listHeight;
  gunsLabel.top = groups.top + groups.height + 50;
  userOption.top = gunsLabel.top;
  debugOption.top = gunsLabel.top;
  debugOption.left = pageWidth - debugOption.width - 100;
  userOption.left = debugOption.left - userOption.width;
  guns.top = gunsLabel.top + gunsLabel.height + 50;
  guns.height = listHeight;
}

void ArrangeMaskTab(int32_t tabWidth, int32_t tabHeight, Box& installed, Box& addButton, Box& removeButton,
                    Box& available, Box& availableLabel) {
  installed.height = tabHeight - installed.top - 100;
  available.height = installed.height;
  installed.width = static_cast<int32_t>(std::trunc((double(tabWidth) - addButton.width) / 2.0 - 100.0));
  available.width = installed.width;
  addButton.left = installed.right() + 25;
  removeButton.left = addButton.left;
  available.left = addButton.right() + 25;
  availableLabel.left = available.left + 100;
}

}  // namespace shippage
