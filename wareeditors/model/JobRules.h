#pragma once
// The rules of the job page (records of the jobs file, type 19).
//
// The page addresses a job's fields by their number in the newest layout (120 values,
// logical fields 0 to 119). Older files keep fewer values; the record's value count
// decides where a logical field lies:
//   120 values: field n at n;
//   119 values: the newest layout without logical field 54 (n at n up to 53, at n - 1
//               from 55 on);
//   117 values: without logical fields 37, 54 and 86 (n up to 36 at n; 38..53 at
//               n - 1; 55..85 at n - 2; 87 on at n - 3);
//   any other count: n at n, as far as the record reaches.
// A logical field a layout lacks is absent: it reads as nothing and is never written,
// so an edit can never land on a neighbouring field.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Variant.h"
#include "typefiles/TXTObject.h"
#include "typefiles/TxtParser.h"

namespace mdlJob {

constexpr int32_t kJobsType = 19;
constexpr int32_t kLogicalFields = 120;

// Logical fields with a fixed meaning.
enum JobField : int32_t {
  kID = 0,
  kName = 1,
  kDescription = 6,   // text ID of page 1000
  kShipName = 8,      // custom text ID of page 17
  kShipNameFlags = 9,  // 9-12: show race, corporation, ship type, variant name
  kWingGroup = 13,
  kWareList = 14,
  kShipType = 18,
  kShipClasses = 19,   // 19-27
  kShipRaces = 28,     // 28-37
  kShipVariants = 38,  // 38-54
  kSectorFlags = 58,   // 58-63
  kSectorFlagsInverted = 64,
  kSectorX = 65,
  kSectorY = 66,
  kCreationFlags = 67,  // 67-71
  kChanceDocked = 72,
  kOwnerRaces = 78,  // 78-87
  kDrones = 90,
  kWeaponForbid = 91,  // 91-95
  kWeaponAllow = 96,   // 96-103
  kPlacement = 110,    // 110-114
  kClassification = 115,  // 115-118
};

// ---- Field mapping -------------------------------------------------------------------

// The record field of logical field n in a record of `size` values; -1 when the layout
// lacks it or it lies outside the record.
int32_t MapJobField(int32_t size, int32_t n);
inline int32_t MapJobField(const clsTXTObject& o, int32_t n) { return MapJobField(o.size(), n); }
inline bool HasJobField(const clsTXTObject& o, int32_t n) { return MapJobField(o, n) >= 0; }
// The value of logical field n; Empty when absent.
kz::Variant GetJobField(const clsTXTObject& o, int32_t n);
// Stores v in logical field n; false (nothing written) when absent.
bool SetJobField(clsTXTObject& o, int32_t n, const kz::Variant& v);
// A check box's state: the field is present and holds a number other than 0 (a
// numeric text counts as its number, any other text as 0).
bool JobFlag(const clsTXTObject& o, int32_t n);
// A value as a whole number, converted as the program converts (halves to even);
// false for texts that are no number, values out of range and Empty.
bool WholeValue(const kz::Variant& v, int32_t& out);
bool JobFieldLong(const clsTXTObject& o, int32_t n, int32_t& out);

// ---- Host answers ------------------------------------------------------------------

// Values of a new record for a file version (8: 117, 9: 119, 10: 120); 0 for others.
int32_t JobRecordSize(int32_t version);
// "Unkown object size for Job version <version>" (the text as users know it).
std::string UnknownSizeError(int32_t version);
// GetJobField(0) & " - " & GetJobField(1).
std::string JobObjectName(const clsTXTObject& o);
// The job's display name: its ID, " - ", then the custom ship name, or the owner race,
// the description and the variant name (see the page's host answers).
std::string JobResourceName(const clsTXTObject& o);
// The caption of a field index: the job label ("Unknown value" for an empty entry,
// "N/A" outside 0..120).
std::string JobPropertyName(int32_t index);
// 2 (text) for fields 1, 4 and 5; 0 (whole number) for every other.
int32_t JobValueType(int32_t index);
// The next free job ID: one more than the greatest whole-number ID (field 0 stored as
// a number, texts ignored; 0 when there is none). False, with the reason in `error`,
// when that would pass 2147483647.
bool NextJobID(const clsTxtParser& jobs, int32_t& id, std::string& error);

// ---- Ship type tab -----------------------------------------------------------------

// A ship's entry in the ship-type combo: with descriptions, its race, its name and its
// variant name, then "(" & ID & ")", joined by single blanks; without, the ID alone.
std::string ShipDisplayName(const clsTXTObject& ship, bool descriptions);
// The entries of the ship-type combo ("[empty]", then one per ship in file order) and
// the way between a job's field 18 and an entry. An entry's text is made when it is
// first asked for, and the index of the ship IDs at the first look-up, so a file of
// many ships costs nothing until its entries are seen.
class ShipCombo {
 public:
  ShipCombo() = default;
  ShipCombo(TxtParserPtr ships, bool descriptions);

