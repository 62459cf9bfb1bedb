#pragma once
// clsTXTObject: one record of a type file. A zero-based list of values addressed by
// field index; the last value is the record's ID (its name in the game data).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Variant.h"

class clsTXTObject : public kz::Object {
 public:
  int32_t otype = 0;   // type code of the file the record belongs to (0: none set)
  int32_t index = 0;   // 0-based position in its parser's file order
  int32_t id = 0;      // key number, unique within a parser
  bool Dirty = false;  // changed since read or saved

  clsTXTObject() = default;

  // "<id>k", the record's key in its parser's collections.
  std::string key() const;
  int32_t size() const noexcept { return static_cast<int32_t>(values_.size()); }

  // Value i (0-based); AppError 9 (subscript out of range) outside 0..size-1.
  const kz::Variant& Value(int32_t i) const;
  // Stores v at i; Dirty becomes True when v differs from the stored value
  // (a number never equals a text). AppError 9 outside 0..size-1.
  void SetValue(int32_t i, kz::Variant v);

  // The last value as text; "" when there are no values.
  std::string ObjectName() const;
  // Stores the text as the last value (through SetValue). AppError 9 when empty.
  void SetObjectName(const std::string& name);

  // Replaces the values by n values of the 16-bit integer 0, then the last one by ""
  // (so Dirty becomes True). AppError 5 when n < 1.
  void Construct(int32_t n);
  // Copies id, otype, index and Dirty to target, then target.Construct(size) and every
  // value through target.SetValue. A record without values leaves target without values.
  void CopyTo(clsTXTObject& target) const;
  // A new record made with CopyTo (same key number).
  std::shared_ptr<clsTXTObject> Clone() const;

  // Makes room for count empty values before pos (1 <= pos <= size-1). Dirty unchanged.
  // AppError 9 for a position outside that range, 5 for a negative count.
  void InsertSpaceToArray(int32_t pos, int32_t count);
  // Drops count values from pos (pos >= 1, pos + count <= size-1). Dirty unchanged.
  void RemoveSpaceFromArray(int32_t pos, int32_t count);

  // The record as one type-file line: every value as text followed by ";", no line end.
  std::string GetObjectTData() const;

  // Fixed positions of ware-like records, counted from the end, as 32-bit integers.
  int32_t Volume() const;
  void SetVolume(int32_t v);
  int32_t Price() const;
  void SetPrice(int32_t v);
  int32_t PriceVarPrim() const;
  void SetPriceVarPrim(int32_t v);
  int32_t PriceVarSec() const;
  void SetPriceVarSec(int32_t v);
  // Every field has an empty property name here.
  std::string PropertyName(int32_t i) const;

  // No operation of a record sets an error: always "".
  const std::string& GetLastError() const noexcept;

  // Whole value list, for the readers and the ship model (no Dirty bookkeeping).
  const std::vector<kz::Variant>& Values() const noexcept { return values_; }
  void AssignValues(std::vector<kz::Variant>&& values) noexcept { values_ = std::move(values); }

 private:
  int32_t TailIndex(int32_t fromEnd, const char* source) const;

  std::vector<kz::Variant> values_;
};

using TXTObjectPtr = std::shared_ptr<clsTXTObject>;
