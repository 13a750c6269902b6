#include "ui/main/window_layout.h"

#include "base/text_utils.h"

#include <algorithm>
#include <cmath>

namespace qh {

int RoundPixel(double x) { return static_cast<int>(RoundHalfEven(x)); }

HeaderColorRow ComputeHeaderColorRow(int headerWidth, int headerHeight, float s) {
  const int comboW = RoundPixel(210 * s), rowH = RoundPixel(30 * s), labelW = RoundPixel(96 * s);
  HeaderColorRow row;
  const int comboX = headerWidth - RoundPixel(300 * s) - comboW;  // left of the item count
  const int labelX = comboX - RoundPixel(8 * s) - labelW;
  const int y = (headerHeight - rowH) / 2;
  row.Label = QRect(labelX, y, labelW, rowH);
  row.Combo = QRect(comboX, y, comboW, rowH);
  row.Visible = labelX >= RoundPixel(68 * s) + RoundPixel(220 * s);  // clear of the title
  return row;
}

WindowLayout ComputeWindowLayout(int clientWidth, int clientHeight, float s) {
  WindowLayout l;
  l.Width = std::max(clientWidth, kMinLayoutWidth);
  l.Height = std::max(clientHeight, kMinLayoutHeight);
  const int headerH = RoundPixel(58 * s);
  const int statusH = RoundPixel(26 * s);
  int navW = RoundPixel(176 * s);
  if (l.Width < navW + RoundPixel(260 * s)) navW = RoundPixel(110 * s);
  l.Header = QRect(0, 0, l.Width, headerH);
  l.Nav = QRect(0, headerH, navW, l.Height - headerH - statusH);
  l.Status = QRect(0, l.Height - statusH, l.Width, statusH);
  const int gap = RoundPixel(24 * s);
  const int canvasW = std::max(l.Width - navW - gap, kMinCanvasSide);
  const int canvasH = std::max(l.Height - headerH - statusH - gap, kMinCanvasSide);
  l.Canvas = QRect(navW + RoundPixel(8 * s), headerH + RoundPixel(8 * s), canvasW, canvasH);
  l.NavTop = RoundPixel(14 * s);
  return l;
}

namespace {

// The most option rows a page has (the bar page), and the line page's rows
// with the colour row that joins them in a narrow window.
constexpr int kMostOptionRows = 4;
constexpr int kLineOptionRows = 3;

}  // namespace

QSize MinimumClientSize(float s) {
  // A panel height this small puts every option panel at its lowest top.
  const float anyHeight = 0;
  const float navW = static_cast<float>(RoundPixel(176 * s));
  float panelBottom = 0;
  for (const OptionPanelGeometry& g :
       {ComputeOptionPanel(navW, anyHeight, kMostOptionRows, s, false),
        ComputeOptionPanel(navW, anyHeight, kLineOptionRows, s, true)})
    panelBottom = std::max(panelBottom, static_cast<float>(g.Panel.bottom()));
  const int navH = static_cast<int>(std::ceil(panelBottom)) + RoundPixel(112 * s);
  const int height = RoundPixel(58 * s) + navH + RoundPixel(26 * s);
  // The source page's notice (520 s from 30 s) with as much margin again on
  // the right; the pie keeps its legend at that width too.
  const int canvasW = RoundPixel(580 * s);
  const int width = RoundPixel(176 * s) + RoundPixel(24 * s) + canvasW;
  return {std::max(width, kMinLayoutWidth), std::max(height, kMinLayoutHeight)};
}

QSize MinimumClientSizeWithin(float s, QSize workArea) {
  const QSize wanted = MinimumClientSize(s);
  if (workArea.isEmpty()) return wanted;
  // Room for a title bar and borders, which are not known before the window
  // is shown.
  constexpr int kFrameAllowance = 48;
  return wanted.boundedTo(workArea - QSize(kFrameAllowance / 4, kFrameAllowance))
      .expandedTo(QSize(kMinLayoutWidth, kMinLayoutHeight));
}

QRect FitFrameInto(const QRect& work, const QRect& frame, const QRect& client) {
  if (work.contains(frame)) return client;
  const QMargins decorations(client.left() - frame.left(), client.top() - frame.top(),
                             frame.right() - client.right(), frame.bottom() - client.bottom());
  const QRect inside = work.marginsRemoved(decorations);
  return inside.isValid() ? inside : client;
}

float NavItemTop(int i, float navTop, float s) { return s * 45 * static_cast<float>(i) + navTop; }

int NavHitTest(float x, float y, float panelWidth, float navTop, float s) {
  if (x < 0 || x > panelWidth) return -1;
  for (int i = 0; i < kNavItemCount; ++i) {
    const float t = NavItemTop(i, navTop, s);
    if (t <= y && y < t + 42 * s) return i;
  }
  return -1;
}

std::array<NavDecoration, kNavDecorationCount> NavDecorations(float panelWidth, float s) {
  return {{{QRectF(0, 0, panelWidth, 3), 0xFF2F80ED},  // the top strip, full width
           {QRectF(12 * s, 14 * s, 22 * s, 22 * s), 0xFF4E79A7},
           {QRectF(20 * s, 8 * s, 14 * s, 16 * s), 0xFFF28E2B},
           // The rule runs just below the first caption's glyphs, never through them.
           {QRectF(12 * s, 44 * s, 84 * s, s), 0xFFFFFFFF}}};
}

QRectF NavCaptionRect(int i, float panelWidth, float navTop, float s) {
  return QRectF(20 * s, NavItemTop(i, navTop, s) + 11 * s, panelWidth - 34 * s, 20 * s);
}

QRect NavVersionLabelRect(int panelWidth, int panelHeight, float s) {
  return QRect(0, panelHeight - RoundPixel(112 * s), panelWidth, RoundPixel(26 * s));
}

QRect NavUpgradeLabelRect(int panelWidth, int panelHeight, float s) {
  return QRect(0, panelHeight - RoundPixel(78 * s), panelWidth, RoundPixel(26 * s));
}

OptionPanelGeometry ComputeOptionPanel(float panelWidth, float panelHeight, int rowCount, float s,
                                       bool withColorRow) {
  OptionPanelGeometry g;
  if (rowCount <= 0) return g;
  const float h = 26 * s;
  const float comboH = 26 * s;
  const float colorH = withColorRow ? h + comboH + 8 * s : 0;
  const float pH = 58 * s + h * static_cast<float>(rowCount) + colorH;
  const float pX = 10 * s;
  const float pW = panelWidth - 20 * s;
  // The colour row makes the panel taller; it may then rise to just below
  // the fifth navigation item (which ends at 236 s) before it covers the
  // version labels.
  const float lowestTop = withColorRow ? 244 * s : 300 * s;
  const float pY = std::max(panelHeight - 170 * s - pH, lowestTop);
  if (pW < 40 * s) return g;
  g.Visible = true;
  g.Panel = QRectF(pX, pY, pW, pH);
  g.RowHeight = h;
  float y = pY + 38 * s;
  for (int i = 0; i < rowCount; ++i, y += h) g.Rows.push_back(QRectF(pX, y, pW, h));
  if (withColorRow) {
    const int left = RoundPixel(pX + 8 * s), width = RoundPixel(pW - 16 * s);
    g.ColorLabel = QRect(left, RoundPixel(y), width, RoundPixel(h));
    g.ColorCombo = QRect(left, RoundPixel(y + h), width, RoundPixel(comboH));
  }
  return g;
}

bool LinkHitTest(float x, float y, float statusHeight, float s) {
  return 12 * s <= x && x <= 12 * s + 250 * s && 0 <= y && y <= statusHeight;
}

int PointsToPixels(double points, float s) {
  return std::max(1, RoundPixel(points * s * 96.0 / 72.0));
}

SourceFrameLayout ComputeSourceFrame(float s, QSize filePathLabelSize, int canvasHeight) {
  SourceFrameLayout f;
  const int P = RoundPixel(30 * s), C = RoundPixel(400 * s), G = RoundPixel(14 * s),
            B = RoundPixel(64 * s), H = RoundPixel(30 * s);
  f.TitleFontPx = PointsToPixels(14, s);
  f.TextFontPx = PointsToPixels(10, s);
  f.ComboFontPx = PointsToPixels(9, s);
  f.PathFontPx = PointsToPixels(20, 1.0f);  // the path box keeps its designed size
  f.Title = QRect(P, RoundPixel(22 * s), RoundPixel(300 * s), RoundPixel(30 * s));
  f.ManualLabel = QRect(P, RoundPixel(122 * s), RoundPixel(300 * s), RoundPixel(26 * s));
  f.ManualBox = QRect(P, RoundPixel(156 * s), C, RoundPixel(120 * s));
  const int K = (C - 2 * G) / 3;
  const int buttonTop = RoundPixel(290 * s);
  f.Sample = QRect(P, buttonTop, K, H);
  f.Clear = QRect(P + K + G, buttonTop, K, H);
  f.Apply = QRect(P + 2 * (K + G), buttonTop, K, H);
  f.LineLabel = QRect(P, RoundPixel(340 * s), RoundPixel(140 * s), RoundPixel(22 * s));
  f.LineCombo = QRect(RoundPixel(142 * s) + P, RoundPixel(340 * s) - RoundPixel(4 * s),
                      RoundPixel(220 * s), RoundPixel(30 * s));
  // The path row: box and browse button share a top; the label is centred
  // on the box, the box runs from just after the label to the button, and
  // the button ends where the manual box ends.
  const int rowTop = RoundPixel(70 * s);
  const int browseW = B / std::max(1, RoundPixel(s));
  f.Browse = QRect(f.ManualBox.left() + f.ManualBox.width() - browseW, rowTop, browseW, H);
  f.FilePathLabel = QRect(P, rowTop + (H - filePathLabelSize.height()) / 2,
                          filePathLabelSize.width(), filePathLabelSize.height());
  const int pathLeft = P + filePathLabelSize.width() + RoundPixel(100 * s / 15.0);  // 100 twips
  f.PathBox = QRect(pathLeft, rowTop, f.Browse.left() - pathLeft, H);
  const int noticeTop = RoundPixel(384 * s);
  const int noticeH = std::max(canvasHeight - noticeTop - RoundPixel(30 * s), RoundPixel(20 * s));
  f.Notice = QRect(P, noticeTop, RoundPixel(520 * s), noticeH);
  return f;
}

}  // namespace qh
