#include "galaxy/SectorMapPainter.h"

#include <QPainter>
#include <QPolygon>

#include <cmath>

#include "galaxy/model/MapSurfaceRules.h"

using namespace mdlSectorMap;

namespace {
QColor Game(int32_t bgr) {
  const mdlMapSurface::MapRGB c = mdlMapSurface::FromBGR(bgr);
  return QColor(c.r, c.g, c.b);
}
QPen MakePen(int32_t bgr, int width, Qt::PenStyle style = Qt::SolidLine) {
  QPen pen(Game(bgr), width, style);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}
}  // namespace

SectorMapPainter::SectorMapPainter(const QFont& font) : font_(font), metrics_(font) {
  BackgroundBrush = QBrush(Game(kBackgroundColour));
  ObjectBrush = QBrush(Game(kObjectColour));
  SelectedBrush = QBrush(Game(kSelectedColour));
  GridPen = MakePen(kGridColour, 1);
  AxisPen = MakePen(kGridColour, 2);
  DottedPen = MakePen(kSelectedColour, 1, Qt::DotLine);
  ObjectPen = MakePen(kObjectColour, 1);
  SelectedPen = MakePen(kSelectedColour, 1);
  ObjectPenWide = MakePen(kObjectColour, 2);
  SelectedPenWide = MakePen(kSelectedColour, 2);
  TextColour = Game(kTextColour);
  TextBackground = Game(kBackgroundColour);
  ascent_ = metrics_.ascent();
}

MapSize SectorMapPainter::Measure(std::string_view text) const {
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return MapSize{metrics_.horizontalAdvance(s), metrics_.height()};
}

const QString& SectorMapPainter::Cached(size_t index, size_t line, const std::string& text) {
  if (index >= cache_.size()) cache_.resize(index + 1);
  CachedLine& c = cache_[index][line];
  if (c.source != text || (c.text.isEmpty() && !text.empty())) {
    c.source = text;
    c.text = QString::fromStdString(text);
  }
  return c.text;
}

void SectorMapPainter::DrawText(QPainter& p, int32_t x, int32_t y, const QString& text) {
  if (text.isEmpty()) return;
  p.setPen(TextColour);
  p.drawText(x, y + ascent_, text);
}

void SectorMapPainter::Paint(QPainter& p, const SectorMapModel& m) {
  drawn_ = 0;
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setFont(font_);
  p.setBackgroundMode(Qt::OpaqueMode);
  p.setBackground(TextBackground);
  DrawGrid(p, m);
  if (m.ShownSector()) {
    if (!m.ShownSector()->Loaded) {
      DrawText(p, 0, 0, QStringLiteral("Sector is not loaded"));
    } else {
      const auto& records = m.Records();
      for (size_t i = 0; i < records.size(); ++i) DrawRecord(p, m, i, false);
      if (m.Selected() >= 0) DrawRecord(p, m, static_cast<size_t>(m.Selected()), true);
    }
  }
  if (m.RulerOn()) {
    p.setPen(SelectedPen);
    const MapPointD a = m.LineToScreen(m.RulerAnchor().x, m.RulerAnchor().y);
    const MapPointD b = m.MousePosition();
    double x1 = a.x, y1 = a.y, x2 = b.x, y2 = b.y;
    if (mdlMapSurface::ClipSegment(x1, y1, x2, y2, -2, -2, m.BoxWidth() + 2, m.BoxHeight() + 2))
      p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    const QString text = QString::fromStdString(m.RulerText());
    const int32_t w = metrics_.horizontalAdvance(text);
    DrawText(p, m.BoxWidth() - w - 5, 5, text);
  }
}

