#pragma once
// Binary Excel workbooks (.xls): the compound files of Excel 5 to 2003 and
// the plain record streams of Excel 2 to 4 worksheet files.
#include "data/workbook/sheet_cells.h"

#include <QByteArrayView>

namespace qh {

// True when the file's first bytes are those of either kind.
bool LooksLikeXls(QByteArrayView head);

// Reads the cells of the first worksheet from the file's bytes into cells.
// False when the bytes are no readable workbook of either kind or it has no
// worksheet.
// With pick, the worksheet it names instead, and pick lists them all.
bool ReadXlsFirstSheet(QByteArrayView bytes, SheetCells& cells, SheetPick* pick = nullptr);

}  // namespace qh
