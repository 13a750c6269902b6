#pragma once
// Small pure rules of the main window's commands: the function keys, the
// titles of the pages and the names proposed for a saved picture.
#include "chart/chart_page.h"

#include <QDateTime>
#include <QString>

namespace qh {

enum class KeyCommand { None, ShowSource, ShowBar, ShowPie, ShowLine, Close, SaveJpg, Update,
                        PreviousPage, NextPage };

// Qt key code to command; the modifiers do not matter.
KeyCommand CommandForKey(int qtKey);

// "数据源", "柱形图", "饼形图", "曲线图"; unknown pages read "柱形图".
QString ChartKindTitle(ChartPage page);

// "柱形图2026年1月5日09时30分.jpg"; the pie is "饼图" here.
QString JpgFileName(ChartPage page, const QDateTime& now);

// The folder of the source file ("\" or "/" ends it), the path itself when it
// holds no separator, appDir when there is no source file.
QString JpgFolder(const QString& sourcePath, const QString& appDir);

// The text after the last separator; the whole path when it holds none.
QString FileNameOf(const QString& path);

// The page title with "   (第 x/y 页)" when there is more than one page.
QString PagedTitle(const QString& title, int pageNo, int pageCount);

// Pages of the pie: (items + size - 1) / size, 1 when there is nothing to page.
int PageCount(int itemCount, int pageSize);

}  // namespace qh
