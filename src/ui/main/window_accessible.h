#pragma once
// What assistive technology (screen readers, through AT-SPI or UI
// Automation) sees of the main window beyond Qt's own controls: the window
// as a frame named by its title, the source page as a named panel, a
// drop-down list named by its label, the navigation items as toggle buttons
// (the page shown pressed), and the chart (its interfaces live beside the
// chart view).
#include <QAccessibleInterface>

namespace qh {

// Registers the factory that makes these interfaces; calling it again does
// nothing.
void InstallAccessibleFactory();

}  // namespace qh
