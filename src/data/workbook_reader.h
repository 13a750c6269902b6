#pragma once
// .xls and .xlsx workbooks: the first worksheet's used range, validated like
// a CSV file under the given label.
#include "data/item_table.h"
#include "data/source_loader.h"
#include "data/workbook_sheet_cells.h"

#include <QString>

namespace qh {

// The tab-joined CellText lines of the first worksheet's used range, told
// .xls from .xlsx by the file's content. False when the file cannot be
// opened or parsed; no lines when the sheet holds no data.
bool ReadWorkbookLines(const QString& path, SheetLines& lines);

bool LoadWorkbook(const QString& path, const LoadLimits& limits, const QString& label,
                  ItemTable& table);

}  // namespace qh
