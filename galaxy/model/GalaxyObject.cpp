#include "galaxy/model/GalaxyObject.h"

int32_t clsGalaxyObject::otype() const noexcept { return otype_; }
void clsGalaxyObject::SetOtype(int32_t t) noexcept { otype_ = t; }

std::shared_ptr<clsGalaxyObject> clsGalaxyObject::Parent() const noexcept { return parent_.lock(); }
void clsGalaxyObject::SetParent(const std::shared_ptr<clsGalaxyObject>& parent) noexcept { parent_ = parent; }
