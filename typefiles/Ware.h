#pragma once
// clsWare: a thin wrapper of one ware-like record (wares, shields, lasers, missiles,
// factories, docks, ...) for the ware page.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Variant.h"
#include "typefiles/TXTObject.h"

class clsWare {
 public:
  TXTObjectPtr Object;  // the wrapped record

  clsWare() = default;
  explicit clsWare(TXTObjectPtr record) : Object(std::move(record)) {}

  // The wrapped record's size (0 without a record).
  int32_t size() const noexcept { return Object ? Object->size() : 0; }
  // The record's value i (AppError 9 outside the record; 91 without a record).
  kz::Variant Value(int32_t i) const;
  // Stores value i (Dirty as the record sets it).
  void SetValue(int32_t i, kz::Variant v);

  // Factories (7) and docks (10): the race name of field 13 ("Unknown value" for an empty
  // entry of the race table, "N/A" for a position outside it or a value that is no whole
  // number); "" for every other type.
  std::string Race() const;
};

using WarePtr = std::shared_ptr<clsWare>;

// The value as a whole number: numbers (and numeric texts) whose value is whole and lies
// in the 64-bit range. False for anything else (fractions, other texts, empty).
bool WholeValueOf(const kz::Variant& value, int64_t& out) noexcept;
// The same, in the 32-bit range.
bool WholeNumberOf(const kz::Variant& value, int32_t& out) noexcept;
