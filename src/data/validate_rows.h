#pragma once
// The two-column validation shared by the CSV and workbook readers.
#include "data/item_table.h"
#include "data/name_pool.h"
#include "data/load_limits.h"
#include "data/table_choice.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>
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
  // left out are blank lines. name, when given, is the item name the line
  // stands for (its first cell without spaces), shared instead of copied.
  void Add(size_t index, QStringView line, const QString* name = nullptr);
  // The verdict; the table is emptied when it fails.
  bool Finish();
  // Once the table is over the limit no further line is looked at.
  bool Full() const { return overLimit_; }

 private:
  void AddLine(size_t index, QStringView line, const QString* name);
  void AddChosen(size_t index, QStringView line);

  QString label_;
  ItemTable& table_;
  LoadLimits limits_;
  bool overLimit_ = false;
  NamePool names_;
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
