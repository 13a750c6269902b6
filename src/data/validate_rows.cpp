#include "data/validate_rows.h"

#include "base/text_utils.h"
#include "data/large_buffer.h"
#include "data/name_pool.h"
#include "data/value_rules.h"

#include <vector>

namespace qh {

namespace {

const QString kBreak = QStringLiteral("\r\n\r\n");

bool FailColumns(ItemTable& table, const QString& label, int maxCols) {
  const QString counted = maxCols < 2
                              ? QStringLiteral("检测到只有 %1 列").arg(maxCols)
                              : QStringLiteral("检测到 %1 列").arg(maxCols);
  return table.Fail(QStringLiteral("数据源") + label + QStringLiteral("不是两列数据,无法生成图表."),
              counted + QStringLiteral(",本工具要求数据源为两列数据(项目,数值).") + kBreak +
                  QStringLiteral("请让系统导出两列格式,或改用[数据源]页面的手工输入."));
}

}  // namespace

bool ValidateRows(std::span<const QStringView> lines, const QString& label, const LoadLimits&,
                  ItemTable& table) {
  table.Reset();
  table.Items.reserve(lines.size());
  AdviseLargeBuffer(table.Items.data(), static_cast<qsizetype>(table.Items.capacity() * sizeof(ChartItem)));
  NamePool names;
  int maxCols = 0;
  bool badFound = false;
  qsizetype badRow = 0;
  QString badText;
  for (size_t i = 0; i < lines.size(); ++i) {
    const QStringView line = lines[i];
    if (IsBlank(line)) continue;  // no non-empty cell: tabs and spaces only
    const int cells = static_cast<int>(line.count(u'\t')) + 1;
    if (cells > maxCols) maxCols = cells;
    if (cells < 2) continue;
    const qsizetype tab = line.indexOf(u'\t');
    const qsizetype tab2 = line.indexOf(u'\t', tab + 1);
    const QStringView name = line.left(tab);
    // The value rules skip spaces themselves; the stripped text is needed
    // only to quote a bad cell.
    const QStringView valueText = tab2 < 0 ? line.mid(tab + 1) : line.mid(tab + 1, tab2 - tab - 1);
    // A header names its columns: neither cell is a number and the value
    // cell is no value either (A,"1,234" is data).
    if (i == 0 && table.Items.empty() && !IsPlainNumber(valueText) && !IsPlainNumber(name) &&
        !IsValueText(valueText)) {
      continue;
    }
    double value = 0.0;
    if (ReadValue(valueText, value)) {
      table.Items.push_back({names.AddStripped(name), value});
    } else if (!badFound) {
      badFound = true;
      badRow = static_cast<qsizetype>(i) + 1;
      badText = StripSpaces(valueText);
    }
  }
  if (maxCols != 2) return FailColumns(table, label, maxCols);
  if (badFound) {
    return table.Fail(
                QStringLiteral("数据源") + label + QStringLiteral("第 2 列存在非数值内容,无法生成图表."),
                QStringLiteral("第 %1 行的数值列为").arg(badRow) + badText + u'.' + kBreak +
                    QStringLiteral("数据源第 2 列必须全部为数值."));
  }
  if (table.ItemCount() < 2) {
    return table.Fail(QStringLiteral("数据源") + label + QStringLiteral("没有可用的两列数据(项目,数值)."),
                QStringLiteral("有效数据行不足 2 行,无法生成图表."));
  }
  return true;
}

bool ValidateRows(const QStringList& lines, const QString& label, const LoadLimits& limits,
                  ItemTable& table) {
  std::vector<QStringView> views(lines.begin(), lines.end());
  return ValidateRows(std::span<const QStringView>(views), label, limits, table);
}

}  // namespace qh
