#include "chart/pie_chart.h"

#include "chart/canvas.h"
#include "chart/chart_format.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace qh {

namespace {

constexpr long double kPi = 3.14159265358979L;

// A slice angle as the painter can use it: any sweep of a full turn or more
// covers the same circle, and huge starts are taken modulo a turn.
double TameAngle(long double degrees, bool isSweep) {
  if (!std::isfinite(degrees)) return isSweep ? (degrees < 0 ? -360 : 360) : 0;
  if (isSweep) return static_cast<double>(std::clamp<long double>(degrees, -360, 360));
  return static_cast<double>(std::fmod(degrees, 360.0L));
}

QString PieSubtitle(long double pageTotal, int rowCount) {
  return QStringLiteral("本页合计 ") + FormatValue(pageTotal) + QStringLiteral("    共 ") +
         QString::number(rowCount) + QStringLiteral(" 项");
}

}  // namespace

std::vector<int> LegendOrder(const std::vector<double>& values) {
  std::vector<int> order(values.size());
  for (size_t j = 0; j < order.size(); ++j) order[j] = static_cast<int>(j) + 1;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return values[static_cast<size_t>(a - 1)] > values[static_cast<size_t>(b - 1)];
  });
  return order;
}

PieLayout ComputePieLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, int pageNo) {
  PieLayout L;
  const float s = L.Scale = request.Scale;
  pageNo = std::max(pageNo, 1);
  const int n = L.Count =
      VisibleItemCount(ChartPage::Pie, table.ItemCount(), 0, pageNo, request.PageSize);
  if (n == 0) return L;
  L.Offset = request.PageSize < 1 ? 0 : (pageNo - 1) * request.PageSize;
  std::vector<double> values(static_cast<size_t>(n));
  for (int j = 1; j <= n; ++j) {
    values[static_cast<size_t>(j - 1)] = table.Items[static_cast<size_t>(L.Offset + j - 1)].Value;
  }
  L.PageTotal = SumRows(table, L.Offset + 1, n);
  L.Divisor = L.PageTotal > 0 ? L.PageTotal : 1;
  L.Subtitle = PieSubtitle(L.PageTotal, table.ItemCount());

  // The pie on the left.
  L.PieW = std::max(width * 0.6f, 300 * s);
  const float availH = height - 110 * s;
  L.R = std::max(std::min(availH / 2 - 8 * s, (L.PieW - 50 * s) / 2 - 8 * s), 20 * s);
  L.Cx = (L.PieW - 24 * s) / 2 + 10 * s;
  L.Cy = 62 * s + availH / 2;
  const HitRegion pieBox{0, L.Cx - L.R, L.Cy - L.R, L.Cx + L.R, L.Cy + L.R};

  long double c = 0;
  for (int j = 1; j <= n; ++j) {
    const double v = values[static_cast<size_t>(j - 1)];
    const long double start = c * 360 / L.Divisor - 90;
    long double sweep = v * 360.0L / L.Divisor;
    if (j == n) {
      sweep = 270 - start;
      if (sweep <= 0) sweep = 0.01L;
    }
    L.Slices.push_back({L.Offset + j, TameAngle(start, false), TameAngle(sweep, true)});
    c += v;
    HitRegion region = pieBox;
    region.ItemIndex = L.Offset + j;
    L.Regions.push_back(region);
    // No separator on the 12 o'clock start line, also when leading rows are 0.
    if (j < n && c != 0) L.SeparatorAngles.push_back(TameAngle(c * 360 / L.Divisor - 90, false));
  }

  // The legend on the right, largest value first.
  L.Order = LegendOrder(values);
  L.RowH = 18 * s;
  L.Left = L.PieW + 20 * s;
  L.Right = width - 30 * s;
  const float W = L.Right - L.Left;
  L.ValueW = std::max(W * 0.26f, 70 * s);
  L.PctW = std::max(W * 0.2f, 48 * s);
  L.NameW = std::max(W - L.ValueW - L.PctW - 14 * s, 80 * s);
  L.ValueX = L.Left + L.NameW + 8 * s;
  L.PctX = L.ValueX + L.ValueW + 8 * s;
  const float fit = std::floor((height - 56 * s - 66 * s) / L.RowH);
  L.Rows = std::clamp(static_cast<int>(std::clamp(fit, 1.0f, 1e9f)), 1, n);
  for (int k = 1; k <= L.Rows; ++k) {
    const int j = L.Order[static_cast<size_t>(k - 1)];
    const double v = values[static_cast<size_t>(j - 1)];
    const float y = 66 * s + (k - 1) * L.RowH;
    L.Legend.push_back({L.Offset + j, y, FormatValue(v), FormatPercent(v / L.Divisor * 100)});
    L.Regions[static_cast<size_t>(j - 1)] = {L.Offset + j, L.PieW, y, width - 10 * s, y + L.RowH};
  }
  return L;
}

