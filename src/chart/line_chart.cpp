#include "chart/line_chart.h"

#include "chart/canvas.h"
#include "chart/chart_format.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace qh {

AxisScale LineAxis(double lowest, double highest) {
  // Compared in long double: highest - lowest of ±1e308 overflows double.
  const long double spread = static_cast<long double>(highest) - lowest;
  AxisScale axis = (lowest < 0 || spread >= 0.4L * highest) ? NiceScale(lowest, highest, 5)
                                                            : NiceScale(0, highest, 5);
  if (axis.Max <= axis.Min) axis.Max = axis.Min + 1;
  if (axis.Step <= 0) axis.Step = 1;
  return axis;
}

int ComputeLineFit(float plotW, int rowCount, const ChartStyle& st) {
  const float usable = std::max(plotW - st.LineEndPad, st.MinPlotSide);
  const int fit = static_cast<int>(std::min(std::floor(usable / st.PointSlot), 1e9f)) + 1;
  return std::min(std::max(fit, 2), rowCount);
}

std::vector<bool> PickValueLabelPoints(const std::vector<double>& values, int gap) {
  const int n = static_cast<int>(values.size());
  std::vector<bool> flags(values.size(), false);
  if (n == 0) return flags;
  auto at = [&](int p) { return values[static_cast<size_t>(p - 1)]; };
  int highest = 1, lowest = 1;
  for (int p = 2; p <= n; ++p) {
    if (at(p) > at(highest)) highest = p;
    if (at(p) < at(lowest)) lowest = p;
  }
  for (int p : {1, n, highest, lowest}) flags[static_cast<size_t>(p - 1)] = true;

  const int reach = std::max(gap - 1, 0);  // q is near p when |q - p| <= gap - 1
  std::vector<bool> blocked(values.size(), false);
  auto block = [&](int p) {
    for (int q = std::max(1, p - reach); q <= std::min(n, p + reach); ++q) {
      blocked[static_cast<size_t>(q - 1)] = true;
    }
  };
  for (int p = 1; p <= n; ++p) {
    if (flags[static_cast<size_t>(p - 1)]) block(p);
  }
  std::vector<int> order(values.size());
  for (int p = 1; p <= n; ++p) order[static_cast<size_t>(p - 1)] = p;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return at(a) > at(b); });
  for (int p : order) {
    if (blocked[static_cast<size_t>(p - 1)]) continue;
    flags[static_cast<size_t>(p - 1)] = true;
    block(p);
  }
  return flags;
}

bool SegmentCrossesRect(const QPointF& a, const QPointF& b, const QRectF& rect) {
  // Liang-Barsky: clip the segment's parameter range to the four edges.
  double t0 = 0, t1 = 1;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(),
                       rect.bottom() - a.y()};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

namespace {

bool LineCrossesBox(const std::vector<QPointF>& points, const QRectF& box, bool markers,
                    const ChartStyle& st) {
  // The stroke and the markers have a width: the box is kept that far off.
  const qreal pen = st.LinePen / 2;
  const QRectF wide = box.adjusted(-pen, -pen, pen, pen);
  const qreal reach = st.MarkerRadius + st.MarkerPen / 2;
  for (size_t k = 0; k < points.size(); ++k) {
    const QPointF& p = points[k];
    if (markers && p.x() >= box.left() - reach && p.x() <= box.right() + reach &&
        p.y() >= box.top() - reach && p.y() <= box.bottom() + reach)
      return true;
    if (k + 1 < points.size() && SegmentCrossesRect(p, points[k + 1], wide)) return true;
  }
  return false;
}

}  // namespace

