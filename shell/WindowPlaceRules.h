#pragma once
// Where a window may stand: a place brought inside the screens' work areas. A plain
// function on outer rectangles (frame included) in screen pixels.
#include <vector>

#include "core/RecentFiles.h"

namespace kz {

// `wanted` moved, and cut where it is larger, into the work area it overlaps most (the
// first of `areas` when it overlaps none: the caller lists the primary screen first),
// so that the whole frame, title bar included, can be seen and grabbed. With no area
// known the rectangle stays as it is.
WindowRect FitToWorkAreas(WindowRect wanted, const std::vector<WindowRect>& areas);

}  // namespace kz
