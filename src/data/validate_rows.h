#pragma once
// The two-column validation shared by the CSV and workbook readers.
#include "data/item_table.h"
#include "data/load_limits.h"
#include "data/table_choice.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qh {

// Fills table from tab-separated lines (item, value) and judges them: exactly
// two columns, every value cell numeric, at least two items. A first line
// whose cells are not numbers is a header and skipped. label ("CSV",
// "Excel") names the source in the messages. A table of more than
// limits.MaxItems items is refused as soon as one item too many is met.
// The same one line at a time, for readers that produce lines as they go.
class RowValidator {
 public:
  // Empties table; label as for ValidateRows. A choice other than the
  // default narrows each line to the chosen part of the table first.
  RowValidator(const QString& label, ItemTable& table, const LoadLimits& limits = {},
               const TableChoice& choice = {});
  // The line numbered index (from 0), lines given in rising order; numbers
  // left out are blank lines.
  void Add(size_t index, QStringView line);
  // The verdict; the table is emptied when it fails.
  bool Finish();
  // Once the table is over the limit no further line is looked at.
  bool Full() const { return overLimit_; }

  // For a reader that splits and reads its rows itself: whether it may hand
  // them on read (past the first row of several cells, no table choice),
  // and whether the next item's name is kept (limits.KeepItems), else only
  // its length counts.
  bool TakesReadRows() const { return !selection_ && firstRowSeen_ && !overLimit_; }
  bool KeepsNextName() const { return keep_ == 0 || kept_ < keep_; }
  // A row of cells cells (at least 2) whose value cell is a plain decimal
  // number, read as ReadValue reads it: such a row is never a header nor
  // blank. name is the name cell as it stands, in standard UTF-8.
  void AddReadRow(int cells, std::string_view name, double value);
  // The same for a name as text.
  void AddReadRow(int cells, QStringView name, double value);

 private:
  void AddLine(size_t index, QStringView line);
  void AddChosen(size_t index, QStringView line);
  // Counts one more item, false (and the table over the limit) when the
  // limits admit no more.
  bool AdmitItem(double value);
  // Keeps an admitted item, its name stripped of spaces.
  void KeepItem(QStringView name, double value);

  QString label_;
  ItemTable& table_;
  LoadLimits limits_;
  bool overLimit_ = false;
  size_t keep_ = 0;  // items kept at most, 0: all
  size_t kept_ = 0;
  CompactItems* compact_ = nullptr;           // the table's, when asked for
  WholeTable whole_;                          // every item admitted, kept or not
  std::vector<char16_t> decoded_, stripped_;  // reused for each name
  int maxCols_ = 0;
  bool badFound_ = false;
  qsizetype badRow_ = 0;
  QString badText_;
  bool firstRowSeen_ = false;
  QString firstRow_;  // kept for the refusal of a table too wide
  // Only when a choice was made: the selection, a line narrowed to its two
  // chosen cells, and a total row held back until a later row shows that
  // it was not the last.
  std::optional<TableSelection> selection_;
  std::vector<QStringView> cells_;
  QString narrowed_;
  std::optional<std::pair<size_t, QString>> heldTotal_;
};

bool ValidateRows(std::span<const QStringView> lines, const QString& label,
                  const LoadLimits& limits, ItemTable& table, const TableChoice& choice = {});
bool ValidateRows(const QStringList& lines, const QString& label, const LoadLimits& limits,
                  ItemTable& table, const TableChoice& choice = {});

}  // namespace qh
