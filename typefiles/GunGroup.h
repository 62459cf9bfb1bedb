#pragma once
// clsGunGroup: one gun group of a ship record: a 4-value header followed by its guns,
// 6 values each. It holds no values of its own: every access goes to the ship's record
// at `offset` + i.
//
// Header: [0] initial laser position, [1] pseudo gun count (sum of the guns' counts
// that are greater than 0), [2] turret index (1-based entry number of its turret),
// [3] gun count.
//
// The group refers to its ship without owning it; a group that its ship has dropped
// refers to no ship, and value access then raises AppError 91.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Collection.h"
#include "typefiles/Gun.h"

class clsShip;
class clsTurret;
class clsXMLParser;

class clsGunGroup : public kz::Object, public std::enable_shared_from_this<clsGunGroup> {
 public:
  int32_t offset = 0;               // index of header value 0 in the ship record
  kz::Collection<GunPtr> Guns;      // in data order, keyed by the guns' keys
  int32_t id = 0;                   // unique within its ship

  clsGunGroup() = default;
  clsGunGroup(const std::shared_ptr<clsShip>& ship, int32_t id, int32_t offset);

  std::shared_ptr<clsShip> ship() const noexcept { return ship_.lock(); }
  void SetShip(const std::shared_ptr<clsShip>& ship) noexcept { ship_ = ship; }

  // The turret at position `SortIndex` of the ship's Turrets; null when there is none.
  std::shared_ptr<clsTurret> turret() const;
  int32_t SortIndex() const;  // value 2
  std::string key() const;    // "<id>k"
  // 4 + 6 * |GunCount| (the header and the guns). AppError 6 when out of range.
  int32_t SectionSize() const;

  // Header value i (0..3; outside: 0x80040064 "List index out of bounds.") as a whole
  // number; stored as one.
  int32_t Value(int32_t i) const;
  void SetValue(int32_t i, int32_t v);
  int32_t size() const noexcept { return 4; }
  int32_t GunCount() const;         // value 3
  int32_t InitialLaserPos() const;  // value 0
  int32_t PseudoGunCount() const;   // value 1
  bool TranslateValue(int32_t, std::string&) const noexcept { return false; }

  // Builds one gun object per stored gun behind the header (called once the offset is set).
  void CreateGuns();
  // Moves the group and its guns by delta places in the record.
  void ShiftOffset(int32_t delta) noexcept;
  // Appends a new gun (6 empty values) behind the group's last gun, then renumbers the
  // guns and refreshes the counts. Returns the gun.
  GunPtr MakeNewGun();
  // Pseudo gun count and gun count from the guns, then the ship's initial laser
  // positions, field 19 and the gun numbering.
  void RefreshGunCount();
  // 1-based position in Guns of the gun with the same id; -1 when none.
  int32_t GetGunIndex(const GunPtr& gun) const;
  // Removes the group's last gun (only the last one may be passed), then renumbers and
  // refreshes the counts. AppError 0x80040064 for any other gun.
  bool RemoveGun(const GunPtr& gun);
  // Appends a "gunGroup" element under the cursor's current node; the cursor returns.
  bool ToXML(clsXMLParser& xml);

  // The id the next new gun of this group gets.
  int32_t NextGunId() noexcept { return ++gunCounter_; }

 private:
  clsShip& Ship() const;

  std::weak_ptr<clsShip> ship_;
  int32_t gunCounter_ = 0;
};

using GunGroupPtr = std::shared_ptr<clsGunGroup>;
