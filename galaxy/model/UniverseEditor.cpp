#include "galaxy/model/UniverseEditor.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/Common.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"
#include "platform/Ui.h"

using mdlUniverseMap::Step;

namespace {

// A mouse position less the pan, as a whole number (as the grab point is kept).
int32_t GrabNumber(double v) noexcept {
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
}

}  // namespace

clsUniverseEditor::clsUniverseEditor() = default;

void clsUniverseEditor::SetMeasure(mdlUniverseMap::MeasureText measure) {
  measure_ = mdlUniverseMap::MeasureCache(std::move(measure));
}

int32_t clsUniverseEditor::Message(const std::string& text, int32_t flags) {
  return platform::Ui::Instance().MsgBox(text, flags, kMessageTitle, MessageOwner);
}

void clsUniverseEditor::DoRepaint() {
  if (Repaint) Repaint();
}

clsUniverseEditor::ObjectPtr clsUniverseEditor::SectorOf(int32_t index) const {
  if (!parser_ || index < 0 || index >= Layout.Count()) return nullptr;
  const GalaxyObjectPtr* found = parser_->Sectors.Find(Layout.Records[static_cast<size_t>(index)].key);
  return found ? *found : nullptr;
}

std::string clsUniverseEditor::CaptionText() const {
  std::string caption = "Universe Map";
  if (parser_ && !parser_->FileName.empty()) caption += " [" + parser_->FileName + "]";
  return caption;
}

void clsUniverseEditor::UpdateStatus() {
  raceStatus_ = Layout.RaceText(selected_);
  sectorStatus_ = Layout.SectorText(selected_);
  if (StatusChanged) StatusChanged();
}

// ---- members called by the galaxy editor ---------------------------------------------

void clsUniverseEditor::ShowUniverse(const std::shared_ptr<clsGalaxyParser>& parser) {
  Layout.ResetMeasures();
  RefreshUniverse(parser);
}

void clsUniverseEditor::RefreshUniverse(const std::shared_ptr<clsGalaxyParser>& parser) {
  parser_ = parser;
  // A sector copied from a document that was closed since is never pasted.
  if (!CopiedAlive()) copied_.reset();
  Rebuild();
  DoRepaint();
}

void clsUniverseEditor::Clear() {
  Layout.Clear();
  selected_ = -1;
  dragged_ = -1;
  copied_.reset();
  UpdateStatus();
  DoRepaint();
}

void clsUniverseEditor::ObjectAdded(const ObjectPtr& obj) { ObjectModified(obj); }
void clsUniverseEditor::ObjectRemoved(const ObjectPtr& obj) { ObjectModified(obj); }

void clsUniverseEditor::ObjectModified(const ObjectPtr& obj) {
  if (!obj) return;
  const int32_t t = obj->otype();
  if (t != mdlGalaxy::kGalSector && t != mdlGalaxy::kGalGate) return;
  Rebuild();
  DoRepaint();
}

void clsUniverseEditor::SelectSector(const ObjectPtr& obj) {
  ObjectPtr sector = kz::GetSectorOf(obj);
  if (!sector) {
    if (selected_ != -1) {
      Select(-1, false);
      DoRepaint();
    }
    return;
  }
  if (selected_ != -1 && SectorOf(selected_) == sector) return;
  const int32_t index = Layout.IndexAt(sector->x(), sector->y());
  Select(index, false);
  ScrollIntoView(index);
  DoRepaint();
}

// ---- layout ----------------------------------------------------------------------------

void clsUniverseEditor::Rebuild() { Rebuild(nullptr); }

void clsUniverseEditor::Rebuild(const std::vector<ObjectPtr>* gates) {
  const std::string selectedKey = selected_ >= 0 && selected_ < Layout.Count()
                                      ? Layout.Records[static_cast<size_t>(selected_)].key
                                      : std::string();
  if (!parser_) {
    Layout.Clear();
  } else {
    auto measure = [this](std::string_view text) { return measure_(text); };
    Layout.Rebuild(*parser_, NameOf, measure, gates);
  }
  if (selected_ >= Layout.Count()) selected_ = -1;
  dragged_ = -1;
  if (CaptionChanged) CaptionChanged();
  // The kept selection is announced when it now names another sector. Announcing the
  // same sector again would make the owner leave the object it shows (a gate being
  // edited) for its sector after every change.
  const bool moved = selected_ != -1 && Layout.Records[static_cast<size_t>(selected_)].key != selectedKey;
  Select(selected_, moved);
}

