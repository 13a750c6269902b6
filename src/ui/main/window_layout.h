#pragma once
// The main window's geometry as plain values computed from the client size
// and the DPI scale s: the four regions, the navigation items and labels,
// the label option panel, the status bar link and the source page controls.
// Painting, hit tests and tests all read these numbers.
#include <QRect>
#include <QRectF>
#include <QSize>
#include <array>
#include <vector>

namespace qh {

// x rounded to a whole pixel, halves to even.
int RoundPixel(double x);

inline constexpr int kMinLayoutWidth = 320;
inline constexpr int kMinLayoutHeight = 260;
inline constexpr int kMinCanvasSide = 40;

struct WindowLayout {
  int Width = 0, Height = 0;  // the client size laid out (at least 320 × 260)
  QRect Header, Nav, Status;
  QRect Canvas;  // SourceRect: shared by the source frame and the chart image
  int NavTop = 0;
  friend bool operator==(const WindowLayout&, const WindowLayout&) = default;
};

WindowLayout ComputeWindowLayout(int clientWidth, int clientHeight, float s);

// The smallest client size at which nothing overlaps and every control can
// be reached: the tallest option panel at its lowest top still ends above
// the version text, and the canvas holds the source page's widest row and
// the pie's legend. Larger windows lay out as they always did.
QSize MinimumClientSize(float s);

// The height the navigation panel's content needs (its items, the tallest
// option panel at its lowest top, the version and upgrade labels), and the
// source page's (its controls and the notice's least height). A shorter
// panel or canvas scrolls its content, so no control lies under another.
int NavContentHeight(float s);
int SourceContentHeight(float s);

// That size, but never more than a client area whose frame fits the work
// area: on a screen too small for it (200 % on 1920 × 1080) the window must
// still fit whole. An empty work area (unknown) does not limit it.
QSize MinimumClientSizeWithin(float s, QSize workArea);

// The client rectangle whose frame (the decorations around client, as frame
// shows them) fits inside the work area; client itself when it already does.
QRect FitFrameInto(const QRect& work, const QRect& frame, const QRect& client);

// The line colour row ("曲线图颜色" and its list) while a chart page is shown:
// in the header band, between the title and the item count, when there is
// room for it.
struct HeaderColorRow {
  bool Visible = false;
  QRect Label, Combo;
};
HeaderColorRow ComputeHeaderColorRow(int headerWidth, int headerHeight, float s);

// Navigation panel ------------------------------------------------------

inline constexpr int kNavItemCount = 5;

// Top of navigation item i.
float NavItemTop(int i, float navTop, float s);
// Item 0..4 under (x, y) of the panel, -1 for none; the 3 s below each
// item belong to none.
int NavHitTest(float x, float y, float panelWidth, float navTop, float s);

// The four small decoration rectangles of the first item, scaled like the
// header logo: the top strip, two squares at the item's right end (clear of
// its caption) and a rule under the caption.
struct NavDecoration {
  QRectF Rect;
  unsigned int Argb;
};
inline constexpr int kNavDecorationCount = 4;
std::array<NavDecoration, kNavDecorationCount> NavDecorations(float panelWidth, float s);
// Where an item's caption is drawn.
QRectF NavCaptionRect(int i, float panelWidth, float navTop, float s);

QRect NavVersionLabelRect(int panelWidth, int panelHeight, float s);
QRect NavUpgradeLabelRect(int panelWidth, int panelHeight, float s);

struct OptionPanelGeometry {
  bool Visible = false;
  QRectF Panel;
  std::vector<QRectF> Rows;  // click rectangles, edges included
  float RowHeight = 0;
  QRect ColorLabel, ColorCombo;  // below the rows, when the panel hosts the colour row
};

// withColorRow: the panel also holds the line colour row (label, then the
// list on a row of its own) because the header has no room for it.
OptionPanelGeometry ComputeOptionPanel(float panelWidth, float panelHeight, int rowCount, float s,
                                       bool withColorRow = false);

// Status bar ------------------------------------------------------------

bool LinkHitTest(float x, float y, float statusHeight, float s);

// Source page -----------------------------------------------------------

struct SourceFrameLayout {
  QRect Title, FilePathLabel, PathBox, Browse, ManualLabel, ManualBox;
  QRect Sample, Clear, Apply, LineLabel, LineCombo, Notice;
  int TitleFontPx = 0, TextFontPx = 0, PathFontPx = 0, ComboFontPx = 0;
  friend bool operator==(const SourceFrameLayout&, const SourceFrameLayout&) = default;
};

// Font size in pixels of a point size designed for 96 DPI, scaled by s.
int PointsToPixels(double points, float s);

// filePathLabelSize is the size the "文件路径" label takes for its text;
// canvasHeight sizes the notice.
SourceFrameLayout ComputeSourceFrame(float s, QSize filePathLabelSize, int canvasHeight);

}  // namespace qh
