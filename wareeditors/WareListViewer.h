#pragma once
// WareListViewer: a list of the wares of one ware list (a record of the "WareLists"
// file), by display name and ID. The job page and the ship page embed one and drive it
// through Init, ShowWareList and Clear. The ware collection is the one the archive's
// pages share (mdlWareList::SharedWareCollection).
#include <cstdint>
#include <string>

#include "txteditor/TypeFileRefs.h"
#include "txteditor/WareListViewerSlot.h"
#include "typefiles/WareCollection.h"

class QTreeWidget;

class WareListViewer : public WareListViewerBase {
  Q_OBJECT

 public:
  explicit WareListViewer(QWidget* parent = nullptr);

  // Takes the shared ware collection and the archive's "WareLists" file; False when the
  // archive has none (an empty file takes its place, so every list is "not found").
  bool Init() override;
  // Shows the ware list at 0-based file position `index`, or the single column "Ware
  // list <index> not found".
  void ShowWareList(int32_t index) override;
  // Shows the "not found" column for a ware list named by a text that is no position.
  void ShowMissing(const std::string& what);
  // Removes every row; the columns stay.
  void Clear() override;

  const TxtParserRef& WareLists() const { return wareLists_; }
  const WareCollectionPtr& Wares() const { return wares_; }

  // Fills `view` with the rows of `list` (null: the single column `missingCaption`).
  // Shared with the ware-list page.
  static void FillWareView(QTreeWidget* view, const clsTXTObject* list, const clsWareCollection& wares,
                           const std::string& missingCaption);

  QTreeWidget* WareView = nullptr;

 private:
  WareCollectionPtr wares_;
  TxtParserRef wareLists_;
};
