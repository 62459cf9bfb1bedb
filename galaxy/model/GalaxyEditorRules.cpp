#include "galaxy/model/GalaxyEditorRules.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"

namespace mdlGalaxyEditorRules {

namespace {

std::string Fixed3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

// The stored value as a 32-bit integer; false for a text that is no number or a value
// beyond 32 bits.
bool ToLong(const kz::Variant& v, int32_t& out) {
  try {
    out = kz::CLng(v);
    return true;
  } catch (const kz::AppError&) {
    return false;
  }
}

}  // namespace

std::string EditorCaption(const std::string& fileTitle, bool modified) {
  std::string caption = kTitle;
  if (fileTitle.empty()) return caption;
  caption += " [" + fileTitle + "]";
  if (modified) caption += " *";
  return caption;
}

std::string SectorCountText(int32_t count) {
  return std::to_string(count) + kz::PluralForm(count, " sector", " sectors", " sectors");
}

std::string SaveQuestionText() { return "You have modified some objects.\r\n\r\nDo you want to save your changes?"; }

std::string DeleteQuestionText(const std::string& name, const std::string& id) {
  return "Do you really want to delete selected object " + name + " (" + id + ") ?";
}

std::string RecentMenuText(int32_t n, const std::string& path) { return std::to_string(n) + " - " + path; }

std::string NodeText(int32_t mask, const std::string& typeName, const std::string& id, const std::string& name) {
  std::string text;
  if (mask & kMaskClass) kz::AppendWithSep(text, "[" + typeName + "]", " - ");
  if (mask & kMaskID) kz::AppendWithSep(text, id, " - ");
  if (mask & kMaskName) kz::AppendWithSep(text, name, " - ");
  return text;
}

std::string NodeImageKey(int32_t otype, const kz::Variant& subtype, bool loaded) {
  switch (otype) {
    case 1: return loaded ? "sector" : "sector_noload";
    case 2: return "background";
    case 3: return "sun";
    case 4: return "planet";
    case 5: return "dock";
    case 6: return "factory";
    case 7: return "ship";
    case 8: return "laser";
    case 9: return "shield";
    case 10: return "missile";
    case 11: case 12: case 13: case 14: case 15: case 16: return "ware";
    case 17: return "asteroid";
    case 18: return "gate";
    case 21: return "nebula";
    case 23: {
      int32_t s = 0;
      if (!ToLong(subtype, s)) return {};
      switch (s) {
        case 1: return "shield";
        case 2: return "laser";
        case 4: return "upgrade";
        case 5: return "d_ships";
        case 6: case 8: return "p_res";
        case 7: return "product";
        case 9: return "f_ships";
        default: return {};
      }
    }
    default: return {};
  }
}

const std::vector<std::string>& ImageKeys() {
  static const std::vector<std::string> keys = {
      "background", "nop",    "ship",   "gate",          "asteroid", "d_ships",     "f_ships",    "p_res",
      "dock",       "planet", "factory", "missile",      "sector",   "laser",       "shield",     "sector_noload",
      "sun",        "ware",   "movesiblink", "moveparent", "product", "nebula",     "upgrade"};
  return keys;
}

std::string DragPointerKey(bool dragging, bool overTarget, bool sameNode, int32_t draggedType, int32_t targetType,
                           bool alt) {
  if (!dragging || !overTarget || sameNode) return "nop";
  if (alt) return draggedType == 1 ? "nop" : "moveparent";
  const bool siblings = (draggedType != 1 && targetType != 1) || (draggedType == 1 && targetType < 2);
  return siblings ? "movesiblink" : "nop";
}

int32_t SaveModeFor(int32_t filterIndex, std::string_view path) { return kz::SaveKindForFilter(filterIndex, path); }

std::string PasteRefusal(int32_t currentType, int32_t copiedType) {
  if (currentType == 1 && copiedType != 1) return "Cannot paste non-sector object as siblink of sector.";
  if (copiedType == 1 && currentType != 1) return "Cannot paste sector as a child.";
  return {};
}

TypedSubtype ParseTypedSubtype(const std::string& text, int32_t& value) {
  if (text.empty()) return TypedSubtype::None;
  double number = 0;
  if (!kz::TryParseNumber(text, number)) return TypedSubtype::Invalid;
  try {
    value = kz::round32(number);
  } catch (const kz::AppError&) {
    return TypedSubtype::Invalid;  // beyond 32 bits
  }
  return TypedSubtype::Value;
}

std::string SubtypeEntryText(const std::string& name, const std::string& id) {
  return name == id ? id : name + " - " + id;
}

std::vector<int32_t> LimitedTypeCodes() {
  std::vector<int32_t> codes;
  for (int32_t t = 1; t <= 29; ++t)
    if (t != 1 && t != 2 && t != 23) codes.push_back(t);
  return codes;
}

std::string FormatDistanceValue(const kz::Variant& value, int32_t unit) {
  if (unit == kGameUnits) return kz::CStr(value);
  double units = 0;
  try {
    units = kz::CDbl(value);
  } catch (const kz::AppError&) {
    return kz::CStr(value);
  }
  const double metres = std::nearbyint(units / 500.0);  // halves to even in the default rounding mode
  if (unit == kMiles) return Fixed3(metres / 1852.0) + " nm";
  if (std::fabs(metres) >= 1000.0) return Fixed3(metres / 1000.0) + " km";
  return Fixed3(metres) + " m";
}

std::string FormatColourValue(const kz::Variant& value, bool hexa) {
  int32_t c = 0;
  if (!ToLong(value, c)) return kz::CStr(value);
  const int32_t bytes[3] = {(c >> 16) & 255, (c >> 8) & 255, c & 255};
  std::string text = "RGB";
  for (int32_t b : bytes) text += " " + (hexa ? kz::ToHex(b, 0) : std::to_string(b));
  return text;
}

std::string FormatAngleValue(const kz::Variant& value, bool hexa) {
  if (!hexa) return kz::CStr(value);
  int32_t v = 0;
  if (!ToLong(value, v)) return kz::CStr(value);
  return "0x" + kz::ToHex(v, 0);
}

std::string DeletePropertyQuestion(const std::string& caption) {
  return "Do you really want to delete property \"" + caption + "\" ?";
}

}  // namespace mdlGalaxyEditorRules
