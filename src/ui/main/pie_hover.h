#pragma once
// Which pie slice lies under a point. The chart's hover rectangles all cover
// the pie's bounding box, so the window picks the slice by angle itself.
#include <QPainterPath>

namespace qh {

struct PieLayout;

// The 1-based row of the slice under (x, y), 0 outside the pie.
int PieSliceAt(const PieLayout& pie, float x, float y);

// The outline of the slice of that row, empty when it has none.
QPainterPath PieSlicePath(const PieLayout& pie, int item);

}  // namespace qh
