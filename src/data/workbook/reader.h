#pragma once
// Workbooks: binary (BIFF) and OOXML files, and XML Spreadsheet 2003 text.
// Which of them (or which other reader) a file goes to is the loader's
// choice; nothing here reads HTML or separated text.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/table_choice.h"
#include "data/workbook/sheet_cells.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qh {

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
// With pick, the worksheet it names instead, and pick lists them all.
bool ReadWorkbookLines(const QByteArray& bytes, SheetLines& lines, SheetPick* pick = nullptr);

// Reads a binary or OOXML workbook (encrypted with Excel's built-in
// password too); name stands for the file in messages, label in the
// validation's. Bytes that are no workbook are refused as unreadable.
// choice picks the sheet and the part of its table; table.Sheets lists the
// workbook's sheets.
bool LoadWorkbookBytes(QByteArray bytes, const QString& name, const LoadLimits& limits,
                       const QString& label, ItemTable& table, const TableChoice& choice = {});

// Reads XML Spreadsheet 2003 text (as UTF-8) like a workbook.
bool LoadSpreadsheetXml(QByteArrayView utf8, const QString& name, const LoadLimits& limits,
                        const QString& label, ItemTable& table, const TableChoice& choice = {});

}  // namespace qh
