#pragma once
// What assistive technology (screen readers, through AT-SPI or UI
// Automation) sees of the main window beyond Qt's own controls: the window
// as a frame named by its title, the source page as a named panel, a
// drop-down list named by its label, the navigation items as toggle buttons
// (the page shown pressed), and the chart as a chart named by its
// title whose children are the items drawn.
#include <QAccessibleInterface>

namespace qh {

class ChartView;

// Registers the factory that makes these interfaces; calling it again does
// nothing.
void InstallAccessibleFactory();

// The accessible child for item position index of the chart; the view owns it.
QAccessibleInterface* MakeChartItemInterface(ChartView* view, int index);

// Tells assistive technology that the item under the keyboard is focused.
void AnnounceKeyItem(ChartView& view);

}  // namespace qh
