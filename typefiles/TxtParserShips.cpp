// Reading the ship layout. A ship record is one line of the file: the line's values are
// read whole, and its turret, gun group and gun counts must add up to them. A ship
// whose counts do not is kept as the values of its line, as they stand, and named in
// LineRecords, so that the file opens, the other ships load as they are and the record
// can be mended; a line too short for any ship still fails the load.
#include "typefiles/TxtParser.h"

#include <cmath>
#include <limits>
#include <string>

#include "core/AppError.h"
#include "core/Common.h"
#include "videdoded.h"

namespace {

constexpr int64_t kFixedValues = 55;  // fields 0 .. 54; 53 is the turret count
constexpr int64_t kTailValues = 10;   // the last values, the ID last
constexpr int64_t kSmallestShip = kFixedValues + kTailValues;
constexpr int32_t kTurretCountField = 53;

// A count of the ship layout, value i of a record: a whole number from 0 to the 32-bit
// maximum (read from its cell, without a copy of the value).
bool ShipCount(const clsTXTObject& record, int64_t i, int64_t& count) {
  const kz::VariantKind kind = record.KindAt(static_cast<int32_t>(i));
  if (kind != kz::VariantKind::Integer && kind != kz::VariantKind::Long && kind != kz::VariantKind::Single &&
      kind != kz::VariantKind::Double)
    return false;
  const double d = record.DoubleAt(static_cast<int32_t>(i));
  if (!std::isfinite(d) || d < 0 || d > std::numeric_limits<int32_t>::max() || d != std::floor(d)) return false;
  count = static_cast<int64_t>(d);
  return true;
}

std::string NotACount(const std::string& what, const kz::Variant& v) { return what + " is not a count: " + kz::CStr(v); }

std::string EndsWithin(int64_t size, const std::string& where) {
  return "its line ends after " + std::to_string(size) + " values, within " + where;
}

// Walks the counts of a ship's values (a whole line, at least the smallest ship): what
// does not add up, or "" when the counts end exactly at the line's end.
std::string ShipCountsMismatch(const clsTXTObject& record) {
  const int64_t size = record.size();
  auto at = [&record](int64_t i) { return record.Value(static_cast<int32_t>(i)); };
  int64_t turrets = 0;
  if (!ShipCount(record, kTurretCountField, turrets))
    return NotACount("the turret count (field 53)", at(kTurretCountField));
  int64_t end = kFixedValues + 4 * turrets;  // the gun group count is the last of these
  if (end > size) return EndsWithin(size, "the " + std::to_string(turrets) + " turret entries that field 53 counts");
  const int64_t groupsAt = end - 1;
  int64_t groups = 0;
  if (!ShipCount(record, groupsAt, groups))
    return NotACount("the gun group count (field " + std::to_string(groupsAt) + ")", at(groupsAt));
  for (int64_t g = 1; g <= groups; ++g) {
    const int64_t gunsAt = end + 3;
    end += 4;
    if (end > size)
      return EndsWithin(size, "the header of gun group " + std::to_string(g) + " of the " + std::to_string(groups) +
                                  " that field " + std::to_string(groupsAt) + " counts");
    int64_t guns = 0;
    if (!ShipCount(record, gunsAt, guns))
      return NotACount("the gun count of gun group " + std::to_string(g) + " (field " + std::to_string(gunsAt) + ")",
                       at(gunsAt));
    end += 6 * guns;
    if (end > size)
      return EndsWithin(size, "the " + std::to_string(guns) + " guns that field " + std::to_string(gunsAt) +
                                  " counts for gun group " + std::to_string(g));
  }
  end += kTailValues;
  if (end > size) return EndsWithin(size, "the " + std::to_string(kTailValues) + " values that end a ship");
  if (end < size)
    return "its counts add up to " + std::to_string(end) + " values, and its line holds " + std::to_string(size);
  return {};
}

}  // namespace

clsTXTObject* clsTxtParser::ReadShipRecord() {
  const int32_t line = Kz_TXTGetLine(doc_);
  const int64_t number = int64_t{counter_} + 1;
  const auto fail = [&](const std::string& why) {
    SetError("Error loading ship:\r\nShip " + std::to_string(number) +
             (line > 0 ? " (line " + std::to_string(line) + ")" : std::string()) + ": " + why);
    return nullptr;
  };
  if (line == 0) return fail("the file ends before it (its record count is " + std::to_string(countRead_) + ")");
  try {
    clsTXTObject* record = ReadLineRecord(line, static_cast<int32_t>(kSmallestShip - 1));
    if (!record || record->size() < kSmallestShip) return fail("its line holds fewer than the 65 values of the smallest ship");
    if (std::string what = ShipCountsMismatch(*record); !what.empty())
      lineRecords_.push_back(LineRecord{static_cast<int32_t>(number), line, std::move(what)});
    return record;
  } catch (const kz::AppError& e) {
    return fail(e.Description);
  }
}

bool clsTxtParser::ShipLinesEndTheFile() {
  if (lineRecords_.empty() || AtEnd()) return true;
  const LineRecord& first = lineRecords_.front();
  SetError("Error loading ship:\r\nShip " + std::to_string(first.id) + " (line " + std::to_string(first.line) +
           "): " + first.what + "; and the file holds more lines than its " + std::to_string(countRead_) +
           " ships (a ship may run over several lines)");
  return false;
}
