#include "galaxy/MapSurface.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

MapSurface::MapSurface(QWidget* parent) : QWidget(parent) {
  setObjectName("Map");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  font_ = QFont("arial");
  font_.setPixelSize(13);
  font_.setStyleStrategy(QFont::NoAntialias);
}

void MapSurface::SetModes(bool directDraw, bool doubleBuffer) {
  directDraw_ = directDraw;
  buffer_mode_ = doubleBuffer;
}

void MapSurface::SetBackground(int32_t bgr) {
  const mdlMapSurface::MapRGB c = mdlMapSurface::FromBGR(bgr);
  background_ = QColor(c.r, c.g, c.b);
}

void MapSurface::EnsureBuffer() {
  const mdlMapSurface::BufferSize now{buffer_.width(), buffer_.height()};
  const mdlMapSurface::BufferSize want = mdlMapSurface::GrownBuffer(now, width(), height());
  if (want == now && !buffer_.isNull()) return;
  buffer_ = QImage(want.width, want.height, QImage::Format_RGB32);
}

void MapSurface::PaintCycle() {
  EnsureBuffer();
  ++paints_;
  QPainter p(&buffer_);
  p.setClipRect(0, 0, width(), height());
  p.fillRect(0, 0, width(), height(), background_);
  p.setFont(font_);
  if (PaintContent) {
    try {
      PaintContent(p);
    } catch (...) {
      // A failing drawing step ends the drawing; the picture keeps what was drawn.
    }
  }
}

QImage MapSurface::Render() {
  PaintCycle();
  return buffer_.copy(0, 0, std::max(1, width()), std::max(1, height()));
}

void MapSurface::Refresh() { repaint(); }

void MapSurface::paintEvent(QPaintEvent* e) {
  PaintCycle();
  QPainter p(this);
  p.drawImage(e->rect(), buffer_, e->rect());
}

void MapSurface::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  EnsureBuffer();
  if (OnResized) OnResized();
}

void MapSurface::AddWheel(int32_t delta) {
  const int32_t steps = wheel_.Add(delta);
  if (steps != 0 && OnWheelSteps) OnWheelSteps(steps);
}

void MapSurface::wheelEvent(QWheelEvent* e) {
  e->accept();
  AddWheel(e->angleDelta().y());
}

void MapSurface::mousePressEvent(QMouseEvent* e) {
  if (OnMousePress) OnMousePress(e);
}
void MapSurface::mouseMoveEvent(QMouseEvent* e) {
  if (OnMouseMove) OnMouseMove(e);
}
void MapSurface::mouseReleaseEvent(QMouseEvent* e) {
  if (OnMouseRelease) OnMouseRelease(e);
}
void MapSurface::mouseDoubleClickEvent(QMouseEvent* e) {
  if (OnMouseDoubleClick) OnMouseDoubleClick(e);
}
