#pragma once
// Where qinghechart-cli takes its data from: a named file, or standard
// input when FILE is "-" (then --format says what kind of file the bytes are).
#include "data/item_table.h"
#include "data/source_loader.h"

#include <QByteArray>
#include <QString>

namespace qh::cli {

inline constexpr char kStandardInput[] = "-";

// Empty when FILE and --format fit together, else what is wrong: "-" needs
// one of html, csv, xls, xlsx; a named FILE is told by its extension.
QString CheckSourceFormat(const QString& file, const QString& format);

// The whole of standard input.
QByteArray ReadStandardInput();

// Loads FILE as the window would, or the bytes of standard input as a file
// of the given format through the same checks and readers.
bool LoadCliSource(const QString& file, const QString& format, const LoadLimits& limits,
                   ItemTable& table);

}  // namespace qh::cli
