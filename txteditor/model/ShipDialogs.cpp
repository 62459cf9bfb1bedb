#include "txteditor/model/ShipDialogs.h"

#include <cmath>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/Variant.h"
#include "typefiles/ShipTables.h"

namespace shippage {

namespace {

DialogCheck Message(const char* text) { return {DialogCheck::Message, text}; }
DialogCheck Invalid() { return {DialogCheck::InvalidNumber, ""}; }

// A number text rounded to a 32-bit integer; false for no number or out of range.
bool Rounded(const std::string& text, int32_t& n) {
  double d = 0;
  if (!kz::TryParseNumber(text, d) || !std::isfinite(d)) return false;
  try {
    n = kz::round32(d);
  } catch (const kz::AppError&) {
    return false;
  }
  return true;
}

bool IsNumber(const std::string& text) {
  double d = 0;
  return kz::TryParseNumber(text, d);
}

}  // namespace

DialogCheck CheckTurret(const TurretInput& in, TurretValues& out) {
  if (in.path.empty()) return Message("Path index not specified");
  if (!IsNumber(in.path)) return Message("Path index must be whole number");
  if (in.body.empty()) return Message("Body ID not specified");
  TurretValues v;
  v.body = in.body;
  if (!Rounded(in.path, v.path)) return Invalid();
  if (in.checkDescriptor) {
    if (kz::TurretPositionNames.Empty()) kz::InitShipTables();
    if (!kz::FindStringIndex(in.position, kz::TurretPositionNames, v.position)) {
      if (!IsNumber(in.position) || !Rounded(in.position, v.position)) return Invalid();
    }
    if (in.selectedType >= 0) {
      v.type = in.selectedType;
    } else if (IsNumber(in.typeText)) {
      if (!Rounded(in.typeText, v.type)) return Invalid();
    } else {
      v.type = -1;
      for (const auto& [text, data] : in.typeEntries)
        if (text == in.typeText) {
          v.type = data;
          break;
        }
    }
  }
  out = v;
  return {};
}

TurretPtr ApplyTurret(clsShip& ship, TurretPtr turret, const TurretValues& values) {
  const bool created = !turret;
  if (created) turret = ship.MakeNewTurret();
  try {
    turret->SetValue(2, kz::Variant(values.body));
    turret->SetValue(3, kz::Variant(values.path));
    // The first turret of a ship is its main cockpit entry: it has no descriptor.
    if (turret->IsTurret()) {
      turret->SetDescriptorValue(0, values.type);
      turret->SetDescriptorValue(1, values.position);
    }
  } catch (...) {
    if (created) ship.RemoveTurret(turret);
    throw;
  }
  return turret;
}

DialogCheck CheckGun(const GunInput& in, GunValues& out) {
  if (in.count.empty()) return Message("Count not specified");
  if (!IsNumber(in.count)) return Message("Count must be whole number");
  if (in.body0.empty()) return Message("Primary Body ID not specified");
  if (in.path0.empty()) return Message("Primary Path index not specified");
  if (!IsNumber(in.path0)) return Message("Primary Path index must be whole number");
  GunValues v;
  if (!Rounded(in.count, v.count) || !Rounded(in.path0, v.path0)) return Invalid();
  v.body0 = in.body0;
  v.body1 = in.body1;
  // The secondary path: empty (stored as -1) or a number, taken as the primary one is.
  if (in.path1.empty())
    v.path1 = -1;
  else if (!IsNumber(in.path1))
    return Message("Secondary Path index must be whole number");
  else if (!Rounded(in.path1, v.path1))
    return Invalid();
  out = v;
  return {};
}

GunPtr ApplyGun(clsGunGroup& group, GunPtr gun, const GunValues& values) {
  const bool created = !gun;
  if (created) gun = group.MakeNewGun();
  try {
    gun->SetValue(1, kz::Variant(values.count));
    gun->SetValue(2, kz::Variant(values.body0));
    gun->SetValue(4, kz::Variant(values.body1));
    gun->SetValue(3, kz::Variant(values.path0));
    gun->SetValue(5, kz::Variant(values.path1));
    group.RefreshGunCount();
  } catch (...) {
    if (created) {
      try {
        group.RemoveGun(gun);
      } catch (...) {
      }
    }
    throw;
  }
  return gun;
}

}  // namespace shippage
