#include "galaxy/model/Property.h"

void clsProperty::CopyTo(clsProperty& target) const {
  target.Name = Name;
  target.Value = Value;
}

std::shared_ptr<clsProperty> clsProperty::Clone() const { return std::make_shared<clsProperty>(Name, Value); }