void clsUniverseEditor::Select(int32_t index, bool raise) {
  if (index < -1 || index >= Layout.Count()) index = -1;
  selected_ = index;
  UpdateStatus();
  if (index != -1 && raise && OnSectorClick)
    if (ObjectPtr sector = SectorOf(index)) OnSectorClick(sector);
}

void clsUniverseEditor::ScrollIntoView(int32_t index) {
  if (index < 0 || !BoxSize) return;
  auto [w, h] = BoxSize();
  if (Layout.ScrollIntoView(index, w, h)) DoRepaint();
}

void clsUniverseEditor::Pan(double dx, double dy) {
  Layout.PanX += dx;
  Layout.PanY += dy;
  DoRepaint();
}

void clsUniverseEditor::MoveSelection(Step step) {
  if (selected_ == -1) {
    if (Layout.Count() == 0) return;
    Select(0, false);
    ScrollIntoView(0);
    DoRepaint();
    return;
  }
  const int32_t found = Layout.Neighbour(selected_, step);
  if (found == -1) return;
  Select(found, true);
  DoRepaint();
  ScrollIntoView(selected_);
}

// ---- input -----------------------------------------------------------------------------

bool clsUniverseEditor::KeyDown(int32_t key, bool shift) {
  switch (key) {
    case kEnter:
      if (selected_ != -1 && OnDisplaySector)
        if (ObjectPtr sector = SectorOf(selected_)) OnDisplaySector(sector);
      return true;
    case kLeft: shift ? Pan(20, 0) : MoveSelection(Step::Left); return true;
    case kUp: shift ? Pan(0, 20) : MoveSelection(Step::Up); return true;
    case kRight: shift ? Pan(-20, 0) : MoveSelection(Step::Right); return true;
    case kDown: shift ? Pan(0, -20) : MoveSelection(Step::Down); return true;
    case kDelete: RemoveSector(); return true;
    default: return false;
  }
}

void clsUniverseEditor::KeyUpWithoutAlt() { EndDrag(); }

void clsUniverseEditor::MousePress(double x, double y, Button button) {
  if (button == Button::Other) return;
  mouseX_ = x;
  mouseY_ = y;
  grabX_ = GrabNumber(x - Layout.PanX);
  grabY_ = GrabNumber(y - Layout.PanY);
  const int32_t hit = Layout.HitTest(x, y);
  if (button == Button::Right || hit != -1) Select(hit, hit != -1);
  DoRepaint();
}

void clsUniverseEditor::MouseMove(double x, double y, bool leftDown, bool alt) {
  mouseX_ = x;
  mouseY_ = y;
  if (leftDown && !alt) {
    Layout.PanX = x - grabX_;
    Layout.PanY = y - grabY_;
  } else if (leftDown && alt && dragged_ == -1) {
    dragged_ = Layout.HitTest(x, y);
  }
  int64_t column = 0, row = 0;
  Layout.CellAt(x, y, column, row);
  placeStatus_ = mdlUniverseMap::UniverseLayout::PlaceText(column, row);
  if (StatusChanged) StatusChanged();
  if (leftDown) DoRepaint();
}

bool clsUniverseEditor::MouseRelease(double x, double y, Button button, bool alt) {
  mouseX_ = x;
  mouseY_ = y;
  if (!(alt && button != Button::Left)) EndDrag();
  return button == Button::Right;
}

void clsUniverseEditor::DoubleClick() {
  const int32_t hit = RecordUnderMouse();
  if (hit == -1 || !OnDisplaySector) return;
  if (ObjectPtr sector = SectorOf(hit)) OnDisplaySector(sector);
}

