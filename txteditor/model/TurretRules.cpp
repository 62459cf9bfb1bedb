#include "txteditor/model/TurretRules.h"

#include <cmath>

#include "core/Common.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"

namespace mdlTurret {

bool MaskOf(const kz::Variant& value, int32_t& mask) {
  double d = 0;
  switch (value.Kind()) {
    case kz::VariantKind::Integer: mask = value.AsInteger(); return true;
    case kz::VariantKind::Long: mask = value.AsLong(); return true;
    case kz::VariantKind::Single: d = value.AsSingle(); break;
    case kz::VariantKind::Double: d = value.AsDouble(); break;
    case kz::VariantKind::String:
      if (!kz::TryParseNumber(value.AsString(), d)) return false;
      break;
    default: return false;
  }
  if (!std::isfinite(d) || d != std::floor(d) || d < -2147483648.0 || d > 4294967295.0) return false;
  mask = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(d)));
  return true;
}

std::string FieldCaption(int32_t size, int32_t index) {
  std::string caption;
  if (kz::FieldCaptionFor(size, index, caption)) return caption;
  if (index == kSceneField) return "Scene file";
  if (kz::TCockpitsFieldLabels.Empty()) kz::InitSmallTypeTables();
  return kz::LookupName(kz::TCockpitsFieldLabels, index, true);
}

int32_t ValueType(int32_t index) { return index == kSceneField ? kz::kFieldText : kz::kFieldWhole; }

std::string LaserName(const clsTXTObject& laser) {
  const std::string id = laser.ObjectName();
  if (laser.size() <= 6) return id;
  int32_t stringID = 0;
  try {
    stringID = kz::round32(kz::CDbl(laser.Value(6)));
  } catch (const kz::AppError&) {
    return id;
  }
  const int32_t handle = clsDescServer::FindString(kPageObjectNames, stringID);
  return handle ? clsDescServer::StringText(handle) : id;
}

std::vector<LaserRow> LaserRows(const clsTxtParser* lasers, int32_t mask) {
  std::vector<LaserRow> rows;
  if (!lasers) return rows;
  for (int32_t i = 0; i < kMaskBits; ++i) {
    TXTObjectPtr laser = lasers->FindIndex(i);
    if (!laser) break;
    const bool allowed = (static_cast<uint32_t>(mask) >> i) & 1u;
    rows.push_back({laser->key(), laser->index, LaserName(*laser), allowed});
  }
  return rows;
}

bool TranslateBack(const std::string& text, kz::Variant& value) {
  double d = 0;
  if (!kz::TryParseNumber(text, d)) return false;
  try {
    value = kz::Variant(kz::CSng(kz::Variant(d)));
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

}  // namespace mdlTurret
