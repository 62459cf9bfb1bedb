#include "galaxy/model/SectorMapModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Common.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/MapSurfaceRules.h"

namespace mdlSectorMap {

using mdlMapSurface::ClampLong;
using mdlMapSurface::ClampPixel;
using mdlMapSurface::NegateLong;
using mdlMapSurface::RoundLong;

namespace {
std::string Fixed3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s = buf;
  if (s == "-0.000") s = "0.000";
  return s;
}
}  // namespace

const std::string& LineText(const MapRecord& r, const MapLabelLine& line) noexcept {
  switch (line.kind) {
    case MapLine::Gate:
      return r.GateText;
    case MapLine::ID:
      return r.IDText;
    default:
      return r.Name;
  }
}

int32_t SymbolHalfSize(int32_t type) noexcept {
  switch (type) {
    case kTypeSun:
    case kTypePlanet:
      return 5;
    case kTypeDock:
      return 7;
    case kTypeFactory:
    case kTypeShip:
      return 4;
    case kTypeGate:
      return 10;
    default:
      return 3;
  }
}

std::string GateLine(const MapRecord& r, int32_t labelMask) {
  if (r.Type != kTypeGate) return {};
  const bool names = (labelMask & kLabelName) != 0, ids = (labelMask & kLabelID) != 0;
  if (names && ids) return r.GateTargetName + " [" + r.GateTargetID + "]";
  if (names) return r.GateTargetName;
  if (ids) return r.GateTargetID;
  return {};
}

std::string ZoomText(double zoom) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f%%", zoom * 100.0);
  return buf;
}

std::string UnitValue(double units, int32_t unitMode) {
  switch (unitMode) {
    case 0:
      return Fixed3(units / 500.0 / 1000.0);
    case 2:
      return Fixed3(units / 500.0 / 1852.0);
    default:
      return Fixed3(units);
  }
}

std::string UnitSuffix(int32_t unitMode, bool forObject) {
  switch (unitMode) {
    case 0:
      return " km";
    case 2:
      return " nm";
    default:
      return forObject ? "" : " ";
  }
}

std::string DistanceText(double units, int32_t unitMode) {
  if (unitMode == 1) {
    char buf[64];
    // The whole part, without the last bits of floating noise of the transform.
    std::snprintf(buf, sizeof buf, "%.0f", std::floor(units + 1e-6));
    return std::string("Distance: ") + buf;
  }
  return "Distance: " + kz::FormatDistance(std::nearbyint(units), false, unitMode == 2);
}

// --- options -----------------------------------------------------------------------------

void SectorMapModel::SetLabelMask(int32_t mask) {
  labelMask_ = mask & (kLabelID | kLabelName);
  for (MapRecord& r : records_) LayOut(r);
}

void SectorMapModel::SetUnits(int32_t units) {
  units_ = units;
  UpdateSelectionPanel();
}

void SectorMapModel::SetTopView(bool top) { topView_ = top; }

// --- view --------------------------------------------------------------------------------

void SectorMapModel::SetBoxSize(int32_t width, int32_t height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (scale_ == 0 && height_ > 0) scale_ = height_ / kExtent;
}

void SectorMapModel::PanBy(double dx, double dy) {
  panX_ += dx;
  panY_ += dy;
}

bool SectorMapModel::ZoomMap(bool zoomIn) {
  if (!zoomIn && zoom_ < 0.2) return false;
  if (zoomIn && zoom_ > 4900) return false;
  const double f = zoomIn ? kZoomFactor : 1.0 / kZoomFactor;
  zoom_ *= f;
  panX_ *= f;
  panY_ *= f;
  panel1_ = ZoomText(zoom_);
  return true;
}

bool SectorMapModel::CenterOnSelected() {
  const MapRecord* r = SelectedRecord();
  if (!r) return false;
  const MapPointL o = MapOrigin();
  const MapPointD p = WorldToScreen(r->X, Vertical(*r));
  panX_ = o.x - p.x;
  panY_ = o.y - p.y;
  return true;
}

