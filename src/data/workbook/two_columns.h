#pragma once
// The usual worksheet, read straight into an item table: a million rows
// then never exist as cells and lines beside the table.
#include "data/item_table.h"
#include "data/validate_rows.h"
#include "data/workbook/cell_text.h"
#include "data/workbook/sheet_cells.h"

#include <QString>
#include <QStringView>
#include <cstdint>

namespace qh {

// Takes a worksheet's cells as a reader meets them and hands each finished
// row to the two-column validation, as SheetCells and ValidateRows would
// see it. That holds only while the rows come in order, no position comes
// twice and every cell lies in the first cell's column or the one to its
// right; at the first cell that breaks it the reading stops (the Add
// functions return false) and the sheet must be read again in full.
class TwoColumnRows {
 public:
  // Empties table; label names the source in the messages, limits bound
  // the items kept.
  TwoColumnRows(const QString& label, ItemTable& table, const LoadLimits& limits = {});

  TextPool& Texts() { return texts_; }
  bool AddEmpty(int row, int column) { return Add(row, column, CellKind::Empty, 0.0, {}); }
  bool AddNumber(int row, int column, double number) {
    return Add(row, column, CellKind::Number, number, {});
  }
  bool AddBoolean(int row, int column, bool value) {
    return Add(row, column, CellKind::Boolean, value ? 1.0 : 0.0, {});
  }
  bool AddError(int row, int column) { return Add(row, column, CellKind::Error, 0.0, {}); }
  bool AddText(int row, int column, std::uint32_t textIndex);
  bool AddInlineText(int row, int column, QStringView text) {
    return Add(row, column, CellKind::Text, 0.0, text);
  }

  // Sizes the table for a worksheet part of this many bytes, so that it
  // seldom grows by doubling: that would hold the old and the new storage
  // at once. Room that no row fills is never touched.
  void ExpectSheetBytes(qint64 bytes);

  // After the whole sheet was read: true when the verdict is in the table
  // (ok tells which); false when the sheet needs the full reading (cells out
  // of order or beyond two columns, a single column, no data, a range too
  // sparse to lay out).
  bool Finish(bool& ok);

 private:
  bool Add(int row, int column, CellKind kind, double number, QStringView text);
  void EndRow();
  bool Stop() {
    regular_ = false;
    return false;
  }

  TextPool texts_;
  ItemTable& table_;
  RowValidator rows_;
  bool regular_ = true;
  std::int64_t cellCount_ = 0;
  int firstRow_ = 0;
  int firstColumn_ = 0;
  int row_ = 0;
  int column_ = 0;
  bool secondColumnSeen_ = false;
  bool anyText_ = false;  // a cell that yields text: no sheet of blanks
  QString cells_[2];      // the cell text of the current row's two cells
  // A number in the second cell: its text is written only for a row that
  // must be read as a line.
  bool valueIsNumber_ = false;
  double valueNumber_ = 0.0;
  QString line_;
};

}  // namespace qh
