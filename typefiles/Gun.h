#pragma once
// clsGun: one 6-value gun of a gun group. It holds no values of its own: every access
// goes to the group's ship record at `offset` + i.
//
// Values: [0] gun index (laser position), [1] count, [2] primary body ID, [3] primary
// path index, [4] secondary body ID, [5] secondary path index.
//
// The gun refers to its group without owning it; a gun that its group has dropped
// refers to none, and value access then raises AppError 91.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Variant.h"

class clsGunGroup;
class clsShip;
class clsXMLParser;

class clsGun : public kz::Object {
 public:
  int32_t offset = 0;  // index of value 0 in the ship record
  int32_t id = 0;      // unique within its group

  clsGun() = default;
  clsGun(const std::shared_ptr<clsGunGroup>& group, int32_t id, int32_t offset);

  // The owning group; null when the gun no longer belongs to one.
  std::shared_ptr<clsGunGroup> gg() const noexcept { return gg_.lock(); }
  void SetGroup(const std::shared_ptr<clsGunGroup>& group) noexcept { gg_ = group; }

  int32_t index() const;    // value 0
  std::string key() const;  // "<id>k"

  // Value i (0..5; outside: 0x80040064 "Index out of bounds", source "clsGun").
  kz::Variant Value(int32_t i) const;
  void SetValue(int32_t i, kz::Variant v);
  int32_t size() const noexcept { return 6; }
  bool TranslateValue(int32_t, std::string&) const noexcept { return false; }

  // Appends a "gun" element under the cursor's current node; the cursor returns there.
  bool ToXML(clsXMLParser& xml);

 private:
  clsShip& Ship() const;

  std::weak_ptr<clsGunGroup> gg_;
};

using GunPtr = std::shared_ptr<clsGun>;