QRectF PlaceLineValueBox(const std::vector<QPointF>& points, size_t index, const QSizeF& size,
                         const QRectF& bounds, const std::vector<ChartText>& texts, bool markers,
                         const ChartStyle& st) {
  const QPointF p = points[index];
  const qreal prevY = index > 0 ? points[index - 1].y() : p.y();
  const qreal nextY = index + 1 < points.size() ? points[index + 1].y() : p.y();
  // Screen y grows downwards: a valley has both neighbours above it.
  const bool valley = prevY <= p.y() && nextY <= p.y() && (prevY < p.y() || nextY < p.y());
  // Above the point the open side is where the line falls away, below it
  // where the line rises.
  const qreal towardsLower = prevY > nextY ? -1 : 1;
  const qreal offset = st.LineLabelBelow;
  const qreal w = size.width(), h = size.height();
  const qreal aboveTop = p.y() - offset - h, belowTop = p.y() + offset;
  const qreal firstTop = valley ? belowTop : aboveTop, secondTop = valley ? aboveTop : belowTop;
  const qreal firstOpen = valley ? -towardsLower : towardsLower;
  const qreal nudge = w / 2 + offset;
  const struct {
    qreal Top, Shift;
  } candidates[] = {{firstTop, 0},
                    {secondTop, 0},
                    {firstTop, firstOpen * nudge},
                    {secondTop, -firstOpen * nudge},
                    {firstTop, -firstOpen * nudge},
                    {secondTop, firstOpen * nudge}};
  for (const auto& c : candidates) {
    qreal left = p.x() + c.Shift - w / 2;
    left = std::max(std::min(left, bounds.right() - w), bounds.left());
    const QRectF box(left, c.Top, w, h);
    if (box.top() < bounds.top() || box.bottom() > bounds.bottom() || box.right() > bounds.right())
      continue;
    if (OverlapsAny(box, texts, st.TextGap) || LineCrossesBox(points, box, markers, st)) continue;
    return box;
  }
  return {};
}

namespace {

// A forced label (first, last, highest, lowest) with no place right beside
// its point: the nearest box, by distance from the point, that keeps clear
// of the line, the markers and the texts, searched a half label height and
// a quarter label width at a time around the point.
QRectF PlaceForcedValueBox(const std::vector<QPointF>& points, size_t index, const QSizeF& size,
                           const QRectF& bounds, const std::vector<ChartText>& texts, bool markers,
                           const ChartStyle& st) {
  const QPointF p = points[index];
  const qreal w = size.width(), h = size.height();
  if (!(w > 0) || !(h > 0) || bounds.width() < w || bounds.height() < h) return {};
  struct Candidate {
    qreal Distance;
    QRectF Box;
  };
  std::vector<Candidate> candidates;
  const qreal stepY = h / 2, stepX = w / 4;
  const int rows = static_cast<int>(std::min(bounds.height() / stepY, 60.0)) + 1;
  const int columns = static_cast<int>(std::min(bounds.width() / stepX, 60.0)) + 1;
  for (int r = -rows; r <= rows; ++r) {
    const qreal top = std::clamp(p.y() - h / 2 + r * stepY, bounds.top(), bounds.bottom() - h);
    for (int c = -columns; c <= columns; ++c) {
      const qreal left = std::clamp(p.x() - w / 2 + c * stepX, bounds.left(), bounds.right() - w);
      const QRectF box(left, top, w, h);
      const qreal dx = box.center().x() - p.x(), dy = box.center().y() - p.y();
      candidates.push_back({dx * dx + dy * dy, box});
    }
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.Distance < b.Distance; });
  for (const Candidate& c : candidates) {
    if (OverlapsAny(c.Box, texts, st.TextGap) || LineCrossesBox(points, c.Box, markers, st))
      continue;
    return c.Box;
  }
  return {};
}

QString LineSubtitle(const ValueStats& st) {
  return QStringLiteral("合计 ") + FormatValue(st.Sum) + QStringLiteral("    平均 ") +
         FormatValue(st.Average()) + QStringLiteral("    最高 ") + FormatValue(st.Highest) +
         QStringLiteral("    最低 ") + FormatValue(st.Lowest);
}

