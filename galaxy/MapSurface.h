#pragma once
// MapSurface: the drawing box of a map window. It draws into a back buffer (a QImage
// kept between paints, grown only when the widget grows, never shrunk), and a paint of
// the widget runs one paint cycle: fill the buffer with the background colour, let the
// window draw its content into it, and copy the visible part to the screen.
//
// The "use DirectDraw" and "double buffer" settings are read when the map window loads
// and kept (DirectDrawMode, BufferMode); every mode draws into the back buffer, so a
// setting never leaves a map blank or flickering.
//
// The mouse and the wheel reach the window through the hooks below; the wheel's angle
// deltas add up to whole steps (mdlMapSurface::WheelAccumulator), and a horizontal
// scroll does nothing. A map window forwards a wheel event that reaches the window
// itself to AddWheel, so the map zooms wherever the wheel turned.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <functional>

#include "galaxy/model/MapSurfaceRules.h"

class QPainter;

// Whether the keys held make a drag move an object (Alt, or Ctrl where the desktop takes
// Alt-drag for moving windows).
inline bool MoveKey(Qt::KeyboardModifiers mods) {
  return mdlMapSurface::MoveKeyHeld((mods & Qt::AltModifier) != 0, (mods & Qt::ControlModifier) != 0);
}

class MapSurface : public QWidget {
  Q_OBJECT

 public:
  explicit MapSurface(QWidget* parent = nullptr);

  // The settings read when the window loaded.
  void SetModes(bool directDraw, bool doubleBuffer);
  bool DirectDrawMode() const { return directDraw_; }
  bool BufferMode() const { return buffer_mode_; }

  // The colour the buffer is filled with before every drawing (a game colour, 0x00BBGGRR).
  void SetBackground(int32_t bgr);
  QColor Background() const { return background_; }
  // The map font: "arial", 13 pixels high; its text colour and opaque background are set by
  // the window's content painter.
  const QFont& MapFont() const { return font_; }

  // Draws the content of the map (after the background fill).
  std::function<void(QPainter&)> PaintContent;
  // Whole wheel steps (positive: zoom in).
  std::function<void(int32_t steps)> OnWheelSteps;
  std::function<void(QMouseEvent*)> OnMousePress;
  std::function<void(QMouseEvent*)> OnMouseMove;
  std::function<void(QMouseEvent*)> OnMouseRelease;
  std::function<void(QMouseEvent*)> OnMouseDoubleClick;
  // The widget got a new size.
  std::function<void()> OnResized;

  // Adds a vertical wheel delta (angle units, 120 a notch) and runs OnWheelSteps for the
  // steps it completes.
  void AddWheel(int32_t delta);
  // Repaints now.
  void Refresh();
  // Runs a paint cycle into the back buffer and returns the part the widget shows.
  QImage Render();
  // The back buffer (its size: the largest the widget has had).
  const QImage& Buffer() const { return buffer_; }
  // Paint cycles run so far.
  int64_t PaintCount() const { return paints_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  void EnsureBuffer();
  void PaintCycle();

  bool directDraw_ = false;
  bool buffer_mode_ = true;
  QColor background_{0, 0, 0};
  QFont font_;
  QImage buffer_;
  mdlMapSurface::WheelAccumulator wheel_;
  int64_t paints_ = 0;
};
