#pragma once
// Where qinghechart-cli takes its data from: a named file (a FIFO or
// /dev/stdin too), or standard input when FILE is "-". --format says what
// kind of file the bytes are; without it "-" and streams are told apart by
// their content, named files by their extension.
#include "data/item_table.h"
#include "data/source_loader.h"
#include "data/table_choice.h"

#include <QByteArray>
#include <QString>

namespace qh::cli {

inline constexpr char kStandardInput[] = "-";

// Empty when --format is absent or names one of html, csv, xls, xlsx; else
// what is wrong.
QString CheckSourceFormat(const QString& file, const QString& format);

// The whole of standard input; empty when it cannot be read.
QByteArray ReadStandardInput();

// Loads FILE as the window would, or as a file of the given format through
// the same checks and readers (standard input for "-"), the part of the
// table choice names.
bool LoadCliSource(const QString& file, const QString& format, const LoadLimits& limits,
                   const TableChoice& choice, ItemTable& table);

// Whether an output names a character device or FIFO (/dev/null, a
// terminal, a pipe someone reads): written straight, as standard output
// is, in the format -T names (PNG without it), and as often as asked; there
// is no file to keep or replace.
bool IsDeviceOutput(const QString& path);

// The exit code for a FILE that did not load: missing or unreadable, a
// sheet asked for that it lacks (a usage error), or read and refused.
int LoadFailureCode(const QString& file, const ItemTable& table, const TableChoice& choice);

// The table's two-part refusal, naming FILE.
QString RefusalText(const QString& file, const ItemTable& table);
// The same on standard error.
void ReportRefusal(const QString& file, const ItemTable& table);

}  // namespace qh::cli
