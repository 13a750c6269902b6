#include "data/html/html_reader.h"

#include "base/diag_log.h"
#include "base/text_utils.h"
#include "data/html/html_scan.h"
#include "data/table_choice.h"
#include "data/text_decode.h"

#include <QStringBuilder>
#include <optional>

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
                  const QString& badText, int valueColumn) {
  if (maxCells != 2) {
    return table.Fail(
        QStringLiteral("数据源 HTML 表格不是两列数据,无法生成图表."),
        QStringLiteral("检测到表格为 %1 列,本工具要求数据源 HTML 表格为两列数据(项目,数值).")
                .arg(maxCells) +
            kBreak + QStringLiteral("请让系统导出两列格式的表格,或改用[数据源]页面的手工输入."));
  }
  if (badFound) {
    return table.Fail(
        QStringLiteral("数据源 HTML 表格第 %1 列存在非数值内容,无法生成图表.").arg(valueColumn),
        QStringLiteral("第 %1 行的数值列为").arg(badRow) + badText + u'.' + kBreak +
            QStringLiteral("数据源 HTML 表格的第 %1 列必须全部为数值.").arg(valueColumn));
  }
  if (table.ItemCount() < 2) {
    return table.Fail(QStringLiteral("数据源 HTML 表格没有可用的两列数据(项目,数值)."),
                      QStringLiteral("有效数据行不足 2 行,无法生成图表."));
  }
  return true;
}

// Text as the steps after the cell split take it: decoded text as it is,
// UTF-8 decoded.
QStringView AsText(QStringView text, QString&) { return text; }
QStringView AsText(QByteArrayView utf8, QString& storage) {
  storage.resize(utf8.size());
  char16_t* const begin = reinterpret_cast<char16_t*>(storage.data());
  storage.truncate(DecodeUtf8Into(utf8, begin) - begin);
  return storage;
}

QStringView AsText(Cp936Text text, QString& storage) {
  storage.resize(text.size());
  char16_t* const begin = reinterpret_cast<char16_t*>(storage.data());
  storage.truncate(DecodeCodePage936Into(text.Bytes(), begin) - begin);
  return storage;
}

// The length of the text in UTF-16 units, as the log has always given it.
qsizetype TextLength(QStringView text) { return text.size(); }
qsizetype TextLength(QByteArrayView utf8) {
  qsizetype units = 0;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    units += (b & 0xC0) != 0x80 ? 1 : 0;  // one per character
    units += b >= 0xF0 ? 1 : 0;           // and a second for a surrogate pair
  }
  return units;
}

qsizetype TextLength(Cp936Text text) {
  const QByteArrayView bytes = text.Bytes();
  qsizetype units = 0;
  for (qsizetype i = 0; i < bytes.size(); i = CodePage936CharEnd(bytes, i)) ++units;
  return units;
}

template <typename Text>
size_t CountElements(Text text, QLatin1StringView tag) {
  size_t count = 0;
  for (ElementSpan e = NextElement(text, tag, 0); e.Found(); e = NextElement(text, tag, e.End))
    ++count;
  return count;
}

// Room for the items of a table: as many rows as its length holds rows as
// long as the first (an export writes them alike), not counted in a pass of
// its own; rows shorter than that only make the room grow. No row is
// shorter than "<tr><td>1</tr>".
size_t ExpectedRows(qsizetype tableLength, const ElementSpan& firstRow, const LoadLimits& limits) {
  constexpr qsizetype kShortestRow = 14;
  const qsizetype rowLength = std::max(kShortestRow, firstRow.End - firstRow.Start);
  return static_cast<size_t>(
      std::min(tableLength / rowLength + 1, static_cast<qsizetype>(limits.MaxItems) + 1));
}

