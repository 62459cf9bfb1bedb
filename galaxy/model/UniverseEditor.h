#pragma once
// clsUniverseEditor: everything the universe map window does apart from drawing, without
// window code. It keeps the layout of the open document's sectors (UniverseLayout), the
// selection, the sector being moved with Alt+drag and the copied sector; it turns keys,
// mouse buttons and popup commands into selections, pans and edits of the document; and
// it raises the window's events to the owner.
//
// Events are raised synchronously; a handler may call back into the members here (the
// galaxy editor selects the sector again while it handles OnSectorClick). Messages go
// through platform::Ui with the title "Galaxy Editor - Universe Map".
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "galaxy/model/UniverseLayout.h"

class clsGalaxyObject;
class clsGalaxyParser;

class clsUniverseEditor {
 public:
  using ObjectPtr = std::shared_ptr<clsGalaxyObject>;
  using Event = std::function<void(const ObjectPtr&)>;

  static constexpr const char* kMessageTitle = "Galaxy Editor - Universe Map";
  // Key codes the map handles.
  enum Key : int32_t { kEnter = 13, kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kDelete = 46 };
  enum class Button { Left, Right, Other };

  clsUniverseEditor();

  mdlUniverseMap::UniverseLayout Layout;

  // --- events to the owner ---------------------------------------------------------
  Event OnSectorClick;
  Event OnSectorCreated;
  Event OnSectorDeleted;
  Event OnSectorModified;
  Event OnDisplaySector;

  // --- hooks of the window -----------------------------------------------------------
  // Measures a text in the map's font (answers are kept: the font never changes).
  void SetMeasure(mdlUniverseMap::MeasureText measure);
  // The map needs painting again.
  std::function<void()> Repaint;
  // The size of the map box in pixels (for scrolling a cell into view).
  std::function<std::pair<double, double>()> BoxSize;
  // The caption changed (CaptionText).
  std::function<void()> CaptionChanged;
  // The status texts changed.
  std::function<void()> StatusChanged;
  // The sector names (the document's own names when unset).
  mdlUniverseMap::UniverseLayout::NameOf NameOf;
  // The window that owns the message boxes (a QWidget*), or null.
  void* MessageOwner = nullptr;

  // --- members called by the galaxy editor -------------------------------------------
  // Measures from scratch and refreshes.
  void ShowUniverse(const std::shared_ptr<clsGalaxyParser>& parser);
  void RefreshUniverse(const std::shared_ptr<clsGalaxyParser>& parser);
  // Selects the sector that holds obj, without OnSectorClick.
  void SelectSector(const ObjectPtr& obj);
  // No records, no selection, no drag and no copied sector.
  void Clear();
  // A sector or a gate changed: rebuild; other objects are ignored.
  void ObjectAdded(const ObjectPtr& obj);
  void ObjectRemoved(const ObjectPtr& obj);
  void ObjectModified(const ObjectPtr& obj);

  // --- state ----------------------------------------------------------------------------
  const std::shared_ptr<clsGalaxyParser>& Parser() const { return parser_; }
  int32_t Selected() const noexcept { return selected_; }
  int32_t Dragged() const noexcept { return dragged_; }
  const ObjectPtr& CopiedSector() const { return copied_; }
  double MouseX() const noexcept { return mouseX_; }
  double MouseY() const noexcept { return mouseY_; }
  // The sector object of a record; null for -1 or a record whose sector is gone.
  ObjectPtr SectorOf(int32_t index) const;
  std::string CaptionText() const;
  const std::string& PlaceStatus() const { return placeStatus_; }
  const std::string& RaceStatus() const { return raceStatus_; }
  const std::string& SectorStatus() const { return sectorStatus_; }

  // Rebuilds the layout from the document; the selection stays when it is still a record,
  // with OnSectorClick when the record there is now another sector.
  void Rebuild();
  // Makes index the selection (-1: none); raise: OnSectorClick for a record.
  void Select(int32_t index, bool raise);

  // --- input ------------------------------------------------------------------------------
  // A key pressed; true when the map handled it.
  bool KeyDown(int32_t key, bool shift);
  // A key released while Alt is no longer held ends an Alt+drag.
  void KeyUpWithoutAlt();
  void MousePress(double x, double y, Button button);
  void MouseMove(double x, double y, bool leftDown, bool alt);
  // True when the popup menu is to open at the mouse.
  bool MouseRelease(double x, double y, Button button, bool alt);
  void DoubleClick();

  // --- popup ----------------------------------------------------------------------------
  struct PopupState {
    bool addSector = false, removeSector = false, copy = false, paste = false;
    bool names = false, grid = false;
  };
  PopupState Popup() const;
  void AddSector();
  // The selected sector, after the question.
  void RemoveSector();
  void CopySector();
  void PasteSector();
  void ToggleNames();
  void ToggleGrid();
  // Ends an Alt+drag at the last mouse position (moving the sector there).
  void EndDrag();
  // Starts an Alt+drag of a record (as a left move with Alt does).
  void StartDrag(int32_t index) { dragged_ = index; }

 private:
  void Rebuild(const std::vector<ObjectPtr>* gates);
  void MoveSelection(mdlUniverseMap::Step step);
  void Pan(double dx, double dy);
  void ScrollIntoView(int32_t index);
  int32_t RecordUnderMouse() const;
  bool CellUnderMouse(int64_t& column, int64_t& row) const;
  bool CheckRange(int64_t column, int64_t row);
  bool CopiedAlive() const;
  int32_t Message(const std::string& text, int32_t flags);
  // Takes an object that could not be written back out of the document.
  void Discard(const ObjectPtr& obj);
  void UpdateStatus();
  void DoRepaint();

  std::shared_ptr<clsGalaxyParser> parser_;
  mdlUniverseMap::MeasureCache measure_;
  int32_t selected_ = -1;
  int32_t dragged_ = -1;
  ObjectPtr copied_;
  double mouseX_ = 0, mouseY_ = 0;
  int32_t grabX_ = 0, grabY_ = 0;
  std::string placeStatus_, raceStatus_, sectorStatus_;
};