int32_t clsUniverseEditor::RecordUnderMouse() const { return Layout.HitTest(mouseX_, mouseY_); }

bool clsUniverseEditor::CellUnderMouse(int64_t& column, int64_t& row) const {
  Layout.CellAt(mouseX_, mouseY_, column, row);
  return Layout.IndexAt(column, row) == -1;
}

// ---- popup -----------------------------------------------------------------------------

bool clsUniverseEditor::CopiedAlive() const {
  if (!copied_ || !parser_) return false;
  return parser_->objects.Find(copied_->key()) == copied_ && copied_->parser.lock() == parser_;
}

clsUniverseEditor::PopupState clsUniverseEditor::Popup() const {
  PopupState s;
  s.grid = Layout.ShowGrid;
  s.names = Layout.ShowNames;
  const bool loaded = parser_ && parser_->Good;
  const bool onSector = RecordUnderMouse() != -1;
  s.addSector = !onSector && loaded;
  s.removeSector = onSector && loaded;
  s.copy = onSector && loaded;
  s.paste = CopiedAlive() && !onSector && loaded;
  return s;
}

bool clsUniverseEditor::CheckRange(int64_t column, int64_t row) {
  if (mdlUniverseMap::InGridRange(column, row)) return true;
  Message(mdlUniverseMap::RangeMessage(), platform::vbExclamation);
  return false;
}

void clsUniverseEditor::Discard(const ObjectPtr& obj) {
  if (!obj || !parser_) return;
  if (obj->XMLBookmark > 0 && parser_->DeleteObject(obj)) return;
  if (parser_->Sectors.Exists(obj->key())) parser_->Sectors.Remove(obj->key());
  std::function<void(const ObjectPtr&)> forget = [&](const ObjectPtr& o) {
    if (parser_->objects.Find(o->key()) == o) parser_->objects.Remove(o->key());
    for (const ObjectPtr& c : o->Childs) forget(c);
  };
  forget(obj);
}

void clsUniverseEditor::AddSector() {
  try {
    if (!parser_ || !parser_->Good) return;
    int64_t column = 0, row = 0;
    if (!CellUnderMouse(column, row)) return;  // a sector stands there
    if (!CheckRange(column, row)) return;
    std::shared_ptr<clsGalaxyParser> parser = parser_;
    ObjectPtr sector = parser->CreateGalObject(nullptr);
    sector->SetOtype(mdlGalaxy::kGalSector);
    sector->Loaded = true;
    // The sector's element first, so that its default children are written inside it.
    if (!parser->AddObject(sector) || !parser->UpdateObjectXML(sector)) {
      const std::string why = parser->GetLastError();
      Discard(sector);
      Message(why, platform::vbCritical);
      return;
    }
    parser->CreateDefaultObjects(sector);
    const std::string defaultsError = parser->GetLastError();
    sector->SetX(static_cast<int32_t>(column));
    sector->SetY(static_cast<int32_t>(row));
    if (!parser->UpdateObjectXML(sector) || !defaultsError.empty()) {
      Message(defaultsError.empty() ? parser->GetLastError() : defaultsError, platform::vbCritical);
      return;
    }
    Rebuild();
    if (OnSectorCreated) OnSectorCreated(sector);
    Select(Layout.IndexAt(column, row), true);
    DoRepaint();
  } catch (const std::exception& e) {
    Message(e.what(), platform::vbCritical);
  }
}

void clsUniverseEditor::RemoveSector() {
  try {
    ObjectPtr sector = SectorOf(selected_);
    if (!sector || !parser_) return;
    std::shared_ptr<clsGalaxyParser> parser = parser_;
    const std::string question = "Do you really want to remove sector " + Layout.Records[static_cast<size_t>(selected_)].name + " (" +
                                 parser->GetObjectID(sector) + ") ?";
    if (Message(question, platform::vbYesNo | platform::vbQuestion) != platform::vbYes) return;
    if (!parser->DeleteObject(sector)) {
      Message(parser->GetLastError(), platform::vbCritical);
      return;
    }
    if (copied_ == sector) copied_.reset();
    Rebuild();
    DoRepaint();
    if (OnSectorDeleted) OnSectorDeleted(sector);
  } catch (const std::exception& e) {
    Message(e.what(), platform::vbCritical);
  }
}

