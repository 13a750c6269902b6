#pragma once
// The one entry through which a data file or typed text reaches an ItemTable,
// and the one place that decides how bytes are read: by the file's
// extension, then by content for workbook names and for streams.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/manual_input.h"
#include "data/table_choice.h"

#include <QByteArray>
#include <QString>

namespace qh {

class DiagLog;

// Chooses the reader by the file's extension, checks that the file exists
// and holds bytes, and hands them to LoadSourceBytes. A stream (a FIFO,
// <(...), /dev/stdin) whose name has no known extension is told apart by
// its content. A file larger than the limits is refused before it is read.
// The HTML reader traces its decisions to log when it is given one. choice
// names the part of a wider table to read; the default reads it by the
// strict two-column rule.
bool LoadSourceFile(const QString& path, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log = nullptr, const TableChoice& choice = {});

// The same, read as the kind ext names whatever the file is called.
bool LoadSourceFileAs(const QString& path, const QString& ext, const LoadLimits& limits,
                      ItemTable& table, DiagLog* log = nullptr, const TableChoice& choice = {});

// Whether a file of extension ext (lower case, as FileExtension gives it)
// reaches a reader; a drop is refused at once when it does not.
bool IsDataFileExtension(const QString& ext);

// The gate's first check, shared with callers that read a file themselves:
// false, with the missing-file (or folder) texts in table, when path names
// nothing that can be read.
bool RequireExistingFile(const QString& path, ItemTable& table);

// Bytes already read, of the kind the extension ext names ("csv", "html",
// "htm", "xls", "xlsx"); name stands for the file in messages. Empty bytes
// are refused as an empty file; workbooks are told apart by their content.
// The bytes are taken over and let go once text files are decoded, so a
// large export is not held twice while its rows are read.
bool LoadSourceBytes(QByteArray bytes, const QString& ext, const QString& name,
                     const LoadLimits& limits, ItemTable& table, DiagLog* log = nullptr,
                     const TableChoice& choice = {});

// Bytes of a stream whose name says nothing (standard input): told apart by
// their content, as those of a workbook name are.
bool LoadSourceStream(QByteArray bytes, const QString& name, const LoadLimits& limits,
                      ItemTable& table, DiagLog* log = nullptr, const TableChoice& choice = {});

// The refusal of bytes read from a stream that gave more than the limits
// admit (see ReadStreamBytes).
bool FailSourceTooLarge(const LoadLimits& limits, ItemTable& table);

}  // namespace qh
