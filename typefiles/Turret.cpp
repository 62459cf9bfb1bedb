#include "typefiles/Turret.h"

#include "core/AppError.h"
#include "core/Common.h"
#include "core/XMLParser.h"
#include "typefiles/Cockpit.h"
#include "typefiles/Ship.h"
#include "typefiles/ShipTables.h"

namespace {
constexpr const char* kSource = "clsTurret";
constexpr int32_t kFirstDescriptor = 31;
constexpr int32_t kLastDescriptor = 42;

// Appends an element with a text under the current node and returns to it.
void AddTextNode(clsXMLParser& xml, const std::string& name, const kz::Variant& text) {
  if (!xml.CreateNode(name, text)) throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot create element " + name + ".");
  xml.up();
}
}  // namespace

clsTurret::clsTurret(const std::shared_ptr<clsShip>& ship, int32_t id_, int32_t offset_)
    : offset(offset_), id(id_), ship_(ship) {}

clsShip& clsTurret::Ship() const {
  std::shared_ptr<clsShip> s = ship_.lock();
  // The ship keeps its turrets, so a turret that can still reach its ship is one of them.
  if (!s) throw kz::AppError(91, kSource, "Object variable or With block variable not set");
  return *s;
}

int32_t clsTurret::index() const { return clsShip::WholeValue(Value(0)); }
int32_t clsTurret::SortIndex() const { return index(); }
bool clsTurret::IsTurret() const { return clsShip::WholeValue(Value(1)) != 0; }
std::string clsTurret::key() const { return std::to_string(id) + "k"; }

kz::Variant clsTurret::Value(int32_t i) const {
  kz::CheckListIndex(i, 0, size() - 1, kSource);
  return Ship().Value(offset + i);
}

void clsTurret::SetValue(int32_t i, kz::Variant v) {
  kz::CheckListIndex(i, 0, size() - 1, kSource);
  Ship().SetValue(offset + i, std::move(v));
}

int32_t clsTurret::PathIdx() const { return clsShip::WholeValue(Value(3)); }
std::string clsTurret::BodyID() const { return kz::CStr(Value(2)); }

int32_t clsTurret::DescriptorOffset() const { return kz::round32(31.0 + 2.0 * (double(index()) - 2.0)); }

bool clsTurret::HasDescriptor() const {
  if (!IsTurret()) return false;
  int64_t at = int64_t(kFirstDescriptor) + 2 * (int64_t(index()) - 2);
  return at >= kFirstDescriptor && at + 1 <= kLastDescriptor;
}

// The descriptor place of a real turret. An entry index outside 2..7 would put it on
// other fields of the fixed block, so it is refused rather than read or overwritten.
int32_t clsTurret::CheckedDescriptorOffset() const {
  if (!HasDescriptor())
    throw kz::AppError(kz::kErrShipIndex, kSource,
                       "Turret descriptor out of bounds (turret index " + std::to_string(index()) + ").");
  return DescriptorOffset();
}

int32_t clsTurret::DescriptorValue(int32_t i) const {
  kz::CheckListIndex(i, 0, 1, kSource);
  if (!IsTurret()) return 0;
  return clsShip::WholeValue(Ship().Value(CheckedDescriptorOffset() + i));
}

void clsTurret::SetDescriptorValue(int32_t i, int32_t v) {
  kz::CheckListIndex(i, 0, 1, kSource);
  if (!IsTurret()) throw kz::AppError(kz::kErrCockpitDescriptor, kSource, "Guns don't have turret descriptors.");
  Ship().SetValue(CheckedDescriptorOffset() + i, kz::Variant(v));
}

int32_t clsTurret::Position() const {
  if (!IsTurret()) return 0;
  return clsShip::WholeValue(Ship().Value(CheckedDescriptorOffset() + 1));
}

bool clsTurret::TranslateDescValue(int32_t i, std::string& text) const {
  if (i != 1) return false;
  int32_t pos = Position();
  if (pos == 0) return false;
  text = kz::LookupName(kz::TurretPositionNames, pos, true);
  return true;
}

std::string clsTurret::PositionName() const {
  if (!IsTurret()) return "front cockpit";
  std::string text;
  if (TranslateDescValue(1, text)) return text;
  return std::to_string(Position());
}

bool clsTurret::ToXML(clsXMLParser& xml) {
  xml.Push();
  bool created = false;
  try {
    if (!xml.CreateNode("turret")) throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot create element turret.");
    created = true;
    if (IsTurret()) {
      AddTextNode(xml, "position", kz::Variant(DescriptorValue(1)));
      if (!Cockpit || !Cockpit->Object)
        throw kz::AppError(91, kSource, "Object variable or With block variable not set");
      AddTextNode(xml, "cockpit_id", kz::Variant(Cockpit->Object->ObjectName()));
    }
    for (int32_t i = 0; i < size(); ++i) AddTextNode(xml, "val", Value(i));
    xml.Pop();
    lastError_.clear();
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    xml.Pop();
    if (created) xml.DeleteNode("*[last()]");
    return false;
  }
}
