// The drawing surface: back buffer, paint cycle, wheel steps and mouse hooks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <vector>

#include "GalaxyFixture.h"
#include "galaxy/MapSurface.h"

namespace {
// The one application object of the test program.
void App() { GalaxyTestApp(); }

void SendWheel(QWidget* w, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const QPointF pos(w->width() / 2.0, w->height() / 2.0);
  QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}
}  // namespace

TEST(MapSurface, PaintCycleFillsTheBackgroundThenDrawsTheContent) {
  App();
  MapSurface s;
  s.resize(120, 80);
  s.SetBackground(0x004000);
  EXPECT_EQ(s.Background(), QColor(0, 0x40, 0));
  s.PaintContent = [](QPainter& p) { p.fillRect(10, 10, 20, 20, QColor(255, 0, 0)); };
  QImage img = s.Render();
  ASSERT_EQ(img.size(), QSize(120, 80));
  EXPECT_EQ(img.pixelColor(60, 60), QColor(0, 0x40, 0));
  EXPECT_EQ(img.pixelColor(20, 20), QColor(255, 0, 0));
  // The next cycle starts from the background again.
  s.PaintContent = nullptr;
  img = s.Render();
  EXPECT_EQ(img.pixelColor(20, 20), QColor(0, 0x40, 0));
  // A drawing step that fails leaves what was drawn before it.
  s.PaintContent = [](QPainter& p) {
    p.fillRect(0, 0, 5, 5, Qt::white);
    throw std::runtime_error("overflow");
  };
  img = s.Render();
  EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::white));
}

TEST(MapSurface, BufferIsKeptAndGrowsOnlyWithTheWidget) {
  App();
  MapSurface s;
  s.resize(200, 100);
  s.Render();
  const QImage& buf = s.Buffer();
  const uchar* bits = buf.constBits();
  s.Render();
  EXPECT_EQ(s.Buffer().constBits(), bits);  // no new buffer per paint
  s.resize(100, 300);
  s.Render();
  EXPECT_EQ(s.Buffer().size(), QSize(200, 300));
  s.resize(50, 50);
  EXPECT_EQ(s.Render().size(), QSize(50, 50));
  EXPECT_EQ(s.Buffer().size(), QSize(200, 300));
}

TEST(MapSurface, EveryModeDrawsThroughTheBuffer) {
  App();
  for (bool dd : {false, true})
    for (bool db : {false, true}) {
      MapSurface s;
      s.SetModes(dd, db);
      EXPECT_EQ(s.DirectDrawMode(), dd);
      EXPECT_EQ(s.BufferMode(), db);
      s.resize(40, 40);
      s.SetBackground(0x0000FF);
      s.show();
      QImage shot = s.grab().toImage();
      EXPECT_EQ(shot.pixelColor(20, 20), QColor(255, 0, 0)) << dd << db;
    }
}

TEST(MapSurface, WheelStepsAddUpAndHorizontalScrollsAreIgnored) {
  App();
  MapSurface s;
  s.resize(100, 100);
  std::vector<int> steps;
  s.OnWheelSteps = [&](int32_t n) { steps.push_back(n); };
  SendWheel(&s, QPoint(0, 120));
  SendWheel(&s, QPoint(0, 240));
  SendWheel(&s, QPoint(0, -120));
  SendWheel(&s, QPoint(120, 0));  // horizontal
  SendWheel(&s, QPoint(0, 30));
  SendWheel(&s, QPoint(0, 30));
  SendWheel(&s, QPoint(0, 30));
  EXPECT_EQ(steps, (std::vector<int>{1, 2, -1}));
  SendWheel(&s, QPoint(0, 30), Qt::ControlModifier);
  EXPECT_EQ(steps, (std::vector<int>{1, 2, -1, 1}));
}

TEST(MapSurface, MouseReachesTheHooksWithItsModifiers) {
  App();
  MapSurface s;
  s.resize(100, 100);
  std::vector<std::string> seen;
  s.OnMousePress = [&](QMouseEvent* e) {
    seen.push_back("press " + std::to_string(e->position().toPoint().x()) +
                   ((e->modifiers() & Qt::AltModifier) ? " alt" : ""));
  };
  s.OnMouseRelease = [&](QMouseEvent* e) { seen.push_back("release " + std::to_string(int(e->button()))); };
  s.OnMouseDoubleClick = [&](QMouseEvent*) { seen.push_back("double"); };
  QTest::mousePress(&s, Qt::LeftButton, Qt::AltModifier, QPoint(12, 30));
  QTest::mouseRelease(&s, Qt::RightButton, Qt::NoModifier, QPoint(12, 30));
  QTest::mouseDClick(&s, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0], "press 12 alt");
  EXPECT_EQ(seen[1], "release 2");
  EXPECT_EQ(seen.back(), "double");
}
