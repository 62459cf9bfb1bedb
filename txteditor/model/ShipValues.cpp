#include "txteditor/model/ShipValues.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "typefiles/ShipTables.h"

namespace shippage {

bool NumberOf(const kz::Variant& v, double& d) {
  if (!kz::IsNumericValue(v)) return false;
  try {
    d = kz::CDbl(v);
  } catch (const kz::AppError&) {
    return false;
  }
  return std::isfinite(d);
}

bool WholeOf(const kz::Variant& v, int32_t& n) {
  double d = 0;
  if (!NumberOf(v, d)) return false;
  try {
    n = kz::round32(d);
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

namespace {

void EnsureTables() {
  if (kz::TShipsFieldLabels.Empty()) kz::InitShipTables();
}

bool IsPickList(const clsTXTObject& record, int32_t index) {
  return index == record.size() - 6 || index == kFieldClass || index == kFieldShieldType ||
         index == kFieldCargoType || index == kFieldRace;
}

// The names of a collection's records in file order (object name of field 6, else the
// built-in name of that position); a copy of the built-in names for an empty one.
kz::NameTable RecordNameList(const clsTxtParser& records, const kz::NameTable& builtIn) {
  if (records.Count() == 0) return builtIn;
  kz::NameTable list;
  int32_t i = 0;
  for (const auto& r : records.UnsortedObjects) {
    std::string name = r->size() > kFieldDescription ? ObjectNameText(r->Value(kFieldDescription)) : std::string();
    if (name.empty()) name = kz::LookupName(builtIn, i, true);
    list.Set(i, std::move(name));
    ++i;
  }
  return list;
}

// The position of a text in a pick list; a text that is not there only as a whole
// number code.
bool PickListValue(const std::string& text, const kz::NameTable& list, kz::Variant& value) {
  int32_t pos = 0;
  if (kz::FindStringIndex(text, list, pos)) {
    value = kz::Variant(pos);
    return true;
  }
  if (!kz::IsWholeNumber(text)) return false;
  try {
    value = kz::Variant(kz::CLng(kz::Variant(text)));
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

}  // namespace

// ---- Support -------------------------------------------------------------------------

void ShipSupport::Load(clsArchive* archive) {
  if (archive) {
    if (TxtParserPtr p = archive->GetFile("TMissiles")) Missiles = p;
    if (TxtParserPtr p = archive->GetFile("TShields")) Shields = p;
    if (TxtParserPtr p = archive->GetFile("TLaser")) Lasers = p;
    if (TxtParserPtr p = archive->GetFile("TCockpits")) Cockpits->Load(*p);
  }
  BuildLists();
}

void ShipSupport::BuildLists() {
  ClassList = BuildClassList();
  RaceList = BuildRaceList();
  CargoSizeList = BuildCargoSizeList();
}

// ---- Value translation ---------------------------------------------------------------

int32_t SupportValueTranslate(const clsTXTObject& record, int32_t index) {
  if (IsPickList(record, index)) return 2;
  switch (index) {
    case 2: case 3: case 4: case kFieldSpeed: case kFieldAcceleration: case kFieldReactor:
    case kFieldWeaponEnergy: case kFieldWeaponRecharge:
      return 1;
    default:
      return 0;
  }
}

int32_t ValueType(int32_t index) {
  switch (index) {
    case 0: case 16: case 17: return 2;
    case 2: case 3: case 4: case kFieldWeaponRecharge: return 1;
    default: return 0;
  }
}

std::string ValueUnit(int32_t index) {
  switch (index) {
    case 2: case 3: case 4: return "rotations/min";
    case kFieldSpeed: case kFieldAcceleration: return "m/s";
    case kFieldReactor: return "MW";
    case kFieldWeaponEnergy: return "J";
    case kFieldWeaponRecharge: return "J/s";
    default: return "";
  }
}

kz::NameTable PropertyValues(const clsTXTObject& record, int32_t index, const ShipSupport& support) {
  if (index == record.size() - 6 || index == kFieldCargoType) return support.CargoSizeList;
  if (index == kFieldClass) return support.ClassList;
  if (index == kFieldShieldType) return ShieldList(*support.Shields);
  if (index == kFieldRace) return support.RaceList;
  return {};
}

bool TranslateValue(const clsTXTObject& record, int32_t index, std::string& text, bool noUnit,
                    const ShipSupport& support) {
  if (index < 0 || index >= record.size()) return false;
  const kz::Variant v = record.Value(index);
  try {
    if (index == record.size() - 6 || index == kFieldCargoType) {
      double d = 0;
      if (!NumberOf(v, d)) return false;
      text = kz::LookupName(support.CargoSizeList, static_cast<int64_t>(std::nearbyint(d)), true);
      return true;
    }
    double d = 0;
    switch (index) {
      case 2: case 3: case 4: {
        if (!NumberOf(v, d)) return false;
        const float turns = kz::CSng(v) * 60.0f;
        text = FormatFixed(turns, 1);
        if (!noUnit) text += " rot/min";
        return true;
      }
      case kFieldClass:
        if (!NumberOf(v, d)) return false;
        text = ClassName(v);
        return true;
      case kFieldSpeed: {
        if (!NumberOf(v, d)) return false;
        const float base = static_cast<float>(d / 500.0);
        text = FormatFixed(base, 2);
        if (!noUnit) {
          double tuning = 0;
          if (!NumberOf(record.Value(kFieldEngineTuning), tuning)) return false;
          const float top = base + static_cast<float>(tuning * base / 10.0);
          text += " - " + FormatFixed(top, 2, 2) + " m/s";
        }
        return true;
      }
      case kFieldAcceleration:
        if (!NumberOf(v, d)) return false;
        text = FormatFixed(d / 500.0, 3);
        if (!noUnit) text += " m/s";
        return true;
      case kFieldReactor:
        text = kz::CStr(v);
        if (!noUnit) text += " kW";
        return true;
      case kFieldWeaponEnergy:
        text = kz::CStr(v);
        if (!noUnit) text += " W";
        return true;
      case kFieldWeaponRecharge: {
        double energy = 0;
        if (!NumberOf(v, d) || !NumberOf(record.Value(kFieldWeaponEnergy), energy)) return false;
        text = FormatFixed(d * energy, 3);
        if (!noUnit) text += " W/s";
        return true;
      }
      case kFieldShieldType:
        if (!NumberOf(v, d)) return false;
        text = ShieldTypeText(*support.Shields, v);
        return true;
      case kFieldRace:
        if (!NumberOf(v, d)) return false;
        text = RaceName(v);
        return true;
      default:
        return false;
    }
  } catch (const kz::AppError&) {
    return false;
  }
}

bool TranslateValueBack(const clsTXTObject& record, const std::string& text, int32_t index, kz::Variant& value,
                        const ShipSupport& support) {
  if (index == record.size() - 6 || index == kFieldCargoType) return PickListValue(text, support.CargoSizeList, value);
  if (index == kFieldClass) return PickListValue(text, support.ClassList, value);
  if (index == kFieldShieldType) return PickListValue(text, ShieldList(*support.Shields), value);
  if (index == kFieldRace) return PickListValue(text, support.RaceList, value);

  auto number = [&](double& d) { return kz::TryParseNumber(text, d) && std::isfinite(d); };
  double d = 0;
  try {
    switch (index) {
      case 2: case 3: case 4: {
        if (!number(d)) return false;
        // Five decimals, halves to even.
        const int mode = std::fegetround();
        std::fesetround(FE_TONEAREST);
        const double r = std::nearbyint(d / 60.0 * 100000.0) / 100000.0;
        std::fesetround(mode);
        value = kz::Variant(r);
        return true;
      }
      case kFieldSpeed: case kFieldAcceleration: {
        if (!number(d)) return false;
        double x = d * 500.0;
        if (x != std::trunc(x)) x = std::trunc(x + 1.0);
        if (x < -2147483648.0 || x > 2147483647.0) return false;
        value = kz::Variant(static_cast<int32_t>(x));
        return true;
      }
      case kFieldReactor:
        if (!kz::IsWholeNumber(text)) return false;
        value = kz::Variant(kz::CLng(kz::Variant(text)));
        return true;
      case kFieldWeaponEnergy:
        if (!number(d)) return false;
        value = kz::Variant(kz::round32(d));
        return true;
      case kFieldWeaponRecharge: {
        double energy = 0;
        if (!number(d) || !NumberOf(record.Value(kFieldWeaponEnergy), energy) || energy == 0) return false;
        const double rate = d / energy;
        if (!std::isfinite(rate)) return false;
        value = kz::Variant(rate);
        return true;
      }
      default:
        return true;
    }
  } catch (const kz::AppError&) {
    return false;
  }
}

bool TranslateEntryBack(const clsTXTObject& record, int32_t index, int32_t entry, const std::string& text,
                        kz::Variant& value, const ShipSupport& support) {
  if (!IsPickList(record, index)) return TranslateValueBack(record, text, index, value, support);
  value = kz::Variant(entry);
  return true;
}

std::string PropertyName(const clsTXTObject& record, int32_t index, const clsShip* ship) {
  EnsureTables();
  std::string name = kz::LookupNameRaw(kz::TShipsFieldLabels, index);
  if (!name.empty()) return name;
  if (kz::GetFieldCaption(record, index, name)) return name;
  if (ship) {
    try {
      if (index == ship->GGCountOffset()) return "Gun groups count";
    } catch (const kz::AppError&) {
    }
  }
  return "";
}

// ---- Name lists and names --------------------------------------------------------------

kz::NameTable BuildClassList() {
  EnsureTables();
  kz::NameTable list(0, 13);
  for (int32_t i = 0; i <= 13; ++i) {
    std::string text = clsDescServer::FindStringText(kz::kShipClassPage, kz::kShipClassFirstID + i);
    list.Set(i, text.empty() ? kz::LookupName(kz::ShipClassNames, i, true) : text);
  }
  return list;
}

kz::NameTable BuildRaceList() {
  kz::NameTable list(1, 19);
  for (int32_t i = 1; i <= 19; ++i) {
    std::string text = clsDescServer::FindStringText(kPageRaces, i);
    list.Set(i, text.empty() ? kz::LookupName(mdlKzConst::RaceNames, i, true) : text);
  }
  return list;
}

kz::NameTable BuildCargoSizeList() {
  kz::NameTable list;
  int32_t i = 0;
  for (const std::string& name : kz::GetWareSizeNames()) list.Set(i++, name);
  return list;
}

std::string RaceName(const kz::Variant& value) {
  int32_t n = 0;
  if (!WholeOf(value, n)) return "N/A";
  std::string text = clsDescServer::FindStringText(kPageRaces, n);
  return text.empty() ? kz::LookupName(mdlKzConst::RaceNames, n, true) : text;
}

std::string ClassName(const kz::Variant& value) {
  EnsureTables();
  int32_t n = 0;
  if (!WholeOf(value, n)) return "N/A";
  return kz::GetShipClassName(n);
}

kz::NameTable ShieldList(const clsTxtParser& shields) {
  EnsureTables();
  return RecordNameList(shields, kz::ShieldTypeNames);
}

kz::NameTable MissileList(const clsTxtParser& missiles) {
  EnsureTables();
  return RecordNameList(missiles, kz::MissileNames);
}

std::string ShieldTypeText(const clsTxtParser& shields, const kz::Variant& value) {
  EnsureTables();
  int32_t n = 0;
  if (!WholeOf(value, n)) return "N/A";
  if (TXTObjectPtr shield = shields.FindIndex(n)) {
    int32_t id = 0;
    if (shield->size() > kFieldDescription && WholeOf(shield->Value(kFieldDescription), id)) {
      int32_t handle = clsDescServer::FindString(kPageObjectNames, id);
      if (handle != 0) return clsDescServer::StringText(handle);
    }
    return shield->ObjectName();
  }
  return kz::LookupName(kz::ShieldTypeNames, n, true);
}

std::string ObjectNameText(const kz::Variant& id) {
  int32_t n = 0;
  if (!WholeOf(id, n)) return "";
  int32_t handle = clsDescServer::FindString(kPageObjectNames, n);
  return handle != 0 ? clsDescServer::StringText(handle) : std::string();
}

const std::string* ObjectNameMemo::Find(int32_t id) {
  auto it = texts_.find(id);
  if (it == texts_.end()) {
    const int32_t handle = clsDescServer::FindString(kPageObjectNames, id);
    it = texts_.emplace(id, handle != 0 ? std::optional<std::string>(clsDescServer::StringText(handle))
                                        : std::nullopt).first;
  }
  return it->second ? &*it->second : nullptr;
}

std::string ShipDisplayName(const clsTXTObject& record, ObjectNameMemo* memo) {
  if (record.size() <= kFieldDescription) return "";
  // The text of page 17, id, and whether there is one.
  auto text = [memo](int32_t id, std::string& out) {
    if (memo) {
      const std::string* t = memo->Find(id);
      if (t) out = *t;
      return t != nullptr;
    }
    const int32_t handle = clsDescServer::FindString(kPageObjectNames, id);
    if (handle != 0) out = clsDescServer::StringText(handle);
    return handle != 0;
  };
  std::string name;
  int32_t id = 0;
  if (!WholeOf(record.Value(kFieldDescription), id) || !text(id, name)) name = record.ObjectName();
  // The variation name, only when the record has that field.
  if (record.size() > kFieldVariation) {
    double variation = 0;
    if (NumberOf(record.Value(kFieldVariation), variation) && variation > 0 && variation < 2147473647.0) {
      std::string suffix;
      text(kz::round32(10000.0 + variation), suffix);
      kz::AppendWithSep(name, suffix, " ");
    }
  }
  return name;
}

std::string ShipDescription(const clsTXTObject& record) {
  auto direct = [](int32_t page, int64_t id) {
    if (id < INT32_MIN || id > INT32_MAX) return "[string " + std::to_string(page) + ":" + std::to_string(id) + "]";
    int32_t handle = clsDescServer::FindString(page, static_cast<int32_t>(id));
    if (handle != 0) return clsDescServer::StringText(handle);
    return "[string " + std::to_string(page) + ":" + std::to_string(id) + "]";
  };
  std::string a, b;
  int32_t n = 0;
  if (record.size() > kFieldShipType && WholeOf(record.Value(kFieldShipType), n))
    a = "Ship type: " + direct(kPageShipTypes, n);
  if (record.size() > kFieldDescription && WholeOf(record.Value(kFieldDescription), n))
    b = "Description: " + direct(kPageObjectNames, int64_t(n) + 1);
  kz::AppendWithSep(a, b, "\r\n");
  return a;
}

std::string ObjectTypeName(int32_t type, int32_t version) {
  return type == 1 ? "Ships v." + std::to_string(version) : std::string();
}

std::string FormatFixed(double value, int decimals, int minInt) {
  if (!std::isfinite(value)) return kz::CStr(kz::Variant(value));
  // The number's 15 significant digits, then rounding on that decimal form.
  char buf[64];
  auto done = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14);
  *done.ptr = '\0';
  const bool negative = buf[0] == '-';
  const char* p = buf + (negative ? 1 : 0);
  std::string digits;
  digits += p[0];
  const char* q = p + 2;
  while (*q >= '0' && *q <= '9') digits += *q++;
  const int exponent = std::atoi(q + 1);  // value = d.ddd x 10^exponent
  // Digits kept: those before the point and `decimals` after it.
  const int keep = exponent + 1 + decimals;
  std::string kept;
  if (keep <= 0) {
    kept = (keep == 0 && digits[0] >= '5') ? "1" : "0";
  } else {
    if (keep >= static_cast<int>(digits.size())) {
      kept = digits + std::string(keep - digits.size(), '0');
    } else {
      kept = digits.substr(0, keep);
      if (digits[keep] >= '5') {
        int i = keep - 1;
        while (i >= 0 && kept[i] == '9') kept[i--] = '0';
        if (i >= 0)
          ++kept[i];
        else
          kept.insert(kept.begin(), '1');
      }
    }
  }
  // kept holds the value x 10^decimals as a whole number.
  if (static_cast<int>(kept.size()) < decimals + minInt) kept.insert(0, decimals + minInt - kept.size(), '0');
  std::string out = kept.substr(0, kept.size() - decimals);
  if (decimals > 0) out += "." + kept.substr(kept.size() - decimals);
  const bool zero = kept.find_first_not_of('0') == std::string::npos;
  return (negative && !zero ? "-" : "") + out;
}

}  // namespace shippage
