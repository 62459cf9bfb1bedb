#include "galaxy/model/Property.h"

void clsProperty::CopyTo(clsProperty& target) const {
  target.Name = Name;
  target.Value = Value;
}

std::shared_ptr<clsProperty> clsProperty::Clone() const { return std::make_shared<clsProperty>(Name, Value); }

PropertyPtr PropertyArena::Make(const std::shared_ptr<PropertyArena>& self, const char* name, kz::Variant value) {
  PropertyArena& a = *self;
  if (a.used_ == kChunk) {
    a.chunks_.push_back(std::make_unique<clsProperty[]>(kChunk));
    a.used_ = 0;
  }
  clsProperty* p = &a.chunks_.back()[a.used_++];
  p->Name = name;
  p->Value = std::move(value);
  return PropertyPtr(self, p);
}