MapPointL SectorMapModel::MapOrigin() const {
  return MapPointL{ClampLong(std::floor(width_ / 2.0 + panX_)), ClampLong(std::floor(height_ / 2.0 + panY_))};
}

MapPointD SectorMapModel::WorldToScreen(double wx, double wy) const {
  const MapPointL o = MapOrigin();
  return MapPointD{wx * scale_ * zoom_ + o.x, wy * scale_ * zoom_ + o.y};
}

MapPointD SectorMapModel::LineToScreen(double wx, double wy) const {
  const MapPointL o = MapOrigin();
  return MapPointD{ClampPixel(std::floor(wx * scale_ * zoom_) + o.x), ClampPixel(std::floor(wy * scale_ * zoom_) + o.y)};
}

MapPointD SectorMapModel::ScreenToWorld(double sx, double sy) const {
  const double f = scale_ * zoom_;
  if (f == 0 || !std::isfinite(f)) return MapPointD{};
  const MapPointL o = MapOrigin();
  return MapPointD{(sx - o.x) / f, (sy - o.y) / f};
}

MapPointL SectorMapModel::RecordPixel(const MapRecord& r) const {
  const MapPointD p = WorldToScreen(r.X, Vertical(r));
  return MapPointL{RoundLong(ClampPixel(p.x)), RoundLong(ClampPixel(p.y))};
}

void SectorMapModel::VisibleWorld(double& left, double& top, double& right, double& bottom) const {
  const MapPointD a = ScreenToWorld(0, 0);
  const MapPointD b = ScreenToWorld(width_, height_);
  left = a.x;
  top = a.y;
  right = b.x;
  bottom = b.y;
}

// --- records -----------------------------------------------------------------------------

SectorMapModel::ObjPtr SectorMapModel::ObjectOf(const MapRecord& r) const {
  return parser_ ? parser_->objects.Find(r.ID) : nullptr;
}

SectorMapModel::ObjPtr SectorMapModel::SelectedObject() const {
  const MapRecord* r = SelectedRecord();
  return r ? ObjectOf(*r) : nullptr;
}

MapSize SectorMapModel::MeasureText(std::string_view text) const {
  if (text.empty() || !measure_) return MapSize{};
  return measure_(text);
}

void SectorMapModel::LayOut(MapRecord& r) const {
  const int32_t s = SymbolHalfSize(r.Type);
  r.Box = MapRect{-s, -s, s, s};
  const bool ids = (labelMask_ & kLabelID) != 0, names = (labelMask_ & kLabelName) != 0;
  r.GateText = GateLine(r, labelMask_);
  const std::string& gate = r.GateText;
  const MapSize gateSize = MeasureText(gate);
  const MapSize nameSize = names ? MeasureText(r.Name) : MapSize{};
  const MapSize idSize = ids ? MeasureText(r.IDText) : MapSize{};
  const int32_t w = std::max({gateSize.width, nameSize.width, idSize.width});
  if (w > r.Box.right - r.Box.left) {
    r.Box.left = -RoundLong(w / 2.0);
    r.Box.right = RoundLong(w / 2.0);
  }
  const int32_t grow = gateSize.height + (r.IDText != r.Name ? idSize.height + nameSize.height
                                                              : std::max(idSize.height, nameSize.height));
  r.Box.bottom = ClampLong(int64_t{r.Box.bottom} + grow);

  // Lines bottom up, each centred on the symbol.
  r.LineCount = 0;
  int32_t h = 0;
  auto place = [&](MapLine kind, const MapSize& size) {
    MapLabelLine& line = r.Lines[static_cast<size_t>(r.LineCount++)];
    line.kind = kind;
    line.dx = -(size.width / 2);
    line.dy = r.Box.bottom - size.height - h;
    h += size.height;
  };
  if (!gate.empty()) place(MapLine::Gate, gateSize);
  if (ids && (!names || r.IDText != r.Name)) place(MapLine::ID, idSize);
  if (names) place(MapLine::Name, nameSize);
}

