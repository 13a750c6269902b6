#pragma once
// How many bars or line points fit the canvas, and the warning shown when
// the Bar or Line page opens with more items than that.
#include "chart/chart_page.h"

#include <QString>
#include <optional>

namespace qh {

struct CapacityCheck {
  std::optional<int> BarCapacity;  // set when the check computed it
  std::optional<int> LineCapacity;
  QString Message;  // empty: nothing to say
};

CapacityCheck CheckCapacity(ChartPage page, int itemCount, int canvasWidth, float s);

}  // namespace qh
