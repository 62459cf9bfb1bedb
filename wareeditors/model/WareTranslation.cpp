#include "wareeditors/model/WareTranslation.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/KzConst.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "wareeditors/model/WareRules.h"

namespace ware {

namespace {

constexpr const char* kSource = "ucWare";

kz::NameTable TableOf(const std::vector<std::string>& names) {
  kz::NameTable t;
  if (names.empty()) return t;
  t.Resize(0, static_cast<int32_t>(names.size()) - 1);
  for (size_t k = 0; k < names.size(); ++k) t.Set(static_cast<int32_t>(k), names[k]);
  return t;
}

// The stored value as a number; AppError 13 when it holds none.
double Num(const kz::Variant& v) {
  double d = 0;
  if (!NumberOf(v, d)) throw kz::AppError(kz::kErrTypeMismatch, kSource);
  return d;
}

// Rounded to the nearest whole number (halves to even) within 32 bits; AppError 6 beyond.
int64_t Round32(double d) { return kz::round32(d); }

std::string Fixed1(double d) { return FormatOneDecimal(d); }

std::string Unit(bool forEdit, const char* unit) { return forEdit ? std::string() : std::string(unit); }

// A whole number typed into the edit box; nullopt for any other text.
std::optional<int64_t> TypedLong(const std::string& text) {
  if (!kz::IsWholeNumber(text)) return std::nullopt;
  return kz::CLng(kz::Variant(text));
}

// A number typed into the edit box; AppError 13 for a text that is none.
double TypedNumber(const std::string& text) {
  double d = 0;
  if (!kz::TryParseNumber(text, d) || !std::isfinite(d)) throw kz::AppError(kz::kErrTypeMismatch, kSource);
  return d;
}

// A product that must fit a 32-bit stored value; AppError 6 beyond.
kz::Variant Long32(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) throw kz::AppError(kz::kErrOverflow, kSource);
  return kz::Variant(static_cast<int32_t>(v));
}

const kz::NameTable& LabelsOf(int32_t type) {
  switch (type) {
    case 2: case 3: case 4: case 5: case 6: case 7: case 10: case 13: case 14: case 15: case 16: case 18:
      return *kz::FieldLabelsFor(type);
    default:
      return *kz::FieldLabelsFor(8);  // the default labels
  }
}

const kz::KindTable& KindsOf(int32_t type) {
  switch (type) {
    case 3: case 4: case 5: case 7: case 10: case 13: case 15:
      return *kz::FieldKindsFor(type);
    default:
      return *kz::FieldKindsFor(8);  // the default kinds
  }
}

}  // namespace

std::vector<std::string> RecordNamesInFileOrder(const clsTxtParser* file) {
  std::vector<std::string> names;
  if (!file) return names;
  names.reserve(static_cast<size_t>(file->UnsortedObjects.Count()));
  for (const TXTObjectPtr& r : file->UnsortedObjects) {
    std::string name;
    int64_t id = 0;
    if (r->size() > 6 && LongOf(r->Value(6), id) && id >= INT32_MIN && id <= INT32_MAX)
      name = clsDescServer::FindStringText(kPageObjectNames, static_cast<int32_t>(id));
    if (name.empty()) name = r->ObjectName();
    names.push_back(std::move(name));
  }
  return names;
}

std::string DescText(int32_t page, int64_t id) {
  if (id >= INT32_MIN && id <= INT32_MAX) {
    int32_t h = clsDescServer::FindString(page, static_cast<int32_t>(id));
    if (h != 0) return clsDescServer::StringText(h);
  }
  return "[string " + std::to_string(page) + ":" + std::to_string(id) + "]";
}

std::string ResourceNameOf(const clsTXTObject& o) {
  if (o.size() < 7) return {};
  int64_t id = 0;
  if (LongOf(o.Value(6), id) && id >= INT32_MIN && id <= INT32_MAX) {
    int32_t h = clsDescServer::FindString(kPageObjectNames, static_cast<int32_t>(id));
    if (h != 0) return clsDescServer::StringText(h);
  }
  return o.ObjectName();
}

