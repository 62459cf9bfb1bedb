#include "galaxy/model/MapSurfaceRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mdlMapSurface {

MapRGB FromBGR(int32_t bgr) noexcept {
  const auto v = static_cast<uint32_t>(bgr);
  return MapRGB{static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>((v >> 8) & 0xFF),
                static_cast<uint8_t>((v >> 16) & 0xFF)};
}

int32_t WheelAccumulator::Add(int32_t delta) noexcept {
  rest_ += delta;
  const int64_t steps = rest_ / kNotch;  // truncates towards zero: the sign of the sum
  rest_ -= steps * kNotch;
  return ClampLong(steps);
}

BufferSize GrownBuffer(BufferSize buffer, int32_t widgetWidth, int32_t widgetHeight) noexcept {
  return BufferSize{std::max({buffer.width, widgetWidth, 1}), std::max({buffer.height, widgetHeight, 1})};
}

int32_t ClampLong(int64_t v) noexcept {
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

int32_t ClampLong(double v) noexcept {
  if (std::isnan(v)) return 0;
  if (v <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

int32_t RoundLong(double v) noexcept {
  if (std::isnan(v)) return 0;
  return ClampLong(std::nearbyint(v));
}

int32_t NegateLong(int32_t v) noexcept { return ClampLong(-static_cast<int64_t>(v)); }

double ClampPixel(double v) noexcept {
  if (std::isnan(v)) return 0;
  return std::clamp(v, -kPixelLimit, kPixelLimit);
}

bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double left, double top, double right,
                 double bottom) noexcept {
  // Liang-Barsky.
  const double dx = x2 - x1, dy = y2 - y1;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const double ox = x1, oy = y1;
  x1 = ox + t0 * dx;
  y1 = oy + t0 * dy;
  x2 = ox + t1 * dx;
  y2 = oy + t1 * dy;
  return true;
}

bool MoveKeyHeld(bool alt, bool control) noexcept { return alt || control; }

bool MoveKeyReleased(bool alt, bool control, bool altKey, bool controlKey) noexcept {
  return !((alt && !altKey) || (control && !controlKey));
}

}  // namespace mdlMapSurface
