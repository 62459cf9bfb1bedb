#pragma once
// Placement of the launcher's icons: the arrangement in rows and the snapping of one
// icon to the grid of cells. Plain functions in the view's units (pixels).
#include <cstddef>
#include <vector>

namespace kz {

struct IconPlace {
  int Left = 0;
  int Top = 0;
  bool operator==(const IconPlace&) const = default;
};

// The places of `count` icons arranged in rows in a view `viewWidth` wide, with cells
// of cellWidth x cellHeight: each icon first wraps to a new row when the view is at
// most x + cell width + 5 wide (so in a view narrower than one cell plus 5 every icon,
// the first included, starts a row of its own), then sits at (x + 5, y + 5).
std::vector<IconPlace> ArrangeIconPlaces(int viewWidth, int cellWidth, int cellHeight, std::size_t count);

// The grid place nearest to `place`: each coordinate divided by the cell size, rounded
// to the nearest whole number (halves to even), times the cell size, plus 5. While a
// cell size is still 0 (the cells have not been measured) the place stays as it is.
IconPlace SnapIconPlace(IconPlace place, int cellWidth, int cellHeight);

// Rounds to the nearest whole number, halves to the even one (2.5 -> 2, 3.5 -> 4).
long long RoundHalfEven(double value);

}  // namespace kz