int ValueLabelGap(float plotW, int n, const ChartStyle& st) {
  const float stepX = plotW / static_cast<float>(n);
  const float span = st.ValueLabelSpan;
  return span > stepX ? static_cast<int>(std::floor(span / stepX)) + 1 : 1;
}

// Labels on every Every-th point and on the last one. Shifted to stay
// right of the tick labels and inside the picture, a label can come to
// overlap its neighbour: then the earlier one goes, but the last stays.
void PlaceCategoryLabels(LineLayout& L, const TextMeasure& m, const ItemTable& table,
                         const LabelOptions& opt, int width) {
  const ChartStyle& st = L.Style;
  std::vector<std::pair<int, ChartText>> kept;
  for (int i = 1; i <= L.Count; ++i) {
    if ((i - 1) % L.Every != 0 && i != L.Count) continue;
    const float x = L.Points[static_cast<size_t>(i - 1)].X;
    ChartText t = PlaceInBox(m, TextRole::Category, LineItemLabel(table, opt, i, L.UseLetters),
                             QRectF(x - st.LineCategoryHalfW, L.Plot.Bottom + st.LineCategoryGap,
                                    2 * st.LineCategoryHalfW, st.LineCategoryH),
                             TextAlign::Center, st.CategoryColor);
    if (t.Text.isEmpty()) continue;
    const qreal w = t.Box.width();
    // Clear of the tick labels, which end the tick gap left of the axis.
    const qreal left = std::max(std::min(t.Box.left(), width - 1.0 - w),
                                static_cast<qreal>(L.Plot.Left) - st.TickGap + st.TextGap);
    t.Box.moveLeft(left);
    const bool last = i == L.Count;
    const qreal gap = st.TextGap;
    while (!kept.empty() && Overlaps(kept.back().second.Box, t.Box, gap)) {
      if (!last) break;
      kept.pop_back();
    }
    if (!kept.empty() && Overlaps(kept.back().second.Box, t.Box, gap)) continue;
    kept.emplace_back(i, std::move(t));
  }
  for (auto& [i, t] : kept) {
    L.Points[static_cast<size_t>(i - 1)].CategoryLabel = true;
    L.Texts.push_back(std::move(t));
  }
}

// The forced labels first (highest, lowest, last, first), each placed
// wherever it fits if not beside its point; then the others picked, largest
// value first, each left out when it has no place beside its point. The
// kept labels go back into point order.
void PlaceValueLabels(LineLayout& L, const TextMeasure& m, const std::vector<double>& values,
                      int width) {
  const ChartStyle& st = L.Style;
  const int n = L.Count;
  if (n == 0) return;
  std::vector<QPointF> points;
  points.reserve(L.Points.size());
  for (const LinePoint& p : L.Points) points.emplace_back(p.X, p.Y);
  const QRectF bounds(QPointF(ValueLabelMinX(L.Plot, st), st.TitleBlockBottom),
                      QPointF(static_cast<qreal>(width) - 1.0, L.Plot.Bottom));
  int highest = 0, lowest = 0;
  for (int k = 1; k < n; ++k) {
    if (values[static_cast<size_t>(k)] > values[static_cast<size_t>(highest)]) highest = k;
    if (values[static_cast<size_t>(k)] < values[static_cast<size_t>(lowest)]) lowest = k;
  }
  std::vector<int> order = {highest, lowest, n - 1, 0};
  std::vector<bool> forced(static_cast<size_t>(n), false);
  for (int k : order) forced[static_cast<size_t>(k)] = true;
  std::vector<int> rest;
  for (int k = 0; k < n; ++k)
    if (!forced[static_cast<size_t>(k)]) rest.push_back(k);
  std::stable_sort(rest.begin(), rest.end(), [&](int a, int b) {
    return values[static_cast<size_t>(a)] > values[static_cast<size_t>(b)];
  });
  order.insert(order.end(), rest.begin(), rest.end());
  const size_t firstValue = L.Texts.size();
  for (int k : order) {
    LinePoint& p = L.Points[static_cast<size_t>(k)];
    if (!p.ValueLabel || p.ValueShown) continue;
    ChartText t = PlaceWhole(m, TextRole::Value, FormatCompact(values[static_cast<size_t>(k)]), p.X,
                             p.Y, -1e9f, 1e9f, st.ValueColor);
    QRectF box = PlaceLineValueBox(points, static_cast<size_t>(k), t.Box.size(), bounds, L.Texts,
                                   L.Markers, st);
    if (box.isEmpty() && forced[static_cast<size_t>(k)])
      box = PlaceForcedValueBox(points, static_cast<size_t>(k), t.Box.size(), bounds, L.Texts,
                                L.Markers, st);
    if (box.isEmpty()) continue;
    t.Box = box;
    p.ValueRect = box;
    p.ValueShown = true;
    L.Texts.push_back(std::move(t));
  }
  std::sort(L.Texts.begin() + static_cast<std::ptrdiff_t>(firstValue), L.Texts.end(),
            [](const ChartText& a, const ChartText& b) { return a.Box.left() < b.Box.left(); });
}

}  // namespace