void SectorMapPainter::DrawGrid(QPainter& p, const SectorMapModel& m) {
  const int32_t count = static_cast<int32_t>(kExtent / kGridStep / 2);
  const double half = kExtent / 2;
  p.setPen(GridPen);
  for (int32_t k = 1; k <= count; ++k) {
    for (double x : {k * kGridStep, -k * kGridStep}) {
      const MapPointD a = m.LineToScreen(x, -half), b = m.LineToScreen(x, half);
      if (a.x < -2 || a.x > m.BoxWidth() + 2) continue;
      p.drawLine(QPointF(a.x, std::max(a.y, -2.0)), QPointF(b.x, std::min(b.y, m.BoxHeight() + 2.0)));
    }
  }
  for (int32_t k = 1; k <= count; ++k) {
    for (double y : {k * kGridStep, -k * kGridStep}) {
      const MapPointD a = m.LineToScreen(-half, y), b = m.LineToScreen(half, y);
      if (a.y < -2 || a.y > m.BoxHeight() + 2) continue;
      p.drawLine(QPointF(std::max(a.x, -2.0), a.y), QPointF(std::min(b.x, m.BoxWidth() + 2.0), b.y));
    }
  }
  const MapPointL o = m.MapOrigin();
  p.setPen(AxisPen);
  p.drawLine(o.x, 0, o.x, m.BoxHeight());
  DrawText(p, o.x + 5, 0, QString::fromStdString(m.AxisName()));
  p.drawLine(0, o.y, m.BoxWidth(), o.y);
  DrawText(p, m.BoxWidth() - 10, o.y + 2, QStringLiteral("X"));
}

void SectorMapPainter::DrawRecord(QPainter& p, const SectorMapModel& m, size_t index, bool selected) {
  const MapRecord& r = m.Records()[index];
  const MapPointL c = m.RecordPixel(r);
  const int32_t x = c.x, y = c.y;
  // The frame of the selection reaches 4 pixels beyond the box.
  if (int64_t{x} + r.Box.right + 4 < 0 || int64_t{x} + r.Box.left - 4 > m.BoxWidth() ||
      int64_t{y} + r.Box.bottom + 4 < 0 || int64_t{y} + r.Box.top - 4 > m.BoxHeight())
    return;
  ++drawn_;

  // Labels, bottom up.
  for (int32_t i = 0; i < r.LineCount; ++i) {
    const MapLabelLine& line = r.Lines[static_cast<size_t>(i)];
    DrawText(p, x + line.dx, y + line.dy, Cached(index, static_cast<size_t>(i), LineText(r, line)));
  }

  const QPen& wide = selected ? SelectedPenWide : ObjectPenWide;
  const QBrush& fill = selected ? SelectedBrush : ObjectBrush;
  auto ellipse = [&](int32_t s) { p.drawEllipse(QRect(x - s, y - s, 2 * s, 2 * s)); };
  switch (r.Type) {
    case kTypeSun:
      p.setPen(wide);
      p.setBrush(fill);
      ellipse(5);
      p.setPen(Qt::black);
      p.setBrush(Qt::black);
      ellipse(2);
      break;
    case kTypePlanet:
      p.setPen(wide);
      p.setBrush(fill);
      ellipse(5);
      break;
    case kTypeDock:
      p.setPen(wide);
      p.setBrush(BackgroundBrush);
      ellipse(7);
      p.setPen(selected ? SelectedPen : ObjectPen);
      p.setBrush(fill);
      ellipse(2);
      break;
    case kTypeFactory:
      p.setPen(wide);
      p.setBrush(fill);
      p.drawRect(QRect(x - 3, y - 3, 6, 6));
      break;
    case kTypeShip: {
      p.setPen(wide);
      p.setBrush(fill);
      const QPoint pts[3] = {QPoint(x - 4, y + 4), QPoint(x, y - 4), QPoint(x + 4, y + 4)};
      p.drawPolygon(pts, 3);
      break;
    }
    case kTypeAsteroid:
      p.setPen(wide);
      p.setBrush(fill);
      ellipse(3);
      break;
    case kTypeGate:
      p.setPen(wide);
      p.setBrush(BackgroundBrush);
      ellipse(7);
      p.setPen(ObjectPen);
      p.setBrush(fill);
      p.drawEllipse(QRect(x - 11, y - 3, 6, 6));
      p.drawEllipse(QRect(x + 5, y - 3, 6, 6));
      break;
    default:
      p.setPen(selected ? SelectedPen : ObjectPen);
      p.setBrush(BackgroundBrush);
      ellipse(3);
      break;
  }
  p.setBrush(Qt::NoBrush);
  if (selected) {
    p.setPen(DottedPen);
    p.setBackgroundMode(Qt::TransparentMode);
    p.drawRect(QRect(QPoint(x + r.Box.left - 4, y + r.Box.top - 4), QPoint(x + r.Box.right + 3, y + r.Box.bottom + 3)));
    p.setBackgroundMode(Qt::OpaqueMode);
  }
}
