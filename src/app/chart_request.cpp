#include "app/chart_request.h"

#include <algorithm>

namespace qh {

ChartRequest MakeChartRequest(ChartPage page, int pageNo, int rowCount, const Settings& settings,
                              const LabelOptions& labels, float scale, const QString& heading) {
  ChartRequest request;
  request.Page = page;
  request.ShowValues = settings.ShowValue;
  request.LineColor = settings.LineColor;
  request.PageSize = settings.PageSize;
  request.Labels = labels;
  request.Scale = std::max(1.0f, scale);
  request.PageCount = ChartPageCount(page, rowCount, settings.PageSize);
  request.PageNo = std::clamp(pageNo, 1, request.PageCount);
  request.Title = ChartTitle(page, request.PageNo, request.PageCount, heading);
  return request;
}

}  // namespace qh
