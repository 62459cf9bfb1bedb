// The galaxy editor's side of the universe map: opening and closing it, and its events.
#include <QToolButton>
#include <QTreeWidget>

#include <exception>

#include "core/Common.h"
#include "galaxy/GalaxyEditor.h"
#include "galaxy/SectorMap.h"
#include "galaxy/UniverseMap.h"
#include "galaxy/model/GalaxyObject.h"
#include "platform/Ui.h"

using GalaxyObjectPtr = std::shared_ptr<clsGalaxyObject>;

void frmGalaxyEditor::ToggleUniverseMap() {
  if (!m_universe) {
    if (QToolButton* button = Button("universe")) button->setChecked(true);
    // The map belongs to the window that owns the editor (the launcher), not to the editor.
    m_universe = new frmUniverseMap(nullptr);
    ConnectUniverseMap();
    m_universe->ShowUniverse(Parser_, false, parentWidget());
    if (m_universe) m_universe->SelectSector(CurrentObject_);
    return;
  }
  UnloadUniverseMap();  // its OnClose releases the button
}

void frmGalaxyEditor::UnloadUniverseMap() {
  if (!m_universe) return;
  frmUniverseMap* map = m_universe.data();
  m_universe = nullptr;
  map->close();  // raises OnClose and deletes the window
}

frmUniverseMap* frmGalaxyEditor::UniverseMap() const { return m_universe.data(); }

void frmGalaxyEditor::ConnectUniverseMap() {
  frmUniverseMap* map = m_universe.data();
  auto guard = [this](auto&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      Msg(e.what(), platform::vbCritical);
    }
  };
  connect(map, &frmUniverseMap::OnClose, this, [this, map] {
    if (m_universe.data() == map) m_universe = nullptr;
    if (QToolButton* b = Button("universe")) b->setChecked(false);
  });
  connect(map, &frmUniverseMap::OnSectorClick, this, [this, guard](GalaxyObjectPtr sector) {
    guard([&] {
      if (sector) SelectObjectNode(sector);
    });
  });
  connect(map, &frmUniverseMap::OnSectorCreated, this, [this, guard](GalaxyObjectPtr sector) {
    guard([&] {
      UpdateNode(sector, true);
      ShowSectorsLoadedElsewhere();
      SetModified(true);
      UpdateSectorCount();
    });
  });
  connect(map, &frmUniverseMap::OnSectorDeleted, this, [this, guard](GalaxyObjectPtr sector) {
    guard([&] {
      if (QTreeWidgetItem* node = NodeByKey(sector->key())) RemoveNode(node);
      for (GalaxyObjectPtr o = CopiedObject_; o; o = o->Parent())
        if (o == sector) {
          CopiedObject_.reset();
          break;
        }
      // The sector map drops the sector too (and what it showed of it).
      if (m_map) m_map->ObjectRemoved(sector);
      if (CurrentObject_ && kz::GetSectorOf(CurrentObject_) == sector) SelectNode(nullptr);
      SetModified(true);
      UpdateSectorCount();
    });
  });
  connect(map, &frmUniverseMap::OnSectorModified, this,
          [this, guard](GalaxyObjectPtr obj) { guard([&] { ObjectChanged(obj, false); }); });
  connect(map, &frmUniverseMap::OnDisplaySector, this, [this, guard](GalaxyObjectPtr sector) {
    guard([&] {
      if (!sector) return;
      if (!sector->Loaded && !LoadSector(sector)) return;
      SelectObjectNode(sector);
      if (m_map) {
        m_map->show();
        m_map->raise();
        m_map->activateWindow();
      } else {
        ToggleSectorMap();
      }
    });
  });
}
