#include "app/view_rules.h"

#include "app/window_commands.h"

#include <algorithm>

namespace qh {
namespace {

constexpr int kWheelNotch = 120;

}  // namespace

int TurnedPage(int pageNo, int pageCount, int delta) {
  if (pageCount < 1) return pageNo;
  return std::clamp(pageNo + delta, 1, pageCount);
}

int WheelPageSteps::Feed(int angleDelta) {
  if ((pending_ > 0 && angleDelta < 0) || (pending_ < 0 && angleDelta > 0)) pending_ = 0;
  pending_ += angleDelta;
  const int notches = pending_ / kWheelNotch;
  pending_ -= notches * kWheelNotch;
  return -notches;
}

QString StatusTextFor(const QString& sourcePath, int itemCount) {
  if (itemCount < 1) return {};
  return sourcePath.isEmpty() ? QStringLiteral("手工输入") : FileNameOf(sourcePath);
}

ColorRowPlace ChooseColorRowPlace(ChartPage page, bool fitsHeader) {
  if (page == ChartPage::Source) return ColorRowPlace::Hidden;
  if (fitsHeader) return ColorRowPlace::Header;
  return page == ChartPage::Line ? ColorRowPlace::OptionPanel : ColorRowPlace::Hidden;
}

}  // namespace qh
