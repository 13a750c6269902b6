#pragma once
// The one entry point of chart drawing, shared by the window and the CLI so
// both draw exactly the same picture.
#include "chart/chart_page.h"
#include "chart/label_switches.h"
#include "chart/chart_fonts.h"
#include "chart/chart_frame.h"
#include "data/item_table.h"

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

class QPainter;

namespace qh {

struct HitRegion {
  int ItemIndex = 0;  // 1-based row of the item table
  float Left = 0, Top = 0, Right = 0, Bottom = 0;  // edges included
  friend bool operator==(const HitRegion&, const HitRegion&) = default;
};

// What the last drawing showed, for layout dumps and tests.
struct ChartOutline {
  ChartPage Page = ChartPage::Bar;
  QString Title;
  QString Subtitle;
  std::optional<AxisScale> Axis;  // none for the pie and when no plot was drawn
  int Drawn = 0;     // items drawn (bars, points, pie slices)
  int Capacity = 0;  // bars or points that fit; items per page for the pie
};

// What survives between repaints of one chart view (the window or a CLI run).
struct ChartState {
  std::vector<HitRegion> HitRegions;
  int BarCapacity = 0;
  int PageNo = 1;
  ChartFonts Fonts;  // made on the first drawing, remade when the scale changes
  ChartOutline Outline;
};

// Everything a drawing needs besides the table.
struct ChartRequest {
  ChartPage Page = ChartPage::Bar;
  bool ShowValues = true;
  quint32 LineColor = 0xFF2F80ED;
  QString Title;
  int PageSize = 20;
  LabelOptions Labels;
  float Scale = 1.0f;  // DpiScale: ScreenDpi / 96, never below 1
};

void RenderChart(QPainter& painter, int width, int height, const ItemTable& table,
                 const ChartRequest& request, ChartState& state);

// The ItemIndex of the first region holding (x, y), 0 when none does.
int ChartHitTest(const ChartState& state, float x, float y);

// Pages of the pie chart: ceil(rows / pageSize), at least 1.
int PieTotalPages(int rowCount, int pageSize);

// The page heading the window shows: "柱形图", "饼形图" or "曲线图"; the pie
// adds "   (第 x/y 页)" when the table fills more than one page.
QString ChartPageTitle(ChartPage page, int pageNo, int rowCount, int pageSize);

}  // namespace qh
