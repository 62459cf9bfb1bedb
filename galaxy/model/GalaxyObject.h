#pragma once
// clsGalaxyObject: one object of a universe map (a sector, or an object inside one).
// Objects are shared by reference; Parent is a back reference to the containing
// object (none for a sector and for a free-standing object).
#include <cstdint>
#include <memory>

#include "core/Variant.h"

class clsGalaxyObject : public kz::Object, public std::enable_shared_from_this<clsGalaxyObject> {
 public:
  // Object type code (1 = sector).
  int32_t otype() const noexcept;
  void SetOtype(int32_t t) noexcept;

  // The containing object, null at the top (or when it is gone).
  std::shared_ptr<clsGalaxyObject> Parent() const noexcept;
  void SetParent(const std::shared_ptr<clsGalaxyObject>& parent) noexcept;

 private:
  int32_t otype_ = 0;
  std::weak_ptr<clsGalaxyObject> parent_;
};
