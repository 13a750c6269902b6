#pragma once
// What FreeXL leaves out of an .xls worksheet, read from the BIFF records
// themselves: the cached results of formulas, booleans, and the used range
// the writer recorded (which counts formatted empty cells too).
#include "data/workbook_cell_text.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace qh {

struct BiffCell {
  int row = 0;  // from 1
  int column = 0;
  CellValue value;
};

struct BiffSheetExtras {
  std::vector<BiffCell> cells;  // formula results and boolean/error constants
  // The recorded used range, rows and columns from 1; empty when absent.
  int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
  std::int64_t cellRecords = 0;  // cells of any kind the sheet's records hold
};

// Reads the extras of the first worksheet of a workbook stream ("Workbook"
// or "Book" of the compound file). False when the records are malformed.
bool ReadBiffSheetExtras(const QByteArray& workbookStream, BiffSheetExtras& extras);

// False when a record the spreadsheet library trusts is malformed: a sheet
// name, number format, text cell or shared string claiming more characters
// than its records hold, a record too short for its own header, or a sheet
// with more than one used range or one beyond the sheet's limits. The
// library copies and allocates whatever such records claim.
bool BiffRecordsWellFormed(const QByteArray& workbookStream);

}  // namespace qh
