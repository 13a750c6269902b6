#include "ui/services/chart_print.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace qh {

QRectF FitChartToArea(QSizeF chartSize, QSizeF areaSize) {
  if (chartSize.isEmpty() || areaSize.isEmpty()) return {};
  const qreal k =
      std::min(areaSize.width() / chartSize.width(), areaSize.height() / chartSize.height());
  const QSizeF shown = chartSize * k;
  return QRectF(
      QPointF((areaSize.width() - shown.width()) / 2, (areaSize.height() - shown.height()) / 2),
      shown);
}

void PrepareChartPrinter(QPrinter& printer, const QString& title) {
  printer.setPageOrientation(QPageLayout::Landscape);  // charts are wider than tall
  printer.setDocName(title);
}

bool PrintChartPage(QPrinter& printer, QSize chartSize, const ChartDraw& draw) {
  if (chartSize.isEmpty() || !draw) return false;
  // The painter's origin is the printable area's corner; width() and
  // height() are that area in device pixels.
  const QRectF target = FitChartToArea(chartSize, QSizeF(printer.width(), printer.height()));
  if (target.isEmpty()) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.translate(target.topLeft());
  painter.scale(target.width() / chartSize.width(), target.height() / chartSize.height());
  painter.setClipRect(QRect(QPoint(0, 0), chartSize));
  draw(painter);
  return painter.end();
}

}  // namespace qh
