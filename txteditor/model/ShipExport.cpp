#include "txteditor/model/ShipExport.h"

#include <cmath>
#include <unordered_map>

#include "FileObject.h"
#include "core/AppError.h"
#include "core/Common.h"
#include "core/LibBindings.h"
#include "core/ViDedodedBindings.h"
#include "rudu.h"
#include "videdoded.h"

namespace shippage {

namespace {

constexpr const char* kCrLf = "\r\n";

double NumberOrZero(const kz::Variant& v) {
  if (!kz::IsNumericValue(v)) return 0;
  try {
    double d = kz::CDbl(v);
    return std::isfinite(d) ? d : 0;
  } catch (const kz::AppError&) {
    return 0;
  }
}

kz::Variant Field(const clsTXTObject& record, int32_t i) {
  return i < record.size() ? record.Value(i) : kz::Variant();
}

bool AppendField(const kz::Variant& v, std::string& out) {
  Kz_Value kv;
  kz::ToKzValue(v, kv);
  return Kz_TXTFormatValue(kv, out) != 0;
}

}  // namespace

const std::vector<std::string>& ShipTableColumns() {
  static const std::vector<std::string> columns = {
      "Index",         "Name",          "Race",
      "Class",         "Speed - Min [m/s]", "Speed - Max [m/s]",
      "Tunning - Engine", "Tunning - Rudder", "Acceleration [m/s]",
      "Reactor",       "Weapons - Energy", "Weapons - Recharge rate",
      "Shield - Energy [KJ]", "Shield - Count", "Cargo",
      "Hull strength"};
  return columns;
}

std::string ShipTableHeader(const std::string& fileName) {
  return "TShips file " + fileName + " - generated with " + kz::GetAppTitleVersion();
}

namespace {

// Names looked up once per value during one pass over the ships.
struct RowMemo {
  ObjectNameMemo objectNames;
  std::unordered_map<int64_t, std::string> texts;  // (field << 32 | value) -> display text

