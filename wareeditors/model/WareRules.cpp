#include "wareeditors/model/WareRules.h"

#include <cmath>
#include <cstdio>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/Variant.h"

namespace ware {

bool HandlesType(int32_t type) { return (type >= 2 && type <= 8) || (type >= 10 && type <= 18); }

std::string TypeName(int32_t type) {
  switch (type) {
    case 2: return "Shields";
    case 3: return "Lasers";
    case 4: return "Bullets";
    case 5: return "Missiles";
    case 6: return "Wares";
    case 7: return "Factories";
    case 8: return "Special";
    case 10: return "Docks";
    case 11: return "Wrecks";
    case 12: return "Gates";
    case 13: return "Planets";
    case 14: return "Suns";
    case 15: return "Asteroids";
    case 17: return "Background";
    case 18: return "Nebula";
    default: return {};
  }
}

std::string ObjectTypeNameOf(int32_t type, int32_t version) {
  std::string name = TypeName(type);
  if (name.empty()) return {};
  return name + " v." + std::to_string(version);
}

std::string PageNameOf(int32_t type) {
  std::string name = TypeName(type);
  if (!name.empty() && name.back() == 's') name.pop_back();
  return name + " info";
}

int32_t QueryInfoOf(int32_t type) {
  if (type == 7) return 3;
  if (type == 4) return 0;
  return 1;
}

int32_t NewRecordSize(int32_t type) {
  switch (type) {
    case 2: return 21;
    case 3: return 23;
    case 4: return 37;
    case 5: return 37;
    case 6: return 17;
    case 7: return 29;
    case 8: return 18;
    case 10: return 28;
    default: return 0;
  }
}

std::string ValidateMessage(int32_t fileType, int32_t version) {
  if (fileType == 18 && version < 14) return "This is TNebula file for Jv. It's not fully supported.";
  return {};
}

bool TypeHasIcons(int32_t type) { return type == 3 || type == 5 || type == 7 || type == 10; }

int32_t IconFieldOf(int32_t type) {
  switch (type) {
    case 3: return 12;
    case 5: return 25;
    case 7: return 18;
    case 10: return 17;
    default: return -1;
  }
}

// ---- numbers ------------------------------------------------------------------------

bool NumberOf(const kz::Variant& v, double& out) {
  if (v.IsNumeric() || v.IsBoolean()) {
    out = v.NumberValue();
  } else if (v.IsString()) {
    if (!kz::TryParseNumber(v.AsString(), out)) return false;
  } else {
    return false;
  }
  return std::isfinite(out);
}

bool LongOf(const kz::Variant& v, int64_t& out) {
  double d = 0;
  if (!NumberOf(v, d)) return false;
  d = std::nearbyint(d);  // the default rounding: halves to even
  if (d < -9.2e18 || d > 9.2e18) return false;
  out = static_cast<int64_t>(d);
  return true;
}

bool FieldNumber(const clsTXTObject& o, int32_t i, double& out) {
  if (i < 0 || i >= o.size()) return false;
  return NumberOf(o.Value(i), out);
}

bool FieldLong(const clsTXTObject& o, int32_t i, int64_t& out) {
  if (i < 0 || i >= o.size()) return false;
  return LongOf(o.Value(i), out);
}

// ---- computed rows --------------------------------------------------------------------

std::string FormatOneDecimal(double d) {
  // Halves go away from zero, as the "0.0" digit pattern writes them.
  const double tenths = std::round(d * 10.0);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f", tenths / 10.0);
  std::string s = buf;
  if (s == "-0.0") s = "0.0";
  return s;
}

std::string ChargeTimeText(const clsTXTObject& o) {
  double capacity = 0, rate = 0;
  if (!FieldNumber(o, 8, capacity) || !FieldNumber(o, 7, rate) || rate == 0) return "[error]";
  double t = capacity / rate;
  if (!std::isfinite(t)) return "[error]";
  const char* unit = "s";
  if (t >= 60) {
    t /= 60;
    unit = "min";
    if (t >= 60) {
      t /= 60;
      unit = "h";
    }
  }
  std::string text = FormatOneDecimal(t);
  const double whole = std::nearbyint(t);
  double shown = 0;
  if (std::fabs(whole) < 2147483648.0 && kz::TryParseNumber(text, shown) && shown == whole)
    text = std::to_string(static_cast<int64_t>(whole));
  return text + " " + unit;
}

std::string RangeText(const clsTXTObject& o) {
  double lifetime = 0, speed = 0;
  if (!FieldNumber(o, 10, lifetime) || !FieldNumber(o, 11, speed)) return "[error]";
  const double metres = std::nearbyint((lifetime / 1000.0) * (speed / 500.0));
  if (!std::isfinite(metres) || std::fabs(metres) >= 2147483648.0) return "[error]";
  const int64_t m = static_cast<int64_t>(metres);
  if (m < 1000) return std::to_string(m) + " m";
  return kz::CStr(kz::Variant(static_cast<double>(m) / 1000.0)) + " km";
}

int32_t ColourFirstField(int32_t type) {
  if (type == 4) return 13;
  if (type == 13) return 7;
  return -1;
}

std::optional<int64_t> RecordColour(const clsTXTObject& o, int32_t type) {
  const int32_t first = ColourFirstField(type);
  if (first < 0) return 0;
  int64_t lo = 0, mid = 0, hi = 0;
  if (!FieldLong(o, first, lo) || !FieldLong(o, first + 1, mid) || !FieldLong(o, first + 2, hi)) return std::nullopt;
  return hi * 65536 + mid * 256 + lo;
}

std::string ColourText(int64_t colour) {
  return "0x" + kz::ToHex(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(colour))), 0);
}

