#include "chart/render_chart.h"

#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/line_chart.h"
#include "chart/pie_chart.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace qh {

void RenderChart(QPainter& painter, int width, int height, const ItemTable& table,
                 const ChartRequest& request, ChartState& state) {
  SetChartQuality(painter);
  state.HitRegions.clear();
  state.Pie = PieShape{};
  state.Outline = ChartOutline{};
  state.Outline.Page = request.Page;
  state.Outline.Title = request.Title;
  state.Outline.Rows = table.ItemCount();
  if (table.ItemCount() == 0) {
    DrawEmptyState(painter, state.Fonts, width, height, request.Scale, state.Outline.Texts);
    return;
  }
  switch (request.Page) {
    case ChartPage::Pie: DrawPieChart(painter, width, height, table, request, state); break;
    case ChartPage::Line: DrawLineChart(painter, width, height, table, request, state); break;
    default: DrawBarChart(painter, width, height, table, request, state); break;
  }
}

namespace {

int PieSliceAt(const PieShape& pie, float x, float y) {
  const double dx = x - pie.Cx, dy = y - pie.Cy;
  if (!(pie.R > 0) || dx * dx + dy * dy > double(pie.R) * pie.R) return 0;
  // Screen y grows downwards, so atan2 already runs clockwise like the slices.
  const double angle = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
  for (const PieSlice& slice : pie.Slices) {
    if (!(slice.Sweep > 0)) continue;
    const double into = std::fmod(angle - slice.Start + 720.0, 360.0);
    if (slice.Sweep >= 360 || into < slice.Sweep) return slice.Item;
  }
  return 0;
}

QPainterPath PieSlicePath(const PieShape& pie, int item) {
  QPainterPath path;
  const QRectF box(pie.Cx - pie.R, pie.Cy - pie.R, 2 * pie.R, 2 * pie.R);
  for (const PieSlice& slice : pie.Slices) {
    if (slice.Item != item || !(slice.Sweep > 0)) continue;
    path.moveTo(pie.Cx, pie.Cy);
    path.arcTo(box, -slice.Start, -slice.Sweep);  // Qt measures anticlockwise
    path.closeSubpath();
  }
  return path;
}

}  // namespace

ChartHit HitTest(const ChartState& state, float x, float y) {
  const PieShape& pie = state.Pie;
  if (const int item = PieSliceAt(pie, x, y)) return {item, PieSlicePath(pie, item)};
  // Rows missing from the pie's legend keep the pie's bounding box as their
  // region; over the pie the angle has already answered.
  const QRectF pieBox(pie.Cx - pie.R, pie.Cy - pie.R, 2 * pie.R, 2 * pie.R);
  for (const HitRegion& r : state.HitRegions) {
    const QRectF rect(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom));
    if (pie.R > 0 && rect == pieBox) continue;
    if (!(r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom)) continue;
    QPainterPath outline;
    outline.addRect(rect);
    return {r.ItemIndex, outline};
  }
  return {};
}

int ChartPageCount(ChartPage page, int rowCount, int pageSize) {
  if (page != ChartPage::Pie || pageSize < 1 || rowCount < 1) return 1;
  return static_cast<int>((static_cast<long long>(rowCount) + pageSize - 1) / pageSize);
}

QString ChartTitle(ChartPage page, int pageNo, int pageCount, const QString& heading) {
  QString title = !heading.isEmpty()        ? heading
                  : page == ChartPage::Pie  ? QStringLiteral("饼形图")
                  : page == ChartPage::Line ? QStringLiteral("曲线图")
                                            : QStringLiteral("柱形图");
  if (pageCount > 1) title += QStringLiteral("   (第 %1/%2 页)").arg(pageNo).arg(pageCount);
  return title;
}

}  // namespace qh