// Judges one table; overLimit tells a refusal for its size. choice, when
// not the default, picks the part of the table to judge.
template <typename Text>
bool ParseTable(int tableNo, Text tableText, const LoadLimits& limits, ItemTable& table,
                DiagLog* log, const TableChoice& choice, bool& overLimit) {
  const Trace trace(log);
  overLimit = false;
  table.Reset();
  constexpr QLatin1StringView kRow("tr");
  RowCells row;
  const ElementSpan firstSpan = NextRowInto(tableText, 0, row);
  if (trace.On()) {
    trace.Line(QStringLiteral("table %1 rows=%2").arg(tableNo).arg(CountElements(tableText, kRow)));
  }
  if (!firstSpan.Found()) {
    return table.Fail(QStringLiteral("数据源 HTML 表格中没有任何数据行."),
                      QStringLiteral("表格中没有找到 <tr> 行,无法生成图表."));
  }
  // A caption comes before the rows; it titles the charts.
  const Text head = tableText.first(firstSpan.Start);
  if (const ElementSpan caption = NextElement(head, QLatin1StringView("caption"), 0);
      caption.Found()) {
    QString storage;
    const QStringView text =
        AsText(head.sliced(caption.Start, caption.End - caption.Start), storage);
    table.Caption = DecodeEntities(StripTags(text)).simplified().left(200);
  }
  // Items as one block of UTF-8 names when the caller reads them through
  // once; else as the window and the charts hold them.
  CompactItems* const compact = limits.CompactItems ? &table.Compact.emplace() : nullptr;
  // A caller that draws only the first rows has them kept, and the rest
  // told by what the charts say of the whole table.
  const size_t keep = limits.KeepItems > 0 ? static_cast<size_t>(limits.KeepItems) : 0;
  WholeTable whole;
  size_t expected = ExpectedRows(tableText.size(), firstSpan, limits);
  if (keep > 0) expected = std::min(expected, keep);
  if (compact != nullptr) {
    compact->Reserve(expected, static_cast<size_t>(tableText.size()));
  } else {
    // The names are in the table's text, never longer than it.
    table.Items.reserve(expected, keep > 0 ? 0 : static_cast<size_t>(tableText.size()));
  }
  size_t taken = 0;  // items, kept either way
  int maxCells = 0;
  bool badFound = false;
  qsizetype badRow = 0;
  QString badText;
  bool headerPossible = true;  // until the first row that is not blank
  QString name, valueText;     // reused: a million rows need no allocation each
  // Only when a part of the table was chosen: the selection step, the
  // cleaned cells it narrows, and a total row held back until a later row
  // shows that it was not the last.
  std::optional<TableSelection> selection;
  if (!choice.IsDefault()) selection.emplace(choice);
  const bool picks = choice.PicksColumns();
  std::vector<QString> cleaned;
  struct Held {
    qsizetype Row;
    QString Name, Value;
    bool MayBeHeader;
  };
  std::optional<Held> heldTotal;
  QStringList firstRow;
  // False once the row is one item too many.
  // nameBytes, when not null, is n as UTF-8 where it stands in the file.
  const auto take = [&](qsizetype r, const QString& n, const QString& v, bool mayBeHeader,
                        QByteArrayView nameBytes = {}) {
    if (mayBeHeader && taken == 0 && IsHeaderRow(n, v)) {
      trace.Line(u"  row " % QString::number(r) % u" header skipped [" % n % u"][" % v % u']');
      table.ValueHeading = ValueHeadingText(v);
      return true;
    }
    double value = 0.0;
    if (ReadCellValue(v, value)) {
      if (trace.On()) trace.Line(u"  row " % QString::number(r) % u" item=" % n % u" val=" % v);
      if (!limits.AdmitsMore(taken)) {
        trace.Line(
            QStringLiteral("  row %1 over the limit of %2 items").arg(r).arg(limits.MaxItems));
        return false;
      }
      if (keep > 0) {
        whole.Add(value);
        const qsizetype length =
            nameBytes.isNull() ? n.size()
                               : StrippedUtf16Length(std::string_view(
                                     nameBytes.data(), static_cast<size_t>(nameBytes.size())));
        whole.LongestName = std::max(whole.LongestName, length);
      }
      if (keep > 0 && taken >= keep) {
        // Counted above; not kept.
      } else if (compact != nullptr && !nameBytes.isNull()) {
        compact->Add(std::string_view(nameBytes.data(), static_cast<size_t>(nameBytes.size())),
                     value);
      } else if (compact != nullptr) {
        compact->Add(QStringView(n), value);
      } else {
        table.Items.Add(n, value);
      }
      ++taken;
    } else {
      if (!badFound) {
        badFound = true;
        badRow = r;
        badText = v;
      }
      if (trace.On()) trace.Line(u"  row " % QString::number(r) % u" not numeric [" % v % u']');
    }
    return true;
  };
  size_t i = 0;
  // Each row is split into its cells as it is found.
  for (ElementSpan span = firstSpan; span.Found();
       span = NextRowInto(tableText, span.End, row), ++i) {
    const qsizetype r = static_cast<qsizetype>(i) + 1;
    if (selection && selection->Skips(i)) continue;  // title rows
    const size_t rawCount = row.Cells.size();
    // Chosen columns keep their places: cells are not merged then.
    if (!picks) MergeDuplicateCellViews(row.Cells);
    // Office programs close a table with an empty spacer row: it is no row
    // of data and no header.
    if (AllBlank(row.Cells)) continue;
    const bool mayBeHeader = headerPossible;
    headerPossible = false;
    bool total = false;
    if (picks) {
      cleaned.resize(row.Cells.size());
      for (size_t k = 0; k < row.Cells.size(); ++k) CleanCellTextInto(row.Cells[k], cleaned[k]);
      row.Cells.assign(cleaned.begin(), cleaned.end());
      total = choice.NoTotal && IsTotalName(row.Cells[0]);
      if (!selection->Narrow(row.Cells)) continue;
    }
    // The first row of several cells: the header, below any title.
    if (firstRow.isEmpty() && !picks && row.Cells.size() > 1) {
      for (QStringView cell : row.Cells) {
        if (firstRow.size() == ItemTable::kMostOfferedColumns) break;
        CleanCellTextInto(cell, name);
        firstRow << name;
      }
    }
    maxCells = std::max(maxCells, static_cast<int>(row.Cells.size()));
    if (row.Cells.size() < 2) {
      if (trace.On()) {
        trace.Line(u"  row " % QString::number(r) % u" cells=" % QString::number(rawCount) %
                   u" norm=" % QString::number(row.Cells.size()));
      }
      continue;
    }
    // A compact table takes a plain name's bytes as they stand, where
    // nothing else looks at the name: past the header, no total sought, no
    // trace written.
    QByteArrayView nameBytes;
    if (compact != nullptr && !picks && !mayBeHeader && !choice.NoTotal && !trace.On() &&
        IsPlainCellBytes(row.FirstCellBytes))
      nameBytes = row.FirstCellBytes;
    if (picks) {
      name = StripSpaces(row.Cells[0]);
      valueText = StripSpaces(row.Cells[1]);
    } else {
      if (nameBytes.isNull()) CleanCellTextInto(row.Cells[0], name);
      CleanCellTextInto(row.Cells[1], valueText);
    }
    if (heldTotal) {
      const bool admitted =
          take(heldTotal->Row, heldTotal->Name, heldTotal->Value, heldTotal->MayBeHeader);
      heldTotal.reset();
      if (!admitted) {
        overLimit = true;
        return FailOverItemLimit(limits, table);
      }
    }
    if (choice.NoTotal && (total || IsTotalName(name))) {
      heldTotal = Held{r, name, valueText, mayBeHeader};
      continue;
    }
    if (!take(r, name, valueText, mayBeHeader, nameBytes)) {
      overLimit = true;
      return FailOverItemLimit(limits, table);
    }
  }
  if (selection && !selection->CheckColumns(table, QStringLiteral(" HTML 表格"))) return false;
  if (keep > 0 && taken > keep) table.Whole = whole;
  const bool ok = TableVerdict(table, maxCells, badFound, badRow, badText,
                               selection ? selection->ValueColumnNumber() : 2);
  if (!ok && maxCells > 2 && !picks) {
    table.Columns = maxCells;
    table.FirstRow = firstRow;
  }
  // Columns found by their header texts: that row never reached take.
  if (ok && selection && table.ValueHeading.isEmpty())
    table.ValueHeading = selection->ValueHeading();
  if (ok && heldTotal) {
    trace.Line(u"  row " % QString::number(heldTotal->Row) % u" total left out");
    QStringList shown{heldTotal->Name, heldTotal->Value};
    shown.removeAll(QString());
    table.Notes << QStringLiteral("已略去第 %1 行的合计行:").arg(heldTotal->Row) +
                       shown.join(u' ') + u'.';
  }
  return ok;
}

