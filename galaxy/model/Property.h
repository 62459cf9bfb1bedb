#pragma once
// clsProperty: one attribute of a universe-map object: its name and its value (a 32-bit
// integer or a text as read from a file; whatever kind the program set otherwise; Empty
// for a value never set).
#include <memory>
#include <string>

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
