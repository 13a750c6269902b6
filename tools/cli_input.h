#pragma once
// Where qinghechart-cli takes its data from: a named file, or standard
// input when FILE is "-". --format says what kind of file the bytes are,
// for "-" and for a named file whose extension does not say it.
#include "data/item_table.h"
#include "data/source_loader.h"

#include <QByteArray>
#include <QString>

namespace qh::cli {

inline constexpr char kStandardInput[] = "-";

// Empty when FILE and --format fit together, else what is wrong: "-" needs
// one of html, csv, xls, xlsx; a named FILE is told by its extension unless
// --format names one of them.
QString CheckSourceFormat(const QString& file, const QString& format);

// The whole of standard input.
QByteArray ReadStandardInput();

// Loads FILE as the window would, or as a file of the given format through
// the same checks and readers (standard input for "-").
bool LoadCliSource(const QString& file, const QString& format, const LoadLimits& limits,
                   ItemTable& table);

// The exit code for a FILE that did not load: missing or unreadable, or
// read and refused.
int LoadFailureCode(const QString& file);

// The table's two-part refusal on standard error, naming FILE.
void ReportRefusal(const QString& file, const ItemTable& table);

}  // namespace qh::cli
