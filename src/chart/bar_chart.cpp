#include "chart/bar_chart.h"

#include "chart/canvas.h"
#include "chart/chart_format.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qh {

int ComputeBarCapacity(int width, int rowCount, const ChartStyle& st) {
  const float w0 = std::max(static_cast<float>(width) - st.PlotLeft - st.PlotRight, st.MinPlotSide);
  const int fit = static_cast<int>(std::min(std::floor(w0 / st.BarSlot), 1e9f));
  return std::max(1, std::min(fit, rowCount));
}

namespace {

QString BarSubtitle(const ValueStats& st) {
  return QStringLiteral("合计 ") + FormatValue(st.Sum) + QStringLiteral("    平均 ") +
         FormatValue(st.Average()) + QStringLiteral("    最高 ") + FormatValue(st.Highest);
}

bool AnyLabelTooWide(const ItemTable& table, const LabelOptions& labels, int n, float slotW,
                     const ChartStyle& st, const FontFace* face) {
  for (int i = 1; i <= n; ++i) {
    if (MeasureTextWidthUpTo(face, BarItemLabel(table, labels, i), slotW) + st.CategoryPad > slotW)
      return true;
  }
  return false;
}

// How far up from its start an upright name may run while its glyphs stay
// on the bar: up to the bar's top, less the part of the rounded cap that is
// narrower than a glyph.
float UprightRoomOnBar(const BarGeometry& b, float start, float glyphW) {
  const QRect bar = WholePixelEdges(QRectF(b.X, b.Top(), b.Width, b.Height));
  const float top = static_cast<float>(bar.top());
  const float half = static_cast<float>(bar.width()) / 2,
              r = std::min({b.Width * 0.28f, 9.0f, b.Height});
  const float narrow =
      std::max(r - std::sqrt(std::max(half * half - glyphW * glyphW / 4, 0.0f)), 0.0f);
  return start - top - narrow;
}

// An upright name that runs past its bar's top is split between two
// characters: those wholly on the bar take the colour that reads there, the
// rest the name colour. When the bar colour's text would vanish on the white
// (white on a dark bar), the character at the top moves up clear of the bar;
// a dark text colour reads on both, so there the split is where the
// character's middle lies. The name stays within maxLength.
void SplitOverBar(ChartText& t, const BarGeometry& b, float start, float maxLength,
                  const TextMeasure& m, const ChartStyle& st, const QString& label) {
  const quint32 onColor = NameColorOnBar(st, PaletteColor(b.Item));
  const bool readsOnWhite = ContrastRatio(onColor, 0xFFFFFFFF) >= 4.5;
  const float onRoom = UprightRoomOnBar(b, start, m.Height());
  const QRect bar = WholePixelEdges(QRectF(b.X, b.Top(), b.Width, b.Height));
  const float clear = start - static_cast<float>(bar.top()) + 1;  // one pixel above the bar
  for (int attempt = 0; attempt < 2; ++attempt) {
    qsizetype split = 0;
    qreal advance = 0;
    while (split < t.Text.size()) {
      const qsizetype next = split + (t.Text.at(split).isHighSurrogate() ? 2 : 1);
      const qreal w = m.Width(t.Text.left(next));
      if ((readsOnWhite ? (advance + w) / 2 : w) > onRoom) break;
      advance = w;
      split = next;
    }
    t.OnBarChars = split;
    t.OnBarColor = onColor;
    t.RestAlong = advance;
    if (split >= t.Text.size() || readsOnWhite) return;
    t.RestAlong = std::max(advance, static_cast<qreal>(clear));
    const qreal length = t.RestAlong + m.Width(t.Text.mid(split));
    t.Box.setTop(t.Box.bottom() - length);
    if (length <= maxLength + 0.01) return;
    // The lift made the name too long: cut it shorter and split again.
    t.Text = m.Elide(label, maxLength - static_cast<float>(t.RestAlong - advance));
    t.Cut = t.Text != label;
    t.Box.setTop(t.Box.bottom() - m.Width(t.Text));
    if (t.Text.isEmpty()) return;
  }
}

// Names below the plot each keep to their slot less the text gap, so two
// neighbours never touch. Upright names stand on the zero line; over a bar
// they take the colour that reads on it.
void PlaceCategoryLabels(BarLayout& L, const TextMeasure& m) {
  const ChartStyle& st = L.Style;
  const float bottom = L.Plot.Bottom;
  const float boxW = std::max(L.SlotW - st.TextGap, 0.0f);
  for (BarGeometry& b : L.Bars) {
    if (b.Label.isEmpty()) continue;
    const float cx = b.X + b.Width / 2;
    const float start = b.Base - st.UprightInset;
    ChartText t =
        L.Rotate
            ? PlaceUpright(m, TextRole::Category, b.Label, cx, start, b.LabelExtent,
                           st.CategoryColor)
            : PlaceInBox(m, TextRole::Category, b.Label,
                         QRectF(cx - boxW / 2, bottom + st.BarCategoryGap, boxW, st.BarCategoryH),
                         TextAlign::Center, st.CategoryColor);
    if (t.Text.isEmpty()) continue;
    if (L.Rotate && !b.Down) {
      const float room = start - L.Plot.Top;
      SplitOverBar(t, b, start, room, m, st, b.Label);
      if (t.Text.isEmpty()) continue;
      // The value label stands above the name as it now reaches.
      b.LabelExtent = std::min(
          std::max(b.LabelExtent, static_cast<float>(t.Box.height()) + st.UprightInset), room);
    }
    L.Texts.push_back(std::move(t));
  }
}

// Extremes first (the highest, the lowest, then by size), so where two
// labels collide the larger value keeps its label; one that would overlap
// any text already placed, come near the y axis, rise into the title block
// or leave the picture is left out. The kept labels go back into bar order.
void PlaceValueLabels(BarLayout& L, const TextMeasure& m, const ItemTable& table, int width,
                      int height) {
  const ChartStyle& st = L.Style;
  const float titleBlockBottom = st.TitleBlockBottom;
  auto valueOf = [&](const BarGeometry& b) {
    return table.Items[static_cast<size_t>(b.Item - 1)].Value;
  };
  std::vector<size_t> order(L.Bars.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = k;
  size_t highest = 0, lowest = 0;
  for (size_t k = 1; k < L.Bars.size(); ++k) {
    if (valueOf(L.Bars[k]) > valueOf(L.Bars[highest])) highest = k;
    if (valueOf(L.Bars[k]) < valueOf(L.Bars[lowest])) lowest = k;
  }
  auto rank = [&](size_t k) { return k == highest ? 0 : k == lowest ? 1 : 2; };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    return std::fabs(valueOf(L.Bars[a])) > std::fabs(valueOf(L.Bars[b]));
  });
  const size_t firstValue = L.Texts.size();
  for (size_t k : order) {
    BarGeometry& b = L.Bars[k];
    const float room = b.Base - L.Plot.Top - st.UprightInset;
    // An upright label reaching the plot top leaves no room above a bar.
    if (!b.Down && L.Rotate && b.LabelExtent >= room) continue;
    // Above a standing bar (and its upright name), below a hanging one.
    const float cy = b.Down ? b.Base + b.Height + st.BarValueLift
                            : std::min(b.Top(), b.Base - b.LabelExtent) - st.BarValueLift;
    ChartText t =
        PlaceWhole(m, TextRole::Value, FormatCompact(valueOf(b)), b.X + b.Width / 2, cy,
                   ValueLabelMinX(L.Plot, st), static_cast<float>(width) - 1.0f, st.ValueColor);
    if (t.Box.top() < titleBlockBottom || !InsidePicture(t.Box, width, height) ||
        t.Box.left() < ValueLabelMinX(L.Plot, st) - 0.01 ||
        (b.Down && t.Box.bottom() > L.Plot.Bottom) || OverlapsAny(t.Box, L.Texts, st.TextGap))
      continue;
    b.ValueRect = t.Box;
    L.Texts.push_back(std::move(t));
  }
  std::sort(L.Texts.begin() + static_cast<std::ptrdiff_t>(firstValue), L.Texts.end(),
            [](const ChartText& a, const ChartText& b) { return a.Box.left() < b.Box.left(); });
}

}  // namespace

