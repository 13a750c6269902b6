#include "chart/chart_frame.h"

#include "chart/canvas.h"
#include "chart/chart_format.h"

#include <QPainter>
#include <algorithm>
#include <cfloat>
#include <cmath>

namespace qh {

namespace {
double ToFiniteDouble(long double v) {
  if (std::isnan(v)) return 0;
  return static_cast<double>(std::clamp<long double>(v, -DBL_MAX, DBL_MAX));
}
}  // namespace

AxisScale NiceScale(double min, double max, int tickCount) {
  if (tickCount < 2) tickCount = 5;
  if (!std::isfinite(min) || !std::isfinite(max)) return {0, 1, 1};
  if (max < min) std::swap(min, max);
  if (!(max > 0 || min < 0)) return {0, 1, 1};
  // long double: (max - min) of ±1e308 overflows double.
  long double lo = min, hi = max;
  if (hi == lo) hi = hi + std::fabs(hi) * 0.5L;
  long double raw = (hi - lo) / tickCount;
  if (raw == 0) raw = 1;
  long double mag = std::pow(10.0L, std::floor(std::log(raw) / std::log(10.0L)));
  if (!(mag > 0)) mag = 1;
  const long double norm = raw / mag;
  const long double nice = norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 2.5L ? 2.5L : norm <= 5 ? 5 : 10;
  long double step = nice * mag;
  if (!(step > 0)) step = 1;
  long double axisMin = std::floor(lo / step) * step;
  long double axisMax = axisMin;
  for (int i = 0; i < 201 && hi - step * 1e-6L > axisMax; ++i) axisMax += step;
  if (lo >= 0) {
    if (axisMin < 0 || tickCount * step >= hi) axisMin = 0;
  }
  if (hi <= 0) {
    if (axisMax > 0 || -(tickCount * step) <= lo) axisMax = 0;
  }
  AxisScale out{ToFiniteDouble(axisMin), ToFiniteDouble(axisMax), ToFiniteDouble(step)};
  if (!(out.Step > 0)) return {0, 1, 1};                   // a step below the smallest double
  if (!(out.Max > out.Min)) out.Max = out.Min + out.Step;  // only at the edge of double
  return out;
}

PlotArea ChartPlotArea(int width, int height, const ChartStyle& st) {
  return {st.PlotLeft, static_cast<float>(width) - st.PlotRight, st.PlotTop,
          static_cast<float>(height) - st.PlotBottom};
}

int GridStepCount(const AxisScale& axis) {
  const long double limit = static_cast<long double>(axis.Max) + axis.Step * 1e-6L;
  int k = 0;
  while (k < 41 && axis.Min + (k + 1) * static_cast<long double>(axis.Step) <= limit) ++k;
  return k;
}

float ValueToY(const PlotArea& plot, const AxisScale& axis, long double v) {
  const long double range = static_cast<long double>(axis.Max) - axis.Min;
  long double y = plot.Bottom;
  if (range > 0) y -= (v - axis.Min) / range * plot.Height();
  return static_cast<float>(std::clamp<long double>(y, -1e7L, 1e7L));
}

int VisibleItemCount(ChartPage page, int rowCount, int barCapacity, int pageNo, int pageSize) {
  if (rowCount <= 0) return 0;
  if (page == ChartPage::Pie) {
    if (pageSize < 1) return rowCount;
    pageNo = std::max(pageNo, 1);
    const long long r = rowCount - (static_cast<long long>(pageNo) - 1) * pageSize;
    if (r > pageSize) return pageSize;
    return r < 0 ? 0 : static_cast<int>(r);
  }
  return std::clamp(barCapacity, 0, rowCount);
}

ValueStats ComputeStats(const ItemTable& table) {
  ValueStats st;
  st.Count = table.ItemCount();
  if (st.Count == 0) return st;
  if (const auto& whole = table.Whole) {  // only the first rows are at hand
    st.Sum = whole->Sum;
    st.Highest = whole->Highest;
    st.Lowest = whole->Lowest;
    return st;
  }
  st.Highest = st.Lowest = table.Items.front().Value;
  for (const ItemRef item : table.Items) {
    st.Sum += item.Value;
    if (item.Value > st.Highest) st.Highest = item.Value;
    if (item.Value < st.Lowest) st.Lowest = item.Value;
  }
  return st;
}

long double SumRows(const ItemTable& table, int first, int count) {
  long double sum = 0;
  for (int i = first; i < first + count && i <= table.ItemCount(); ++i) {
    if (i >= 1) sum += table.Items[static_cast<size_t>(i - 1)].Value;
  }
  return sum;
}

long double SumPositiveRows(const ItemTable& table, int first, int count) {
  long double sum = 0;
  for (int i = std::max(first, 1); i < first + count && i <= table.ItemCount(); ++i) {
    const double v = table.Items[static_cast<size_t>(i - 1)].Value;
    if (v > 0) sum += v;
  }
  return sum;
}

void DrawEmptyState(QPainter& painter, ChartFonts& fonts, int width, int height, float s,
                    std::vector<ChartText>& texts) {
  const bool ready = fonts.Ensure(s);
  ClearCanvas(painter, width, height);
  if (!ready) return;
  const ChartStyle st(s);
  const quint32 grey = st.EmptyStateColor;
  const TextMeasure title{&fonts.Title, s}, normal{&fonts.Normal, s};
  ChartText head = PlaceInBox(title, TextRole::EmptyState, QStringLiteral("暂无数据"),
                              QRectF(0, height / 2.0 - st.EmptyHeadRise, width, st.EmptyHeadH),
                              TextAlign::Center, grey);
  head.Large = true;
  const ChartText hint =
      PlaceInBox(normal, TextRole::EmptyState,
                 QStringLiteral("请在[数据源]页面选择数据文件,或直接输入 项目,数值 多行数据"),
                 QRectF(0, height / 2.0, width, st.EmptyHintH), TextAlign::Center, grey);
  for (const ChartText& t : {head, hint}) {
    if (!t.Text.isEmpty() && InsidePicture(t.Box, width, height)) texts.push_back(t);
  }
  PaintTexts(painter, fonts, texts);
}

QString FitSubtitle(const TextMeasure& m, const QString& subtitle, float width) {
  static const QString kSeparator = QStringLiteral("    ");
  QStringList parts = subtitle.split(kSeparator);
  while (!parts.isEmpty()) {
    const QString text = parts.join(kSeparator);
    // Long texts are measured only as far as they could fit.
    if (MeasureTextWidthUpTo(m.Face, text, width) <= width) return text;
    parts.removeLast();
  }
  return {};
}

void PlaceTitleBlock(const ChartStyle& st, const TextMeasure& title, const TextMeasure& normal,
                     int width, int height, const QString& titleText, const QString& subtitle,
                     const QString& valueHeading, std::vector<ChartText>& texts) {
  ChartText head =
      PlaceInBox(title, TextRole::Title, titleText, QRectF(0, st.TitleTop, width, st.TitleH),
                 TextAlign::Center, st.TitleColor);
  head.Large = true;
  if (!head.Text.isEmpty() && InsidePicture(head.Box, width, height)) texts.push_back(head);
  const float w = static_cast<float>(width);
  if (valueHeading.isEmpty() || titleText.startsWith(valueHeading)) {
    const QString shown = FitSubtitle(normal, subtitle, w);
    if (shown.isEmpty()) return;
    const ChartText sub =
        PlaceInBox(normal, TextRole::Subtitle, shown, QRectF(0, st.SubtitleTop, w, st.SubtitleH),
                   TextAlign::Center, st.SubtitleColor);
    if (InsidePicture(sub.Box, width, height)) texts.push_back(sub);
    return;
  }
  // The heading, then as much of the statistics as fits beside it, set off
  // as the statistics' own parts are; the line is centred as one.
  const QString heading = normal.Elide(valueHeading, std::floor(w / 2));
  if (heading.isEmpty()) return;
  // A hair of slack: a box exactly as wide as its text must not cut it.
  const float headingW = std::ceil(normal.Width(heading)) + 1;
  const float gap = normal.Width(QStringLiteral("    "));
  const QString shown = FitSubtitle(normal, subtitle, w - headingW - gap);
  const float shownW = shown.isEmpty() ? 0 : std::ceil(normal.Width(shown)) + 1;
  const float left = std::max((w - headingW - (shown.isEmpty() ? 0 : gap + shownW)) / 2, 0.0f);
  ChartText lead = PlaceInBox(normal, TextRole::ValueHeading, heading,
                              QRectF(left, st.SubtitleTop, headingW, st.SubtitleH), TextAlign::Near,
                              st.ValueHeadingColor);
  lead.Cut = heading != valueHeading;
  if (!InsidePicture(lead.Box, width, height)) return;
  texts.push_back(lead);
  if (shown.isEmpty()) return;
  const ChartText sub =
      PlaceInBox(normal, TextRole::Subtitle, shown,
                 QRectF(left + headingW + gap, st.SubtitleTop, shownW, st.SubtitleH),
                 TextAlign::Near, st.SubtitleColor);
  if (InsidePicture(sub.Box, width, height)) texts.push_back(sub);
}

void PlaceTickLabels(const ChartStyle& st, const TextMeasure& m, const PlotArea& plot,
                     const AxisScale& axis, std::vector<ChartText>& texts) {
  const float right = plot.Left - st.TickGap;
  const int steps = GridStepCount(axis);
  QRectF below;  // the last tick label kept, lower on the axis
  for (int k = 0; k <= steps; ++k) {
    const long double v = axis.Min + k * static_cast<long double>(axis.Step);
    const QString text = FormatTick(v, axis.Step);
    const float w = MeasureTextWidthUpTo(m.Face, text, right);
    if (w > right - 1) continue;  // a number is drawn whole or not at all
    const ChartText t = PlaceWhole(m, TextRole::Tick, text, right - w / 2, ValueToY(plot, axis, v),
                                   1, right, st.TickColor);
    if (Overlaps(t.Box, below, st.TextGap) || OverlapsAny(t.Box, texts, st.TextGap)) continue;
    below = t.Box;
    texts.push_back(t);
  }
}

bool AddHeadroom(AxisScale& axis, double highest, float plotH, const ChartStyle& st) {
  if (!(highest > 0) || !(plotH > 0)) return false;
  const double gap = plotH - (highest - axis.Min) / (axis.Max - axis.Min) * plotH;
  const double raised = axis.Max + axis.Step;
  if (gap >= st.ValueHeadroom || !std::isfinite(raised)) return false;
  axis.Max = raised;
  return true;
}

bool AddFootroom(AxisScale& axis, double lowest, float plotH, float room) {
  if (!(lowest < 0 || axis.Min > 0) || !(plotH > 0)) return false;
  const double gap = (lowest - axis.Min) / (axis.Max - axis.Min) * plotH;
  const double lowered = axis.Min - axis.Step;
  if (gap >= room || !std::isfinite(lowered)) return false;
  axis.Min = lowered;
  return true;
}

bool PlaceRangeNote(const ChartStyle& st, const TextMeasure& m, const PlotArea& plot, int width,
                    int height, int first, int last, int total, std::vector<ChartText>& texts) {
  if (total <= 0 || (first <= 1 && last >= total)) return false;
  const QString text = QStringLiteral("显示第 %1–%2 项,共 %3 项").arg(first).arg(last).arg(total);
  const float w = m.Width(text), h = m.Height();
  // Below the category labels (which end about 22s under the axis), right-aligned to the plot.
  const float cy = plot.Bottom + st.RangeNoteDrop + h / 2;
  const ChartText t = PlaceWhole(m, TextRole::RangeNote, text, plot.Right - w / 2, cy, st.TextGap,
                                 static_cast<float>(width) - st.TextGap, st.TickColor);
  if (!InsidePicture(t.Box, width, height) || OverlapsAny(t.Box, texts, st.TextGap)) return false;
  texts.push_back(t);
  return true;
}

float ValueLabelMinX(const PlotArea& plot, const ChartStyle& st) {
  const float pen = std::max(1.0f, std::round(st.Scale));
  return plot.Left + pen + st.TextGap;
}

bool AxisSpansZero(const AxisScale& axis) { return axis.Min < 0 && axis.Max >= 0; }

void DrawZeroLine(QPainter& painter, const PlotArea& plot, const AxisScale& axis,
                  const ChartStyle& st) {
  if (!AxisSpansZero(axis)) return;
  const int penWidth = std::max(1, static_cast<int>(std::lround(st.Scale)));
  QPen pen(ToColor(st.ZeroLineColor), penWidth);
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  const float y = CrispLineCoordinate(ValueToY(plot, axis, 0), penWidth);
  painter.drawLine(QPointF(CrispLineCoordinate(plot.Left, penWidth), y), QPointF(plot.Right, y));
}

float CrispLineCoordinate(float v, int penWidth) {
  if (penWidth % 2 == 1) return std::floor(v) + 0.5f;
  return std::round(v);
}

void DrawGridAndAxes(QPainter& painter, const PlotArea& plot, const AxisScale& axis,
                     const ChartStyle& st) {
  const int penWidth = std::max(1, static_cast<int>(std::lround(st.Scale)));
  auto crisp = [&](float v) { return CrispLineCoordinate(v, penWidth); };
  QPen solid(ToColor(st.GridColor), penWidth);
  solid.setCapStyle(Qt::FlatCap);
  QPen dashDot = solid;
  dashDot.setStyle(Qt::DashDotLine);
  const float left = crisp(plot.Left), right = plot.Right, bottom = crisp(plot.Bottom);
  const int steps = GridStepCount(axis);
  for (int k = 0; k <= steps; ++k) {
    const long double v = axis.Min + k * static_cast<long double>(axis.Step);
    const float y = crisp(ValueToY(plot, axis, v));
    painter.setPen(k == 0 ? solid : dashDot);
    painter.drawLine(QPointF(left, y), QPointF(right, y));
  }
  QPen axisPen(ToColor(st.AxisColor), penWidth);
  axisPen.setCapStyle(Qt::SquareCap);
  painter.setPen(axisPen);
  painter.drawLine(QPointF(left, plot.Top), QPointF(left, bottom));
  painter.drawLine(QPointF(left, bottom), QPointF(right, bottom));
}

}  // namespace qh