bool StoreColour(clsTXTObject& o, int32_t type, int32_t colour) {
  const int32_t first = ColourFirstField(type);
  if (first < 0 || first + 2 >= o.size()) return false;
  const uint32_t c = static_cast<uint32_t>(colour);
  o.SetValue(first + 2, kz::Variant(static_cast<int32_t>((c >> 16) & 255)));
  o.SetValue(first + 1, kz::Variant(static_cast<int32_t>((c >> 8) & 255)));
  o.SetValue(first, kz::Variant(static_cast<int32_t>(c & 255)));
  return true;
}

// ---- flags ----------------------------------------------------------------------------

int32_t FlagField(int32_t type) {
  if (type == 4) return 12;
  if (type == 5) return 23;
  return -1;
}

const std::vector<std::string>& FlagCaptions(int32_t type) {
  static const std::vector<std::string> bullets = {"PAC",           "Beam",     "Zig zag", "Areal", "?ION",
                                                   "Ignore shields", "Use ammo", "Repair",  "Flak"};
  static const std::vector<std::string> missiles = {"Free",      "Dumb",          "Frag",
                                                    "Heatseeker", "Multi warhaed", "Proximity",
                                                    "Man. detonation", "Tempest", "Man. guided"};
  static const std::vector<std::string> none;
  return type == 4 ? bullets : type == 5 ? missiles : none;
}

const std::vector<std::string>& FlagTooltips(int32_t type) {
  static const std::vector<std::string> bullets = {"Set on Particle Cannon",
                                                   "Beam weapon",
                                                   "Set on Ion Cannon",
                                                   "Set on Alpha Wave Generator",
                                                   "Set on Ion Cannon",
                                                   "",
                                                   "Will require ammo",
                                                   "Repairs hull",
                                                   ""};
  static const std::vector<std::string> missiles = {"Can be fired without lock",
                                                    "No guidance",
                                                    "Multi fragment warhead",
                                                    "",
                                                    "Every warhead can track different target",
                                                    "Detonates in profimity of target",
                                                    "Can be manually detonated",
                                                    "",
                                                    ""};
  static const std::vector<std::string> none;
  return type == 4 ? bullets : type == 5 ? missiles : none;
}

std::optional<int32_t> FlagsOf(const clsTXTObject& o, int32_t type) {
  const int32_t field = FlagField(type);
  int64_t v = 0;
  if (field < 0 || !FieldLong(o, field, v)) return std::nullopt;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

bool ApplyFlagClick(clsTXTObject& o, int32_t type, int32_t k, bool checked) {
  if (k < 0 || k >= kFlagCount) return false;
  std::optional<int32_t> flags = FlagsOf(o, type);
  if (!flags) return false;
  int32_t f = *flags;
  if (checked)
    f |= (1 << k);
  else
    f &= ~(1 << k);
  o.SetValue(FlagField(type), kz::Variant(f));
  return true;
}

std::vector<FlagPlace> FlowFlagBoxes(const std::vector<int32_t>& widths, int32_t boxHeight, int32_t frameWidth,
                                     int32_t& frameHeight) {
  std::vector<FlagPlace> places;
  places.reserve(widths.size());
  int32_t left = 100, top = 300;
  for (int32_t w : widths) {
    if (left + w > frameWidth - 50 && left > 100) {
      left = 100;
      top += boxHeight + 100;
    }
    places.push_back({left, top});
    left += w + 100;
  }
  frameHeight = top + 300 + 50;
  return places;
}

// ---- toolbar ------------------------------------------------------------------------

std::vector<SceneButton> SceneButtonsOf(int32_t type) {
  const char* scene = "Show object scene";
  switch (type) {
    case 5: return {{"Scene", 26, scene}};
    case 7:
    case 10: return {{"Scene", 11, scene}};
    case 8:
    case 11:
    case 12:
    case 14: return {{"Scene", 7, scene}};
    case 13: return {{"Scene", 10, scene}};
    case 15: return {{"Debris map", 10, ""}, {"Scene", 7, scene}};
    case 16: return {{"Scene 2", 9, ""}, {"Scene", 7, scene}};
    default: return {};
  }
}

// ---- export -------------------------------------------------------------------------

std::string ExportFileName(const std::string& openFile) {
  std::string catalog;
  const std::string inner = kz::SplitCatalogPath(openFile, catalog);
  return kz::BuildPath(kz::GetFilePath(inner), kz::ExtractFileName(openFile, true) + "_export.txt");
}

}  // namespace ware