BarLayout ComputeBarLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const ChartFonts* fonts) {
  BarLayout L;
  const float s = request.Scale;
  L.Style = ChartStyle(s);
  const ChartStyle& st = L.Style;
  const ChartMeasures m = MeasuresOf(fonts, s);
  L.Capacity = ComputeBarCapacity(width, table.ItemCount(), st);
  L.Count = VisibleItemCount(ChartPage::Bar, table.ItemCount(), L.Capacity, 1, request.PageSize);
  if (L.Count == 0) return L;

  const ValueStats stats = ComputeStats(table);
  L.Subtitle = BarSubtitle(stats);
  PlaceTitleBlock(st, m.Title, m.Normal, width, height, request.Title, L.Subtitle,
                  table.ValueHeading, L.Texts);
  // The axis spans the drawn bars only, so a chart of the first rows of a
  // long table is not flattened by rows it leaves out. Negative bars among
  // them take it below zero, in whole steps; otherwise it starts at zero.
  double lowestDrawn = 0, highestDrawn = 0;
  for (int i = 0; i < L.Count; ++i) {
    lowestDrawn = std::min(lowestDrawn, table.Items[static_cast<size_t>(i)].Value);
    highestDrawn = std::max(highestDrawn, table.Items[static_cast<size_t>(i)].Value);
  }
  if (lowestDrawn < 0) {
    L.Axis = NiceScale(lowestDrawn, highestDrawn, 5);
  } else {
    L.Axis = NiceScale(0, highestDrawn, 5);
    if (L.Axis.Max <= 0) L.Axis.Max = 1;
    if (L.Axis.Step <= 0) L.Axis.Step = 1;
  }

  L.Plot = ChartPlotArea(width, height, st);
  L.PlotDrawn = L.Plot.Usable(st);
  if (!L.PlotDrawn) return L;

  const LabelOptions& opt = request.Labels;
  const bool values = request.ShowValues && !opt.BarNoValue;
  if (values) {
    AddFootroom(L.Axis, lowestDrawn, L.Plot.Height(), st.ValueFootroom);
    L.Headroom = AddHeadroom(L.Axis, highestDrawn, L.Plot.Height(), st);
  }
  PlaceTickLabels(st, m.Normal, L.Plot, L.Axis, L.Texts);

  const int n = L.Count;
  L.SlotW = L.Plot.Width() / static_cast<float>(n);
  L.BarW = std::max(std::min(L.SlotW * 0.62f, st.BarMaxW), 2.0f);
  L.Rotate = !opt.BarNoName && AnyLabelTooWide(table, opt, n, L.SlotW, st, m.Normal.Face);

  L.Bars.reserve(static_cast<size_t>(n));
  L.Regions.reserve(static_cast<size_t>(n));
  const float zero = ValueToY(L.Plot, L.Axis, 0);
  const double range = L.Axis.Max - L.Axis.Min;
  for (int i = 1; i <= n; ++i) {
    const double v = table.Items[static_cast<size_t>(i - 1)].Value;
    BarGeometry b;
    b.Item = i;
    b.X = L.Plot.Left + L.SlotW * static_cast<float>(i - 1) + (L.SlotW - L.BarW) / 2;
    b.Width = L.BarW;
    b.Base = zero;
    b.Down = v < 0;
    const double size = b.Down ? -v : v;
    const float h = static_cast<float>(std::clamp(size / range * L.Plot.Height(), -1e7, 1e7));
    b.Height = std::max(h, 1.0f);
    if (!opt.BarNoName) {
      b.Label = BarItemLabel(table, opt, i);
      // An upright label stops at the top of the plot (cut with "…") rather
      // than running into the title; the value label sits above it.
      if (L.Rotate && !b.Label.isEmpty()) {
        const float room = b.Base - L.Plot.Top - st.UprightInset;
        b.LabelExtent =
            std::min(MeasureTextWidthUpTo(m.Normal.Face, b.Label, room) + st.UprightInset, room);
      }
    }
    // The region covers the bar and its value label's side.
    const float regionTop = b.Down ? b.Base : b.Base - b.Height - st.BarRegionAbove;
    const float regionBottom = b.Down ? b.Base + b.Height + st.BarRegionAbove : b.Base;
    L.Regions.push_back(
        {i, b.X - st.BarRegionPad, regionTop, b.X + L.BarW + st.BarRegionPad, regionBottom});
    L.Bars.push_back(std::move(b));
  }
  PlaceCategoryLabels(L, m.Normal);
  L.RangeNote =
      PlaceRangeNote(st, m.Normal, L.Plot, width, height, 1, n, table.ItemCount(), L.Texts);
  if (values) PlaceValueLabels(L, m.Normal, table, width, height);
  return L;
}