MapRecord SectorMapModel::MakeRecord(const ObjPtr& obj) const {
  MapRecord r;
  r.ID = obj->key();
  r.X = obj->x();
  r.NegY = NegateLong(obj->y());
  r.NegZ = NegateLong(obj->z());
  r.Type = obj->otype();
  if (parser_) {
    r.IDText = parser_->GetObjectID(obj);
    r.Name = parser_->GetObjectName(obj);
    if (r.Type == kTypeGate) {
      r.GateTargetName = parser_->GetTargetSectorName(obj, false);
      r.GateTargetID = parser_->GetTargetSectorName(obj, true);
    }
  }
  LayOut(r);
  return r;
}

void SectorMapModel::AddRecord(const ObjPtr& obj) { records_.push_back(MakeRecord(obj)); }

namespace {
// Deeper than any map can nest; a broken tree that runs in a circle stops here.
constexpr size_t kMaxWalkDepth = 100000;

// Visits the descendants of an object depth first, each before its children.
template <class F>
void WalkDescendants(const clsGalaxyObject& root, F&& visit) {
  struct Frame {
    const clsGalaxyObject* obj;
    int32_t next;
  };
  std::vector<Frame> stack{{&root, 1}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next > f.obj->Childs.Count()) {
      stack.pop_back();
      continue;
    }
    const GalaxyObjectPtr& child = f.obj->Childs.Item(f.next++);
    if (!child) continue;
    visit(child);
    if (stack.size() < kMaxWalkDepth) stack.push_back(Frame{child.get(), 1});
  }
}
}  // namespace

void SectorMapModel::CollectRecords(const ObjPtr& obj) {
  size_t count = 0;
  WalkDescendants(*obj, [&](const GalaxyObjectPtr& c) {
    if (c->HasProperty("x")) ++count;
  });
  records_.reserve(count);
  WalkDescendants(*obj, [&](const GalaxyObjectPtr& c) {
    if (c->HasProperty("x")) AddRecord(c);
  });
}

void SectorMapModel::ShowSector(const ObjPtr& sector, bool force) {
  if (!AutoSync && !force) return;
  records_.clear();
  if (sector != shown_) CopiedID.clear();
  shown_ = sector;
  selected_ = -1;
  panel3_.clear();
  if (sector) {
    shownLoaded_ = sector->Loaded;
    CollectRecords(sector);
  }
  modified_ = false;
}

int32_t SectorMapModel::FindRecord(std::string_view id) const {
  for (size_t i = 0; i < records_.size(); ++i)
    if (records_[i].ID == id) return static_cast<int32_t>(i);
  return -1;
}

int32_t SectorMapModel::FindRecord(const ObjPtr& obj) const { return obj ? FindRecord(obj->key()) : -1; }

void SectorMapModel::RemoveRecord(int32_t i, bool noEvent) {
  const int32_t n = Count();
  if (i < 0 || i >= n) return;
  const int32_t sel = selected_;
  if (n == 1) {
    records_.clear();
    SelectRecord(-1, noEvent);
    return;
  }
  const int32_t last = n - 1;
  if (i != last) records_[static_cast<size_t>(i)] = std::move(records_[static_cast<size_t>(last)]);
  records_.pop_back();
  // The removed record's selection goes first, so the selection never points past the end.
  if (sel == i)
    SelectRecord(-1, noEvent);
  else if (sel == last)
    SelectRecord(i, noEvent);
}

void SectorMapModel::SelectRecord(int32_t index, bool noEvent) {
  if (index >= Count()) index = -1;
  selected_ = index < 0 ? -1 : index;
  if (selected_ >= 0) {
    if (!noEvent && OnObjectClick) {
      ObjPtr obj = ObjectOf(records_[static_cast<size_t>(selected_)]);
      OnObjectClick(obj);
    }
    UpdateSelectionPanel();
  } else {
    panel3_.clear();
  }
}

