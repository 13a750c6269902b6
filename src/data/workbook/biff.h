#pragma once
// The first worksheet of a BIFF record stream: the "Workbook" or "Book"
// stream of an .xls compound file (Excel 5 to 2003, BIFF5 to BIFF8), or an
// Excel 2 to 4 worksheet file, which is such a stream on its own.
#include "data/workbook/sheet_cells.h"

#include <QByteArrayView>

namespace qh {

// True when the bytes start with the header of a beginning-of-file record
// of any BIFF version: a stream ReadBiffFirstSheet can try.
bool StartsWithBiffRecord(QByteArrayView bytes);

// Reads the cells of the first worksheet (in the workbook's sheet list
// order) into cells, each as the value it holds: numbers (dates as their
// serial numbers), texts, the cached results of formulas, booleans, error
// values, and formatted empty cells, which widen the range. The used range
// the writer recorded (DIMENSION) is not trusted: writers get it wrong. False when the stream is
// malformed, cut off, encrypted or has no worksheet.
// With pick, the worksheet it names instead, and pick lists them all.
bool ReadBiffFirstSheet(QByteArrayView stream, SheetCells& cells, SheetPick* pick = nullptr);

}  // namespace qh
