#pragma once
// The table every reader fills and every chart reads.
#include "data/compact_items.h"
#include "data/item_list.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qh {

// What a reader asked to keep only the first rows of a long table
// (LoadLimits::KeepItems) tells of all of them: what the charts say of the
// whole table while they draw its first rows.
struct WholeTable {
  int Rows = 0;
  long double Sum = 0;             // in table order
  double Highest = 0, Lowest = 0;  // the first of equal extremes
  qsizetype LongestName = 0;       // in UTF-16 units

  // Counts one more row's value, as the charts sum a whole table: in
  // order, the first of equal extremes.
  void Add(double value) {
    if (Rows == 0) Highest = Lowest = value;
    ++Rows;
    Sum += value;
    if (value > Highest) Highest = value;
    if (value < Lowest) Lowest = value;
  }
  friend bool operator==(const WholeTable&, const WholeTable&) = default;
};

// Loader result convention: a loader empties the table and both texts, fills
// the table and returns true, or returns false with LastError (what is wrong)
// and LastHint (what to do) set and the table left empty.
class ItemTable {
 public:
  ItemList Items;
  QString SourcePath;
  QString LastError;
  QString LastHint;
  QString Caption;  // the table's own title (an HTML <caption>), empty when it has none
  // The header row's value cell ("销售额(元)"), spaces trimmed: what the
  // numbers are, shown under the chart title. Empty without a header row
  // and when the cell only says "value" (数值, 数据, Value).
  QString ValueHeading;
  // After success: rows a chosen option left out (a total row), one line
  // each, for standard error and the log.
  QStringList Notes;
  // A workbook's worksheets by name, in order, also after a refusal (empty
  // for other files): a window or script can then offer the others.
  QStringList Sheets;
  // After a refusal for having more than two columns: how many it has and
  // the cells of its first row (a header, usually), so that two of them
  // can be offered. 0 and empty otherwise. At most kMostOfferedColumns
  // cells are kept: a line of millions of commas is no table to choose from.
  int Columns = 0;
  QStringList FirstRow;
  // Excel's widest sheet.
  static constexpr int kMostOfferedColumns = 16384;

  // Set only when Items holds just the first rows of the table.
  std::optional<WholeTable> Whole;
  // Set instead of Items when the reader was asked for it.
  std::optional<CompactItems> Compact;

  // Rows of the whole table (Items may hold fewer: see Whole).
  int ItemCount() const {
    if (Whole) return Whole->Rows;
    return static_cast<int>(Compact ? Compact->Count() : Items.size());
  }

  // Empties the rows and both texts; SourcePath is the caller's.
  void Reset() {
    Items.clear();
    Whole.reset();
    Compact.reset();
    LastError.clear();
    LastHint.clear();
    Caption.clear();
    ValueHeading.clear();
    Notes.clear();
    Sheets.clear();
    Columns = 0;
    FirstRow.clear();
  }

  // Records a refusal: the rows go, the two texts stay for the message box.
  bool Fail(const QString& error, const QString& hint) {
    Items.clear();
    Whole.reset();
    Compact.reset();
    Notes.clear();
    ValueHeading.clear();
    LastError = error;
    LastHint = hint;
    return false;
  }
};

// Which reader produced a table; the label its messages carry.
enum class SourceKind { Html, Csv, Excel, Manual };

}  // namespace qh
