#pragma once
// clsTurret: one 4-value turret entry of a ship record, with its 2-value descriptor in
// the record's fixed block. It holds no values of its own: every access goes to the
// ship's record at `offset` + i.
//
// Entry values: [0] index (1-based number of the entry; 1 is the main cockpit entry),
// [1] turret number (0 for the main cockpit entry), [2] body ID, [3] path index.
// Descriptor of a real turret with index n (2..7): record values 31 + 2(n - 2) and the
// one after: [0] turret type (0-based file position of a TCockpits record), [1] the
// position number (1..6).
//
// The turret refers to its ship without owning it; a turret that its ship has dropped
// (removed, or replaced by LoadObjects) refers to no ship, and every value access then
// raises AppError 91 instead of reading another object's data.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Variant.h"

class clsShip;
class clsCockpit;
class clsXMLParser;

class clsTurret : public kz::Object {
 public:
  std::shared_ptr<clsCockpit> Cockpit;  // the turret's cockpit record (read by ToXML only)
  int32_t offset = 0;                   // index of entry value 0 in the ship record
  int32_t id = 0;                       // unique within its ship

  clsTurret() = default;
  clsTurret(const std::shared_ptr<clsShip>& ship, int32_t id, int32_t offset);

  // The owning ship; null when the turret no longer belongs to one.
  std::shared_ptr<clsShip> ship() const noexcept { return ship_.lock(); }
  void SetShip(const std::shared_ptr<clsShip>& ship) noexcept { ship_ = ship; }

  int32_t index() const;      // value 0
  int32_t SortIndex() const;  // value 0
  bool IsTurret() const;      // value 1 <> 0 (False for the main cockpit entry)
  std::string key() const;    // "<id>k"

  // Descriptor value i (0: turret type, 1: position). Outside 0..1: 0x80040064 "List
  // index out of bounds.". Reading gives 0 for the main cockpit entry; storing there
  // raises 0x80040065 "Guns don't have turret descriptors.". A real turret whose index
  // lies outside 2..7 has no descriptor place in the record: 0x80040064.
  int32_t DescriptorValue(int32_t i) const;
  void SetDescriptorValue(int32_t i, int32_t v);

  // Entry value i (0..3; outside: 0x80040064 "List index out of bounds.").
  kz::Variant Value(int32_t i) const;
  void SetValue(int32_t i, kz::Variant v);

  int32_t PathIdx() const;     // value 3
  std::string BodyID() const;  // value 2
  int32_t size() const noexcept { return 4; }

  // Only for i = 1 with a position other than 0: the position's name ("N/A" outside
  // the table) and True; otherwise False and `text` untouched.
  bool TranslateDescValue(int32_t i, std::string& text) const;
  int32_t DescriptorOffset() const;  // 31 + 2 * (index - 2)
  int32_t Position() const;          // descriptor value 1 of a real turret, else 0
  // "front cockpit" for the main cockpit entry; the position's name, or its number.
  std::string PositionName() const;
  // True when the entry is a real turret whose descriptor lies in 31..42.
  bool HasDescriptor() const;

  // Appends a "turret" element under the cursor's current node; the cursor returns to
  // that node. False (with the error in GetLastError) on failure.
  bool ToXML(clsXMLParser& xml);
  const std::string& GetLastError() const noexcept { return lastError_; }

 private:
  clsShip& Ship() const;
  int32_t CheckedDescriptorOffset() const;

  std::weak_ptr<clsShip> ship_;
  std::string lastError_;
};

using TurretPtr = std::shared_ptr<clsTurret>;
