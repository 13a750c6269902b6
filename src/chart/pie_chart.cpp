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

QString PieShareText(double value, long double positiveTotal) {
  if (!(value > 0) || !(positiveTotal > 0)) return QStringLiteral("不计入");
  return FormatPercent(value / positiveTotal * 100);
}

std::vector<int> LegendOrder(const std::vector<double>& values) {
  std::vector<int> order(values.size());
  for (size_t j = 0; j < order.size(); ++j) order[j] = static_cast<int>(j) + 1;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return values[static_cast<size_t>(a - 1)] > values[static_cast<size_t>(b - 1)];
  });
  return order;
}

namespace {

// The value and percentage columns are as wide as their widest text, so no
// number is cut; the name column takes what is left, at least 48s, and cuts
// names with "…". Only when that does not fit beside the pie does the pie
// give up width; when even a small pie leaves too little, there is no legend.
void PlaceLegendColumns(PieLayout& L, int width, int height, const std::vector<double>& values,
                        const TextMeasure& m) {
  const ChartStyle& st = L.Style;
  const int n = L.Count;
  L.RowH = st.LegendRowH;
  const float fit =
      std::floor((static_cast<float>(height) - st.LegendBottomMargin - st.LegendTop) / L.RowH);
  L.Rows = std::clamp(static_cast<int>(std::clamp(fit, 0.0f, 1e9f)), 0, n);
  if (L.Rows == 0 && n > 0 && st.LegendTop + L.RowH <= static_cast<float>(height - 1)) L.Rows = 1;
  float valueW = 0, pctW = 0;
  for (int k = 1; k <= L.Rows; ++k) {
    const int j = L.Order[static_cast<size_t>(k - 1)];
    const double v = values[static_cast<size_t>(j - 1)];
    LegendRow row{L.Offset + j, st.LegendTop + static_cast<float>(k - 1) * L.RowH, FormatValue(v),
                  PieShareText(v, L.Divisor)};
    valueW = std::max(valueW, m.Width(row.Value));
    pctW = std::max(pctW, m.Width(row.Percent));
    L.Legend.push_back(std::move(row));
  }
  // A hair of slack: a column exactly as wide as its text must not cut it.
  L.ValueW = std::ceil(valueW) + 1;
  L.PctW = std::ceil(pctW) + 1;
  const float gap = st.LegendColumnGap;
  const float needed = st.LegendMinNameW + L.ValueW + L.PctW + 2 * gap;
  L.Right = static_cast<float>(width) - st.LegendRightMargin;
  L.PieW = std::max(static_cast<float>(width) * 0.6f, st.PieMinW);
  if (L.Right - (L.PieW + st.PieLegendGap) < needed) {
    const float narrower = L.Right - needed - st.PieLegendGap;
    // The smallest pie's radius is still above its minimum.
    if (narrower >= st.PieSmallestW) {
      L.PieW = narrower;
    } else {
      L.Rows = 0;
      L.Legend.clear();
    }
  }
  L.Left = L.PieW + st.PieLegendGap;
  L.NameW = L.Right - L.Left - L.ValueW - L.PctW - 2 * gap;
  L.ValueX = L.Left + L.NameW + gap;
  L.PctX = L.ValueX + L.ValueW + gap;
}

}  // namespace

