#pragma once
// clsShip: one record of a TShips type file, with its variable part seen as turrets,
// gun groups and guns.
//
// Record layout (0-based; T = turret entries, G = gun groups):
//   0 .. 53            fixed fields: 19 = total gun count (sum of the groups' pseudo
//                      gun counts), 31 .. 42 = the descriptors of the real turrets,
//                      53 = T (the main cockpit entry included)
//   54 .. 54+4T-1      T turret entries of 4 values
//   54+4T              G (GGCountOffset)
//   55+4T ..           G gun groups back to back: a 4-value header, then 6 values per gun
//   last 10 values     the tail; the last value is the record's ID
// A consistent record has 65 + 4T + sum(4 + 6|g|) values.
//
// The operations that add or remove turrets and guns keep these invariants: value 53 is
// the number of turret objects, value 54+4T the number of gun-group objects, each group's
// header value 3 the number of its gun objects, and every object's offset points at its
// own data. They first check that the objects still match the record (a direct edit of
// the counts makes them stale until the next LoadObjects) and refuse otherwise; an
// operation that fails leaves the record and the objects exactly as they were.
//
// A ship must be owned by a std::shared_ptr (its turrets and groups refer back to it).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Collection.h"
#include "core/Variant.h"
#include "typefiles/GunGroup.h"
#include "typefiles/TXTObject.h"
#include "typefiles/Turret.h"

class clsXMLParser;

class clsShip : public kz::Object, public std::enable_shared_from_this<clsShip> {
 public:
  TXTObjectPtr Object;                      // the wrapped record
  kz::Collection<TurretPtr> Turrets;        // ascending SortIndex
  kz::Collection<GunGroupPtr> GunGroups;    // ascending SortIndex
  TXTObjectPtr Shield;                      // read by ToXML only
  kz::Collection<TXTObjectPtr> Lasers;      // read by ToXML only
  TXTObjectPtr Missile;                     // read by ToXML only

  // Sizes and offsets of the layout.
  static constexpr int32_t kNewShipSize = 65;
  static constexpr int32_t kTurretCountField = 53;
  static constexpr int32_t kGunCountField = 19;
  static constexpr int32_t kFirstTurretEntry = 54;
  static constexpr int32_t kTailSize = 10;
  static constexpr int32_t kMaxTurretEntries = 7;

  clsShip();  // a new empty record, no objects
  explicit clsShip(TXTObjectPtr record);
  ~clsShip() override;
  clsShip(const clsShip&) = delete;
  clsShip& operator=(const clsShip&) = delete;

  std::string key() const;  // the record's key
  int32_t size() const;     // the record's size
  // Race name of value 45 / ship class name of value 5 from the shared tables; "N/A"
  // for a position outside the table.
  std::string Race() const;
  std::string Class() const;
  int32_t TurretCount() const;  // value 53
  int32_t GunCount() const;     // value 19
  int32_t GunSectionsCount() const;  // the value at GGCountOffset
  void SetGunSectionsCount(int32_t v);
  int32_t GGCountOffset() const;  // 54 + 4 * TurretCount
  int32_t SectionTurrets() const noexcept { return kFirstTurretEntry; }
  // 55 + 4 * TurretCount + the groups' section sizes: the index of the first tail value.
  int32_t DynamicDataOffset() const;

  kz::Variant Value(int32_t i) const;
  void SetValue(int32_t i, kz::Variant v);

  // Appends a turret entry and an empty gun group for it. 0x80040064 "Maximum number of
  // turrets reached." with 7 entries already (nothing changed).
  TurretPtr MakeNewTurret();
  // Removes the last turret entry and its own gun group (the group whose turret number
  // is the turret's; none when it has none). False with "Error removing turret: " CRLF
  // and the reason in GetLastError (nothing changed then).
  bool RemoveTurret(const TurretPtr& turret);
  // Inserts 6 empty values for `gun` behind the group's last gun and files the gun in
  // the group's Guns; raises the group's gun count and field 19. The public way is
  // clsGunGroup::MakeNewGun. 0x80040064 "Invalid gun group passed." for a foreign group.
  void MakeNewGun(const GunGroupPtr& group, const GunPtr& gun);
  // Removes the group's last gun (data and object). 0x80040064 for a foreign group
  // ("Invalid gun group passed."), a gun the group does not hold ("Invalid gun
  // passed.") or one that is not its last ("Can only remove last gun.").
  void RemoveGun(const GunGroupPtr& group, const GunPtr& gun);

  // Rebuilds Turrets and GunGroups (with their guns) from the record. False with the
  // reason in GetLastError; a turret count whose entries would lie outside the record
  // is refused. Gun groups and guns that a damaged record claims but does not hold are
  // not built: the ship loads, Validate reports them, and edits of its turrets and guns
  // are refused until the record is mended.
  bool LoadObjects();
  const std::string& GetLastError() const noexcept { return lastError_; }
  // 1-based position of that very object in Turrets; 0x80040064 "Invalid turret passed."
  int32_t GetTurretIndex(const TurretPtr& turret) const;
  // The record becomes a new ship of 65 values (no turrets, no groups, empty ID).
  void Construct();
  // Appends a "ship" element under the cursor's current node; the cursor returns there.
  bool ToXML(clsXMLParser& xml);
  // Checks that every object's data lies in the record and that the stored size and gun
  // count agree; False with a report in GetLastError.
  bool Validate();
  // Initial laser positions follow the pseudo gun counts from the first group's start;
  // field 19 = their sum.
  void RefreshGunCount();
  // Every group's guns get value 0 = the group's initial laser position, +1, +2, ...
  void ReindexGuns();
  // Turrets get value 0 = 1, 2, 3, ... and the groups header value 2 = 1, 2, 3, ...
  void ReindexTurrets();

  // A value of the variable part read as a whole number: a blank field (empty, or a
  // text of blanks, as a gun left unfilled reads back from a file) counts as 0; other
  // texts raise AppError 13 as CLng does.
  static int32_t WholeValue(const kz::Variant& v);
  // Value i of the record read as WholeValue reads it, without copying a whole number.
  int32_t WholeAt(int32_t i) const;

  // One more than the largest gun value 0 over all guns; 1 when the ship has none.
  int32_t NextLaserNumber() const;
  // Record index of the first gun of the gun group at 0-based position i, walking the
  // stored headers from 55 + 4 * TurretCount.
  int32_t GunGroupGunsOffset(int32_t i) const;

 private:
  struct Snapshot;
  // Raises 0x80040064 when the objects no longer match the record's counts and layout.
  void CheckObjects() const;
  Snapshot Take() const;
  void Restore(Snapshot& s) noexcept;
  int32_t SumSectionSizes() const;
  static void Detach(const TurretPtr& t) noexcept;
  static void Detach(const GunGroupPtr& g) noexcept;
  void DetachAll() noexcept;

  int32_t turretCounter_ = 0;
  int32_t groupCounter_ = 0;
  std::string lastError_;
};

using ShipPtr = std::shared_ptr<clsShip>;
