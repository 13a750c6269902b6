#pragma once
// XML Spreadsheet 2003 (the single-file XML format that many report
// libraries write and save as .xls): the first worksheet's table.
#include "data/workbook/sheet_cells.h"

#include <QByteArrayView>

namespace qh {

// The largest document read; larger ones are refused before scanning.
inline constexpr qsizetype kMaxSpreadsheetXmlBytes = 200LL * 1024 * 1024;

// Reads the cells of the first Worksheet's Table from a UTF-8 document into
// cells: rows and cells in document order, ss:Index jumping forward,
// ss:MergeAcross/ss:MergeDown widening the used range with empty cells.
// False on malformed or refused XML (a DOCTYPE, deep nesting, an index
// that goes backwards or beyond a worksheet, a cell text of megabytes).
// With pick, the worksheet it names instead, and pick lists them all.
bool ReadSpreadsheetXmlCells(QByteArrayView utf8, SheetCells& cells, SheetPick* pick = nullptr);

// The tab-joined cell text lines of that table's used range.
bool ReadSpreadsheetXmlLines(QByteArrayView utf8, SheetLines& lines, SheetPick* pick = nullptr);

}  // namespace qh
