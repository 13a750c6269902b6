#include "data/validate_rows.h"

#include "base/text_utils.h"
#include "data/large_buffer.h"
#include "data/name_pool.h"
#include "data/value_rules.h"

#include <algorithm>
#include <vector>

namespace qh {

namespace {

const QString kBreak = QStringLiteral("\r\n\r\n");

bool FailColumns(ItemTable& table, const QString& label, int maxCols) {
  const QString counted = maxCols < 2 ? QStringLiteral("检测到只有 %1 列").arg(maxCols)
                                      : QStringLiteral("检测到 %1 列").arg(maxCols);
  return table.Fail(QStringLiteral("数据源") + label + QStringLiteral("不是两列数据,无法生成图表."),
                    counted + QStringLiteral(",本工具要求数据源为两列数据(项目,数值).") + kBreak +
                        QStringLiteral("请让系统导出两列格式,或改用[数据源]页面的手工输入."));
}

}  // namespace

RowValidator::RowValidator(const QString& label, ItemTable& table, const LoadLimits& limits)
    : label_(label), table_(table), limits_(limits) {
  table_.Reset();
}

void RowValidator::Add(size_t index, QStringView line, const QString* sharedName) {
  if (overLimit_ || IsBlank(line)) return;  // no non-empty cell: tabs and spaces only
  const int cells = static_cast<int>(line.count(u'\t')) + 1;
  if (cells > maxCols_) maxCols_ = cells;
  if (cells < 2) return;
  const qsizetype tab = line.indexOf(u'\t');
  const qsizetype tab2 = line.indexOf(u'\t', tab + 1);
  const QStringView name = line.left(tab);
  // The value rules skip spaces themselves; the stripped text is needed
  // only to quote a bad cell.
  const QStringView valueText = tab2 < 0 ? line.mid(tab + 1) : line.mid(tab + 1, tab2 - tab - 1);
  // A header names its columns: neither cell is a number and the value
  // cell is no value either (A,"1,234" is data).
  if (index == 0 && table_.Items.empty() && !IsPlainNumber(valueText) && !IsPlainNumber(name) &&
      !IsValueText(valueText)) {
    return;
  }
  double value = 0.0;
  if (ReadValue(valueText, value)) {
    if (!limits_.AdmitsMore(table_.Items.size())) {
      overLimit_ = true;
      table_.Items = {};  // the memory goes now, not at the verdict
      return;
    }
    table_.Items.push_back({sharedName ? *sharedName : names_.AddStripped(name), value});
  } else if (!badFound_) {
    badFound_ = true;
    badRow_ = static_cast<qsizetype>(index) + 1;
    badText_ = StripSpaces(valueText);
  }
}

bool RowValidator::Finish() {
  if (overLimit_) return FailOverItemLimit(limits_, table_);
  if (maxCols_ != 2) return FailColumns(table_, label_, maxCols_);
  if (badFound_) {
    return table_.Fail(
        QStringLiteral("数据源") + label_ + QStringLiteral("第 2 列存在非数值内容,无法生成图表."),
        QStringLiteral("第 %1 行的数值列为").arg(badRow_) + badText_ + u'.' + kBreak +
            QStringLiteral("数据源第 2 列必须全部为数值."));
  }
  if (table_.ItemCount() < 2) {
    return table_.Fail(
        QStringLiteral("数据源") + label_ + QStringLiteral("没有可用的两列数据(项目,数值)."),
        QStringLiteral("有效数据行不足 2 行,无法生成图表."));
  }
  return true;
}

bool ValidateRows(std::span<const QStringView> lines, const QString& label,
                  const LoadLimits& limits, ItemTable& table) {
  RowValidator rows(label, table, limits);
  table.Items.reserve(std::min(lines.size(), static_cast<size_t>(limits.MaxItems) + 1));
  AdviseLargeBuffer(table.Items.data(),
                    static_cast<qsizetype>(table.Items.capacity() * sizeof(ChartItem)));
  for (size_t i = 0; i < lines.size() && !rows.Full(); ++i) rows.Add(i, lines[i]);
  return rows.Finish();
}

bool ValidateRows(const QStringList& lines, const QString& label, const LoadLimits& limits,
                  ItemTable& table) {
  std::vector<QStringView> views(lines.begin(), lines.end());
  return ValidateRows(std::span<const QStringView>(views), label, limits, table);
}

}  // namespace qh