  std::string Translate(const clsTXTObject& record, int32_t field, const ShipSupport& support) {
    std::string text;
    const kz::VariantKind kind = record.KindAt(field);
    if (kind != kz::VariantKind::Long && kind != kz::VariantKind::Integer) {
      TranslateValue(record, field, text, false, support);
      return text;
    }
    const int64_t key = (int64_t(field) << 32) | uint32_t(record.LongAt(field));
    auto it = texts.find(key);
    if (it != texts.end()) return it->second;
    TranslateValue(record, field, text, false, support);
    texts.emplace(key, text);
    return text;
  }
};

std::vector<kz::Variant> TableRow(const clsTXTObject& record, const ShipSupport& support, RowMemo& memo) {
  std::vector<kz::Variant> row;
  row.reserve(16);
  row.emplace_back(record.index);
  row.emplace_back(ShipDisplayName(record, &memo.objectNames));
  std::string race, cls, acceleration;
  if (record.size() > kFieldRace) race = memo.Translate(record, kFieldRace, support);
  if (record.size() > kFieldClass) cls = memo.Translate(record, kFieldClass, support);
  TranslateValue(record, kFieldAcceleration, acceleration, true, support);
  row.emplace_back(race);
  row.emplace_back(cls);
  const float minSpeed = static_cast<float>(NumberOrZero(Field(record, kFieldSpeed)) / 500.0);
  const float maxSpeed =
      static_cast<float>(minSpeed + NumberOrZero(Field(record, kFieldEngineTuning)) * (double(minSpeed) / 10.0));
  row.emplace_back(FormatFixed(minSpeed, 2));
  row.emplace_back(FormatFixed(maxSpeed, 2));
  row.push_back(Field(record, kFieldEngineTuning));
  row.push_back(Field(record, 27));
  row.emplace_back(acceleration);
  row.push_back(Field(record, kFieldReactor));
  row.push_back(Field(record, kFieldWeaponEnergy));
  row.push_back(Field(record, kFieldWeaponRecharge));
  std::string shieldEnergy = "N/A";
  const double pos = NumberOrZero(Field(record, kFieldShieldType));
  if (std::fabs(pos) < 2147483647.0) {
    TXTObjectPtr shield = support.Shields->FindIndex(kz::round32(pos));
    if (shield && shield->size() > 8) shieldEnergy = kz::CStr(shield->Value(8));
  }
  row.emplace_back(shieldEnergy);
  row.push_back(Field(record, kFieldShieldCount));
  row.push_back(Field(record, kFieldCargoMax));
  row.push_back(Field(record, 46));
  return row;
}

}  // namespace

std::vector<kz::Variant> ShipTableRow(const clsTXTObject& record, const ShipSupport& support) {
  RowMemo memo;
  return TableRow(record, support, memo);
}

bool FormatShipTable(const clsTxtParser& ships, const ShipSupport& support, std::string& out, std::string& error) {
  out.clear();
  for (const std::string& c : ShipTableColumns())
    if (!AppendField(kz::Variant(c), out)) {
      error = kz::GetViDedodedError();
      return false;
    }
  out += kCrLf;
  RowMemo memo;
  out.reserve(static_cast<size_t>(ships.Count()) * 128 + out.size());
  for (const auto& record : ships.UnsortedObjects) {
    for (const kz::Variant& v : TableRow(*record, support, memo)) {
      if (!AppendField(v, out)) {
        error = "Ship index " + std::to_string(record->index) + ", name \"" + record->ObjectName() +
                "\": " + kz::GetViDedodedError();
        out.clear();
        return false;
      }
    }
    out += kCrLf;
  }
  return true;
}

std::string RecordStructure(const clsTXTObject& record, const clsShip* ship) {
  std::string out;
  for (int32_t i = 0; i < record.size(); ++i)
    out += std::to_string(i) + ": " + PropertyName(record, i, ship) + ": " + kz::CStr(record.Value(i)) + kCrLf;
  return out;
}

ExportResult WriteShipExport(const std::string& path, int32_t filterIndex, const clsTxtParser& ships,
                             const clsTXTObject& shown, const clsShip* shownShip, const ShipSupport& support,
                             std::string& error) {
  // Everything is made before the file is opened.
  std::string header, body;
  if (filterIndex == 1) {
    header = ShipTableHeader(ships.FileName) + kCrLf;
    if (!FormatShipTable(ships, support, body, error)) return ExportResult::Failed;
  } else if (filterIndex == 2) {
    header = RecordStructure(shown, shownShip);
  }

  const int32_t file = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  if (file == 0) {
    error = "Error opening file " + path + ":" + kCrLf + kz::GetRuDUError();
    return ExportResult::OpenFailed;
  }
  auto fail = [&](std::string text) {
    error = text.empty() ? "Error writing file " + path + "." : std::move(text);
    rudu::DiscardFile(file);
    return ExportResult::Failed;
  };
  if (filterIndex != 1 && filterIndex != 2) {
    // Nothing to write: the file stays as it was.
    rudu::DiscardFile(file);
    return ExportResult::Done;
  }
  {
    if (!header.empty() && Kz_TXTWriteFile(file, header) == 0) return fail(kz::GetViDedodedError());
    if (!body.empty() && RuDU_WriteFile(file, body.data(), static_cast<int32_t>(body.size())) !=
                             static_cast<int32_t>(body.size()))
      return fail(kz::GetRuDUError());
    if (RuDU_SetEndOfFile(file) == 0) return fail(kz::GetRuDUError());
  }
  if (RuDU_CloseFile(file) == 0) {
    error = kz::GetRuDUError();
    if (error.empty()) error = "The file " + path + " could not be saved.";
    return ExportResult::Failed;
  }
  return ExportResult::Done;
}

}  // namespace shippage
