#pragma once
// The chart context menu and the clipboard copy of the chart picture.
#include "app/window_commands.h"
#include "chart/chart_page.h"

#include <QByteArray>
#include <QImage>
#include <QtGlobal>

class QAction;
class QMenu;

namespace qh {

class UserMessages;

// Fills an empty menu: copy, save, print and, on the line page, the colour
// submenu with a check mark on the entry of the current line colour. Each
// action's data() holds its identifier.
void BuildChartMenu(QMenu& menu, ChartPage page, quint32 lineColor);

// Identifier of a chosen action, 0 for none.
int ChartMenuCommand(const QAction* chosen);

// Puts the picture on the clipboard, with the chart as an SVG document
// beside it when svg is not empty, or explains why it could not.
void CopyChartToClipboard(const QImage& picture, UserMessages& messages,
                          const QByteArray& svg = {});

}  // namespace qh
