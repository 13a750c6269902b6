#include "ui/about/about_layout.h"

#include <algorithm>

#include "base/text_utils.h"

namespace qh {
namespace {

constexpr int kLabelLeft = 24;
constexpr int kLabelWidth = 422;

}  // namespace

AboutLayout ComputeAboutLayout(double dpiScale) {
  const double s = std::max(1.0, dpiScale);
  const auto px = [s](int length) { return static_cast<int>(RoundHalfEven(length * s)); };
  const auto label = [&](int top, int height) {
    return QRect(px(kLabelLeft), px(top), px(kLabelWidth), px(height));
  };
  AboutLayout layout;
  layout.Window = QSize(px(470), px(545));
  layout.Line1 = label(20, 34);
  layout.Line2 = label(58, 24);
  layout.Line3 = label(88, 24);
  layout.Qr = QRect(px(105), px(126), px(260), px(260));
  // Half of the scaled 330 rather than 165 scaled: at s = 1.5 these give
  // 247 and 248, and 247 is the button's established place.
  layout.OkButton = QRect(px(330) / 2, px(410), px(140), px(40));
  layout.TitlePointSize = 18 * s;
  layout.TextPointSize = 10 * s;
  return layout;
}

double DevicePointSize(double pointsAt96, int logicalDpi) {
  return logicalDpi > 0 ? pointsAt96 * 96.0 / logicalDpi : pointsAt96;
}

QPoint CentredTopLeft(const QRect& screen, const QSize& window) {
  return QPoint(screen.left() + (screen.width() - window.width()) / 2,
                screen.top() + (screen.height() - window.height()) / 2);
}

}  // namespace qh