std::string PropertyName(const clsTXTObject& o, int32_t i) {
  std::string caption = LabelsOf(o.otype).At(i);
  if (caption.empty() && !kz::FieldCaptionFor(o.size(), i, caption)) caption.clear();
  if (caption.empty()) caption = "Unknown value";
  return caption;
}

int32_t SupportTranslate(const clsTXTObject& o, int32_t i) {
  const int32_t size = o.size();
  if (i == size - 6) return 2;
  switch (o.otype) {
    case 2: return (i == 7 || i == 8) ? 1 : 0;
    case 3: return i == 7 ? 1 : (i == 9 || i == 12) ? 2 : 0;
    case 4:
      if (i == 10 || i == 11 || i == 13 || i == 14 || i == 15) return 1;
      return (i == 27 || i == size - 2) ? 2 : 0;
    case 5:
      if (i == 7 || i == 8 || i == 13 || i == 14 || i == 24) return 1;
      return i == 25 ? 2 : 0;
    case 6: return i == 11 ? 2 : 0;
    case 7: return i == 12 ? 1 : (i == 13 || i == 17 || i == 18) ? 2 : 0;
    case 10: return i == 12 ? 1 : (i == 13 || i == 17) ? 2 : 0;
    case 17: return (i == 24 || i == 25) ? 1 : 0;
    case 18: return (i == 8 || i == 9) ? 1 : 0;
    default: return 0;
  }
}

std::string ValueUnit(const clsTXTObject& o, int32_t i) {
  switch (o.otype) {
    case 3: return i == 7 ? "Rnds/min" : "";
    case 4:
      if (i == 13 || i == 14 || i == 15) return "Hexadecimal";
      if (i == 11) return "m/s";
      if (i == 10) return "s";
      return {};
    case 5:
      if (i == 7 || i == 8) return "m/s";
      if (i == 13) return "m";
      if (i == 14 || i == 24) return "s";
      return {};
    case 2:
      if (i == 8) return "kJ";
      if (i == 7) return "kW";
      return {};
    case 18: return (i == 8 || i == 9) ? "m" : "";
    case 17: return (i == 24 || i == 25) ? "m" : "";
    default: return {};
  }
}

int32_t ValueType(const clsTXTObject& o, int32_t i) {
  if (i >= 0 && i <= 6) return mdlKzConst::CommonFieldTypes.size() > static_cast<size_t>(i)
                                    ? mdlKzConst::CommonFieldTypes[static_cast<size_t>(i)]
                                    : 0;
  if (o.otype == 13 && i >= 11 && i <= 26 && i % 2 == 1) return 2;
  if (o.otype == 18 && i >= 13 && i <= 28 && i % 2 == 1) return 2;
  return KindsOf(o.otype).At(i);
}

kz::NameTable PropertyValues(const clsTXTObject& o, int32_t i, const WareLists& lists) {
  kz::NameTable result;
  switch (o.otype) {
    case 3:
      if (i == 12) result = TableOf(lists.iconNames);
      if (i == 9 && lists.bullets) {
        std::vector<std::string> ids;
        ids.reserve(static_cast<size_t>(lists.bullets->UnsortedObjects.Count()));
        for (const TXTObjectPtr& b : lists.bullets->UnsortedObjects) ids.push_back(b->ObjectName());
        result = TableOf(ids);
      }
      break;
    case 4:
      if (i == 27) result = TableOf(lists.ammunition);
      break;
    case 5:
      if (i == 25) result = TableOf(lists.iconNames);
      break;
    case 7:
    case 10:
      if (i == 13) result = mdlKzConst::RaceNames;
      if ((o.otype == 7 && i == 18) || (o.otype == 10 && i == 17)) result = TableOf(lists.iconNames);
      if (o.otype == 7 && i == 17) result = kz::FactorySizeNames;
      break;
    default: break;
  }
  if (i == o.size() - 6) result = TableOf(lists.cargoSizes);
  return result;
}

