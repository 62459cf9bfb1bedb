#include "shell/LauncherLayout.h"

#include <cmath>

namespace kz {

long long RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  long long result = static_cast<long long>(floor);
  if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) ++result;
  return result;
}

std::vector<IconPlace> ArrangeIconPlaces(int viewWidth, int cellWidth, int cellHeight, std::size_t count) {
  std::vector<IconPlace> places;
  places.reserve(count);
  long long x = 0;
  long long y = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (viewWidth <= x + cellWidth + 5) {
      y += cellHeight;
      x = 0;
    }
    places.push_back({static_cast<int>(x + 5), static_cast<int>(y + 5)});
    x += cellWidth;
  }
  return places;
}

IconPlace SnapIconPlace(IconPlace place, int cellWidth, int cellHeight) {
  if (cellWidth <= 0 || cellHeight <= 0) return place;
  const auto snap = [](int v, int cell) {
    return static_cast<int>(RoundHalfEven(static_cast<double>(v) / cell) * cell + 5);
  };
  return {snap(place.Left, cellWidth), snap(place.Top, cellHeight)};
}

}  // namespace kz
