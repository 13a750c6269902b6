#pragma once
// Which part of a wider table to draw: two of its columns, a sheet of a
// workbook, the rows below a title, without a closing total row. With no
// choice made a table is read by the strict two-column rule.
#include "data/item_table.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace qh {

struct TableChoice {
  // 1-based column numbers ("3") or header texts ("金额"); both empty: the
  // first two columns of a table that has exactly two.
  QString NameColumn;
  QString ValueColumn;
  QString Sheet;         // a workbook's sheet by number ("2") or name; empty: the first
  int SkipRows = 0;      // leading rows (title lines) left out before the header candidate
  bool NoTotal = false;  // a last row named 合计, 总计, 小计, 总额 or Total is left out

  bool PicksColumns() const { return !NameColumn.isEmpty() || !ValueColumn.isEmpty(); }
  bool IsDefault() const { return !PicksColumns() && Sheet.isEmpty() && SkipRows == 0 && !NoTotal; }
  friend bool operator==(const TableChoice&, const TableChoice&) = default;
};

// Whether a row name (spaces ignored, Latin letters in any case) is one of
// the names a closing total row carries.
bool IsTotalName(QStringView name);

// What a header row's value cell tells a reader of the chart ("销售额(元)",
// "金额(万元)"): the cell without spaces, as item names are kept, so every
// reader gives the same text for the same header.
// Empty when it is one of the words that only say "the numbers" (数值, 值,
// 数据, 金额, 数量, Value, Amount, 列2, ...): shown under a title, those add
// nothing. Such a word with a unit ("金额(万元)") does tell something and is
// kept, as is any other measure (销售额, 销量, 利润).
QString ValueHeadingText(QStringView cell);

// The 0-based index of the sheet that wanted names among names: a number
// from 1, else a name (spaces at the ends and the case of Latin letters do
// not matter); empty wanted is the first. -1 when none.
int SheetIndex(const QStringList& names, const QString& wanted);

// The refusal of a sheet that names lacks (empty names: the file is no
// workbook and holds one table only); table.Sheets keeps names.
bool FailUnknownSheet(ItemTable& table, const QString& wanted, const QStringList& names);

// Whether table was refused because the sheet choice asked for is not in
// the file (a usage error on the command line).
bool RefusedForSheet(const ItemTable& table, const TableChoice& choice);

// Whether the sheet wanted is one a file with a single table has: none
// asked, or the first.
bool IsFirstSheet(const QString& wanted);

// A column given by number: its 0-based index, or -1 when text is a header
// text. "0" and negative numbers are no column numbers either.
int ColumnNumberIndex(QStringView text);

// The selection step every reader applies to its rows of cells before the
// two-column validation: title rows are left out, and the cells are
// narrowed to the chosen name and value column.
class TableSelection {
 public:
  explicit TableSelection(const TableChoice& choice);

  const TableChoice& Choice() const { return choice_; }
  // The row that may be a header: the first one after the skipped rows.
  size_t HeaderIndex() const { return static_cast<size_t>(choice_.SkipRows); }
  // Row index (from 0) is a title row to leave out.
  bool Skips(size_t index) const { return index < HeaderIndex(); }

  // Narrows the cells of a row that is not blank and not skipped to the
  // name and value cells, in that order; a chosen column beyond the row's
  // end reads as an empty cell. False when the row is left out: a row of
  // one cell (no table row), or the header row that names the columns.
  bool Narrow(std::vector<QStringView>& cells);

  // The value column as the user counts it, for the messages.
  int ValueColumnNumber() const { return value_ + 1; }

  // The value column's header cell as ValueHeadingText gives it, when the
  // columns were found by their header texts (that header row never
  // reaches the validation); empty otherwise.
  const QString& ValueHeading() const { return heading_; }

  // After the last row: false with the two-part message in table when the
  // chosen columns are not in the table. label names the source ("CSV").
  bool CheckColumns(ItemTable& table, const QString& label) const;

 private:
  bool Resolve(const std::vector<QStringView>& header);

  TableChoice choice_;
  int name_ = 0;
  int value_ = 1;
  bool resolved_ = true;  // header texts still to be looked up: false
  QString missing_;       // a header text not found in the header row
  QStringList header_;    // that header row, for the message
  QString heading_;       // the chosen value column's header text
  int widest_ = 0;        // most cells in a row
};

}  // namespace qh
