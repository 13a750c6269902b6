#pragma once
// The one entry point of chart drawing, shared by the window and the CLI so
// both draw exactly the same picture.
#include "app/chart_page.h"
#include "app/label_options.h"
#include "data/item_table.h"

#include <QString>
#include <QtGlobal>
#include <vector>

class QPainter;

namespace qh {

struct HitRegion {
  int ItemIndex = 0;  // 1-based row of the item table
  float Left = 0, Top = 0, Right = 0, Bottom = 0;  // edges included
  friend bool operator==(const HitRegion&, const HitRegion&) = default;
};

// What survives between repaints of one chart view (the window or a CLI run).
struct ChartState {
  std::vector<HitRegion> HitRegions;
  int BarCapacity = 0;
  int PageNo = 1;
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

}  // namespace qh
