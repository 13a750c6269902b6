#pragma once
// Small pure rules of the main window's commands: the function keys, the
// chart menu's identifiers and the names proposed for a saved picture.
#include "chart/chart_page.h"

#include <QDateTime>
#include <QString>

namespace qh {

enum class KeyCommand {
  None,
  ShowSource,
  ShowBar,
  ShowPie,
  ShowLine,
  Close,
  SaveChart,
  Update,
  PreviousPage,
  NextPage,
  ChartMenu,  // Shift+F10 or the Menu key
  PreviousItem,
  NextItem,
  FirstItem,
  LastItem
};

// The chart menu's commands, as its actions carry them.
enum ChartMenuId : int {
  kMenuSaveChart = 1001,
  kMenuCopyImage = 1002,
  kMenuPrint = 1003,
  kMenuFirstColor = 2001,
  kMenuLastColor = 2008,
};

// Qt key code, pressed without modifiers, to command.
KeyCommand CommandForKey(int qtKey);
// The same with the modifiers held (Qt::KeyboardModifiers as an int): a key
// held with Shift, Ctrl, Alt or Meta gives no command, so Shift+F10 never
// starts the update; only Shift+F10 itself opens the chart menu. The keypad
// flag is not a modifier here.
KeyCommand CommandForKey(int qtKey, int modifiers);

// "柱形图2026年1月5日09时30分.jpg": the chart kind as its page names it.
QString JpgFileName(ChartPage page, const QDateTime& now);

// The confirmation after a save: "图片已保存:" for a picture, "图表已保存:"
// for a document (SVG, PDF), then a line break and the path.
QString SavedChartNotice(const QString& savedPath);

// The folder of the source file ("\" or "/" ends it), the path itself when it
// holds no separator, appDir when there is no source file.
QString JpgFolder(const QString& sourcePath, const QString& appDir);

// The text after the last separator; the whole path when it holds none.
QString FileNameOf(const QString& path);

}  // namespace qh