  // Number of entries, "[empty]" included.
  int32_t Count() const noexcept { return ships_ ? ships_->Count() + 1 : 1; }
  // The text of an entry ("" outside the list).
  const std::string& Text(int32_t item) const;
  // The entry of a job: the ship's file position + 1; 0 when field 18 names no ship.
  int32_t IndexOf(const clsTXTObject& job) const;
  // The ship ID of an entry; "" for entry 0 and entries outside the list.
  std::string ShipID(int32_t item) const;

  // The texts looked up and the entries made (shared by copies of the combo).
  struct TextCache;

 private:
  TxtParserPtr ships_;
  bool descriptions_ = false;
  std::shared_ptr<TextCache> cache_;
  mutable std::unordered_map<std::string, int32_t> positions_;  // ID -> entry
  mutable bool indexed_ = false;
};
// The preview of the custom ship name: the page-17 text, "[17:<id>]" when the ID is
// not 0 and has no text, else empty.
std::string ShipNamePreview(const clsTXTObject& job);
// Number of variant boxes that a record of `size` values fills (17 from 120 on, else 16).
int32_t VariantCount(int32_t size);
// The caption of variant box `index` (0-16): page-17 text 10000 + index (10020 for box
// 16), or the text store's placeholder.
std::string VariantCaption(int32_t index);
// The classification option of a job: the first of 115..118 set, -1 when none is.
int32_t Classification(const clsTXTObject& job);

// ---- Property rows (Info and equipment lists) ------------------------------------------

struct PropertyRow {
  std::string caption;
  std::string value;
  std::string offset;  // the record field index; empty for rows without a field
  int32_t tag;         // the logical field; -1 for rows that cannot be edited
};
// Info rows: 0, 1, "Description text", 6, 4, 5, 2, 3, 13-17, 55-57, 109, 73; rows of
// absent fields are left out.
std::vector<PropertyRow> InfoRows(const clsTXTObject& job);
// Equipment rows: 88, 89, 106-108, 74-77.
std::vector<PropertyRow> EquipmentRows(const clsTXTObject& job);

// ---- Wings tab ------------------------------------------------------------------------

struct WingRow {
  std::string id;    // "<job ID> - <job name>", or "<value> (not found)"
  std::string name;  // the job's description text
};
struct WingView {
  bool found = false;        // a wing with the job's group ID exists
  std::string missing;       // the not-found column's caption ("" with two columns)
  std::vector<WingRow> rows;
};
// The jobs of a file by their ID (field 0), kept between fills: a job found is checked
// to be still in the file with that ID, and the index is built again when the file's
// record count changed or a check fails (at most once per fill).
class JobIndex {
 public:
  // The first job in file order whose field 0 equals `value` (numbers by value, texts
  // exactly); null when none. `rebuilt` is set once the index was built during this fill.
  const clsTXTObject* Find(const clsTxtParser& jobs, const kz::Variant& value, bool& rebuilt);

 private:
  void Rebuild(const clsTxtParser& jobs);
  const clsTXTObject* Lookup(const kz::Variant& value) const;
  static bool Holds(const clsTxtParser& jobs, const clsTXTObject* job, const kz::Variant& value);

  const clsTxtParser* parser_ = nullptr;
  int32_t count_ = -1;
  // The records are held, so a record taken out of the file is still safe to check.
  std::unordered_map<double, TXTObjectPtr> byNumber_;
  std::unordered_map<std::string, TXTObjectPtr> byText_;
};

// The wing of a job: the first wing record whose field 0 equals the job's group ID,
// one row per job it lists (looked up by field 0 among `jobs`, first in file order),
// through `index` when given (else an index made for this call).
WingView WingRows(const clsTXTObject& job, const clsTxtParser* wings, const clsTxtParser* jobs,
                  JobIndex* index = nullptr);

}  // namespace mdlJob
