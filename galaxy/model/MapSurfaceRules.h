#pragma once
// The rules of the map drawing surface that need no window: the colour form of the
// drawing objects, the wheel's step count, the growth of the back buffer, and the
// arithmetic that turns map positions into pixels without overflowing 32 bits.
#include <cstdint>

namespace mdlMapSurface {

// A colour as the game and the drawing objects give it: 0x00BBGGRR (red in the low byte).
struct MapRGB {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const MapRGB&) const = default;
};
MapRGB FromBGR(int32_t bgr) noexcept;

// The wheel: angle deltas add up; every full 120 (one notch) in either direction is one
// step, positive away from the user (zoom in), negative towards the user (zoom out).
// A touchpad's small deltas add up until they make a notch; what is left over is kept.
class WheelAccumulator {
 public:
  static constexpr int32_t kNotch = 120;
  // The steps the delta completes (0 while a notch is not full).
  int32_t Add(int32_t delta) noexcept;
  void Reset() noexcept { rest_ = 0; }
  int32_t Rest() const noexcept { return rest_; }

 private:
  int64_t rest_ = 0;
};

// The back buffer only grows: the larger of the buffer's and the widget's size on each
// axis (never below 1 pixel).
struct BufferSize {
  int32_t width = 0, height = 0;
  bool operator==(const BufferSize&) const = default;
};
BufferSize GrownBuffer(BufferSize buffer, int32_t widgetWidth, int32_t widgetHeight) noexcept;

// A value brought into 32 bits: clamped to the least and greatest; NaN gives 0.
int32_t ClampLong(int64_t v) noexcept;
int32_t ClampLong(double v) noexcept;
// Rounded to the nearest whole number, halves to even, clamped to 32 bits.
int32_t RoundLong(double v) noexcept;
// Minus a 32-bit value, clamped (minus the least value is the greatest).
int32_t NegateLong(int32_t v) noexcept;
// Pixel coordinates kept within the range the painter handles safely.
constexpr double kPixelLimit = 1.0e7;
double ClampPixel(double v) noexcept;

// Clips the segment (x1, y1)-(x2, y2) to the rectangle [left, right] x [top, bottom];
// false when nothing of it lies inside.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double left, double top, double right,
                 double bottom) noexcept;

// The keys that make a drag move an object (on the maps) or drop it into another (in
// the tree): Alt, or Ctrl, which desktops leave to programs where many take Alt-drag for
// moving windows. No other map gesture uses Ctrl with the mouse.
bool MoveKeyHeld(bool alt, bool control) noexcept;
// Whether a key released ends a move drag: no move key is still held after it (the key
// released is `altKey` or `controlKey` itself; `alt`/`control` as the event reports).
bool MoveKeyReleased(bool alt, bool control, bool altKey, bool controlKey) noexcept;

}  // namespace mdlMapSurface