bool TranslateValue(const clsTXTObject& o, int32_t i, std::string& text, bool forEdit, const WareLists& lists) {
  if (i < 0 || i >= o.size()) return false;
  const kz::Variant v = o.Value(i);
  const int32_t type = o.otype;

  if (i == o.size() - 6) {
    text = kz::LookupName(TableOf(lists.cargoSizes), kz::CLng(v), true);
    return true;
  }
  if (type == 7 || type == 10) {
    if (i == 13) {
      text = kz::LookupName(mdlKzConst::RaceNames, kz::CLng(v), true);
      return true;
    }
    if (i == 12) {
      text = std::to_string(static_cast<int64_t>(kz::CLng(v)) + 4300);
      return true;
    }
    if (type == 7 && i == 17) {
      text = kz::LookupName(kz::FactorySizeNames, kz::CLng(v), true);
      return true;
    }
  }
  switch (type) {
    case 3:
      if (i == 7) {
        const double n = Num(v);
        text = n == 0 ? "0" : std::to_string(Round32((60.0 / n) * 1000.0)) + Unit(forEdit, " rnd/min");
        return true;
      }
      if (i == 9) {
        if (!lists.bullets) return false;
        TXTObjectPtr b = lists.bullets->FindIndex(kz::CLng(v));
        if (!b) return false;
        text = b->ObjectName();
        return true;
      }
      return false;
    case 4:
      if (i < 10 || i > 27) return false;
      switch (i) {
        case 10: text = Fixed1(Num(v) / 1000.0) + Unit(forEdit, " s"); return true;
        case 11: text = std::to_string(Round32(Num(v) / 500.0)) + Unit(forEdit, " m/s"); return true;
        case 13:
        case 14:
        case 15: text = (forEdit ? "" : "0x") + kz::ToHex(kz::CLng(v), 0); return true;
        case 27: {
          const int32_t k = kz::CLng(v);
          if (k < 0 || k >= static_cast<int32_t>(lists.ammunition.size())) return false;
          const std::string& name = lists.ammunition[static_cast<size_t>(k)];
          if (name.empty()) return false;
          text = name;
          return true;
        }
        default: return false;
      }
    case 5:
      if (i < 7 || i > 24) return false;
      switch (i) {
        case 7:
        case 8: text = std::to_string(Round32(Num(v) / 500.0)) + Unit(forEdit, " m/s"); return true;
        case 13: text = std::to_string(Round32(Num(v) / 500.0)) + Unit(forEdit, " m"); return true;
        case 14: text = std::to_string(Round32(Num(v) / 1000.0)) + Unit(forEdit, " s"); return true;
        case 24: text = Fixed1(Num(v) / 1000.0) + Unit(forEdit, " s"); return true;
        default: return false;
      }
    case 2:
      if (i == 7) {
        text = kz::CStr(v) + Unit(forEdit, " kW");
        return true;
      }
      if (i == 8) {
        if (forEdit) {
          text = kz::CStr(v);
          return true;
        }
        // Joules in a double: kilojoules times 1000 may pass 32 bits.
        double n = Num(v) * 1000.0;
        int32_t p = 0;
        while (p < 4 && n >= 1000) {
          n /= 1000;
          ++p;
        }
        // Index 0 is the empty prefix: "0 J".
        text = kz::CStr(kz::Variant(n)) + " " + kz::LookupNameRaw(mdlKzConst::SizeSuffixes, p) + "J";
        return true;
      }
      return false;
    case 17:
    case 18:
      if ((type == 17 && (i == 24 || i == 25)) || (type == 18 && (i == 8 || i == 9))) {
        text = kz::FormatDistance(Num(v), forEdit, false);
        return true;
      }
      return false;
    default: return false;
  }
}

