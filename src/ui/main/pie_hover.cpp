#include "ui/main/pie_hover.h"

#include "chart/pie_chart.h"

#include <cmath>
#include <numbers>

namespace qh {

int PieSliceAt(const PieLayout& pie, float x, float y) {
  const double dx = x - pie.Cx, dy = y - pie.Cy;
  if (pie.R <= 0 || dx * dx + dy * dy > double(pie.R) * pie.R) return 0;
  // Screen y grows downwards, so atan2 already runs clockwise like the slices.
  const double angle = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
  for (const PieSlice& slice : pie.Slices) {
    if (!(slice.Sweep > 0)) continue;
    const double into = std::fmod(angle - slice.Start + 720.0, 360.0);
    if (slice.Sweep >= 360 || into < slice.Sweep) return slice.Item;
  }
  return 0;
}

QPainterPath PieSlicePath(const PieLayout& pie, int item) {
  QPainterPath path;
  for (const PieSlice& slice : pie.Slices) {
    if (slice.Item != item || !(slice.Sweep > 0)) continue;
    const QRectF box(pie.Cx - pie.R, pie.Cy - pie.R, 2 * pie.R, 2 * pie.R);
    path.moveTo(pie.Cx, pie.Cy);
    path.arcTo(box, -slice.Start, -slice.Sweep);  // Qt measures counter-clockwise
    path.closeSubpath();
  }
  return path;
}

}  // namespace qh
