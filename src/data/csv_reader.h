#pragma once
// CSV files as spreadsheet programs and business systems write them.
#include "data/csv_plain_lines.h"
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/table_choice.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>

namespace qh {

// "," unless the text has none: then a tab when it has one, else ";" when it
// has one. Quoted parts count too. A tab wins over commas when every line
// that is not blank has exactly one tab outside quotes: two tab-separated
// columns whose amounts are grouped (1,234.50).
QChar DetectCsvSeparator(QStringView text);
// The same for undecoded UTF-8 or GBK bytes: these three characters are
// never part of a longer character in either.
QChar DetectCsvSeparator(QByteArrayView bytes);

// Splits text into lines at unquoted line breaks (CR LF, CR and LF alike).
// A double quote opens or closes a quoted part anywhere in a field; "" inside
// quotes is one quote. Every unquoted separator becomes a tab. An empty line
// is kept, an empty last line is not. The text may come in pieces cut
// anywhere; each line is handed on as soon as it is complete.
class CsvLineSplitter {
 public:
  using LineSink = std::function<void(QStringView line)>;
  CsvLineSplitter(QChar separator, LineSink sink);
  void Feed(QStringView piece);
  void Finish();
  // The text will hold at most this many characters: a line that grows
  // long then gets its room at once instead of by repeated doubling (room
  // never written is never touched).
  void ExpectAtMost(qsizetype characters);

 private:
  void Take(QChar c, QChar next, bool& skipNext);
  // Room for more characters of the current line.
  void Reserve(qsizetype more);

  QChar separator_;
  LineSink sink_;
  QString line_;  // storage only: the line is out_[0, length_)
  QChar* out_ = nullptr;
  qsizetype length_ = 0;
  qsizetype limit_ = 0;  // most characters the text can hold; 0: not known
  bool inQuote_ = false;
  QChar held_;  // a CR or quote whose meaning the next piece decides
  bool holding_ = false;
};

// Validates decoded text as a two-column CSV table.
bool ParseCsvText(QStringView text, const LoadLimits& limits, ItemTable& table,
                  const TableChoice& choice = {});

// Text saved under a workbook name, read as Excel reads text: separated by
// tabs when it holds one, else as CSV; its messages say "Excel".
bool ParseExcelText(QString text, const LoadLimits& limits, ItemTable& table,
                    const TableChoice& choice = {});

// Validates the bytes of a CSV file (a leading UTF-8 byte order mark
// skipped) as a two-column CSV table. They are decoded a piece at a time,
// so a large file is never held decoded as a whole. UTF-8 is read in its
// bytes, and passed, when given, hears of each stretch of bytes read (a
// mapped file lets those pages go); other encodings read the file again.
// With copy, UTF-8 lines are read through it (SplitPlainCsvLines) and
// never where they lie.
bool ParseCsvBytes(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table,
                   const TableChoice& choice = {},
                   const std::function<void(qsizetype)>& passed = {},
                   const CopyBytes& copy = {});

// The bytes of a CSV file after a UTF-16 byte order mark, in the order it
// gives, read as ParseCsvText reads their decoded text; they are decoded a
// piece at a time, and passed, when given, hears of each stretch read.
bool ParseCsvUtf16(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table,
                   const TableChoice& choice = {},
                   const std::function<void(qsizetype)>& passed = {});

}  // namespace qh
