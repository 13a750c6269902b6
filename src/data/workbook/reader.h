#pragma once
// Files named .xls or .xlsx, told apart by their content: binary and OOXML
// workbooks, and the HTML, XML Spreadsheet and plain-text exports that
// business systems save under those names.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/workbook/sheet_cells.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qh {

class DiagLog;

enum class WorkbookContent {
  Compound,  // an OLE compound file: .xls, or an encrypted .xlsx
  Zip,       // an OOXML package
  Binary,    // neither, and not text either
  Text,      // HTML, XML Spreadsheet 2003 or separated values
};

// Looks at the first bytes only: the compound-file signature, "PK", a NUL
// byte within the first 4,096 bytes.
WorkbookContent SniffWorkbookContent(QByteArrayView bytes);

// The tab-joined cell text lines of the first worksheet's used range of a
// binary or OOXML workbook. False when the bytes cannot be parsed as one;
// no lines when the sheet holds no data.
bool ReadWorkbookLines(const QByteArray& bytes, SheetLines& lines);

// Reads the bytes of a file named .xls or .xlsx; name stands for the file
// in messages. Workbooks validate under label; text goes to the HTML or CSV
// reader with their own rules and messages, and the bytes are let go once
// such text is decoded.
bool LoadWorkbookBytes(QByteArray bytes, const QString& name, const LoadLimits& limits,
                       const QString& label, ItemTable& table, DiagLog* log);

}  // namespace qh
