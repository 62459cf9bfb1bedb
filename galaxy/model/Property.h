#pragma once
// clsProperty: one attribute of a universe-map object: its name and its value (a 32-bit
// integer or a text as read from a file; whatever kind the program set otherwise; Empty
// for a value never set).
#include <memory>
#include <string>
#include <vector>

#include "core/Variant.h"

class clsProperty : public kz::Object {
 public:
  clsProperty() = default;
  clsProperty(std::string name, kz::Variant value) : Name(std::move(name)), Value(std::move(value)) {}

  std::string Name;
  kz::Variant Value;

  // The property's key in its object: its name.
  const std::string& key() const noexcept { return Name; }
  // Gives the target this property's name and value.
  void CopyTo(clsProperty& target) const;
  // A new property with the same name and value.
  std::shared_ptr<clsProperty> Clone() const;
};

using PropertyPtr = std::shared_ptr<clsProperty>;

// Where a document makes the properties it reads: in chunks, each property handed out
// sharing the arena's ownership (the arena lives while any of its properties does).
class PropertyArena {
 public:
  // A property in the arena, owned through `self` (the arena's own pointer).
  static PropertyPtr Make(const std::shared_ptr<PropertyArena>& self, const char* name, kz::Variant value);

 private:
  static constexpr size_t kChunk = 1024;
  std::vector<std::unique_ptr<clsProperty[]>> chunks_;
  size_t used_ = kChunk;
};
