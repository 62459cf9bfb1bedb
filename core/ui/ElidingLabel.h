// A status-bar label that never pushes its window wider: a text longer than its room
// is shown shortened in the middle, whole in its tool tip; text() stays the whole text.
#pragma once

#include <QLabel>

namespace kz {

class ElidingLabel : public QLabel {
 public:
  explicit ElidingLabel(QWidget* parent = nullptr) : QLabel(parent) {}
  // What the label shows at its present width.
  QString ShownText() const;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* e) override;
};

}  // namespace kz
