// The middle-shortening status label.
#include "core/ui/ElidingLabel.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

namespace kz {

QString ElidingLabel::ShownText() const {
  const int room = contentsRect().width() - 2 * margin();
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, std::max(0, room));
}

QSize ElidingLabel::minimumSizeHint() const {
  // Room for a few characters and the ellipsis; the whole text is the size hint.
  QSize hint = QLabel::minimumSizeHint();
  hint.setWidth(std::min(hint.width(), fontMetrics().horizontalAdvance(QStringLiteral("MMMM…")) + 2 * margin()));
  return hint;
}

void ElidingLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                        isEnabled(), ShownText(), foregroundRole());
}

bool ElidingLabel::event(QEvent* e) {
  if (e->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    // The whole text, when it is shown shortened.
    const auto* help = static_cast<QHelpEvent*>(e);
    if (ShownText() != text())
      QToolTip::showText(help->globalPos(), text(), this);
    else
      QToolTip::hideText();
    return true;
  }
  return QLabel::event(e);
}

}  // namespace kz
