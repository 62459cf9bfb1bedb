#include "galaxy/model/PropertyEditRules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/KzConst.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"

using kz::Variant;

namespace mdlGalEdit {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool IsCoordinate(const std::string& lower) { return lower == "x" || lower == "y" || lower == "z"; }

// A value as a number for display: numbers as they are, numeric texts read, else 0.
double NumberOf(const Variant& v) {
  if (v.IsNumeric() || v.IsBoolean()) return v.NumberValue();
  double d = 0;
  if (v.IsString() && kz::TryParseNumber(v.AsString(), d)) return d;
  return 0;
}

std::string Fixed3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

// Positions as texts over the same range as `names`.
kz::NameTable PositionTexts(const kz::NameTable& names) {
  kz::NameTable t(names.LBound(), names.UBound());
  for (int32_t i = names.LBound(); i <= names.UBound(); ++i) t.Set(i, std::to_string(i));
  return t;
}

bool ReadHex(const std::string& text, Variant& value) {
  if (!kz::IsHexString(text) || text.size() > 8) return false;
  value = Variant(kz::HexToLong(text));
  return true;
}

bool ReadWhole(const std::string& text, double scale, Variant& value) {
  double d = 0;
  if (!kz::TryParseNumber(text, d)) return false;
  try {
    value = Variant(kz::round32(d * scale));
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

}  // namespace

int32_t ValueKindOf(const std::string& name, int32_t otype) {
  const std::string n = Lower(name);
  if (n == "color" || n == "ff" || n == "fn" || n == "fc") return kColour;
  if (IsCoordinate(n)) return otype == mdlGalaxy::kGalSector ? kNumber : kDistance;
  if (n == "r" || n == "t" || n == "gid" || n == "gtid" || n == "atype") return kList;
  if (n == "s") return otype == mdlGalaxy::kGalBackground ? kNumber : kList;
  if (n == "a" || n == "b" || n == "g") return kAngle;
  return kNumber;
}

bool BuildValueList(const std::string& name, int32_t otype, const clsGalaxyParser* parser, bool names,
                    kz::NameTable& display, kz::NameTable& stored) {
  const std::string n = Lower(name);
  if (n == "r") {
    if (mdlKzConst::RaceNames.Empty()) mdlKzConst::InitArrays();
    display = mdlKzConst::RaceNames;
  } else if (n == "t") {
    display = mdlGalaxy::GalaxyTypeNames;
    if (display.Contains(mdlGalaxy::kGalSector)) display.Set(mdlGalaxy::kGalSector, "");
  } else if (n == "gid" || n == "gtid") {
    display = mdlGalaxy::GateIdNames;
  } else if (n == "atype") {
    display = mdlGalaxy::AsteroidTypeNames;
  } else if (n == "s" && otype == mdlGalaxy::kGalSubObjects) {
    display = mdlGalaxy::GalaxySubObjectNames;
  } else if (n == "s") {
    display = kz::NameTable();
    stored = kz::NameTable();
    if (!parser) return false;
    std::vector<std::string> ids = parser->GetSubTypeNames(otype, 1);
    if (ids.empty()) return false;
    std::vector<std::string> shown = names ? parser->GetSubTypeNames(otype, 0) : ids;
    display = kz::NameTable(0, static_cast<int32_t>(ids.size()) - 1);
    stored = kz::NameTable(0, static_cast<int32_t>(ids.size()) - 1);
    for (size_t i = 0; i < ids.size(); ++i) {
      display.Set(static_cast<int32_t>(i), i < shown.size() ? shown[i] : ids[i]);
      stored.Set(static_cast<int32_t>(i), ids[i]);
    }
    return true;
  } else {
    display = kz::NameTable();
    stored = kz::NameTable();
    return false;
  }
  stored = PositionTexts(display);
  return true;
}

int32_t ListPositionOf(const Variant& value, const kz::NameTable& stored) {
  if (value.IsString()) {
    for (int32_t i = stored.LBound(); i <= stored.UBound(); ++i)
      if (stored.At(i) == value.AsString()) return i;
    return -1;
  }
  int32_t n = -1;
  if (!mdlGalaxy::GalaxyNumber(value, n)) return -1;
  return n;
}

std::string FormatValueText(int32_t kind, const std::string& name, bool sector, int32_t unit, bool hexa,
                            const Variant& value) {
  const std::string n = Lower(name);
  if (kind == kColour) return kz::ToHex(mdlGalaxy::GalaxyLong(value), 6);
  if (IsCoordinate(n)) {
    if (sector) return kz::CStr(value);
    double v = NumberOf(value);
    if (unit == kMetres) return Fixed3(v / 500);
    if (unit == kMiles) return Fixed3(v / 500 / 1852);
    return kz::CStr(value);
  }
  if (kind == kAngle && hexa) return kz::ToHex(mdlGalaxy::GalaxyLong(value), 0);
  return kz::CStr(value);
}

bool ParseValueText(int32_t kind, const std::string& name, bool sector, int32_t unit, bool hexa,
                    const std::string& text, Variant& value, std::string& message) {
  message.clear();
  const std::string n = Lower(name);
  if (kind == kColour) return ReadHex(text, value);
  if (IsCoordinate(n) && sector) {
    Variant v;
    if (!ReadWhole(text, 1, v)) return false;
    int32_t c = v.AsLong();
    if (c < 0 || (n == "x" && c > 23) || (n == "y" && c > 19)) {
      message = "Allowed coordinates values are X<0; " + std::to_string(23) + ">, Y<0; " + std::to_string(19) + ">";
      return false;
    }
    value = v;
    return true;
  }
  if (IsCoordinate(n)) {
    double scale = unit == kMetres ? 500.0 : unit == kMiles ? 1852.0 * 500.0 : 1.0;
    return ReadWhole(text, scale, value);
  }
  if (kind == kAngle && hexa) return ReadHex(text, value);
  return ReadWhole(text, 1, value);
}

bool ValueChanged(const Variant& before, const Variant& after) {
  if (before.IsEmpty() || after.IsEmpty()) return before.IsEmpty() != after.IsEmpty();
  if (before == after) return false;
  try {
    return kz::CStr(before) != kz::CStr(after);
  } catch (const kz::AppError&) {
    return true;
  }
}

std::string GetAttrCaption(const std::string& name) {
  int32_t i = 0;
  if (!kz::FindStringIndex(name, mdlGalaxy::GalaxyAttrNames, i)) return std::string();
  return mdlGalaxy::GalaxyAttrCaptions.At(i);
}

}  // namespace mdlGalEdit