template <typename Text>
bool ParseHtml(Text html, const LoadLimits& limits, ItemTable& table, DiagLog* log,
               const TableChoice& choice) {
  const Trace trace(log);
  table.Reset();
  constexpr QLatin1StringView kTable("table");
  const ElementSpan firstTable = NextElement(html, kTable, 0);
  if (trace.On()) {
    trace.Line(QStringLiteral("html len=%1 tables=%2")
                   .arg(TextLength(html))
                   .arg(CountElements(html, kTable)));
  }
  if (!firstTable.Found()) {
    return table.Fail(QStringLiteral("数据源 HTML 中未找到表格,无法生成图表."),
                      QStringLiteral("文件中没有任何 <table> 表格.") + kBreak +
                          QStringLiteral("本工具要求数据源 HTML 表格为两列数据(项目,数值)."));
  }
  QString firstError, firstHint;
  int firstColumns = 0;
  QStringList firstRow;
  bool failedBefore = false;
  int tableNo = 1;
  for (ElementSpan span = firstTable; span.Found();
       span = NextElement(html, kTable, span.End), ++tableNo) {
    bool overLimit = false;
    if (ParseTable(tableNo, html.sliced(span.Start, span.End - span.Start), limits, table, log,
                   choice, overLimit)) {
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
      firstColumns = table.Columns;
      firstRow = table.FirstRow;
    }
    table.Reset();
  }
  if (firstError.isEmpty()) firstError = QStringLiteral("数据源 HTML 表格不符合要求,无法生成图表.");
  trace.Line(QStringLiteral("parse failed: ") + firstError);
  table.Fail(firstError, firstHint);
  table.Columns = firstColumns;
  table.FirstRow = firstRow;
  return false;
}

}  // namespace

