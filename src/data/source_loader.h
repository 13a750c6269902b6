#pragma once
// The one entry through which a data file or typed text reaches an ItemTable.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/manual_input.h"

#include <QByteArray>
#include <QString>

namespace qh {

class DiagLog;

// Chooses the reader by the file's extension, checks that the file exists
// and holds bytes, and hands them to LoadSourceBytes. The HTML reader traces
// its decisions to log when it is given one.
bool LoadSourceFile(const QString& path, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log = nullptr);

// Whether a file of extension ext (lower case, as FileExtension gives it)
// reaches a reader; a drop is refused at once when it does not.
bool IsDataFileExtension(const QString& ext);

// The gate's first check, shared with callers that read a file themselves:
// false, with the missing-file texts in table, when path names no file.
bool RequireExistingFile(const QString& path, ItemTable& table);

// Bytes already read, of the kind the extension ext names ("csv", "html",
// "htm", "xls", "xlsx"); name stands for the file in messages. Empty bytes
// are refused as an empty file; workbooks are told apart by their content.
// The bytes are taken over and let go once text files are decoded, so a
// large export is not held twice while its rows are read.
bool LoadSourceBytes(QByteArray bytes, const QString& ext, const QString& name,
                     const LoadLimits& limits, ItemTable& table, DiagLog* log = nullptr);

}  // namespace qh
