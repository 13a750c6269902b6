#include "app/capacity.h"

#include <cmath>

namespace qh {

CapacityCheck CheckCapacity(ChartPage page, int itemCount, int canvasWidth, float s) {
  CapacityCheck check;
  if (itemCount <= 0 || (page != ChartPage::Bar && page != ChartPage::Line)) return check;
  if (canvasWidth < 100) return check;
  double a = canvasWidth - 84.0 * s - 26.0 * s;
  int n = 0;
  QString kind;
  if (page == ChartPage::Line) {
    a -= 20.0 * s;
    if (a < 40.0 * s) return check;
    n = static_cast<int>(std::floor(a / (20.0 * s))) + 1;
    check.LineCapacity = n;
    kind = QStringLiteral("曲线图");
  } else {
    if (a < 40.0 * s) return check;
    n = static_cast<int>(std::floor(a / (38.0 * s)));
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
