#include "ui/main/window_layout.h"

#include "base/text_utils.h"
#include "ui/main/window_style.h"

#include <algorithm>
#include <cmath>

namespace qh {

int RoundPixel(double x) { return static_cast<int>(RoundHalfEven(x)); }

HeaderColorRow ComputeHeaderColorRow(int headerWidth, int headerHeight, float s) {
  const WindowStyle st(s);
  const int comboW = RoundPixel(st.ColorComboW), rowH = RoundPixel(st.ColorRowH),
            labelW = RoundPixel(st.ColorLabelW);
  HeaderColorRow row;
  const int comboX = headerWidth - RoundPixel(st.CountRightReserve) - comboW;  // left of the count
  const int labelX = comboX - RoundPixel(st.ColorLabelGap) - labelW;
  const int y = (headerHeight - rowH) / 2;
  row.Label = QRect(labelX, y, labelW, rowH);
  row.Combo = QRect(comboX, y, comboW, rowH);
  row.Visible = labelX >= RoundPixel(st.TitleX) + RoundPixel(st.TitleTextW);  // clear of the title
  return row;
}

WindowLayout ComputeWindowLayout(int clientWidth, int clientHeight, float s) {
  WindowLayout l;
  l.Width = std::max(clientWidth, kMinLayoutWidth);
  l.Height = std::max(clientHeight, kMinLayoutHeight);
  const WindowStyle st(s);
  const int headerH = RoundPixel(st.HeaderH);
  const int statusH = RoundPixel(st.StatusH);
  int navW = RoundPixel(st.NavW);
  if (l.Width < navW + RoundPixel(st.NarrowNavBelowCanvasW)) navW = RoundPixel(st.NarrowNavW);
  l.Header = QRect(0, 0, l.Width, headerH);
  l.Nav = QRect(0, headerH, navW, l.Height - headerH - statusH);
  l.Status = QRect(0, l.Height - statusH, l.Width, statusH);
  const int gap = RoundPixel(st.CanvasGap);
  const int canvasW = std::max(l.Width - navW - gap, kMinCanvasSide);
  const int canvasH = std::max(l.Height - headerH - statusH - gap, kMinCanvasSide);
  const int inset = RoundPixel(st.CanvasInset);
  l.Canvas = QRect(navW + inset, headerH + inset, canvasW, canvasH);
  l.NavTop = RoundPixel(st.NavTop);
  return l;
}

namespace {

// The most option rows a page has (the bar page), and the line page's rows
// with the colour row that joins them in a narrow window.
constexpr int kMostOptionRows = 4;
constexpr int kLineOptionRows = 3;

}  // namespace

int NavContentHeight(float s) {
  // A panel height this small puts every option panel at its lowest top.
  const float anyHeight = 0;
  const WindowStyle st(s);
  const float navW = static_cast<float>(RoundPixel(st.NavW));
  float panelBottom = 0;
  for (const OptionPanelGeometry& g :
       {ComputeOptionPanel(navW, anyHeight, kMostOptionRows, s, false),
        ComputeOptionPanel(navW, anyHeight, kLineOptionRows, s, true)})
    panelBottom = std::max(panelBottom, static_cast<float>(g.Panel.bottom()));
  return static_cast<int>(std::ceil(panelBottom)) + RoundPixel(st.VersionRise);
}

int SourceContentHeight(float s) {
  const WindowStyle st(s);
  return RoundPixel(st.NoticeY) + RoundPixel(st.NoticeMinH) + RoundPixel(st.NoticeBottomMargin);
}

QSize MinimumClientSize(float s) {
  const WindowStyle st(s);
  const int height = RoundPixel(st.HeaderH) + NavContentHeight(s) + RoundPixel(st.StatusH);
  // The source page's notice (520 s from 30 s) with as much margin again on
  // the right; the pie keeps its legend at that width too.
  const int canvasW = RoundPixel(st.MinCanvasW);
  const int width = RoundPixel(st.NavW) + RoundPixel(st.CanvasGap) + canvasW;
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

float NavItemTop(int i, float navTop, float s) {
  return WindowStyle(s).NavPitch * static_cast<float>(i) + navTop;
}

int NavHitTest(float x, float y, float panelWidth, float navTop, float s) {
  if (x < 0 || x > panelWidth) return -1;
  const float itemH = WindowStyle(s).NavItemH;
  for (int i = 0; i < kNavItemCount; ++i) {
    const float t = NavItemTop(i, navTop, s);
    if (t <= y && y < t + itemH) return i;
  }
  return -1;
}

std::array<NavDecoration, kNavDecorationCount> NavDecorations(float panelWidth, float s) {
  const WindowStyle st(s);
  const float right = panelWidth - st.NavSquaresRightInset;
  return {
      {{QRectF(0, 0, panelWidth, 3), 0xFF2F80ED},  // the top strip, full width
       {QRectF(right - st.NavSquare1Side, st.NavSquare1Y, st.NavSquare1Side, st.NavSquare1Side),
        0xFF4E79A7},
       {QRectF(right - st.NavSquare2W, st.NavSquare2Y, st.NavSquare2W, st.NavSquare2H), 0xFFF28E2B},
       // The rule runs just below the first caption's glyphs, never through them.
       {QRectF(st.NavRuleX, st.NavRuleY, st.NavRuleW, st.NavRuleH), 0xFFFFFFFF}}};
}

QRectF NavCaptionRect(int i, float panelWidth, float navTop, float s) {
  const WindowStyle st(s);
  return QRectF(st.NavCaptionX, NavItemTop(i, navTop, s) + st.NavCaptionY,
                panelWidth - st.NavCaptionRightInset, st.NavCaptionH);
}

QRect NavVersionLabelRect(int panelWidth, int panelHeight, float s) {
  const WindowStyle st(s);
  return QRect(0, panelHeight - RoundPixel(st.VersionRise), panelWidth, RoundPixel(st.NavLabelH));
}

QRect NavUpgradeLabelRect(int panelWidth, int panelHeight, float s) {
  const WindowStyle st(s);
  return QRect(0, panelHeight - RoundPixel(st.UpgradeRise), panelWidth, RoundPixel(st.NavLabelH));
}

OptionPanelGeometry ComputeOptionPanel(float panelWidth, float panelHeight, int rowCount, float s,
                                       bool withColorRow) {
  OptionPanelGeometry g;
  if (rowCount <= 0) return g;
  const WindowStyle st(s);
  const float h = st.OptionRowH;
  const float comboH = st.OptionComboH;
  const float colorH = withColorRow ? h + comboH + st.OptionColorGap : 0;
  const float pH = st.OptionHeadH + h * static_cast<float>(rowCount) + colorH;
  const float pX = st.OptionX;
  const float pW = panelWidth - st.OptionSideMargins;
  // The colour row makes the panel taller; it may then rise to just below
  // the fifth navigation item (which ends at 236 s) before it covers the
  // version labels.
  const float lowestTop = withColorRow ? st.OptionLowestTopWithColor : st.OptionLowestTop;
  const float pY = std::max(panelHeight - st.OptionBottomReserve - pH, lowestTop);
  if (pW < st.OptionMinW) return g;
  g.Visible = true;
  g.Panel = QRectF(pX, pY, pW, pH);
  g.RowHeight = h;
  float y = pY + st.OptionRowsTop;
  for (int i = 0; i < rowCount; ++i, y += h) g.Rows.push_back(QRectF(pX, y, pW, h));
  if (withColorRow) {
    const int left = RoundPixel(pX + st.OptionInset), width = RoundPixel(pW - 2 * st.OptionInset);
    g.ColorLabel = QRect(left, RoundPixel(y), width, RoundPixel(h));
    g.ColorCombo = QRect(left, RoundPixel(y + h), width, RoundPixel(comboH));
  }
  return g;
}

bool LinkHitTest(float x, float y, float statusHeight, float s) {
  const WindowStyle st(s);
  return st.LinkTextX <= x && x <= st.LinkTextX + st.LinkHitW && 0 <= y && y <= statusHeight;
}

int PointsToPixels(double points, float s) {
  return std::max(1, RoundPixel(points * s * 96.0 / 72.0));
}

SourceFrameLayout ComputeSourceFrame(float s, QSize filePathLabelSize, int canvasHeight) {
  SourceFrameLayout f;
  const WindowStyle st(s);
  const int P = RoundPixel(st.SourcePad), C = RoundPixel(st.ManualW), G = RoundPixel(st.ButtonGap),
            B = RoundPixel(st.BrowseW), H = RoundPixel(st.RowH);
  f.TitleFontPx = PointsToPixels(14, s);
  f.TextFontPx = PointsToPixels(10, s);
  f.ComboFontPx = PointsToPixels(9, s);
  f.PathFontPx = PointsToPixels(20, 1.0f);  // the path box keeps its designed size
  f.Title = QRect(P, RoundPixel(st.SourceTitleY), RoundPixel(st.SourceTitleW),
                  RoundPixel(st.SourceTitleH));
  f.ManualLabel = QRect(P, RoundPixel(st.ManualLabelY), RoundPixel(st.ManualLabelW),
                        RoundPixel(st.ManualLabelH));
  f.ManualBox = QRect(P, RoundPixel(st.ManualBoxY), C, RoundPixel(st.ManualBoxH));
  const int K = (C - 2 * G) / 3;
  const int buttonTop = RoundPixel(st.ButtonTop);
  f.Sample = QRect(P, buttonTop, K, H);
  f.Clear = QRect(P + K + G, buttonTop, K, H);
  f.Apply = QRect(P + 2 * (K + G), buttonTop, K, H);
  f.LineLabel =
      QRect(P, RoundPixel(st.LineRowY), RoundPixel(st.LineLabelW), RoundPixel(st.LineLabelH));
  f.LineCombo =
      QRect(RoundPixel(st.LineComboX) + P, RoundPixel(st.LineRowY) - RoundPixel(st.LineComboLift),
            RoundPixel(st.LineComboW), RoundPixel(st.LineComboH));
  // The path row: box and browse button share a top; the label is centred
  // on the box, the box runs from just after the label to the button, and
  // the button ends where the manual box ends.
  const int rowTop = RoundPixel(st.PathRowY);
  const int browseW = B / std::max(1, RoundPixel(s));
  f.Browse = QRect(f.ManualBox.left() + f.ManualBox.width() - browseW, rowTop, browseW, H);
  f.FilePathLabel = QRect(P, rowTop + (H - filePathLabelSize.height()) / 2,
                          filePathLabelSize.width(), filePathLabelSize.height());
  const int pathLeft = P + filePathLabelSize.width() + RoundPixel(st.PathLabelGap);
  f.PathBox = QRect(pathLeft, rowTop, f.Browse.left() - pathLeft, H);
  const int noticeTop = RoundPixel(st.NoticeY);
  const int noticeH = std::max(canvasHeight - noticeTop - RoundPixel(st.NoticeBottomMargin),
                               RoundPixel(st.NoticeMinH));
  f.Notice = QRect(P, noticeTop, RoundPixel(st.NoticeW), noticeH);
  return f;
}

}  // namespace qh