int CategoryLabelEvery(const std::vector<float>& labelWidths, float slot) {
  float w = 0;
  for (float x : labelWidths) w = std::max(w, x);
  slot = std::max(slot, 1.0f);
  return w > slot ? static_cast<int>(std::min(std::floor(w / slot), 1e9f)) + 1 : 1;
}

LineLayout ComputeLineLayout(int width, int height, const ItemTable& table,
                             const ChartRequest& request, const ChartFonts* fonts) {
  LineLayout L;
  const float s = request.Scale;
  L.Style = ChartStyle(s);
  const ChartStyle& st = L.Style;
  if (table.ItemCount() == 0) return L;
  const ChartMeasures m = MeasuresOf(fonts, s);
  const LabelOptions& opt = request.Labels;
  L.Stats = ComputeStats(table);
  L.UseLetters = LineUsesLetters(table, opt, s);
  L.Subtitle = LineSubtitle(L.Stats);
  PlaceTitleBlock(st, m.Title, m.Normal, width, height, request.Title, L.Subtitle,
                  table.ValueHeading, L.Texts);
  L.Plot = ChartPlotArea(width, height, st);
  L.PlotDrawn = L.Plot.Usable(st);
  if (!L.PlotDrawn) {
    L.Axis = LineAxis(L.Stats.Lowest, L.Stats.Highest);
    return L;
  }

  const int n = L.Count = ComputeLineFit(L.Plot.Width(), table.ItemCount(), st);
  std::vector<double> values(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    values[static_cast<size_t>(i)] = table.Items[static_cast<size_t>(i)].Value;
  // The axis spans the drawn points only; the subtitle still covers the
  // whole table. With value labels on, the highest and lowest points keep
  // room for their labels above and below, as the bars do.
  const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
  L.Axis = LineAxis(*lowest, *highest);
  const bool showValues = request.ShowValues && !opt.LineNoValue;
  if (showValues) {
    AddHeadroom(L.Axis, *highest, L.Plot.Height(), st);
    AddFootroom(L.Axis, *lowest, L.Plot.Height(),
                std::max(st.ValueFootroom, st.LineLabelBelow + m.Normal.Height() + st.TextGap));
  }
  PlaceTickLabels(st, m.Normal, L.Plot, L.Axis, L.Texts);

  L.Gap = ValueLabelGap(L.Plot.Width(), n, st);
  const std::vector<bool> flags = PickValueLabelPoints(values, L.Gap);
  L.Markers = n <= 120;
  // Thinning follows the widest label that could be drawn; each is drawn
  // at most twice the category half-width wide.
  std::vector<float> widths(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) {
    const QString label = LineItemLabel(table, opt, i, L.UseLetters);
    widths[static_cast<size_t>(i - 1)] =
        std::min(MeasureTextWidthUpTo(m.Normal.Face, label, 2 * st.LineCategoryHalfW),
                 2 * st.LineCategoryHalfW) +
        st.LineCategoryPad;
  }
  L.Every = n > 1 ? CategoryLabelEvery(widths, L.Plot.Width() / static_cast<float>(n)) : 1;

  const float spacing = n > 1 ? L.Plot.Width() / static_cast<float>(n - 1) : 0;
  L.Points.reserve(static_cast<size_t>(n));
  L.Regions.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) {
    LinePoint p;
    p.X = L.Plot.Left + spacing * static_cast<float>(i - 1);
    p.Y = ValueToY(L.Plot, L.Axis, values[static_cast<size_t>(i - 1)]);
    p.ValueLabel = showValues && flags[static_cast<size_t>(i - 1)];
    L.Regions.push_back(
        {i, p.X - st.PointReach, p.Y - st.PointReach, p.X + st.PointReach, p.Y + st.PointReach});
    L.Points.push_back(p);
  }
  PlaceCategoryLabels(L, m.Normal, table, opt, width);
  L.RangeNote =
      PlaceRangeNote(st, m.Normal, L.Plot, width, height, 1, n, table.ItemCount(), L.Texts);
  PlaceValueLabels(L, m.Normal, values, width);
  return L;
}

