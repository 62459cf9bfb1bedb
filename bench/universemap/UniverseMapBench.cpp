// The universe map, each figure beside the plain work it cannot avoid:
//   rebuilding 2,000 named sectors (measuring from scratch)  vs  measuring the texts it measures, once each
//                                                             (and every word of the names once, for scale)
//   moving a sector (Alt+drag) in a 100,000-object map       vs  one pass over the objects reading their type
//   a full paint of 2,000 sectors                            vs  QPainter drawing the same shapes and texts
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/KzConst.h"
#include "galaxy/MapSurface.h"
#include "galaxy/UniverseMap.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/UniverseEditor.h"
#include "platform/ScriptedUi.h"

namespace {

constexpr int kSectors = 2000;
constexpr int kColumns = 50;
constexpr int kMoveObjects = 100000;

QApplication& App() {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char arg0[] = "bench_universemap";
  static char* argv[] = {arg0, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    platform::Ui::SetInstance(std::make_shared<platform::ScriptedUi>());
    mdlKzConst::InitArrays();
    mdlGalaxy::InitGalaxyTables();
    return a;
  }();
  return *app;
}

std::filesystem::path Dir() {
  static std::filesystem::path d = [] {
    auto p = std::filesystem::temp_directory_path() / ("kz-universemap-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return d;
}

// Sector names of one to four words made of syllables, nearly all different.
std::string MakeName(std::mt19937& rng) {
  static const char* syllables[] = {"ar", "gon", "ka", "les", "tor", "mi", "an", "ve", "ro", "su",
                                    "bel", "dra", "ni", "qu", "or", "pe", "xa", "li", "mon", "ter"};
  std::string name;
  const int words = 1 + static_cast<int>(rng() % 4);
  for (int w = 0; w < words; ++w) {
    if (w) name += ' ';
    const size_t start = name.size();
    const int parts = 1 + static_cast<int>(rng() % 4);
    for (int p = 0; p < parts; ++p) name += syllables[rng() % 20];
    name[start] = static_cast<char>(name[start] - 'a' + 'A');  // words begin with a capital
  }
  return name;
}

// A map of kSectors named sectors on a 50-column grid, each with two gates to its right
// and lower neighbours.
struct NamedMap {
  std::shared_ptr<clsGalaxyParser> doc = std::make_shared<clsGalaxyParser>();
  std::unordered_map<const clsGalaxyObject*, std::string> names;
  std::vector<std::string> allNames;

  NamedMap() {
    std::filesystem::path path = Dir() / "named.xml";
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe xmlns=\"KZUNIVERS.xsd\">\n";
    for (int s = 0; s < kSectors; ++s) {
      const int cx = s % kColumns, cy = s / kColumns;
      x += "<o t=\"1\" s=\"0\" x=\"" + std::to_string(cx) + "\" y=\"" + std::to_string(cy) + "\" r=\"" +
           std::to_string(s % 12) + "\">\n";
      x += "<o t=\"18\" s=\"0\" gx=\"" + std::to_string(cx + 1) + "\" gy=\"" + std::to_string(cy) + "\" gtid=\"1\"/>\n";
      x += "<o t=\"18\" s=\"1\" gx=\"" + std::to_string(cx) + "\" gy=\"" + std::to_string(cy + 1) + "\" gtid=\"2\"/>\n";
      x += "</o>\n";
    }
    x += "</universe>\n";
    std::ofstream(path, std::ios::binary) << x;
    doc->ParseFile(path.string());
    std::mt19937 rng(7);
    for (const GalaxyObjectPtr& s : doc->Sectors) {
      allNames.push_back(MakeName(rng));
      names[s.get()] = allNames.back();
    }
  }
  mdlUniverseMap::UniverseLayout::NameOf NameOf() const {
    return [this](const GalaxyObjectPtr& o) {
      auto it = names.find(o.get());
      return it == names.end() ? std::string() : it->second;
    };
  }
};

NamedMap& Named() {
  static NamedMap m;
  return m;
}

mdlUniverseMap::MeasureText FontMeasure(const QFontMetrics& fm) {
  return [fm](std::string_view text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return mdlUniverseMap::TextSize{fm.horizontalAdvance(s), fm.height()};
  };
}

QFont MapFont() {
  QFont f("arial");
  f.setPixelSize(13);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

// ---- rebuild ------------------------------------------------------------------------------

void BM_MeasureEveryWordOnce(benchmark::State& state) {
  App();
  const NamedMap& m = Named();
  for (auto _ : state) {
    QFontMetrics fm(MapFont());
    int64_t sum = 0;
    for (const std::string& n : m.allNames)
      for (std::string_view w : mdlUniverseMap::SplitWords(n))
        sum += fm.horizontalAdvance(QString::fromUtf8(w.data(), static_cast<qsizetype>(w.size())));
    benchmark::DoNotOptimize(sum);
  }
  int64_t words = 0;
  for (const std::string& n : m.allNames) words += static_cast<int64_t>(mdlUniverseMap::SplitWords(n).size());
  state.counters["words"] = static_cast<double>(words);
}
BENCHMARK(BM_MeasureEveryWordOnce)->Unit(benchmark::kMillisecond);

// The texts a rebuild from scratch measures, in its order: taken from one rebuild.
const std::vector<std::string>& RebuildTexts() {
  static std::vector<std::string> texts = [] {
    std::vector<std::string> out;
    NamedMap& m = Named();
    clsUniverseEditor map;
    map.NameOf = m.NameOf();
    mdlUniverseMap::MeasureText measure = FontMeasure(QFontMetrics(MapFont()));
    map.SetMeasure([&out, measure](std::string_view t) {
      out.emplace_back(t);
      return measure(t);
    });
    map.ShowUniverse(m.doc);
    return out;
  }();
  return texts;
}

// The floor of a rebuild from scratch: the same texts measured once each with a new
// font's metrics, as the rebuild makes them.
void BM_MeasureTheRebuildsTextsOnce(benchmark::State& state) {
  App();
  const std::vector<std::string>& texts = RebuildTexts();
  for (auto _ : state) {
    QFontMetrics fm(MapFont());
    int64_t sum = 0;
    for (const std::string& t : texts)
      sum += fm.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
    benchmark::DoNotOptimize(sum);
  }
  state.counters["texts"] = static_cast<double>(texts.size());
}
BENCHMARK(BM_MeasureTheRebuildsTextsOnce)->Unit(benchmark::kMillisecond);

// A rebuild as ShowUniverse makes it: a new window's text sizes, measured from scratch.
void BM_RebuildFromScratch(benchmark::State& state) {
  App();
  NamedMap& m = Named();
  clsUniverseEditor map;
  map.NameOf = m.NameOf();
  int64_t calls = 0;
  for (auto _ : state) {
    mdlUniverseMap::MeasureText measure = FontMeasure(QFontMetrics(MapFont()));
    map.SetMeasure([&calls, measure](std::string_view t) {
      ++calls;
      return measure(t);
    });
    map.ShowUniverse(m.doc);
    benchmark::DoNotOptimize(map.Layout.CellWidth);
  }
  state.counters["measuredPerRebuild"] = static_cast<double>(calls) / static_cast<double>(state.iterations());
  state.counters["cellWidth"] = map.Layout.CellWidth;
  state.counters["cellHeight"] = map.Layout.CellHeight;
}
BENCHMARK(BM_RebuildFromScratch)->Unit(benchmark::kMillisecond);

// Later rebuilds of the same window (after an edit): sizes already known.
void BM_RebuildAgain(benchmark::State& state) {
  App();
  NamedMap& m = Named();
  clsUniverseEditor map;
  map.NameOf = m.NameOf();
  map.SetMeasure(FontMeasure(QFontMetrics(MapFont())));
  map.ShowUniverse(m.doc);
  for (auto _ : state) {
    map.Rebuild();
    benchmark::DoNotOptimize(map.Layout.CellWidth);
  }
}
BENCHMARK(BM_RebuildAgain)->Unit(benchmark::kMillisecond);

// ---- moving a sector in a large map ----------------------------------------------------------

// 100 sectors of 1,000 objects: a background, four gates (to neighbours, one of them to
// sector 0's place), ships and asteroids; every sector read whole.
struct LargeMap {
  std::shared_ptr<clsGalaxyParser> doc = std::make_shared<clsGalaxyParser>();
  LargeMap() {
    std::filesystem::path path = Dir() / "large.xml";
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe xmlns=\"KZUNIVERS.xsd\">\n";
    int made = 0;
    for (int s = 0; made < kMoveObjects; ++s) {
      const int cx = s % 24, cy = s / 24;
      x += "<o t=\"1\" s=\"0\" x=\"" + std::to_string(cx) + "\" y=\"" + std::to_string(cy) + "\" r=\"1\">\n";
      x += "<o t=\"2\" s=\"0\"/>\n";
      made += 2;
      const int targets[4][2] = {{(cx + 1) % 24, cy}, {cx, cy + 1}, {0, 0}, {(cx + 23) % 24, cy}};
      for (const auto& t : targets) {
        x += "<o t=\"18\" s=\"0\" gx=\"" + std::to_string(t[0]) + "\" gy=\"" + std::to_string(t[1]) + "\" gtid=\"0\"/>\n";
        ++made;
      }
      for (int i = 6; i < 1000 && made < kMoveObjects; ++i, ++made)
        x += "<o t=\"" + std::string(i % 2 ? "7" : "17") + "\" s=\"SS_" + std::to_string(i) + "\" x=\"" +
             std::to_string(i) + "\" y=\"0\" z=\"0\"/>\n";
      x += "</o>\n";
    }
    x += "</universe>\n";
    std::ofstream(path, std::ios::binary) << x;
    doc->ParseFile(path.string());
    for (const GalaxyObjectPtr& s : doc->Sectors) doc->LoadSectorChildren(s);
  }
};

LargeMap& Large() {
  static LargeMap m;
  return m;
}

void BM_PassReadingTypes(benchmark::State& state) {
  LargeMap& m = Large();
  for (auto _ : state) {
    int64_t gates = 0;
    for (const GalaxyObjectPtr& o : m.doc->objects) gates += o->otype() == 18;
    benchmark::DoNotOptimize(gates);
  }
  state.counters["objects"] = m.doc->objects.Count();
}
BENCHMARK(BM_PassReadingTypes)->Unit(benchmark::kMillisecond);

// Sector 0 moved between (0, 0) and (10, 15) and back, with every gate that led to it.
void BM_MoveSector(benchmark::State& state) {
  App();
  LargeMap& m = Large();
  clsUniverseEditor map;
  map.SetMeasure([](std::string_view t) { return mdlUniverseMap::TextSize{static_cast<int32_t>(t.size()) * 7, 15}; });
  map.ShowUniverse(m.doc);
  int64_t modified = 0;
  map.OnSectorModified = [&modified](const GalaxyObjectPtr&) { ++modified; };
  bool there = false;
  for (auto _ : state) {
    const int from[2] = {there ? 10 : 0, there ? 15 : 0};
    const int to[2] = {there ? 0 : 10, there ? 0 : 15};
    const double w = map.Layout.CellWidth, h = map.Layout.CellHeight;
    map.StartDrag(map.Layout.IndexAt(from[0], from[1]));
    map.MouseMove(to[0] * w + w / 2, to[1] * h + h / 2, false, false);
    map.EndDrag();
    there = !there;
  }
  state.counters["eventsPerMove"] = static_cast<double>(modified) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MoveSector)->Unit(benchmark::kMillisecond);

// ---- painting ---------------------------------------------------------------------------------

struct PaintEnv {
  frmUniverseMap* win = nullptr;
  PaintEnv() {
    App();
    NamedMap& m = Named();
    win = new frmUniverseMap();
    win->Model().NameOf = m.NameOf();
    win->Model().Layout.ShowGrid = true;
    win->Model().Layout.ShowNames = true;
    win->ShowUniverse(m.doc);
    const auto& l = win->Model().Layout;
    win->Map->setFixedSize(l.CellWidth * kColumns, l.CellHeight * (kSectors / kColumns));
    win->adjustSize();
    QApplication::processEvents();
    win->Model().Select(kSectors / 2, false);
  }
};

PaintEnv& Paint() {
  static PaintEnv p;
  return p;
}

void BM_PaintUniverse(benchmark::State& state) {
  PaintEnv& env = Paint();
  for (auto _ : state) {
    QImage img = env.win->Render();
    benchmark::DoNotOptimize(img.constBits());
  }
  state.counters["width"] = env.win->Map->width();
  state.counters["height"] = env.win->Map->height();
}
BENCHMARK(BM_PaintUniverse)->Unit(benchmark::kMillisecond);

// The same picture drawn straight with QPainter: fill, grid, gate lines, circles, names
// (texts prepared beforehand) and the selection frame, into a buffer of the same size,
// copied out as the map does.
void BM_PaintRawQPainter(benchmark::State& state) {
  PaintEnv& env = Paint();
  const auto& l = env.win->Model().Layout;
  const int W = env.win->Map->width(), H = env.win->Map->height();
  QImage buffer(W, H, QImage::Format_RGB32);
  std::vector<std::vector<QString>> texts;
  for (const auto& r : l.Records) {
    texts.emplace_back();
    for (const auto& line : r.lines) texts.back().push_back(QString::fromStdString(line.text));
  }
  const QFont font = env.win->Map->MapFont();
  const int ascent = QFontMetrics(font).ascent();
  QPen grid(QColor(0x3D, 0x3B, 0x3B)), gate(Qt::white), select(QColor(255, 255, 0)), text(Qt::white);
  select.setStyle(Qt::DotLine);
  std::vector<QPen> pens;
  for (int race = 0; race < 20; ++race) {
    const int32_t c = mdlUniverseMap::RaceColour(race);
    pens.emplace_back(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  }
  const double w = l.CellWidth, h = l.CellHeight;
  for (auto _ : state) {
    QPainter p(&buffer);
    p.fillRect(0, 0, W, H, Qt::black);
    p.setFont(font);
    p.setPen(grid);
    for (double x = 0; x < W; x += w) p.drawLine(QLineF(x, 0, x, H));
    for (double y = 0; y < H; y += h) p.drawLine(QLineF(0, y, W, y));
    p.setPen(gate);
    for (const auto& r : l.Records)
      for (int32_t t : r.gateTargets)
        if (t >= 0) {
          const auto& o = l.Records[static_cast<size_t>(t)];
          p.drawLine(QLineF(r.cell.left + w / 2, r.cell.top + 12.0, o.cell.left + w / 2, o.cell.top + 12.0));
        }
    p.setBackground(Qt::black);
    p.setBackgroundMode(Qt::OpaqueMode);
    for (size_t i = 0; i < l.Records.size(); ++i) {
      const auto& r = l.Records[i];
      const double x = static_cast<double>(r.cell.left), y = static_cast<double>(r.cell.top);
      p.setPen(pens[static_cast<size_t>(r.race < 20 && r.race >= 0 ? r.race : 0)]);
      p.setBrush(Qt::black);
      p.drawEllipse(QRectF(x + w / 2 - 10, y + 2, 20, 20));
      p.setPen(text);
      double ly = y + 24;
      for (size_t k = 0; k < r.lines.size(); ++k) {
        p.drawText(QPointF(x + w / 2 - r.lines[k].size.width / 2, ly + ascent), texts[i][k]);
        ly += r.lines[k].size.height;
      }
      if (static_cast<int32_t>(i) == env.win->Model().Selected()) {
        p.setPen(select);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(x, y, w - 1, h - 1));
      }
    }
    p.end();
    QImage shown = buffer.copy(0, 0, W, H);
    benchmark::DoNotOptimize(shown.constBits());
  }
}
BENCHMARK(BM_PaintRawQPainter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
