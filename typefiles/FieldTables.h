#pragma once
// Field captions ("labels") and value types ("kinds") by field index, one table of each
// per kind of type file, and the small name lists of the ware-like pages.
//
// The tables come in families, each filled by its own initialising procedure that a page
// calls before its first use; calling one again refills the same values. A labels table
// holds an entry (possibly empty) for every index of its range and nothing beyond it; a
// kinds table holds a value type for every index of its range (0 for unlisted fields)
// and gives 0 outside it. Value types: 0 whole number, 1 floating point, 2 text.
//
// Which table serves a type code: FieldLabelsFor / FieldKindsFor below.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/NameTable.h"

namespace kz {

// Value types of fields, as the pages and the value dialog use them.
enum FieldValueType : int32_t { kFieldWhole = 0, kFieldFloat = 1, kFieldText = 2 };

// A table of value types over the field indices lbound..ubound.
class KindTable {
 public:
  KindTable() = default;
  // The indices lbound..ubound, every entry 0, then the listed (index, type) pairs.
  KindTable(int32_t lbound, int32_t ubound, std::initializer_list<std::pair<int32_t, int32_t>> entries = {}) {
    lbound_ = lbound;
    items_.assign(ubound >= lbound ? static_cast<size_t>(int64_t(ubound) - lbound + 1) : 0, 0);
    for (const auto& e : entries)
      if (Contains(e.first)) items_[static_cast<size_t>(e.first - lbound_)] = e.second;
  }

  int32_t LBound() const noexcept { return lbound_; }
  int32_t UBound() const noexcept { return static_cast<int32_t>(int64_t(lbound_) + int64_t(items_.size()) - 1); }
  int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
  bool Contains(int64_t i) const noexcept { return i >= lbound_ && i - lbound_ < int64_t(items_.size()); }
  // The value type of field i; 0 (whole number) outside the range.
  int32_t At(int64_t i) const noexcept { return Contains(i) ? items_[static_cast<size_t>(i - lbound_)] : 0; }
  int32_t operator[](int64_t i) const noexcept { return At(i); }

 private:
  int32_t lbound_ = 0;
  std::vector<int32_t> items_;
};

// ---- Labels -------------------------------------------------------------------------
extern NameTable TShieldsFieldLabels;     // 0-20
extern NameTable TLaserFieldLabels;       // 0-22
extern NameTable TMissilesFieldLabels;    // 0-36
extern NameTable TBulletsFieldLabels;     // 0-36
extern NameTable TWareFieldLabels;        // 5
extern NameTable TFactoriesFieldLabels;   // 0-28
extern NameTable TDocksFieldLabels;       // 0-27
extern NameTable TCockpitsFieldLabels;    // 7-8
extern NameTable TDebrisFieldLabels;      // 0-20
extern NameTable TAsteroidsFieldLabels;   // 0-21
extern NameTable TPlanetsFieldLabels;     // 0-37
extern NameTable TSunsFieldLabels;        // 7-8
extern NameTable TNebulaFieldLabels;      // 0-36
extern NameTable DefaultFieldLabels;      // 5-7
extern NameTable JobsFieldLabels;         // 0-120

// ---- Kinds --------------------------------------------------------------------------
extern KindTable TLaserFieldKinds;        // 11-12
extern KindTable TMissilesFieldKinds;     // 25-26
extern KindTable TBulletsFieldKinds;      // 16-18
extern KindTable TFactoriesFieldKinds;    // 8-18
extern KindTable TDocksFieldKinds;        // 8-17
extern KindTable TAsteroidsFieldKinds;    // 6-10
extern KindTable TPlanetsFieldKinds;      // 10
extern KindTable DefaultFieldKinds;       // 7

// ---- Name lists ---------------------------------------------------------------------
extern NameTable WareFileNames;     // 0-5: the six ware files (type 6)
extern NameTable WareSizeNames;     // 0-5: built-in names of the cargo sizes
extern NameTable FactorySizeNames;  // 0-10: 1, 2, 5 and 10 named, the rest empty

// ---- Initialising procedures (each refills its family) -------------------------------
void InitShieldTables();     // TShieldsFieldLabels
void InitLaserTables();      // TLaserFieldLabels, TLaserFieldKinds
void InitMissileTables();    // TMissilesFieldLabels, TMissilesFieldKinds
void InitWareTables();       // TWareFieldLabels, WareFileNames, WareSizeNames
void InitFactoryTables();    // TFactoriesFieldLabels, TFactoriesFieldKinds, FactorySizeNames
void InitBulletTables();     // TBulletsFieldLabels, TBulletsFieldKinds
void InitDockTables();       // TDocksFieldLabels, TDocksFieldKinds
void InitJobTables();        // JobsFieldLabels
void InitSmallTypeTables();  // cockpits, debris, asteroids, planets, suns, defaults
void InitNebulaTables();     // TNebulaFieldLabels
// Every procedure above, once.
void InitAllFieldTables();

// The names of the cargo size codes 0-5: the description server's page-1999 string
// 10 + code when it has a non-empty one, else the built-in name (LookupName of
// WareSizeNames, "Unknown value"/"N/A" as that gives). Fills the ware tables first
// when they are still empty.
std::vector<std::string> GetWareSizeNames();

// The labels and kinds table serving a type code (nullptr when the type has none:
// ships, jobs' kinds, cockpits' kinds, and codes outside the table). The tables of
// the type are filled first when they are still empty.
const NameTable* FieldLabelsFor(int32_t typeCode);
const KindTable* FieldKindsFor(int32_t typeCode);

}  // namespace kz