namespace {

void PaintSeries(QPainter& painter, const LineLayout& L, quint32 lineColor) {
  const ChartStyle& st = L.Style;
  QPolygonF line;
  line.reserve(static_cast<qsizetype>(L.Points.size()));
  for (const LinePoint& p : L.Points) line << QPointF(p.X, p.Y);
  if (line.size() >= 2) {
    // Where the axis spans zero the area runs between the line and zero,
    // above it for gains and below it for losses.
    const quint32 tint = WithAlpha(lineColor, 0x22);
    if (AxisSpansZero(L.Axis)) {
      FillAreaToLevel(painter, line, ValueToY(L.Plot, L.Axis, 0), tint);
    } else {
      FillAreaUnderLine(painter, line, L.Plot.Bottom, tint);
    }
    DrawRoundPolyline(painter, line, lineColor, st.LinePen);
  }
  if (!L.Markers) return;
  painter.setPen(QPen(ToColor(lineColor), st.MarkerPen));
  painter.setBrush(ToColor(0xFFFFFFFF));
  for (const LinePoint& p : L.Points) {
    const qreal r = st.MarkerRadius;  // in double, as the painter takes it
    painter.drawEllipse(QRectF(p.X - r, p.Y - r, 2 * r, 2 * r));
  }
  painter.setBrush(Qt::NoBrush);
}

}  // namespace

void DrawLineChart(QPainter& painter, int width, int height, const ItemTable& table,
                   const ChartRequest& request, ChartState& state) {
  const float s = request.Scale;
  if (table.ItemCount() == 0 || !state.Fonts.Ensure(s)) return;
  const LineLayout L = ComputeLineLayout(width, height, table, request, &state.Fonts);
  ClearCanvas(painter, width, height);
  state.Outline.Subtitle = L.Subtitle;
  state.Outline.Texts = L.Texts;
  if (L.PlotDrawn) {
    state.Outline.Axis = L.Axis;
    state.Outline.Plot = L.Plot;
    state.Outline.Drawn = state.Outline.Capacity = L.Count;
    state.Outline.FirstItem = L.Count > 0 ? 1 : 0;
    DrawGridAndAxes(painter, L.Plot, L.Axis, L.Style);
    DrawZeroLine(painter, L.Plot, L.Axis, L.Style);
    PaintSeries(painter, L, request.LineColor);
    state.HitRegions = L.Regions;
  }
  PaintTexts(painter, state.Fonts, L.Texts);
}

}  // namespace qh
