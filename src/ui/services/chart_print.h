#pragma once
// Printing the chart: drawn again as shapes and text on the printer's page,
// as large as the printable area allows, centred, its proportions kept.
#include "chart/chart_output.h"

#include <QRectF>
#include <QSize>
#include <QString>

class QPrinter;

namespace qh {

// Where a chart of chartSize lands in an area of areaSize: scaled to fit
// whole, centred. Empty when either size is empty.
QRectF FitChartToArea(QSizeF chartSize, QSizeF areaSize);

// High resolution, landscape, the chart's title as the document name.
void PrepareChartPrinter(QPrinter& printer, const QString& title);

// Draws the chart (drawn at chartSize pixels) on one page of the printer the
// user has set up. False when the printer cannot start or finish the page.
bool PrintChartPage(QPrinter& printer, QSize chartSize, const ChartDraw& draw);

}  // namespace qh
