#pragma once
// Office Open XML workbooks (.xlsx), read without any spreadsheet program.
#include "data/workbook/sheet_cells.h"
#include "data/workbook/two_columns.h"

#include <QByteArray>

namespace qh {

// Reads the cells of the first worksheet in the workbook's sheet order into
// cells. False when the file is no readable workbook package: broken zip,
// missing parts, malformed or refused XML, an oversized part, a string
// index or cell position that does not exist.
// With pick, the worksheet it names instead, and pick lists them all.
bool ReadXlsxFirstSheet(const QByteArray& bytes, SheetCells& cells, SheetPick* pick = nullptr);
// The same straight into an item table, for the usual two-column sheet.
bool ReadXlsxFirstSheet(const QByteArray& bytes, TwoColumnRows& rows);

}  // namespace qh