PieLayout ComputePieLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const ChartFonts* fonts) {
  PieLayout L;
  const float s = request.Scale;
  L.Style = ChartStyle(s);
  const ChartStyle& st = L.Style;
  const int pageNo = std::max(request.PageNo, 1);
  const int n = L.Count =
      VisibleItemCount(ChartPage::Pie, table.ItemCount(), 0, pageNo, request.PageSize);
  if (n == 0) return L;
  L.Offset = request.PageSize < 1 ? 0 : (pageNo - 1) * request.PageSize;
  std::vector<double> values(static_cast<size_t>(n));
  for (int j = 1; j <= n; ++j) {
    values[static_cast<size_t>(j - 1)] = table.Items[static_cast<size_t>(L.Offset + j - 1)].Value;
  }
  L.PageTotal = SumRows(table, L.Offset + 1, n);
  // Slices and shares count the positive values only: a loss or a zero has
  // no part of a whole, so it keeps its legend line without a slice.
  const long double positive = SumPositiveRows(table, L.Offset + 1, n);
  L.HasPie = positive > 0;
  L.Divisor = L.HasPie ? positive : 1;
  L.Subtitle = PieSubtitle(L.PageTotal, table.ItemCount());

  L.Order = LegendOrder(values);
  PlaceLegendColumns(L, width, height, values, MeasuresOf(fonts, s).Normal);

  // The pie on the left.
  const float availH = static_cast<float>(height) - st.PieReservedH;
  L.R = std::max(
      std::min(availH / 2 - st.PieRimMargin, (L.PieW - st.PieSideMargin) / 2 - st.PieRimMargin),
      st.PieMinRadius);
  L.Cx = (L.PieW - st.PieLeftInset) / 2 + st.PieLeftShift;
  L.Cy = st.PieTop + availH / 2;
  const HitRegion pieBox{0, L.Cx - L.R, L.Cy - L.R, L.Cx + L.R, L.Cy + L.R};

  int lastSlice = 0;  // the last positive value closes the pie
  for (int j = 1; j <= n; ++j) {
    if (values[static_cast<size_t>(j - 1)] > 0) lastSlice = j;
  }
  long double c = 0;
  for (int j = 1; j <= n; ++j) {
    const double v = values[static_cast<size_t>(j - 1)];
    HitRegion region = pieBox;
    region.ItemIndex = L.Offset + j;
    L.Regions.push_back(region);
    if (!(v > 0)) continue;
    const long double start = c * 360 / L.Divisor - 90;
    long double sweep = v * 360.0L / L.Divisor;
    if (j == lastSlice) {
      sweep = 270 - start;
      if (sweep <= 0) sweep = 0.01L;
    }
    L.Slices.push_back({L.Offset + j, TameAngle(start, false), TameAngle(sweep, true)});
    c += v;
    // No separator on the 12 o'clock start line.
    if (j < lastSlice) L.SeparatorAngles.push_back(TameAngle(c * 360 / L.Divisor - 90, false));
  }

  // The legend on the right, largest value first.
  const ChartMeasures m = MeasuresOf(fonts, s);
  PlaceTitleBlock(st, m.Title, m.Normal, width, height, request.Title, L.Subtitle, L.Texts);
  for (const LegendRow& row : L.Legend) {
    const int j = row.Item - L.Offset;
    const float y = row.Y;
    L.Regions[static_cast<size_t>(j - 1)] = {
        row.Item, L.PieW, y, static_cast<float>(width) - st.LegendRegionRightMargin, y + L.RowH};
    const QString& name = table.Items[static_cast<size_t>(row.Item - 1)].Name;
    L.Texts.push_back(PlaceInBox(m.Normal, TextRole::LegendName, name,
                                 QRectF(L.Left, y, L.NameW, L.RowH), TextAlign::Near,
                                 st.LegendNameColor));
    if (L.Texts.back().Text.isEmpty()) L.Texts.pop_back();
    L.Texts.push_back(PlaceInBox(m.Normal, TextRole::LegendValue, row.Value,
                                 QRectF(L.ValueX, y, L.ValueW, L.RowH), TextAlign::Far,
                                 st.LegendNumberColor));
    L.Texts.push_back(PlaceInBox(m.Normal, TextRole::LegendPct, row.Percent,
                                 QRectF(L.PctX, y, L.PctW, L.RowH), TextAlign::Far,
                                 st.LegendNumberColor));
  }
  if (!L.HasPie) {
    // In place of the pie, unless the legend has taken its room.
    ChartText note = PlaceWhole(m.Normal, TextRole::EmptyState,
                                QStringLiteral("本页没有正数数值,无法绘制饼形图."), L.Cx, L.Cy, 1,
                                L.PieW - st.TextGap, st.EmptyStateColor);
    if (InsidePicture(note.Box, width, height) && !OverlapsAny(note.Box, L.Texts, st.TextGap))
      L.Texts.push_back(std::move(note));
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
      FillSector(
          painter_, box_, start_, sweep_,
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

  const qreal pen = L.Style.PieSeparatorPen;
  QPen white(ToColor(0xFFFFFFFF), pen);
  painter.setPen(white);
  painter.setBrush(Qt::NoBrush);
  // A separator closer than four line widths at the rim to the last one
  // drawn is left out: on a page of thousands of slices the white lines
  // would otherwise cover the whole pie.
  const double minGap = degreesPerPixel * 4 * pen;
  double last = 1e9;
  for (double a : L.SeparatorAngles) {
    if (std::abs(a - last) < minGap) continue;
    last = a;
    const double rad = a * static_cast<double>(kPi) / 180;
    painter.drawLine(centre, QPointF(L.Cx + L.R * std::cos(rad), L.Cy + L.R * std::sin(rad)));
  }
  painter.drawEllipse(box);
}

void PaintSwatches(QPainter& painter, const PieLayout& L) {
  const ChartStyle& st = L.Style;
  for (const LegendRow& row : L.Legend) {
    FillRectF(painter,
              QRectF(L.PieW, row.Y + st.LegendSwatchInset, st.LegendSwatch, st.LegendSwatch),
              PaletteColor(row.Item));
  }
}

}  // namespace

void DrawPieChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state) {
  const float s = request.Scale;
  state.Outline.Capacity = request.PageSize < 1 ? table.ItemCount() : request.PageSize;
  if (!state.Fonts.Ensure(s)) return;
  const PieLayout L = ComputePieLayout(width, height, table, request, &state.Fonts);
  if (L.Count == 0) return;
  ClearCanvas(painter, width, height);
  state.Outline.Subtitle = L.Subtitle;
  state.Outline.Drawn = L.Count;
  state.Outline.FirstItem = L.Offset + 1;
  state.Outline.Texts = L.Texts;
  if (L.HasPie) PaintPie(painter, L);
  PaintSwatches(painter, L);
  PaintTexts(painter, state.Fonts, L.Texts);
  state.HitRegions = L.Regions;
  if (L.HasPie) state.Pie = PieShape{L.Cx, L.Cy, L.R, L.Slices};
}

}  // namespace qh