bool SectorMapModel::SelectGalObject(const ObjPtr& obj) {
  if (!obj) return false;
  const ObjPtr sector = kz::GetSectorOf(obj);
  if (sector && (sector != shown_ || sector->Loaded != shownLoaded_)) {
    if (!AutoSync) return false;
    ShowSector(sector, false);
    SelectGalObject(obj);
    return true;
  }
  const std::string key = obj->key();
  if (const MapRecord* r = SelectedRecord(); r && r->ID == key) return false;
  const int32_t i = FindRecord(key);
  if (i < 0) return false;
  SelectRecord(i, false);
  return true;
}

void SectorMapModel::ObjectModified(const ObjPtr& obj) {
  if (!obj || !shown_ || obj == shown_ || kz::GetSectorOf(obj) != shown_) return;
  const int32_t i = FindRecord(obj);
  const bool hasX = obj->HasProperty("x");
  if (i < 0) {
    if (hasX) AddRecord(obj);
    return;
  }
  MapRecord& old = records_[static_cast<size_t>(i)];
  MapRecord fresh = MakeRecord(obj);
  if (old.Moved) {
    // A position dragged on the map survives until it is written back; the coordinates
    // that were not dragged follow the object.
    if (old.MovedAxes & kMovedX) fresh.X = old.X;
    if (old.MovedAxes & kMovedY) fresh.NegY = old.NegY;
    if (old.MovedAxes & kMovedZ) fresh.NegZ = old.NegZ;
    fresh.Moved = true;
    fresh.MovedAxes = old.MovedAxes;
  }
  old = std::move(fresh);
  if (!hasX)
    RemoveRecord(i, true);
  else if (i == selected_)
    UpdateSelectionPanel();
}

void SectorMapModel::ObjectAdded(const ObjPtr& obj) {
  if (!obj || !shown_ || obj == shown_ || kz::GetSectorOf(obj) != shown_) return;
  if (!obj->HasProperty("x") || FindRecord(obj) >= 0) return;
  AddRecord(obj);
}

void SectorMapModel::ObjectRemoved(const ObjPtr& obj) {
  if (!obj) return;
  for (ObjPtr o = shown_; o; o = o->Parent())
    if (o == obj) {
      Clear();
      return;
    }
  const int32_t i = FindRecord(obj);
  if (i >= 0) RemoveRecord(i, false);
  // Records of objects that went with it (its descendants) go as well.
  if (parser_)
    for (int32_t j = Count() - 1; j >= 0; --j)
      if (!parser_->objects.Exists(records_[static_cast<size_t>(j)].ID)) RemoveRecord(j, true);
}

void SectorMapModel::Clear() {
  records_.clear();
  RememberedGate.reset();
  CopiedID.clear();
  selected_ = -1;
  panel3_.clear();
  shown_.reset();
  shownLoaded_ = false;
  // The moves went with the records: nothing is left to write back.
  modified_ = false;
}

// --- mouse -------------------------------------------------------------------------------

int32_t SectorMapModel::HitTest(double px, double py) const {
  const double x = px, y = py;
  for (size_t i = 0; i < records_.size(); ++i) {
    const MapRecord& r = records_[i];
    const MapPointL c = RecordPixel(r);
    const int64_t left = int64_t{c.x} + r.Box.left, right = int64_t{c.x} + r.Box.right;
    const int64_t top = int64_t{c.y} + r.Box.top, bottom = int64_t{c.y} + r.Box.bottom;
    if (x >= left && x <= right && y >= top && y <= bottom) return static_cast<int32_t>(i);
  }
  return -1;
}

