#pragma once
// SectorMapModel: the state of the sector map without its window: the records of the
// shown sector, the view (scale, zoom, pan, top or side view) and its transform, the
// selection and hit test, dragging with Alt, the distance ruler, the options, the status
// panel texts and the caption, and writing moved coordinates back into the objects.
//
// The window measures texts (MeasureText, passed in), draws from the records and their
// laid-out label lines, shows the dialogs and raises the window's events; the model
// raises the selection and write-back events through the hooks below.
//
// Records: every descendant of the shown sector that has a property `x`, depth first,
// each object before its children; never the sector itself, never another sector's
// objects. World coordinates are 32-bit; everything that may pass 32 bits (minus the
// least value, zoomed positions) is done in 64 bits or floating point and clamped.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "galaxy/model/GalaxyObject.h"

class clsGalaxyParser;

namespace mdlSectorMap {

// The drawing objects' colours (0x00BBGGRR).
inline constexpr int32_t kBackgroundColour = 0x004000;
inline constexpr int32_t kObjectColour = 0x12710B;
inline constexpr int32_t kSelectedColour = 0x10B51C;
inline constexpr int32_t kGridColour = 0x0C6912;
inline constexpr int32_t kTextColour = 0x10B51C;

inline constexpr double kExtent = 50000000.0;
inline constexpr double kGridStep = 2500000.0;
inline constexpr double kZoomFactor = 1.5;

inline constexpr int32_t kLabelID = 1;
inline constexpr int32_t kLabelName = 2;

// Object types with their own symbols.
inline constexpr int32_t kTypeSector = 1;
inline constexpr int32_t kTypeSun = 3;
inline constexpr int32_t kTypePlanet = 4;
inline constexpr int32_t kTypeDock = 5;
inline constexpr int32_t kTypeFactory = 6;
inline constexpr int32_t kTypeShip = 7;
inline constexpr int32_t kTypeAsteroid = 17;
inline constexpr int32_t kTypeGate = 18;

// Moved axes of a record.
inline constexpr uint8_t kMovedX = 1, kMovedY = 2, kMovedZ = 4;

struct MapSize {
  int32_t width = 0, height = 0;
};
struct MapRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const MapRect&) const = default;
};
struct MapPointD {
  double x = 0, y = 0;
};
struct MapPointL {
  int32_t x = 0, y = 0;
  bool operator==(const MapPointL&) const = default;
};

// One label line: which text it shows and its top-left corner relative to the symbol's
// centre.
enum class MapLine : uint8_t { Gate, ID, Name };
struct MapLabelLine {
  MapLine kind = MapLine::Name;
  int32_t dx = 0, dy = 0;
};

struct MapRecord {
  std::string ID;
  int32_t X = 0;
  int32_t NegY = 0;
  int32_t NegZ = 0;
  int32_t Type = 0;
  std::string IDText;
  std::string Name;
  std::string GateTargetName;
  std::string GateTargetID;
  MapRect Box;
  // The gate line as the label mask shows it (empty unless a gate).
  std::string GateText;
  bool Moved = false;
  // Which coordinates were dragged (kMovedX, kMovedY, kMovedZ).
  uint8_t MovedAxes = 0;
  // The label lines drawn, bottom line first (gate line, ID text, name).
  std::array<MapLabelLine, 3> Lines;
  int32_t LineCount = 0;
};

// The text of a label line of a record.
const std::string& LineText(const MapRecord& r, const MapLabelLine& line) noexcept;
// Half the size of a type's symbol.
int32_t SymbolHalfSize(int32_t type) noexcept;
// The lowest label line of a record (empty unless it is a gate).
std::string GateLine(const MapRecord& r, int32_t labelMask);
// "123.4%" ("0.0%" digits).
std::string ZoomText(double zoom);
// A value in game units for the status bar in the given units ("0.000").
std::string UnitValue(double units, int32_t unitMode);
std::string UnitSuffix(int32_t unitMode, bool forObject);
// "Distance: ..." of the ruler.
std::string DistanceText(double units, int32_t unitMode);

class SectorMapModel {
 public:
  using ObjPtr = std::shared_ptr<clsGalaxyObject>;
  using Measure = std::function<MapSize(std::string_view text)>;

  // Events (synchronous; a handler may call back into the model).
  std::function<void(const ObjPtr& obj)> OnObjectClick;
  std::function<void()> OnCoordsUpdated;

  // The text measure of the map font; without one every text measures 0 by 0.
  void SetMeasure(Measure m) { measure_ = std::move(m); }
  void SetParser(const std::shared_ptr<clsGalaxyParser>& parser) { parser_ = parser; }
  const std::shared_ptr<clsGalaxyParser>& Parser() const { return parser_; }

  // --- options -------------------------------------------------------------------------
  int32_t LabelMask() const { return labelMask_; }
  // Measures every box again.
  void SetLabelMask(int32_t mask);
  int32_t Units() const { return units_; }
  void SetUnits(int32_t units);
  bool TopView() const { return topView_; }
  void SetTopView(bool top);
  std::string AxisName() const { return topView_ ? "Z" : "Y"; }
  bool AutoSync = true;

  // --- view ----------------------------------------------------------------------------
  // The box's size in pixels. The scale is taken from the first non-zero height and
  // kept for the window's life.
  void SetBoxSize(int32_t width, int32_t height);
  int32_t BoxWidth() const { return width_; }
  int32_t BoxHeight() const { return height_; }
  double Scale() const { return scale_; }
  double Zoom() const { return zoom_; }
  double PanX() const { return panX_; }
  double PanY() const { return panY_; }
  void SetPan(double x, double y) {
    panX_ = x;
    panY_ = y;
  }
  // Moves the pan by pixels (keys, dragging).
  void PanBy(double dx, double dy);
  // One zoom step; false when the limit stopped it.
  bool ZoomMap(bool zoomIn);
  void Center() { SetPan(0, 0); }
  // Brings the selected object's symbol to the centre; false without a selection.
  bool CenterOnSelected();