bool ParseHtmlTable(int tableNo, QStringView tableText, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log, const TableChoice& choice) {
  bool overLimit = false;
  return ParseTable(tableNo, tableText, limits, table, log, choice, overLimit);
}

bool ParseHtmlText(QStringView html, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                   const TableChoice& choice) {
  return ParseHtml(html, limits, table, log, choice);
}

bool ParseHtmlUtf8(QByteArrayView html, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                   const TableChoice& choice) {
  return ParseHtml(html, limits, table, log, choice);
}

bool ParseHtmlCodePage936(QByteArrayView html, const LoadLimits& limits, ItemTable& table,
                          DiagLog* log, const TableChoice& choice) {
  if (CanDecodeCodePage936Into()) return ParseHtml(Cp936Text(html), limits, table, log, choice);
  // Only the converter knows the characters: the text becomes UTF-8 a
  // block at a time, then is read as UTF-8.
  return ParseHtmlUtf8(CodePage936ToUtf8(html), limits, table, log, choice);
}

bool ParseHtmlBytes(QByteArray& bytes, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                    const TableChoice& choice) {
  if (StartsWithUtf16Mark(bytes))
    return ParseHtmlText(DecodeUtf16AndRelease(bytes), limits, table, log, choice);
  // The one pass over every byte: it decides how all of them are read.
  if (IsValidUtf8(bytes)) return ParseHtmlUtf8(bytes, limits, table, log, choice);
  return ParseHtmlCodePage936(bytes, limits, table, log, choice);
}

}  // namespace qh
