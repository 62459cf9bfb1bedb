#include "txteditor/model/TurretRules.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "core/Common.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "typefiles/Ware.h"

namespace mdlTurret {

bool MaskOf(const kz::Variant& value, int32_t& mask) {
  int64_t n = 0;
  if (!WholeValueOf(value, n) || n < INT32_MIN || n > UINT32_MAX) return false;
  mask = static_cast<int32_t>(static_cast<uint32_t>(n));
  return true;
}

kz::Variant StoredMask(int32_t bits, const kz::Variant& held) {
  const kz::VariantKind kind = held.Kind();
  int64_t n = 0;
  if (kind == kz::VariantKind::Integer || kind == kz::VariantKind::Long || !WholeValueOf(held, n) || n < 0)
    return kz::Variant(bits);
  // Unsigned, of the held kind: a file's 4294967295 is read as text and written back so.
  const uint32_t u = static_cast<uint32_t>(bits);
  if (kind == kz::VariantKind::String) return kz::Variant(std::to_string(u));
  return kz::Variant(static_cast<double>(u));
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
