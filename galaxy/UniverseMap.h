#pragma once
// frmUniverseMap, "Universe Map": every sector of the open universe map in its grid cell,
// with its name, a circle in its race's colour, the gate links between sectors, an
// optional grid and the selection. The keys, the mouse and the popup menu select sectors,
// pan the map, open a sector, and add, remove, copy, paste and move (Alt+drag) sectors.
//
// What the window does apart from drawing lies in clsUniverseEditor (Model()); the window
// draws it on its drawing box (Map), turns Qt input into its calls, keeps the options and
// raises its events to the galaxy editor, which calls the public members back.
//
// The window deletes itself when it closes; OnClose is raised once, before.
#include <QImage>
#include <QPen>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "galaxy/model/UniverseEditor.h"

class MapSurface;
class QAction;
class QLabel;
class QMenu;
class QPainter;
class QStatusBar;
class clsGalaxyObject;
class clsGalaxyParser;

class frmUniverseMap : public QWidget {
  Q_OBJECT

 public:
  using ObjectPtr = std::shared_ptr<clsGalaxyObject>;

  explicit frmUniverseMap(QWidget* owner = nullptr);
  ~frmUniverseMap() override;

  // --- members called by the galaxy editor ----------------------------------------------
  // Measures the names from scratch, shows the document and the window (modeless unless
  // modal, owned by owner when given).
  void ShowUniverse(const std::shared_ptr<clsGalaxyParser>& parser, bool modal = false, QWidget* owner = nullptr);
  void RefreshUniverse(const std::shared_ptr<clsGalaxyParser>& parser);
  void SelectSector(const ObjectPtr& obj);
  void Clear();
  // The caption names the document's file as it is now (after a save under another name).
  void UpdateCaption();
  void ObjectAdded(const ObjectPtr& obj);
  void ObjectRemoved(const ObjectPtr& obj);
  void ObjectModified(const ObjectPtr& obj);

  // --- state, for the owner and tests ----------------------------------------------------------
  clsUniverseEditor& Model() { return model_; }
  const clsUniverseEditor& Model() const { return model_; }
  // One paint cycle of the map box, as the box shows it.
  QImage Render();
  // Sets the checks and enabled states of the popup menu for the cell under the mouse.
  void PreparePopup();
  // The text of a status bar panel (1 to 3).
  QString PanelText(int panel) const;

  // --- controls -----------------------------------------------------------------------------
  MapSurface* Map = nullptr;
  QStatusBar* Bar = nullptr;
  std::array<QLabel*, 3> Panels{};
  QMenu* mnuPopup = nullptr;
  QAction* mnuPopupAddSec = nullptr;
  QAction* mnuPopupRemoveSec = nullptr;
  QAction* mnuPopCopy = nullptr;
  QAction* mnuPopPaste = nullptr;
  QAction* mnuPopNames = nullptr;
  QAction* mnuPopupGrid = nullptr;

 signals:
  // Raised synchronously (connect directly); a handler may call the members above.
  void OnClose();
  void OnSectorClick(std::shared_ptr<clsGalaxyObject> sector);
  void OnSectorCreated(std::shared_ptr<clsGalaxyObject> sector);
  void OnSectorDeleted(std::shared_ptr<clsGalaxyObject> sector);
  // The moved sector, or a gate re-pointed by the move.
  void OnSectorModified(std::shared_ptr<clsGalaxyObject> obj);
  void OnDisplaySector(std::shared_ptr<clsGalaxyObject> sector);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void LoadOptions();
  void SaveOptions();
  void PaintContent(QPainter& p);
  void CacheTexts();
  void UpdateStatus();
  bool HandleKey(QKeyEvent* e);
  // Runs a step of the window, showing what it throws.
  void Guard(const std::function<void()>& step);

  clsUniverseEditor model_;
  // Pens made once: the races', the grid's, the gate lines' and the selection's.
  std::array<QPen, mdlUniverseMap::kRaceCount> racePens_;
  QPen gridPen_, gatePen_, selectionPen_;
  // The name lines of each record as drawn, and the layout they were made for.
  std::vector<std::vector<QString>> texts_;
  uint64_t textsFor_ = 0;
  int32_t ascent_ = 0;
  bool closed_ = false;
};
