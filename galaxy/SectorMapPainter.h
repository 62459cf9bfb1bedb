#pragma once
// SectorMapPainter: draws the sector map's content into the drawing surface's buffer: the
// grid and axes, the records' symbols and labels (or "Sector is not loaded"), the
// selection and the distance ruler, with the drawing objects made once from the game
// colours. Records whose box lies outside the box are skipped.
#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QPen>
#include <QString>

#include <array>
#include <string>
#include <vector>

#include "galaxy/model/SectorMapModel.h"

class QPainter;

class SectorMapPainter {
 public:
  explicit SectorMapPainter(const QFont& font);

  void Paint(QPainter& p, const mdlSectorMap::SectorMapModel& m);
  // The text measure of the map font, for the model.
  mdlSectorMap::MapSize Measure(std::string_view text) const;

  // The drawing objects.
  QBrush BackgroundBrush, ObjectBrush, SelectedBrush;
  QPen GridPen, AxisPen, DottedPen, ObjectPen, SelectedPen, ObjectPenWide, SelectedPenWide;
  QColor TextColour, TextBackground;

  // Records drawn by the last paint (the others were outside the box).
  int32_t DrawnCount() const { return drawn_; }

 private:
  void DrawGrid(QPainter& p, const mdlSectorMap::SectorMapModel& m);
  void DrawRecord(QPainter& p, const mdlSectorMap::SectorMapModel& m, size_t index, bool selected);
  void DrawText(QPainter& p, int32_t x, int32_t y, const QString& text);
  const QString& Cached(size_t index, size_t line, const std::string& text);

  QFont font_;
  QFontMetrics metrics_;
  int32_t ascent_ = 0;
  struct CachedLine {
    std::string source;
    QString text;
  };
  std::vector<std::array<CachedLine, 3>> cache_;
  int32_t drawn_ = 0;
};
