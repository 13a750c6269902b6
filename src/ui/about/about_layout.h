#pragma once
// Where everything of the About window goes at a given DPI scale. Pure
// arithmetic, so the numbers can be checked without a window.
#include <QRect>
#include <QSize>

namespace qh {

struct AboutLayout {
  QSize Window;    // 470 x 545 before scaling
  QRect Line1;     // product title
  QRect Line2;     // notice about the maker
  QRect Line3;     // WeChat caption
  QRect Qr;        // 260 x 260, centred in the width
  QRect OkButton;  // 140 x 40, centred in the width
  // Point sizes as on a 96-DPI screen: 18 x s and 10 x s (the two smaller
  // lines and the button). See DevicePointSize.
  double TitlePointSize;
  double TextPointSize;
};

// dpiScale is ScreenDpi / 96; values below 1 count as 1. Every scaled
// length is rounded to the nearest whole pixel, halves to even.
AboutLayout ComputeAboutLayout(double dpiScale);

// The point size to give a font on a device of logicalDpi so that it comes
// out as large as pointsAt96 on a 96-DPI screen. The layout already grows
// with s = dpi / 96; letting the device scale the points again would make
// the 27 pt title of a 144-DPI screen 54 pixels tall in a 51-pixel box.
double DevicePointSize(double pointsAt96, int logicalDpi);

// Top-left corner that centres a window of the given size on a screen area;
// odd leftovers are dropped (whole-number halving).
QPoint CentredTopLeft(const QRect& screen, const QSize& window);

}  // namespace qh
