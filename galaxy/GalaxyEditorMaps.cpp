// The galaxy editor's side of the sector map: opening and closing it, and its events.
#include <QToolButton>
#include <QTreeWidget>

#include <exception>

#include "galaxy/GalaxyEditor.h"
#include "galaxy/SectorMap.h"
#include "galaxy/UniverseMap.h"
#include "galaxy/model/GalaxyObject.h"
#include "platform/Ui.h"

using GalaxyObjectPtr = std::shared_ptr<clsGalaxyObject>;

void frmGalaxyEditor::ToggleSectorMap() {
  QToolButton* button = Button("map");
  if (!m_map) {
    if (button) button->setChecked(true);
    // The map belongs to the window that owns the editor (the launcher), not to the editor.
    m_map = new frmSectorMap(nullptr);
    ConnectSectorMap();
    m_map->ShowMap(Parser_, false, parentWidget());
    m_map->SelectGalObject(CurrentObject_);
    return;
  }
  if (m_map->QueryUnload()) {
    UnloadSectorMap();  // its OnClose releases the button
  } else if (button) {
    button->setChecked(true);
  }
}

void frmGalaxyEditor::UnloadSectorMap() {
  if (!m_map) return;
  frmSectorMap* map = m_map.data();
  map->Unload(false);  // raises OnClose, which forgets the map
  m_map = nullptr;
  map->deleteLater();
}

void frmGalaxyEditor::ConnectSectorMap() {
  frmSectorMap* map = m_map.data();
  auto guard = [this](auto&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      Msg(e.what(), platform::vbCritical);
    }
  };
  connect(map, &frmSectorMap::OnClose, this, [this, map] {
    if (m_map.data() == map) {
      m_map = nullptr;
      map->deleteLater();
    }
    if (QToolButton* b = Button("map")) b->setChecked(false);
  });
  connect(map, &frmSectorMap::OnObjectClick, this, [this, guard](GalaxyObjectPtr obj) {
    guard([&] {
      if (obj) SelectObjectNode(obj);
    });
  });
  connect(map, &frmSectorMap::OnNeedSync, this, [this](GalaxyObjectPtr& obj) { obj = CurrentObject_; });
  connect(map, &frmSectorMap::OnCoordsUpdated, this, [this, guard] {
    guard([&] {
      SetCurrentObject(CurrentObject_);
      SetModified(true);
    });
  });
  connect(map, &frmSectorMap::OnObjectCreated, this, [this, guard](GalaxyObjectPtr obj) {
    guard([&] {
      UpdateNode(obj, true);
      // The map selected the new object before its node existed: the tree follows now.
      if (obj == CurrentObject_) SelectObjectNode(obj);
      if (m_universe) m_universe->ObjectAdded(obj);  // a new gate links sectors
      SetModified(true);
    });
  });
  connect(map, &frmSectorMap::OnObjectDeleted, this, [this, guard](GalaxyObjectPtr obj) {
    guard([&] {
      if (QTreeWidgetItem* node = NodeByKey(obj->key())) RemoveNode(node);
      if (obj == CurrentObject_) SelectNode(nullptr);
      if (CopiedObject_ == obj) CopiedObject_.reset();
      if (m_universe) m_universe->ObjectRemoved(obj);  // a deleted gate unlinks sectors
      SetModified(true);
    });
  });
  connect(map, &frmSectorMap::OnObjectModified, this,
          [this, guard](GalaxyObjectPtr obj) { guard([&] { ObjectChanged(obj, false); }); });
  connect(map, &frmSectorMap::OnShowObject, this, [this](GalaxyObjectPtr) {
    show();
    raise();
    activateWindow();
  });
}

frmSectorMap* frmGalaxyEditor::SectorMap() const { return m_map.data(); }
