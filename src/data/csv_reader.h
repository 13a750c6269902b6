#pragma once
// CSV files as spreadsheet programs and business systems write them.
#include "data/item_table.h"
#include "data/source_loader.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace qh {

// The lines of a CSV text with every unquoted separator turned into a tab
// and quotes resolved; views into one shared buffer.
struct CsvLines {
  QString buffer;
  std::vector<QStringView> lines;
};

// "," unless the text has none: then a tab when it has one, else ";" when it
// has one. Quoted parts count too.
QChar DetectCsvSeparator(QStringView text);

// Splits text into lines at unquoted line breaks (CR LF, CR and LF alike).
// A double quote opens or closes a quoted part anywhere in a field; "" inside
// quotes is one quote. An empty line is kept, an empty last line is not.
// The text is rewritten in place (the result is never longer).
CsvLines SplitCsvText(QString text, QChar separator);
QStringList SplitCsvLines(QStringView text, QChar separator);

// Validates decoded text as a two-column CSV table.
bool ParseCsvText(QString text, const LoadLimits& limits, ItemTable& table);

// Decodes the bytes (a leading UTF-8 byte order mark skipped) and validates
// them as a two-column CSV table.
bool ParseCsvBytes(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table);

}  // namespace qh