void SectorMapModel::MouseDown(bool leftOrRight, double px, double py) {
  const MapPointD w = ScreenToWorld(px, py);
  mouseDown_ = MapPointL{RoundLong(w.x), RoundLong(w.y)};
  mouse_ = MapPointD{px, py};
  if (!leftOrRight) return;
  const MapPointL o = MapOrigin();
  dragAnchor_ = MapPointD{px - o.x, py - o.y};
  const int32_t hit = HitTest(px, py);
  if (hit >= 0) SelectRecord(hit, false);
}

bool SectorMapModel::MouseMove(bool leftHeld, bool alt, double px, double py) {
  mouse_ = MapPointD{px, py};
  const MapPointD w = ScreenToWorld(px, py);
  const double vertical = -w.y;
  panel2_ = "X: " + UnitValue(w.x, units_) + UnitSuffix(units_, false) + ", " + AxisName() + ": " +
            UnitValue(vertical, units_) + UnitSuffix(units_, false);
  bool repaint = rulerOn_;
  if (leftHeld && !alt) {
    const MapPointL o = MapOrigin();
    const double dx = px - dragAnchor_.x - o.x, dy = py - dragAnchor_.y - o.y;
    if (dx != 0 || dy != 0) {
      PanBy(dx, dy);
      repaint = true;
    }
  } else if (leftHeld && alt && selected_ >= 0) {
    modified_ = true;
    MapRecord& r = records_[static_cast<size_t>(selected_)];
    r.X = RoundLong(w.x);
    if (topView_) {
      r.NegZ = RoundLong(w.y);
      r.MovedAxes |= kMovedX | kMovedZ;
    } else {
      r.NegY = RoundLong(w.y);
      r.MovedAxes |= kMovedX | kMovedY;
    }
    r.Moved = true;
    UpdateSelectionPanel();
    repaint = true;
  }
  return repaint;
}

// --- ruler -------------------------------------------------------------------------------

void SectorMapModel::ToggleRuler() {
  rulerOn_ = !rulerOn_;
  if (rulerOn_) rulerAnchor_ = mouseDown_;
}

double SectorMapModel::RulerDistance() const {
  const MapPointD w = ScreenToWorld(mouse_.x, mouse_.y);
  const double dx = w.x - rulerAnchor_.x, dy = w.y - rulerAnchor_.y;
  return std::sqrt(dx * dx + dy * dy);
}

// --- editing -----------------------------------------------------------------------------

bool SectorMapModel::WriteBackCoords() {
  if (!shown_) return false;
  for (MapRecord& r : records_) {
    if (!r.Moved) continue;
    ObjPtr obj = ObjectOf(r);
    if (!obj) continue;
    if (r.MovedAxes & kMovedX) obj->AddProperty("x", kz::Variant(r.X));
    if (r.MovedAxes & kMovedY) obj->AddProperty("y", kz::Variant(NegateLong(r.NegY)));
    if (r.MovedAxes & kMovedZ) obj->AddProperty("z", kz::Variant(NegateLong(r.NegZ)));
    r.Moved = false;
    r.MovedAxes = 0;
  }
  modified_ = false;
  if (OnCoordsUpdated) OnCoordsUpdated();
  return true;
}

// --- texts -------------------------------------------------------------------------------

void SectorMapModel::UpdateSelectionPanel() {
  const MapRecord* r = SelectedRecord();
  if (!r) {
    panel3_.clear();
    return;
  }
  const std::string unit = UnitSuffix(units_, true);
  std::string text = r->Name;
  if (r->IDText != r->Name) text += " (" + r->IDText + ")";
  text += "   X: " + UnitValue(r->X, units_) + unit + ", Y: " + UnitValue(-double(r->NegY), units_) + unit +
          ", Z: " + UnitValue(-double(r->NegZ), units_) + unit;
  panel3_ = std::move(text);
}

std::string SectorMapModel::Caption() const {
  std::string c = "Sector Map";
  if (shown_ && parser_) c += " [" + parser_->GetObjectName(shown_) + "]";
  if (modified_) c += " *";
  return c;
}

}  // namespace mdlSectorMap
