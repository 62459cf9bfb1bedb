#include "typefiles/Gun.h"

#include "core/AppError.h"
#include "core/XMLParser.h"
#include "typefiles/GunGroup.h"
#include "typefiles/Ship.h"

namespace {
constexpr const char* kSource = "clsGun";
}

clsGun::clsGun(const std::shared_ptr<clsGunGroup>& group, int32_t id_, int32_t offset_)
    : offset(offset_), id(id_), gg_(group) {}

clsShip& clsGun::Ship() const {
  std::shared_ptr<clsGunGroup> g = gg_.lock();
  std::shared_ptr<clsShip> s = g ? g->ship() : nullptr;
  if (!s) throw kz::AppError(91, kSource, "Object variable or With block variable not set");
  return *s;
}

int32_t clsGun::index() const { return clsShip::WholeValue(Value(0)); }
std::string clsGun::key() const { return std::to_string(id) + "k"; }

kz::Variant clsGun::Value(int32_t i) const {
  if (i < 0 || i >= size()) throw kz::AppError(kz::kErrShipIndex, kSource, "Index out of bounds");
  return Ship().Value(offset + i);
}

void clsGun::SetValue(int32_t i, kz::Variant v) {
  if (i < 0 || i >= size()) throw kz::AppError(kz::kErrShipIndex, kSource, "Index out of bounds");
  Ship().SetValue(offset + i, std::move(v));
}

bool clsGun::ToXML(clsXMLParser& xml) {
  xml.Push();
  bool created = false;
  try {
    if (!xml.CreateNode("gun")) throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot create element gun.");
    created = true;
    for (int32_t i = 0; i < size(); ++i) {
      if (!xml.CreateNode("val", Value(i))) throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot create element val.");
      xml.up();
    }
    xml.Pop();
    return true;
  } catch (const std::exception&) {
    xml.Pop();
    if (created) xml.DeleteNode("*[last()]");
    return false;
  }
}
