#pragma once
// Binary Excel workbooks (.xls, BIFF), read through FreeXL.
#include "data/workbook_sheet_cells.h"

#include <QByteArray>

namespace qh {

// Reads the cells of the first worksheet into cells. False when the file
// cannot be opened or parsed as a BIFF workbook or has no worksheet.
bool ReadXlsFirstSheet(const QByteArray& bytes, SheetCells& cells);

}  // namespace qh