void clsUniverseEditor::CopySector() {
  if (ObjectPtr sector = SectorOf(RecordUnderMouse())) copied_ = sector;
}

void clsUniverseEditor::PasteSector() {
  try {
    if (!parser_ || !parser_->Good || !CopiedAlive()) return;
    int64_t column = 0, row = 0;
    if (!CellUnderMouse(column, row)) return;
    if (!CheckRange(column, row)) return;
    std::shared_ptr<clsGalaxyParser> parser = parser_;
    ObjectPtr source = copied_;
    if (!source->Loaded && !parser->LoadSectorChildren(source)) {
      Message(parser->GetLastError(), platform::vbCritical);
      return;
    }
    ObjectPtr copy = source->Copy();
    if (!copy) return;
    copy->SetX(static_cast<int32_t>(column));
    copy->SetY(static_cast<int32_t>(row));
    if (!parser->AddObject(copy) || !parser->UpdateObjectXML(copy)) {
      const std::string why = parser->GetLastError().empty() ? copy->GetLastError() : parser->GetLastError();
      Discard(copy);
      Message(why, platform::vbCritical);
      return;
    }
    Rebuild();
    DoRepaint();
    if (OnSectorCreated) OnSectorCreated(copy);
  } catch (const std::exception& e) {
    Message(e.what(), platform::vbCritical);
  }
}

void clsUniverseEditor::ToggleNames() {
  Layout.ShowNames = !Layout.ShowNames;
  Rebuild();
  DoRepaint();
}

void clsUniverseEditor::ToggleGrid() {
  Layout.ShowGrid = !Layout.ShowGrid;
  DoRepaint();
}

void clsUniverseEditor::EndDrag() {
  if (dragged_ == -1) return;
  try {
    const int32_t dragged = dragged_;
    int64_t column = 0, row = 0;
    ObjectPtr sector;
    if (CellUnderMouse(column, row)) {
      sector = SectorOf(dragged);
      if (sector && !CheckRange(column, row)) sector.reset();
    }
    if (sector && parser_) {
      std::shared_ptr<clsGalaxyParser> parser = parser_;
      const int32_t oldX = sector->x(), oldY = sector->y();
      sector->SetX(static_cast<int32_t>(column));
      sector->SetY(static_cast<int32_t>(row));
      if (!sector->Loaded && !parser->UpdateObjectXML(sector)) Message(parser->GetLastError(), platform::vbCritical);
      if (OnSectorModified) OnSectorModified(sector);

      // The gates that led to the old place lead to the new one. One pass over the
      // objects finds them and every other gate (which the rebuild then uses).
      std::vector<ObjectPtr> gates, repoint;
      for (const ObjectPtr& o : parser->objects) {
        if (o->otype() != mdlGalaxy::kGalGate) continue;
        gates.push_back(o);
        if (mdlGalaxy::IsGalaxyNumber(o->NamedProperty("gx"), oldX) &&
            mdlGalaxy::IsGalaxyNumber(o->NamedProperty("gy"), oldY))
          repoint.push_back(o);
      }
      const int32_t objectCount = parser->objects.Count();
      for (const ObjectPtr& gate : repoint) {
        gate->AddProperty("gx", kz::Variant(static_cast<int32_t>(column)));
        gate->AddProperty("gy", kz::Variant(static_cast<int32_t>(row)));
        if (!parser->UpdateObjectXML(gate)) Message(parser->GetLastError(), platform::vbCritical);
        if (OnSectorModified) OnSectorModified(gate);
      }
      // The gate list stands for the document only while no handler added or removed
      // objects in between.
      const bool gatesCurrent = parser_ == parser && parser->objects.Count() == objectCount;
      Rebuild(gatesCurrent ? &gates : nullptr);
    }
  } catch (const std::exception& e) {
    Message(e.what(), platform::vbCritical);
  }
  dragged_ = -1;
  DoRepaint();
}
