#include "chart/render_chart.h"

namespace qh {

void RenderChart(QPainter&, int, int, const ItemTable&, const ChartRequest&, ChartState& state) {
  state.HitRegions.clear();
}

int ChartHitTest(const ChartState& state, float x, float y) {
  for (const HitRegion& r : state.HitRegions) {
    if (r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom) return r.ItemIndex;
  }
  return 0;
}

}  // namespace qh