namespace {

void FillSector(QPainter& painter, const QRectF& box, double start, double sweep, const QColor& c) {
  QPainterPath path(box.center());
  // The painter counts angles anticlockwise; ours run clockwise.
  path.arcTo(box, -start, -sweep);
  path.closeSubpath();
  painter.fillPath(path, c);
}

// Slices narrower than a pixel at the rim are gathered into one sector of
// their mixed colour, which is what anti-aliasing would show anyway: a
// page of 100,000 slivers then costs a few thousand fills, not 100,000.
class SliverMerger {
 public:
  SliverMerger(QPainter& painter, const QRectF& box, double minSweep)
      : painter_(painter), box_(box), minSweep_(minSweep) {}

  void Add(const PieSlice& slice) {
    const QColor c = ToColor(PaletteColor(slice.Item));
    if (std::abs(slice.Sweep) >= minSweep_) {
      Flush();
      FillSector(painter_, box_, slice.Start, slice.Sweep, c);
      return;
    }
    if (weight_ == 0) start_ = slice.Start;
    const double w = std::abs(slice.Sweep);
    sweep_ += slice.Sweep;
    weight_ += w;
    r_ += c.redF() * w;
    g_ += c.greenF() * w;
    b_ += c.blueF() * w;
    if (std::abs(sweep_) >= minSweep_) Flush();
  }

  void Flush() {
    if (weight_ > 0) {
      FillSector(painter_, box_, start_, sweep_,
                 QColor::fromRgbF(static_cast<float>(r_ / weight_), static_cast<float>(g_ / weight_),
                                  static_cast<float>(b_ / weight_)));
    }
    start_ = sweep_ = weight_ = r_ = g_ = b_ = 0;
  }

 private:
  QPainter& painter_;
  QRectF box_;
  double minSweep_;
  double start_ = 0, sweep_ = 0, weight_ = 0, r_ = 0, g_ = 0, b_ = 0;
};

void PaintPie(QPainter& painter, const PieLayout& L) {
  const QRectF box(L.Cx - L.R, L.Cy - L.R, 2 * L.R, 2 * L.R);
  const QPointF centre(L.Cx, L.Cy);
  const double degreesPerPixel = 180 / (static_cast<double>(kPi) * std::max(L.R, 1.0f));
  painter.setPen(Qt::NoPen);
  SliverMerger merger(painter, box, degreesPerPixel);
  for (const PieSlice& slice : L.Slices) merger.Add(slice);
  merger.Flush();

  QPen white(ToColor(0xFFFFFFFF), 1.5 * L.Scale);
  painter.setPen(white);
  painter.setBrush(Qt::NoBrush);
  // A separator closer than four line widths at the rim to the last one
  // drawn is left out: on a page of thousands of slices the white lines
  // would otherwise cover the whole pie.
  const double minGap = degreesPerPixel * 4 * 1.5 * L.Scale;
  double last = 1e9;
  for (double a : L.SeparatorAngles) {
    if (std::abs(a - last) < minGap) continue;
    last = a;
    const double rad = a * static_cast<double>(kPi) / 180;
    painter.drawLine(centre, QPointF(L.Cx + L.R * std::cos(rad), L.Cy + L.R * std::sin(rad)));
  }
  painter.drawEllipse(box);
}

void PaintLegend(QPainter& painter, const ChartFonts& fonts, const PieLayout& L,
                 const ItemTable& table) {
  const float s = L.Scale;
  for (const LegendRow& row : L.Legend) {
    FillRectF(painter, QRectF(L.PieW, row.Y + 2 * s, 11 * s, 11 * s), PaletteColor(row.Item));
    DrawTextBox(painter, fonts.Normal, table.Items[static_cast<size_t>(row.Item - 1)].Name,
                QRectF(L.Left, row.Y, L.NameW - 6 * s, L.RowH), 0xFF33404F, TextAlign::Near);
    DrawTextBox(painter, fonts.Normal, row.Value, QRectF(L.ValueX, row.Y, L.ValueW - 6 * s, L.RowH),
                0xFF8A94A6, TextAlign::Far);
    DrawTextBox(painter, fonts.Normal, row.Percent, QRectF(L.PctX, row.Y, L.PctW, L.RowH),
                0xFF8A94A6, TextAlign::Far);
  }
}

}  // namespace

void DrawPieChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state) {
  const float s = request.Scale;
  state.Outline.Capacity = request.PageSize < 1 ? table.ItemCount() : request.PageSize;
  const PieLayout L = ComputePieLayout(width, height, table, request, state.PageNo);
  if (L.Count == 0 || !state.Fonts.Ensure(s)) return;
  ClearCanvas(painter, width, height);
  DrawChartTitle(painter, state.Fonts, width, s, request.Title, L.Subtitle);
  state.Outline.Subtitle = L.Subtitle;
  state.Outline.Drawn = L.Count;
  PaintPie(painter, L);
  PaintLegend(painter, state.Fonts, L, table);
  state.HitRegions = L.Regions;
}

}  // namespace qh
