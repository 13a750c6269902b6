#include "app/capacity.h"

#include "chart/chart_style.h"

#include <cmath>

namespace qh {

CapacityCheck CheckCapacity(ChartPage page, int itemCount, int canvasWidth, float s) {
  CapacityCheck check;
  if (itemCount <= 0 || (page != ChartPage::Bar && page != ChartPage::Line)) return check;
  if (canvasWidth < 100) return check;
  // The plot's width as the charts lay it out.
  const ChartStyle st(s);
  double a = canvasWidth - static_cast<double>(st.PlotLeft) - st.PlotRight;
  int n = 0;
  QString kind;
  if (page == ChartPage::Line) {
    // The warning keeps twice the chart's end pad free, so it may name one
    // point fewer than the line chart draws.
    a -= 2.0 * st.LineEndPad;
    if (a < st.MinPlotSide) return check;
    n = static_cast<int>(std::floor(a / st.PointSlot)) + 1;
    check.LineCapacity = n;
    kind = QStringLiteral("曲线图");
  } else {
    if (a < st.MinPlotSide) return check;
    n = static_cast<int>(std::floor(a / st.BarSlot));
    check.BarCapacity = n;
    kind = QStringLiteral("柱形图");
  }
  if (n < 3 || n >= itemCount) return check;
  check.Message = QStringLiteral(
                      "数据项目过多,%1无法表达所有数据.\r\n\r\n"
                      "共 %2 项,当前窗口只能显示前 %3 项,其余 %4 项未显示.")
                      .arg(kind)
                      .arg(itemCount)
                      .arg(n)
                      .arg(itemCount - n);
  return check;
}

}  // namespace qh