  MapPointL MapOrigin() const;
  MapPointD WorldToScreen(double wx, double wy) const;
  // The integer transform of lines (grid, ruler anchor), clamped to the painter's range.
  MapPointD LineToScreen(double wx, double wy) const;
  MapPointD ScreenToWorld(double sx, double sy) const;
  // A record's world point: X and the vertical coordinate of the view.
  int32_t Vertical(const MapRecord& r) const { return topView_ ? r.NegZ : r.NegY; }
  // A record's symbol centre in whole pixels (clamped).
  MapPointL RecordPixel(const MapRecord& r) const;
  // The world rectangle visible in the box (for culling), in vertical-down coordinates.
  void VisibleWorld(double& left, double& top, double& right, double& bottom) const;

  // --- records -------------------------------------------------------------------------
  const ObjPtr& ShownSector() const { return shown_; }
  bool ShownLoaded() const { return shownLoaded_; }
  // True when a sector is shown and its children are read (add and paste need it).
  bool CanEdit() const { return shown_ && shown_->Loaded; }
  const std::vector<MapRecord>& Records() const { return records_; }
  int32_t Count() const { return static_cast<int32_t>(records_.size()); }
  int32_t Selected() const { return selected_; }
  const MapRecord* SelectedRecord() const {
    return selected_ >= 0 && selected_ < Count() ? &records_[static_cast<size_t>(selected_)] : nullptr;
  }
  // The document's object of a record; null when it is gone.
  ObjPtr ObjectOf(const MapRecord& r) const;
  ObjPtr SelectedObject() const;

  // Shows a sector (nothing when AutoSync is off and not forced); null shows none.
  void ShowSector(const ObjPtr& sector, bool force);
  MapRecord MakeRecord(const ObjPtr& obj) const;
  // Measures a record's box and places its label lines (by LabelMask).
  void LayOut(MapRecord& r) const;
  void AddRecord(const ObjPtr& obj);
  int32_t FindRecord(const ObjPtr& obj) const;
  int32_t FindRecord(std::string_view id) const;
  // Removes record i; the selection never points past the end afterwards.
  void RemoveRecord(int32_t i, bool noEvent);
  void SelectRecord(int32_t index, bool noEvent);
  // Selects the object's record, showing its sector first when AutoSync is on; true when
  // the picture changed. Nothing for no object.
  bool SelectGalObject(const ObjPtr& obj);
  // The owner changed an object: its record is brought up to date.
  void ObjectModified(const ObjPtr& obj);
  // The owner added an object: a record when it belongs to the shown sector and has `x`.
  void ObjectAdded(const ObjPtr& obj);
  // The owner removed an object: its record (and those of its descendants) goes; removing
  // the shown sector clears the map.
  void ObjectRemoved(const ObjPtr& obj);
  void Clear();

  // --- mouse ---------------------------------------------------------------------------
  // The record under a pixel (first in array order), -1 for none.
  int32_t HitTest(double px, double py) const;
  // A press of any button; left or right also hit-test and select.
  void MouseDown(bool leftOrRight, double px, double py);
  // A move; returns true when the map must be repainted.
  bool MouseMove(bool leftHeld, bool alt, double px, double py);
  MapPointL MouseDownPoint() const { return mouseDown_; }
  MapPointD MousePosition() const { return mouse_; }

  // --- ruler ---------------------------------------------------------------------------
  bool RulerOn() const { return rulerOn_; }
  MapPointL RulerAnchor() const { return rulerAnchor_; }
  // Toggles the ruler; turning on anchors it at the mouse-down point.
  void ToggleRuler();
  double RulerDistance() const;
  std::string RulerText() const { return DistanceText(RulerDistance(), units_); }

  // --- editing state ---------------------------------------------------------------------
  bool Modified() const { return modified_; }
  std::string CopiedID;
  ObjPtr RememberedGate;
  // Writes the dragged coordinates of the moved records into their objects, clears
  // Modified and raises OnCoordsUpdated; false without a shown sector.
  bool WriteBackCoords();

  // --- texts ---------------------------------------------------------------------------
  const std::string& ZoomPanel() const { return panel1_; }
  const std::string& MousePanel() const { return panel2_; }
  const std::string& SelectionPanel() const { return panel3_; }
  void UpdateSelectionPanel();
  std::string Caption() const;

 private:
  MapSize MeasureText(std::string_view text) const;
  void CollectRecords(const ObjPtr& obj);

  std::shared_ptr<clsGalaxyParser> parser_;
  Measure measure_;
  ObjPtr shown_;
  bool shownLoaded_ = false;
  std::vector<MapRecord> records_;
  int32_t selected_ = -1;

  int32_t labelMask_ = kLabelName;
  int32_t units_ = 0;
  bool topView_ = true;
  int32_t width_ = 0, height_ = 0;
  double scale_ = 0;
  double zoom_ = 1.0;
  double panX_ = 0, panY_ = 0;

  bool modified_ = false;
  MapPointL mouseDown_;
  MapPointD dragAnchor_;
  MapPointD mouse_;
  bool rulerOn_ = false;
  MapPointL rulerAnchor_;

  std::string panel1_ = "100.0%";
  std::string panel2_;
  std::string panel3_;
};

}  // namespace mdlSectorMap
