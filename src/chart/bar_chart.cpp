#include "chart/bar_chart.h"

#include "chart/canvas.h"
#include "chart/chart_format.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qh {

int ComputeBarCapacity(int width, int rowCount, float s) {
  const float w0 = std::max(width - 84 * s - 26 * s, 40 * s);
  const int fit = static_cast<int>(std::min(std::floor(w0 / (38 * s)), 1e9f));
  return std::max(1, std::min(fit, rowCount));
}

namespace {

QString BarSubtitle(const ValueStats& st) {
  return QStringLiteral("合计 ") + FormatValue(st.Sum) + QStringLiteral("    平均 ") +
         FormatValue(st.Average()) + QStringLiteral("    最高 ") + FormatValue(st.Highest);
}

bool AnyLabelTooWide(const ItemTable& table, const LabelOptions& labels, int n, float slotW,
                     float s, const FontFace* face) {
  for (int i = 1; i <= n; ++i) {
    if (MeasureTextWidthUpTo(face, BarItemLabel(table, labels, i), slotW) + 8 * s > slotW) return true;
  }
  return false;
}

}  // namespace

BarLayout ComputeBarLayout(int width, int height, const ItemTable& table,
                           const ChartRequest& request, const FontFace* face) {
  BarLayout L;
  const float s = L.Scale = request.Scale;
  L.Capacity = ComputeBarCapacity(width, table.ItemCount(), s);
  L.Count = VisibleItemCount(ChartPage::Bar, table.ItemCount(), L.Capacity, 1, request.PageSize);
  if (L.Count == 0) return L;

  const ValueStats st = ComputeStats(table);
  L.Subtitle = BarSubtitle(st);
  L.Axis = NiceScale(0, std::max(0.0, st.Highest), 5);
  if (L.Axis.Max <= 0) L.Axis.Max = 1;
  if (L.Axis.Step <= 0) L.Axis.Step = 1;

  L.Plot = ChartPlotArea(width, height, s);
  L.PlotDrawn = L.Plot.Usable(s);
  if (!L.PlotDrawn) return L;

  const int n = L.Count;
  const LabelOptions& opt = request.Labels;
  L.SlotW = L.Plot.Width() / n;
  L.BarW = std::max(std::min(L.SlotW * 0.62f, 60 * s), 2.0f);
  L.Rotate = !opt.BarNoName && AnyLabelTooWide(table, opt, n, L.SlotW, s, face);
  const bool values = request.ShowValues && !opt.BarNoValue;

  L.Bars.reserve(static_cast<size_t>(n));
  L.Regions.reserve(static_cast<size_t>(n));
  const float bottom = L.Plot.Bottom;
  for (int i = 1; i <= n; ++i) {
    const double v = table.Items[static_cast<size_t>(i - 1)].Value;
    BarGeometry b;
    b.Item = i;
    b.X = L.Plot.Left + L.SlotW * (i - 1) + (L.SlotW - L.BarW) / 2;
    b.Width = L.BarW;
    const float h = static_cast<float>(std::clamp(v / L.Axis.Max * L.Plot.Height(), -1e7, 1e7));
    b.Height = std::max(h, 1.0f);
    if (!opt.BarNoName) {
      b.Label = BarItemLabel(table, opt, i);
      // An upright label stops at the top of the plot (cut with "…") rather
      // than running into the title; the value label sits above it.
      if (L.Rotate && !b.Label.isEmpty()) {
        const float room = L.Plot.Height() - 4 * s;
        b.LabelExtent = std::min(MeasureTextWidthUpTo(face, b.Label, room) + 4 * s, room);
      }
    }
    if (values) {
      const float top = std::min(bottom - b.Height, bottom - b.LabelExtent);
      b.ValueRect = QRectF(b.X + L.BarW / 2 - 70 * s, top - 19 * s, 140 * s, 16 * s);
    }
    L.Regions.push_back({i, b.X - 3 * s, bottom - b.Height - 18 * s, b.X + L.BarW + 3 * s, bottom});
    L.Bars.push_back(std::move(b));
  }
  return L;
}

