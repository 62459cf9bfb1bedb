#include "shell/WindowPlaceRules.h"

#include <algorithm>
#include <cstdint>

namespace kz {
namespace {

int64_t Overlap(const WindowRect& a, const WindowRect& b) {
  const int64_t w = std::min(a.right, b.right) - std::max(a.left, b.left);
  const int64_t h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return (w > 0 && h > 0) ? w * h : 0;
}

}  // namespace

WindowRect FitToWorkAreas(WindowRect wanted, const std::vector<WindowRect>& areas) {
  if (areas.empty()) return wanted;
  const WindowRect* area = &areas.front();
  int64_t best = 0;
  for (const WindowRect& a : areas) {
    const int64_t o = Overlap(wanted, a);
    if (o > best) {
      best = o;
      area = &a;
    }
  }
  const int32_t width = std::min(wanted.right - wanted.left, area->right - area->left);
  const int32_t height = std::min(wanted.bottom - wanted.top, area->bottom - area->top);
  const int32_t left = std::clamp(wanted.left, area->left, area->right - width);
  const int32_t top = std::clamp(wanted.top, area->top, area->bottom - height);
  return {left, top, left + width, top + height};
}

}  // namespace kz
