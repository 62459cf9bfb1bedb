// The sector map with one sector of 10,000 labelled objects: a paint against raw QPainter
// drawing of the same shapes and texts; a paint at 7.6 times zoom (a small part of the
// sector visible) against the full paint; and showing the sector against measuring the
// labels alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "galaxy/MapSurface.h"
#include "galaxy/SectorMapPainter.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/SectorMapModel.h"

namespace {

constexpr int kObjects = 10000;
constexpr int kWidth = 1000, kHeight = 800;

struct Env {
  std::unique_ptr<QApplication> app;
  std::shared_ptr<clsGalaxyParser> doc = std::make_shared<clsGalaxyParser>();
  GalaxyObjectPtr sector;
  std::unique_ptr<MapSurface> surface;
  std::unique_ptr<SectorMapPainter> painter;
  mdlSectorMap::SectorMapModel model;

  Env() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char arg0[] = "sectormap_bench";
    static char* argv[] = {arg0, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    mdlGalaxy::InitGalaxyTables();
    const auto dir = std::filesystem::temp_directory_path() / ("kz-sectormap-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "map.xml").string();
    {
      // Objects of every kind spread over the box at zoom 1 (the box shows 62,500 units a pixel).
      std::ofstream out(path, std::ios::binary);
      out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe xmlns=\"KZUNIVERS.xsd\">\n"
          << "<o t=\"1\" s=\"0\" x=\"0\" y=\"0\">\n";
      const int types[] = {3, 4, 5, 6, 7, 17, 18, 8};
      unsigned seed = 12345;
      auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
      };
      for (int i = 0; i < kObjects; ++i) {
        const long x = (long(next()) * kWidth / 65536 - kWidth / 2) * 62500L;
        const long z = (long(next()) * kHeight / 65536 - kHeight / 2) * 62500L;
        out << "<o t=\"" << types[i % 8] << "\" s=\"0\" x=\"" << x << "\" y=\"0\" z=\"" << z << "\" n=\""
            << (2000 + i) << "\"/>\n";
      }
      out << "</o>\n</universe>\n";
    }
    if (!doc->ParseFile(path) || !doc->LoadSectorChildren(doc->Sectors.Item(1))) std::abort();
    std::filesystem::remove_all(dir);
    sector = doc->Sectors.Item(1);
    surface = std::make_unique<MapSurface>();
    surface->resize(kWidth, kHeight);
    surface->SetBackground(mdlSectorMap::kBackgroundColour);
    painter = std::make_unique<SectorMapPainter>(surface->MapFont());
    model.SetParser(doc);
    model.SetMeasure([this](std::string_view t) { return painter->Measure(t); });
    model.SetBoxSize(kWidth, kHeight);
    model.ShowSector(sector, true);
    surface->PaintContent = [this](QPainter& p) { painter->Paint(p, model); };
  }
};

Env& E() {
  static Env env;
  return env;
}

void BM_PaintSectorMap(benchmark::State& state) {
  Env& e = E();
  while (e.model.Zoom() > 1.0001) e.model.ZoomMap(false);
  e.model.Center();
  for (auto _ : state) {
    QImage img = e.surface->Render();
    benchmark::DoNotOptimize(img.constBits());
  }
  state.counters["drawn"] = e.painter->DrawnCount();
}
BENCHMARK(BM_PaintSectorMap)->Unit(benchmark::kMillisecond);

void BM_PaintSectorMapZoomed(benchmark::State& state) {
  Env& e = E();
  while (e.model.Zoom() > 1.0001) e.model.ZoomMap(false);
  e.model.Center();
  for (int i = 0; i < 5; ++i) e.model.ZoomMap(true);  // 7.6 times
  for (auto _ : state) {
    QImage img = e.surface->Render();
    benchmark::DoNotOptimize(img.constBits());
  }
  state.counters["drawn"] = e.painter->DrawnCount();
  while (e.model.Zoom() > 1.0001) e.model.ZoomMap(false);
}
BENCHMARK(BM_PaintSectorMapZoomed)->Unit(benchmark::kMillisecond);

// The same grid, symbols and texts drawn straight with QPainter into a kept image.
void BM_RawQPainter(benchmark::State& state) {
  Env& e = E();
  while (e.model.Zoom() > 1.0001) e.model.ZoomMap(false);
  e.model.Center();
  struct Item {
    QPoint at;
    int type;
    std::vector<std::pair<QPoint, QString>> lines;
  };
  std::vector<Item> items;
  for (const mdlSectorMap::MapRecord& r : e.model.Records()) {
    const mdlSectorMap::MapPointL c = e.model.RecordPixel(r);
    Item it{QPoint(c.x, c.y), r.Type, {}};
    for (int i = 0; i < r.LineCount; ++i)
      it.lines.emplace_back(QPoint(c.x + r.Lines[i].dx, c.y + r.Lines[i].dy), QString::fromStdString(mdlSectorMap::LineText(r, r.Lines[i])));
    items.push_back(std::move(it));
  }
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  const QColor back(0, 0x40, 0), fill(0x0B, 0x71, 0x12), grid(0x12, 0x69, 0x0C), text(0x1C, 0xB5, 0x10);
  const QPen wide(fill, 2), thin(fill, 1), gridPen(grid, 1);
  QFont font = e.surface->MapFont();
  const int ascent = QFontMetrics(font).ascent();
  for (auto _ : state) {
    QPainter p(&img);
    p.fillRect(0, 0, kWidth, kHeight, back);
    p.setFont(font);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(back);
    p.setPen(gridPen);
    for (int k = -10; k <= 10; ++k) {
      p.drawLine(kWidth / 2 + k * 40, 0, kWidth / 2 + k * 40, kHeight);
      p.drawLine(0, kHeight / 2 + k * 40, kWidth, kHeight / 2 + k * 40);
    }
    for (const Item& it : items) {
      p.setPen(text);
      for (const auto& [at, s] : it.lines) p.drawText(at.x(), at.y() + ascent, s);
      p.setPen(wide);
      p.setBrush(fill);
      const int x = it.at.x(), y = it.at.y();
      switch (it.type) {
        case 6:
          p.drawRect(QRect(x - 3, y - 3, 6, 6));
          break;
        case 7: {
          const QPoint pts[3] = {QPoint(x - 4, y + 4), QPoint(x, y - 4), QPoint(x + 4, y + 4)};
          p.drawPolygon(pts, 3);
          break;
        }
        case 5:
        case 18:
          p.setBrush(back);
          p.drawEllipse(QRect(x - 7, y - 7, 14, 14));
          p.setPen(thin);
          p.setBrush(fill);
          p.drawEllipse(QRect(x - 2, y - 2, 4, 4));
          break;
        default:
          p.drawEllipse(QRect(x - 5, y - 5, 10, 10));
          break;
      }
    }
    p.end();
    benchmark::DoNotOptimize(img.constBits());
  }
}
BENCHMARK(BM_RawQPainter)->Unit(benchmark::kMillisecond);

void BM_ShowSector(benchmark::State& state) {
  Env& e = E();
  for (auto _ : state) {
    e.model.ShowSector(e.sector, true);
    benchmark::DoNotOptimize(e.model.Count());
  }
}
BENCHMARK(BM_ShowSector)->Unit(benchmark::kMillisecond);

// Measuring the labels of the same objects (their names and gate lines) with the map font.
void BM_MeasureLabels(benchmark::State& state) {
  Env& e = E();
  std::vector<std::string> labels;
  for (const mdlSectorMap::MapRecord& r : e.model.Records()) {
    labels.push_back(r.Name);
    if (r.Type == 18) labels.push_back(mdlSectorMap::GateLine(r, e.model.LabelMask()));
  }
  const QFontMetrics fm(e.surface->MapFont());
  for (auto _ : state) {
    int64_t sum = 0;
    for (const std::string& s : labels) {
      const QString q = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
      sum += fm.horizontalAdvance(q) + fm.height();
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_MeasureLabels)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
