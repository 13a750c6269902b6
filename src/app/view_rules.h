#pragma once
// Decisions of the main window that need no widget: which page a key or
// the wheel turns to, what the status bar says about the table, and where
// the line colour row goes. The window model and the window use these.
#include "chart/chart_page.h"

#include <QString>

namespace qh {

// The page after turning by delta pages, stopping at the first and the last.
int TurnedPage(int pageNo, int pageCount, int delta);

// Wheels report eighths of a degree, 120 to a notch; touchpads send many
// small steps. Collects them into whole pages: turning the wheel away from
// the user goes back a page, towards the user forward.
class WheelPageSteps {
 public:
  // Pages to turn for this step (negative: back); what is left over waits
  // for the next step in the same direction.
  int Feed(int angleDelta);

 private:
  int pending_ = 0;
};

// The status bar's right text: the source file's name, or "手工输入" for
// typed data, only while the table holds items; empty (the clock) otherwise,
// so no file name stands beside "数据项 0 项".
QString StatusTextFor(const QString& sourcePath, int itemCount);

// Where the line colour row is shown: in the header band on the chart pages
// when it fits there, else in the option panel of the line page (the only
// page it matters to), else nowhere.
enum class ColorRowPlace { Hidden, Header, OptionPanel };
ColorRowPlace ChooseColorRowPlace(ChartPage page, bool fitsHeader);

}  // namespace qh
