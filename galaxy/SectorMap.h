#pragma once
// frmSectorMap, "Sector Map": the objects of one sector of the open universe map drawn
// to scale from the top (X across, Z up) or the side (X across, Y up), with a grid,
// symbols by type, labels, a selection and a distance ruler. The galaxy editor opens it,
// keeps it in step through its public members and answers its events; the user zooms,
// pans, selects, drags objects with Alt, measures, and adds, pastes and deletes objects
// from its popup menu, and writes moved coordinates back with "update".
//
// The state lives in mdlSectorMap::SectorMapModel; drawing in SectorMapPainter on the
// MapSurface `Map`. Options are kept under the galaxy editor's "SectorMap" key.
#include <QMainWindow>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>

#include "galaxy/model/SectorMapModel.h"

class MapSurface;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QStatusBar;
class QToolBar;
class SectorMapPainter;
class clsGalaxyObject;
class clsGalaxyParser;

class frmSectorMap : public QMainWindow {
  Q_OBJECT

 public:
  using ObjPtr = std::shared_ptr<clsGalaxyObject>;
  static constexpr const char* kMessageTitle = "Galaxy Editor - Sector Map";

  explicit frmSectorMap(QWidget* owner = nullptr);
  ~frmSectorMap() override;

  // --- public members ------------------------------------------------------------------
  void ShowMap(const std::shared_ptr<clsGalaxyParser>& parser, bool modal = false, QWidget* owner = nullptr);
  void SelectGalObject(const ObjPtr& obj);
  void ObjectModified(const ObjPtr& obj);
  void ObjectAdded(const ObjPtr& obj);
  void ObjectRemoved(const ObjPtr& obj);
  void Clear();
  // Asks about unsaved moves; true when the window may close.
  bool QueryUnload();
  // Closes the window: from the control box (asks first, may be refused) or from code.
  // Saves the options and raises OnClose; true when it closed.
  bool Unload(bool fromControlBox);

  // --- commands (popup menu, toolbar, keys) ------------------------------------------------
  // Enables the popup's entries for the present state.
  void PreparePopup();
  void AddObject();
  void CopySelected();
  void Paste();
  void DeleteObject();
  void SelectGate();
  void LinkGates();
  void ToggleRuler();
  // Writes the moved coordinates back; asks first unless noAsk.
  void UpdateCoords(bool noAsk);
  void Sync();
  // A toolbar button by key: "sync", "update", "top", "side", "center", "centerobj".
  void ToolbarAction(const std::string& key);
  QAction* Button(const std::string& key) const;

  // --- state, for the owner and tests ------------------------------------------------------
  mdlSectorMap::SectorMapModel& Model() { return model_; }
  const mdlSectorMap::SectorMapModel& Model() const { return model_; }
  SectorMapPainter& Painter() { return *painter_; }
  QString PanelText(int panel) const;
  // Runs a paint cycle and returns the map box's picture.
  QImage RenderMap();

  // --- controls ----------------------------------------------------------------------------
  QToolBar* MainToolbar = nullptr;
  MapSurface* Map = nullptr;
  QStatusBar* Bar = nullptr;
  std::array<QLabel*, 3> Panels{};
  QGroupBox* fraLabels = nullptr;
  QGroupBox* fraUnits = nullptr;
  std::array<QCheckBox*, 2> chkLabel{};
  std::array<QRadioButton*, 3> rbUnits{};
  QCheckBox* chkAutoSync = nullptr;
  QMenu* mnuPop = nullptr;
  QAction* mnuPopAddObj = nullptr;
  QAction* mnuPopSep = nullptr;
  QAction* mnuPopCopy = nullptr;
  QAction* mnuPopPaste = nullptr;
  QAction* mnuPopSep2 = nullptr;
  QMenu* mnuPopGate = nullptr;
  QAction* mnuPopGateAction = nullptr;  // the submenu's entry in mnuPop
  QAction* mnuPopGateSelect = nullptr;
  QAction* mnuPopGateLink = nullptr;
  QAction* mnuPopSep3 = nullptr;
  QAction* mnuPopDist = nullptr;
  QAction* mnuPopSep4 = nullptr;
  QAction* mnuPopDelete = nullptr;

 signals:
  void OnClose();
  void OnObjectClick(std::shared_ptr<clsGalaxyObject> obj);
  void OnNeedSync(std::shared_ptr<clsGalaxyObject>& obj);
  void OnCoordsUpdated();
  void OnObjectCreated(std::shared_ptr<clsGalaxyObject> obj);
  void OnObjectDeleted(std::shared_ptr<clsGalaxyObject> obj);
  void OnObjectModified(std::shared_ptr<clsGalaxyObject> obj);
  void OnShowObject(std::shared_ptr<clsGalaxyObject> obj);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  void BuildControls();
  // Saves the options and raises OnClose, once.
  void Finish();
  void LoadOptions();
  void SaveOptions();
  void ApplyOptions();
  void SetView(bool top);
  // Caption, panels and the "update" button follow the model; the map is repainted.
  void UpdateView();
  void Zoom(int32_t steps);
  void MousePress(QMouseEvent* e);
  void MouseMove(QMouseEvent* e);
  void MouseRelease(QMouseEvent* e);
  void MouseDoubleClick(QMouseEvent* e);
  int32_t Msg(const std::string& text, int32_t flags);
  // Takes an object that could not be written out of the document again.
  void Discard(const ObjPtr& obj);
  // Runs a command, showing what it throws.
  template <class F>
  void Guard(F&& f);

  mdlSectorMap::SectorMapModel model_;
  std::unique_ptr<SectorMapPainter> painter_;
  std::unordered_map<std::string, QAction*> buttons_;
  bool closed_ = false;
  bool allowClose_ = false;
};