quint32 NameColorOnBar(const ChartStyle& st, quint32 barColor) {
  return ContrastRatio(st.NameOnDarkBar, barColor) >= ContrastRatio(st.NameOnLightBar, barColor)
             ? st.NameOnDarkBar
             : st.NameOnLightBar;
}

void DrawRoundedBar(QPainter& painter, float x, float y, float w, float h, quint32 argb,
                    bool hanging) {
  if (hanging) {
    // The standing bar turned upside down about its own middle, on whole
    // pixel rows so the flip keeps its edges crisp.
    const QRect rows = WholePixelEdges(QRectF(x, y, w, h));
    const float top = static_cast<float>(rows.top()), height = static_cast<float>(rows.height());
    if (!(height > 0)) return;
    painter.save();
    painter.translate(0, 2.0 * top + height);
    painter.scale(1, -1);
    DrawRoundedBar(painter, x, top, w, height, argb, false);
    painter.restore();
    return;
  }
  // Every piece is cut from the bar's own rounded edges, so no cap strip
  // sticks out past the body or leaves a notch beside it.
  const float r = std::min({w * 0.28f, 9.0f, h});
  if (PaintsVector(painter)) {
    // The same whole-pixel body; the cap is the true dome the strips draw.
    const QRect body = WholePixelEdges(QRectF(x, y + r, w, h - r));
    FillDomedBar(painter,
                 QRectF(body.x(), static_cast<float>(body.y()) - r, body.width(),
                        static_cast<float>(body.height()) + r),
                 r, argb);
    return;
  }
  FillEdgesWhole(painter, QRectF(x, y + r, w, h - r), argb);
  const float stripH = r / 8;
  const float half = w / 2;
  for (int k = 0; k < 8; ++k) {
    const float dy =
        std::clamp(r - (static_cast<float>(k) + 0.5f) * stripH, 0.0f, std::max(half, 0.0f));
    const float inset = half - std::sqrt(std::max(half * half - dy * dy, 0.0f));
    const float stripW = std::max(w - 2 * inset, 0.5f);
    FillEdgesWhole(
        painter,
        QRectF(x + (w - stripW) / 2, y + stripH * static_cast<float>(k), stripW, stripH + 0.7f),
        argb);
  }
}

void DrawBarChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state) {
  const float s = request.Scale;
  if (!(table.ItemCount() > 0 && state.Fonts.Ensure(s))) {
    state.BarCapacity = ComputeBarCapacity(width, table.ItemCount(), ChartStyle(s));
    return;
  }
  const BarLayout L = ComputeBarLayout(width, height, table, request, &state.Fonts);

  state.BarCapacity = L.Capacity;
  ClearCanvas(painter, width, height);
  state.Outline.Subtitle = L.Subtitle;
  state.Outline.Capacity = L.Capacity;
  state.Outline.Texts = L.Texts;
  if (L.PlotDrawn) {
    state.Outline.Axis = L.Axis;
    state.Outline.Plot = L.Plot;
    state.Outline.Drawn = L.Count;
    state.Outline.FirstItem = L.Count > 0 ? 1 : 0;
    DrawGridAndAxes(painter, L.Plot, L.Axis, L.Style);
    DrawZeroLine(painter, L.Plot, L.Axis, L.Style);
    for (const BarGeometry& b : L.Bars) {
      DrawRoundedBar(painter, b.X, b.Top(), b.Width, b.Height, PaletteColor(b.Item), b.Down);
    }
    state.HitRegions = L.Regions;
  }
  PaintTexts(painter, state.Fonts, L.Texts);
}

}  // namespace qh
