#pragma once
// The ware-list viewer belongs to the ware editors, which build on this folder; the
// ship page embeds one through this slot, which the program's wiring fills. With the
// slot empty the ship page's "Wares" tab stays empty.
#include <QWidget>

#include <cstdint>
#include <functional>

class WareListViewerBase : public QWidget {
 public:
  using QWidget::QWidget;
  // Builds its own ware collection and takes the "WareLists" file of the archive;
  // False when the archive has none (the list then stays empty).
  virtual bool Init() = 0;
  // Clears the list and shows the ware list at 0-based file position `index` of the
  // "WareLists" file.
  virtual void ShowWareList(int32_t index) = 0;
  // Removes every row.
  virtual void Clear() = 0;
};

using WareListViewerFactory = std::function<WareListViewerBase*(QWidget* parent)>;

// The process-wide factory (empty until the wiring fills it).
inline WareListViewerFactory& WareListViewerSlot() {
  static WareListViewerFactory factory;
  return factory;
}
