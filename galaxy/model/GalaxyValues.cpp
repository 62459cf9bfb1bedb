#include "galaxy/model/GalaxyValues.h"

#include <cstdint>

#include "core/AppError.h"

namespace mdlGalaxy {

kz::Variant ReadAttributeValue(std::string_view text) {
  // Plain whole numbers (most values) without the general reading.
  if (!text.empty() && text.size() <= 10) {
    size_t i = text[0] == '-' ? 1 : 0;
    bool digits = i < text.size();
    for (size_t j = i; j < text.size(); ++j) digits &= text[j] >= '0' && text[j] <= '9';
    if (digits) {
      int64_t v = 0;
      for (size_t j = i; j < text.size(); ++j) v = v * 10 + (text[j] - '0');
      if (i) v = -v;
      if (v >= INT32_MIN && v <= INT32_MAX) return kz::Variant(static_cast<int32_t>(v));
    }
  }
  double d = 0;
  if (!kz::TryParseNumber(text, d)) return kz::Variant(text);
  return kz::Variant(kz::round32(d));  // AppError 6 outside the 32-bit range
}

bool GalaxyNumber(const kz::Variant& value, int32_t& out) noexcept {
  out = 0;
  double d = 0;
  switch (value.Kind()) {
    case kz::VariantKind::Integer: out = value.AsInteger(); return true;
    case kz::VariantKind::Long: out = value.AsLong(); return true;
    case kz::VariantKind::Single:
    case kz::VariantKind::Double:
    case kz::VariantKind::Boolean: d = value.NumberValue(); break;
    case kz::VariantKind::String:
      if (!kz::TryParseNumber(value.AsString(), d)) return false;
      break;
    default: return false;
  }
  try {
    out = kz::round32(d);
    return true;
  } catch (const kz::AppError&) {
    out = 0;
    return false;
  }
}

int32_t GalaxyLong(const kz::Variant& value) noexcept {
  int32_t n = 0;
  GalaxyNumber(value, n);
  return n;
}

bool IsGalaxyNumber(const kz::Variant& value, int32_t n) noexcept {
  int32_t v = 0;
  return GalaxyNumber(value, v) && v == n;
}

}  // namespace mdlGalaxy
