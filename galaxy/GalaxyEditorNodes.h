#pragma once
// What the files of the galaxy editor window share: its tree nodes and small helpers.
#include <QApplication>
#include <QColor>
#include <QString>
#include <QTreeWidgetItem>

#include <cstdint>
#include <string>

#include "core/ui/WaitCursor.h"

namespace galaxy_editor_detail {

// A node of the tree: its key as a number (the object's id, or minus the placeholder's
// number) and its image (the position in ImageKeys(), -1 for none), kept in the item
// itself so that a large fill makes nothing per node beyond its text and icon.
class GalNode : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 18;
  explicit GalNode(int32_t key) : QTreeWidgetItem(kType), key(key) {}
  int32_t key;
  int32_t image = -1;
};

inline GalNode* AsNode(QTreeWidgetItem* item) {
  return item && item->type() == GalNode::kType ? static_cast<GalNode*>(item) : nullptr;
}
inline int32_t KeyNumber(QTreeWidgetItem* item) {
  GalNode* n = AsNode(item);
  return n ? n->key : 0;
}

// The text colour of a sector whose children were not read yet (BGR 0x7C7B81).
inline const QColor kNotLoadedColour{0x81, 0x7B, 0x7C};

// The editor's registry section.
inline constexpr const char* kSection = "GE";

using kz::WaitCursor;

inline QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string S(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace galaxy_editor_detail
