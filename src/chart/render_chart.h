#pragma once
// The one entry point of chart drawing, shared by the window and the CLI so
// both draw exactly the same picture.
#include "chart/chart_types.h"
#include "data/item_table.h"

#include <QString>

class QPainter;

namespace qh {

void RenderChart(QPainter& painter, int width, int height, const ItemTable& table,
                 const ChartRequest& request, ChartState& state);

// The element of the last drawing under (x, y): a pie slice by its angle,
// else the first hover rectangle holding the point.
ChartHit HitTest(const ChartState& state, float x, float y);

// Pages a chart kind has: the pie ceil(rows / pageSize), at least 1; the
// bar and line charts never page.
int ChartPageCount(ChartPage page, int rowCount, int pageSize);

// heading, or when it is empty "柱形图", "饼形图" or "曲线图", with
// "   (第 x/y 页)" when there is more than one page.
QString ChartTitle(ChartPage page, int pageNo, int pageCount, const QString& heading = {});

}  // namespace qh
