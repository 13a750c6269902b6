#pragma once
// The front door of chart drawing: the window and the command-line tool ask
// for a chart the same way, so both draw the same picture with the same
// title and page count.
#include "app/settings.h"
#include "chart/chart_page.h"
#include "chart/label_options.h"
#include "chart/render_chart.h"

namespace qh {

// The request for page pageNo (kept within 1..page count) of chart kind
// page over a table of rowCount rows, titled heading (empty: the kind's
// name).
ChartRequest MakeChartRequest(ChartPage page, int pageNo, int rowCount, const Settings& settings,
                              const LabelOptions& labels, float scale, const QString& heading = {});

}  // namespace qh
