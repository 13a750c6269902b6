#include "data/html/html_reader.h"

#include "base/diag_log.h"
#include "base/text_utils.h"
#include "data/html/html_scan.h"
#include "data/large_buffer.h"
#include "data/name_pool.h"
#include "data/value_rules.h"

#include <QStringBuilder>

namespace qh {

namespace {

const QString kBreak = QStringLiteral("\r\n\r\n");

// Builds a log line only when someone reads it.
class Trace {
 public:
  explicit Trace(DiagLog* log) : log_(log && log->Enabled() ? log : nullptr) {}
  bool On() const { return log_ != nullptr; }
  void Line(const QString& line) const {
    if (log_) log_->WriteLog(line);
  }

 private:
  DiagLog* log_;
};

bool AllBlank(const std::vector<QStringView>& cells) {
  for (QStringView cell : cells) {
    if (!IsBlankCell(cell)) return false;
  }
  return true;
}

bool TableVerdict(ItemTable& table, int maxCells, bool badFound, qsizetype badRow,
                  const QString& badText) {
  if (maxCells != 2) {
    return table.Fail(
        QStringLiteral("数据源 HTML 表格不是两列数据,无法生成图表."),
        QStringLiteral("检测到表格为 %1 列,本工具要求数据源 HTML 表格为两列数据(项目,数值).")
                .arg(maxCells) +
            kBreak + QStringLiteral("请让系统导出两列格式的表格,或改用[数据源]页面的手工输入."));
  }
  if (badFound) {
    return table.Fail(QStringLiteral("数据源 HTML 表格第 2 列存在非数值内容,无法生成图表."),
                      QStringLiteral("第 %1 行的数值列为").arg(badRow) + badText + u'.' + kBreak +
                          QStringLiteral("数据源 HTML 表格的第 2 列必须全部为数值."));
  }
  if (table.ItemCount() < 2) {
    return table.Fail(QStringLiteral("数据源 HTML 表格没有可用的两列数据(项目,数值)."),
                      QStringLiteral("有效数据行不足 2 行,无法生成图表."));
  }
  return true;
}

// Judges one table; overLimit tells a refusal for its size.
bool ParseTable(int tableNo, QStringView tableText, const LoadLimits& limits, ItemTable& table,
                DiagLog* log, bool& overLimit) {
  const Trace trace(log);
  overLimit = false;
  table.Reset();
  const std::vector<QStringView> rows = FindElementViews(tableText, u"tr");
  trace.Line(QStringLiteral("table %1 rows=%2").arg(tableNo).arg(rows.size()));
  if (rows.empty()) {
    return table.Fail(QStringLiteral("数据源 HTML 表格中没有任何数据行."),
                      QStringLiteral("表格中没有找到 <tr> 行,无法生成图表."));
  }
  // A caption comes before the rows; it titles the charts.
  const QStringView head = tableText.left(rows.front().data() - tableText.data());
  if (const std::vector<QStringView> captions = FindElementViews(head, u"caption");
      !captions.empty()) {
    table.Caption = DecodeEntities(StripTags(captions.front())).simplified().left(200);
  }
  table.Items.reserve(std::min(rows.size(), static_cast<size_t>(limits.MaxItems) + 1));
  AdviseLargeBuffer(table.Items.data(),
                    static_cast<qsizetype>(table.Items.capacity() * sizeof(ChartItem)));
  int maxCells = 0;
  bool badFound = false;
  qsizetype badRow = 0;
  QString badText;
  bool headerPossible = true;  // until the first row that is not blank
  RowCells row;
  NamePool names;
  QString name, valueText;  // reused: a million rows need no allocation each
  for (size_t i = 0; i < rows.size(); ++i) {
    const qsizetype r = static_cast<qsizetype>(i) + 1;
    SplitCellsInto(rows[i], row);
    const size_t rawCount = row.Cells.size();
    MergeDuplicateCellViews(row.Cells);
    // Office programs close a table with an empty spacer row: it is no row
    // of data and no header.
    if (AllBlank(row.Cells)) continue;
    const bool mayBeHeader = headerPossible;
    headerPossible = false;
    maxCells = std::max(maxCells, static_cast<int>(row.Cells.size()));
    if (row.Cells.size() < 2) {
      if (trace.On()) {
        trace.Line(u"  row " % QString::number(r) % u" cells=" % QString::number(rawCount) %
                   u" norm=" % QString::number(row.Cells.size()));
      }
      continue;
    }
    CleanCellTextInto(row.Cells[0], name);
    CleanCellTextInto(row.Cells[1], valueText);
    if (mayBeHeader && table.Items.empty() && IsHeaderRow(name, valueText)) {
      trace.Line(u"  row " % QString::number(r) % u" header skipped [" % name % u"][" % valueText %
                 u']');
      continue;
    }
    double value = 0.0;
    if (ReadValue(valueText, value)) {
      if (trace.On()) {
        trace.Line(u"  row " % QString::number(r) % u" item=" % name % u" val=" % valueText);
      }
      if (!limits.AdmitsMore(table.Items.size())) {
        trace.Line(
            QStringLiteral("  row %1 over the limit of %2 items").arg(r).arg(limits.MaxItems));
        overLimit = true;
        return FailOverItemLimit(limits, table);
      }
      table.Items.push_back({names.Add(name), value});
    } else {
      if (!badFound) {
        badFound = true;
        badRow = r;
        badText = valueText;
      }
      if (trace.On()) {
        trace.Line(u"  row " % QString::number(r) % u" not numeric [" % valueText % u']');
      }
    }
  }
  return TableVerdict(table, maxCells, badFound, badRow, badText);
}

}  // namespace

bool ParseHtmlTable(int tableNo, QStringView tableText, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log) {
  bool overLimit = false;
  return ParseTable(tableNo, tableText, limits, table, log, overLimit);
}

bool ParseHtmlText(const QString& html, const LoadLimits& limits, ItemTable& table, DiagLog* log) {
  const Trace trace(log);
  table.Reset();
  const std::vector<QStringView> tables = FindElementViews(html, u"table");
  trace.Line(QStringLiteral("html len=%1 tables=%2").arg(html.size()).arg(tables.size()));
  if (tables.empty()) {
    return table.Fail(QStringLiteral("数据源 HTML 中未找到表格,无法生成图表."),
                      QStringLiteral("文件中没有任何 <table> 表格.") + kBreak +
                          QStringLiteral("本工具要求数据源 HTML 表格为两列数据(项目,数值)."));
  }
  QString firstError, firstHint;
  bool failedBefore = false;
  for (size_t t = 0; t < tables.size(); ++t) {
    const int tableNo = static_cast<int>(t) + 1;
    bool overLimit = false;
    if (ParseTable(tableNo, tables[t], limits, table, log, overLimit)) {
      table.LastError.clear();
      table.LastHint =
          QStringLiteral("表格 %1 校验通过,共 %2 项数据.").arg(tableNo).arg(table.ItemCount());
      trace.Line(QStringLiteral("parse ok table=%1 items=%2").arg(tableNo).arg(table.ItemCount()));
      return true;
    }
    if (overLimit) return false;  // no later table is read either
    if (!failedBefore) {
      failedBefore = true;
      firstError = table.LastError;
      firstHint = table.LastHint;
    }
    table.Reset();
  }
  if (firstError.isEmpty()) firstError = QStringLiteral("数据源 HTML 表格不符合要求,无法生成图表.");
  trace.Line(QStringLiteral("parse failed: ") + firstError);
  return table.Fail(firstError, firstHint);
}

}  // namespace qh
