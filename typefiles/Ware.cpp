#include "typefiles/Ware.h"

#include <cmath>
#include <cstdint>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/KzConst.h"

bool WholeValueOf(const kz::Variant& value, int64_t& out) noexcept {
  double d = 0;
  switch (value.Kind()) {
    case kz::VariantKind::Integer: out = value.AsInteger(); return true;
    case kz::VariantKind::Long: out = value.AsLong(); return true;
    case kz::VariantKind::Single: d = value.AsSingle(); break;
    case kz::VariantKind::Double: d = value.AsDouble(); break;
    case kz::VariantKind::String:
      if (!kz::TryParseNumber(value.AsString(), d)) return false;
      break;
    default: return false;
  }
  if (!std::isfinite(d) || d != std::floor(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0) return false;
  out = static_cast<int64_t>(d);
  return true;
}

bool WholeNumberOf(const kz::Variant& value, int32_t& out) noexcept {
  int64_t n = 0;
  if (!WholeValueOf(value, n) || n < INT32_MIN || n > INT32_MAX) return false;
  out = static_cast<int32_t>(n);
  return true;
}

kz::Variant clsWare::Value(int32_t i) const {
  if (!Object) throw kz::AppError(91, "clsWare", "Object variable not set");
  return Object->Value(i);
}

void clsWare::SetValue(int32_t i, kz::Variant v) {
  if (!Object) throw kz::AppError(91, "clsWare", "Object variable not set");
  Object->SetValue(i, std::move(v));
}

std::string clsWare::Race() const {
  if (!Object || (Object->otype != mdlKzConst::kTFactories && Object->otype != mdlKzConst::kTDocks)) return {};
  constexpr int32_t kRaceField = 13;
  int32_t race = 0;
  if (Object->size() <= kRaceField || !WholeNumberOf(Object->Value(kRaceField), race)) return "N/A";
  return kz::LookupName(mdlKzConst::RaceNames, race, true);
}
