#include "typefiles/GunGroup.h"

#include <cstdlib>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/XMLParser.h"
#include "typefiles/Ship.h"
#include "typefiles/Turret.h"

namespace {
constexpr const char* kSource = "clsGunGroup";

void Fail(const char* what) { throw kz::AppError(kz::kErrInvalidArgument, kSource, std::string("Cannot create element ") + what + "."); }
}  // namespace

clsGunGroup::clsGunGroup(const std::shared_ptr<clsShip>& ship, int32_t id_, int32_t offset_)
    : offset(offset_), id(id_), ship_(ship) {}

clsShip& clsGunGroup::Ship() const {
  std::shared_ptr<clsShip> s = ship_.lock();
  if (!s) throw kz::AppError(91, kSource, "Object variable or With block variable not set");
  return *s;
}

std::shared_ptr<clsTurret> clsGunGroup::turret() const {
  try {
    std::shared_ptr<clsShip> s = ship_.lock();
    if (!s) return nullptr;
    int32_t pos = SortIndex();
    if (pos < 1 || pos > s->Turrets.Count()) return nullptr;
    return s->Turrets.Item(pos);
  } catch (const kz::AppError&) {
    return nullptr;
  }
}

int32_t clsGunGroup::SortIndex() const { return Value(2); }
std::string clsGunGroup::key() const { return std::to_string(id) + "k"; }

int32_t clsGunGroup::SectionSize() const {
  return kz::round32(4.0 + 6.0 * std::abs(static_cast<double>(GunCount())));
}

int32_t clsGunGroup::Value(int32_t i) const {
  kz::CheckListIndex(i, 0, size() - 1, kSource);
  return clsShip::WholeValue(Ship().Value(offset + i));
}

void clsGunGroup::SetValue(int32_t i, int32_t v) {
  kz::CheckListIndex(i, 0, size() - 1, kSource);
  Ship().SetValue(offset + i, kz::Variant(v));
}

int32_t clsGunGroup::GunCount() const { return Value(3); }
int32_t clsGunGroup::InitialLaserPos() const { return Value(0); }
int32_t clsGunGroup::PseudoGunCount() const { return Value(1); }

void clsGunGroup::CreateGuns() {
  auto self = shared_from_this();
  const clsShip& ship = Ship();
  const int64_t recordSize = ship.size();
  const int32_t n = ship.WholeAt(offset + 3);  // the group's gun count
  for (int32_t k = 0; k < n; ++k) {
    const int64_t at = int64_t(offset) + 4 + 6 * int64_t(k);
    if (at + 6 > recordSize) break;  // a damaged count: only the guns the record holds
    auto gun = std::make_shared<clsGun>(self, NextGunId(), static_cast<int32_t>(at));
    Guns.Add(gun, gun->key());
  }
}

void clsGunGroup::ShiftOffset(int32_t delta) noexcept {
  offset += delta;
  for (auto& gun : Guns) gun->offset += delta;
}

GunPtr clsGunGroup::MakeNewGun() {
  clsShip& ship = Ship();
  auto gun = std::make_shared<clsGun>(shared_from_this(), NextGunId(), 0);
  ship.MakeNewGun(shared_from_this(), gun);  // files the gun in Guns as well
  ship.ReindexGuns();
  RefreshGunCount();
  return gun;
}

void clsGunGroup::RefreshGunCount() {
  clsShip& ship = Ship();
  int64_t pseudo = 0;
  for (const auto& gun : Guns) {
    int32_t count = clsShip::WholeValue(gun->Value(1));
    if (count > 0) pseudo += count;
  }
  SetValue(1, kz::round32(double(pseudo)));
  SetValue(3, Guns.Count());
  ship.RefreshGunCount();
  ship.ReindexGuns();
}

int32_t clsGunGroup::GetGunIndex(const GunPtr& gun) const {
  if (!gun) return -1;
  int32_t pos = 1;
  for (const auto& g : Guns) {
    if (g->id == gun->id) return pos;
    ++pos;
  }
  return -1;
}

bool clsGunGroup::RemoveGun(const GunPtr& gun) {
  clsShip& ship = Ship();
  ship.RemoveGun(shared_from_this(), GunPtr(gun));  // drops the gun from Guns as well
  ship.ReindexGuns();
  RefreshGunCount();
  return true;
}

bool clsGunGroup::ToXML(clsXMLParser& xml) {
  xml.Push();
  bool created = false;
  try {
    if (!xml.CreateNode("gunGroup")) Fail("gunGroup");
    created = true;
    for (int32_t i = 0; i < size(); ++i) {
      if (!xml.CreateNode("val", kz::Variant(Value(i)))) Fail("val");
      xml.up();
    }
    if (!xml.CreateNode("guns")) Fail("guns");
    bool ok = true;
    for (const auto& gun : Guns) ok = gun->ToXML(xml) && ok;
    if (!ok) throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot write a gun of the gun group.");
    xml.Pop();
    return true;
  } catch (const std::exception&) {
    xml.Pop();
    if (created) xml.DeleteNode("*[last()]");
    return false;
  }
}