int32_t HexValueOf(const std::string& text) {
  std::string_view t = text;
  if (!t.empty() && t[0] == '#')
    t.remove_prefix(1);
  else if (t.size() >= 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h'))
    t.remove_prefix(2);
  return kz::HexToLong(t);
}

bool StoresEntryPosition(const clsTXTObject& o, int32_t i) {
  if (i == o.size() - 6) return true;
  switch (o.otype) {
    case 3: return i == 9;
    case 4: return i == 27;
    case 7: return i == 13 || i == 17;
    case 10: return i == 13;
    default: return false;
  }
}

bool TranslateEntryBack(const clsTXTObject& o, int32_t i, int32_t entry, const std::string& text, kz::Variant& value,
                        const WareLists& lists) {
  if (!StoresEntryPosition(o, i)) return TranslateValueBack(o, text, i, value, lists);
  value = kz::Variant(entry);
  return true;
}

bool TranslateValueBack(const clsTXTObject& o, const std::string& text, int32_t i, kz::Variant& value,
                        const WareLists& lists) {
  const int32_t type = o.otype;
  value.Clear();
  bool raceLookup = false;
  std::optional<bool> handled;

  // A case that reads a whole number refuses any other text.
  auto whole = [&](int64_t factor, int64_t offset) -> bool {
    std::optional<int64_t> n = TypedLong(text);
    if (!n) return false;
    value = Long32(*n * factor + offset);
    return true;
  };

  switch (type) {
    case 2:
      if (i == 7 || i == 8) return whole(1, 0);
      break;
    case 3:
      if (i == 7) {
        double n = 0;
        if (!kz::TryParseNumber(text, n) || n == 0 || !std::isfinite(n)) return false;
        value = kz::Variant(kz::round32(1000.0 / (n / 60.0)));
        return true;
      }
      if (i == 9 && !kz::IsWholeNumber(text)) {
        if (!lists.bullets) return false;
        TXTObjectPtr b = lists.bullets->FindID(text);
        if (!b) return false;
        value = kz::Variant(b->index);
        return true;
      }
      if (i == 12) {
        value = kz::Variant(text);
        return true;
      }
      break;
    case 4:
      switch (i) {
        case 10: value = kz::Variant(kz::round32(TypedNumber(text) * 1000.0)); return true;
        case 11: {
          // A speed in m/s: the number typed, rounded, in game units.
          double n = 0;
          if (!kz::TryParseNumber(text, n) || !std::isfinite(n)) return false;
          value = Long32(static_cast<int64_t>(kz::round32(n)) * 500);
          return true;
        }
        case 13:
        case 14:
        case 15:
          value = kz::Variant(HexValueOf(text));
          return kz::IsHexString(text);
        case 27: {
          int32_t pos = 0;
          if (kz::FindStringIndex(text, TableOf(lists.ammunition), pos)) {
            value = kz::Variant(pos);
            return true;
          }
          return whole(1, 0);
        }
        default: break;
      }
      break;
    case 5:
      switch (i) {
        case 7:
        case 8:
        case 13: return whole(500, 0);
        case 14: return whole(1000, 0);
        case 24: value = kz::Variant(kz::round32(TypedNumber(text) * 1000.0)); return true;
        case 25: value = kz::Variant(text); return true;  // an icon name
        default: break;
      }
      break;
    case 7:
    case 10:
      if (i == 12) return whole(1, -4300);
      if (i == 13) raceLookup = true;
      if (type == 7 && i == 17) {
        int32_t pos = 0;
        if (kz::FindStringIndex(text, kz::FactorySizeNames, pos)) value = kz::Variant(pos);
      }
      if ((type == 7 && i == 18) || (type == 10 && i == 17)) {
        value = kz::Variant(text);
        return true;
      }
      break;
    case 17:
      if (i == 24 || i == 25) return whole(500, 0);
      break;
    case 18:
      if (i == 8 || i == 9) return whole(500, 0);
      break;
    default: break;
  }
  if (!value.IsEmpty() && !handled) handled = true;
  if (handled) return *handled;

  int32_t pos = 0;
  if (i == o.size() - 6) {
    if (kz::FindStringIndex(text, TableOf(lists.cargoSizes), pos)) value = kz::Variant(pos);
  } else if (raceLookup) {
    if (kz::FindStringIndex(text, mdlKzConst::RaceNames, pos)) value = kz::Variant(pos);
  }
  if (value.IsEmpty()) {
    const int32_t kind = ValueType(o, i);
    if (kind == 0) {
      // A whole-number field never takes a fraction.
      std::optional<int64_t> n = TypedLong(text);
      if (!n) {
        double d = 0;
        if (!kz::TryParseNumber(text, d)) throw kz::AppError(kz::kErrTypeMismatch, kSource);
        return false;
      }
      value = kz::Variant(static_cast<int32_t>(*n));
    } else {
      value = kz::Variant(TypedNumber(text));
    }
  }
  return true;
}

}  // namespace ware