void DrawRoundedBar(QPainter& painter, float x, float y, float w, float h, quint32 argb) {
  const float r = std::min({w * 0.28f, 9.0f, h});
  if (PaintsVector(painter)) {
    // The same whole-pixel body; the cap is the true dome the strips draw.
    const QRect body = WholePixelRect(QRectF(x, y + r, w, h - r));
    FillDomedBar(painter, QRectF(body.x(), body.y() - r, body.width(), body.height() + r), r, argb);
    return;
  }
  FillRectWhole(painter, QRectF(x, y + r, w, h - r), argb);
  const float stripH = r / 8;
  const float half = w / 2;
  for (int k = 0; k < 8; ++k) {
    const float dy = std::clamp(r - (k + 0.5f) * stripH, 0.0f, std::max(half, 0.0f));
    const float inset = half - std::sqrt(std::max(half * half - dy * dy, 0.0f));
    const float stripW = std::max(w - 2 * inset, 0.5f);
    FillRectWhole(painter, QRectF(x + (w - stripW) / 2, y + stripH * k, stripW, stripH + 0.7f),
                  argb);
  }
}

float DrawRotatedLabel(QPainter& painter, const FontFace& face, const QString& text, float cx,
                       float y, float s, float maxExtent) {
  if (text.isEmpty()) return 0;
  const float room = std::max(maxExtent, 0.0f);
  const float textW = std::min(MeasureTextWidthUpTo(&face, text, room) + 4 * s, room);
  const float lineH = 24 * s;
  const QTransform before = painter.worldTransform();
  painter.translate(cx, y);
  painter.rotate(-90);
  DrawTextBox(painter, face, text, QRectF(0, -lineH / 2, textW, lineH), 0xFF55607A,
              TextAlign::Near);
  painter.setWorldTransform(before);
  return textW;
}

void DrawBarChart(QPainter& painter, int width, int height, const ItemTable& table,
                  const ChartRequest& request, ChartState& state) {
  const float s = request.Scale;
  state.BarCapacity = ComputeBarCapacity(width, table.ItemCount(), s);
  if (table.ItemCount() == 0 || !state.Fonts.Ensure(s)) return;
  ChartFonts& fonts = state.Fonts;
  const BarLayout L = ComputeBarLayout(width, height, table, request, &fonts.Normal);

  ClearCanvas(painter, width, height);
  DrawChartTitle(painter, fonts, width, s, request.Title, L.Subtitle);
  state.Outline.Subtitle = L.Subtitle;
  state.Outline.Capacity = L.Capacity;
  if (!L.PlotDrawn) return;
  state.Outline.Axis = L.Axis;
  state.Outline.Drawn = L.Count;
  DrawValueAxis(painter, fonts, L.Plot, L.Axis, s);

  const float bottom = L.Plot.Bottom;
  for (const BarGeometry& b : L.Bars) {
    const double v = table.Items[static_cast<size_t>(b.Item - 1)].Value;
    DrawRoundedBar(painter, b.X, bottom - b.Height, b.Width, b.Height, PaletteColor(b.Item));
    if (L.Rotate) {
      DrawRotatedLabel(painter, fonts.Normal, b.Label, b.X + b.Width / 2, bottom - 4 * s, s,
                       L.Plot.Height() - 4 * s);
    } else {
      DrawTextBox(painter, fonts.Normal, b.Label,
                  QRectF(b.X + b.Width / 2 - L.SlotW / 2, bottom + 5 * s, L.SlotW, 18 * s),
                  0xFF55607A, TextAlign::Center);
    }
    if (!b.ValueRect.isEmpty()) {
      const QString text = FormatCompact(v);
      DrawTextBox(painter, fonts.Normal, text,
                  KeepCentredTextInside(fonts.Normal, text, b.ValueRect, width), 0xFF44506A,
                  TextAlign::Center);
    }
  }
  state.HitRegions = L.Regions;
}

}  // namespace qh
