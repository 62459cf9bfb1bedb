// The drawing surface's rules: colours, wheel steps, buffer growth and 32-bit arithmetic.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "galaxy/model/MapSurfaceRules.h"

using namespace mdlMapSurface;

TEST(MapSurfaceRules, GameColoursHaveRedInTheLowByte) {
  EXPECT_EQ(FromBGR(0x004000), (MapRGB{0x00, 0x40, 0x00}));
  EXPECT_EQ(FromBGR(0x12710B), (MapRGB{0x0B, 0x71, 0x12}));
  EXPECT_EQ(FromBGR(0x10B51C), (MapRGB{0x1C, 0xB5, 0x10}));
  EXPECT_EQ(FromBGR(0xFF0000), (MapRGB{0x00, 0x00, 0xFF}));
}

TEST(MapSurfaceRules, WheelDeltasAddUpToWholeNotches) {
  struct Case {
    std::vector<int32_t> deltas;
    std::vector<int32_t> steps;
  };
  const std::vector<Case> cases = {
      {{120}, {1}},
      {{-120}, {-1}},
      {{240}, {2}},  // one event of two notches zooms twice
      {{-360}, {-3}},
      {{40, 40, 40}, {0, 0, 1}},  // a touchpad's small deltas
      {{60, -60, -60, -60}, {0, 0, 0, -1}},
      {{100, 100, 100}, {0, 1, 1}},  // the rest is kept: 100, 200 -> 1 (80), 180 -> 1 (60)
      {{0}, {0}},
  };
  for (const Case& c : cases) {
    WheelAccumulator w;
    for (size_t i = 0; i < c.deltas.size(); ++i) EXPECT_EQ(w.Add(c.deltas[i]), c.steps[i]) << "step " << i;
  }
  WheelAccumulator big;
  EXPECT_EQ(big.Add(std::numeric_limits<int32_t>::max()), std::numeric_limits<int32_t>::max() / 120);
}

TEST(MapSurfaceRules, BufferOnlyGrows) {
  BufferSize b = GrownBuffer({}, 0, 0);
  EXPECT_EQ(b, (BufferSize{1, 1}));
  b = GrownBuffer(b, 640, 480);
  EXPECT_EQ(b, (BufferSize{640, 480}));
  b = GrownBuffer(b, 300, 900);
  EXPECT_EQ(b, (BufferSize{640, 900}));
  b = GrownBuffer(b, 100, 100);
  EXPECT_EQ(b, (BufferSize{640, 900}));
}

TEST(MapSurfaceRules, ArithmeticStaysInsideThirtyTwoBits) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(NegateLong(kMin), kMax);
  EXPECT_EQ(NegateLong(kMax), -kMax);
  EXPECT_EQ(NegateLong(5), -5);
  EXPECT_EQ(ClampLong(int64_t{1} << 40), kMax);
  EXPECT_EQ(ClampLong(-(int64_t{1} << 40)), kMin);
  EXPECT_EQ(ClampLong(1e300), kMax);
  EXPECT_EQ(ClampLong(-1e300), kMin);
  EXPECT_EQ(RoundLong(2.5), 2);
  EXPECT_EQ(RoundLong(3.5), 4);
  EXPECT_EQ(RoundLong(-2.5), -2);
  EXPECT_EQ(RoundLong(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(ClampPixel(1e12), kPixelLimit);
  EXPECT_EQ(ClampPixel(-1e12), -kPixelLimit);
}

TEST(MapSurfaceRules, SegmentsAreClippedToTheBox) {
  double x1 = -1000, y1 = 50, x2 = 1000, y2 = 50;
  ASSERT_TRUE(ClipSegment(x1, y1, x2, y2, 0, 0, 100, 100));
  EXPECT_DOUBLE_EQ(x1, 0);
  EXPECT_DOUBLE_EQ(x2, 100);
  EXPECT_DOUBLE_EQ(y1, 50);
  double a = -1e12, b = -1e12, c = 1e12, d = 1e12;  // a diagonal through the box
  ASSERT_TRUE(ClipSegment(a, b, c, d, 0, 0, 100, 100));
  EXPECT_NEAR(a, 0, 1e-3);
  EXPECT_NEAR(d, 100, 1e-3);
  double e = 200, f = 200, g = 300, h = 250;  // outside
  EXPECT_FALSE(ClipSegment(e, f, g, h, 0, 0, 100, 100));
  double i = 10, j = 10, k = 20, l = 30;  // inside stays
  ASSERT_TRUE(ClipSegment(i, j, k, l, 0, 0, 100, 100));
  EXPECT_DOUBLE_EQ(i, 10);
  EXPECT_DOUBLE_EQ(l, 30);
}

// A move drag takes Alt or Ctrl; it ends once a key released leaves neither held.
TEST(MapSurfaceRules, MoveDragsTakeAltOrCtrl) {
  EXPECT_FALSE(MoveKeyHeld(false, false));
  EXPECT_TRUE(MoveKeyHeld(true, false));
  EXPECT_TRUE(MoveKeyHeld(false, true));
  EXPECT_TRUE(MoveKeyHeld(true, true));
  struct Case {
    bool alt, control, altKey, controlKey, ends;
  } cases[] = {
      {false, false, false, false, true},  // another key, nothing held
      {true, false, false, false, false},  // another key, Alt still held
      {false, true, false, false, false},  // another key, Ctrl still held
      {true, false, true, false, true},    // Alt itself released
      {false, true, false, true, true},    // Ctrl itself released
      {true, true, true, false, false},    // Alt released, Ctrl still held
      {true, true, false, true, false},    // Ctrl released, Alt still held
  };
  for (const Case& c : cases)
    EXPECT_EQ(MoveKeyReleased(c.alt, c.control, c.altKey, c.controlKey), c.ends)
        << c.alt << c.control << c.altKey << c.controlKey;
}
