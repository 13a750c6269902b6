#include "chart/render_chart.h"

#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/line_chart.h"
#include "chart/pie_chart.h"

#include <QPainter>

namespace qh {

void RenderChart(QPainter& painter, int width, int height, const ItemTable& table,
                 const ChartRequest& request, ChartState& state) {
  SetChartQuality(painter);
  state.HitRegions.clear();
  state.Outline = ChartOutline{};
  state.Outline.Page = request.Page;
  state.Outline.Title = request.Title;
  if (table.ItemCount() == 0) {
    DrawEmptyState(painter, state.Fonts, width, height, request.Scale);
    return;
  }
  switch (request.Page) {
    case ChartPage::Pie: DrawPieChart(painter, width, height, table, request, state); break;
    case ChartPage::Line: DrawLineChart(painter, width, height, table, request, state); break;
    default: DrawBarChart(painter, width, height, table, request, state); break;
  }
}

int ChartHitTest(const ChartState& state, float x, float y) {
  for (const HitRegion& r : state.HitRegions) {
    if (r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom) return r.ItemIndex;
  }
  return 0;
}

int PieTotalPages(int rowCount, int pageSize) {
  if (pageSize < 1 || rowCount < 1) return 1;
  return static_cast<int>((static_cast<long long>(rowCount) + pageSize - 1) / pageSize);
}

QString ChartPageTitle(ChartPage page, int pageNo, int rowCount, int pageSize) {
  switch (page) {
    case ChartPage::Pie: {
      QString title = QStringLiteral("饼形图");
      const int total = PieTotalPages(rowCount, pageSize);
      if (total > 1) title += QStringLiteral("   (第 %1/%2 页)").arg(pageNo).arg(total);
      return title;
    }
    case ChartPage::Line: return QStringLiteral("曲线图");
    default: return QStringLiteral("柱形图");
  }
}

}  // namespace qh
