#pragma once
// What the window offers when a file is refused only because its table is
// wider than two columns, or its workbook has other sheets: a choice of
// sheet, name column, value column and title rows instead of a dead end.
// The choice made for a file is remembered for the session. No widgets:
// the window shows the offer and hands the choice back.
#include "data/item_table.h"
#include "data/table_choice.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace qh {

struct TableChooserOffer {
  QString Path;
  QString Refusal;      // the refusal's two parts, shown above the choices
  QStringList Sheets;   // the workbook's sheets; fewer than two: no sheet choice
  QStringList Columns;  // one label per column: "第 1 列 日期"
  TableChoice Initial;  // the choice the chooser starts from
};

// The chooser's answer: the choice as the window's controls hold it. Sheet
// and columns are 0-based indexes into the offer's lists.
struct TableChooserAnswer {
  int Sheet = 0;
  int NameColumn = 0;
  int ValueColumn = 1;
  int SkipRows = 0;
  bool NoTotal = false;
};

class TableChoices {
 public:
  // The choice remembered for path; the strict default when none.
  TableChoice For(const QString& path) const;
  void Remember(const QString& path, const TableChoice& choice);

  // An offer when refused could be mended by choosing part of the table:
  // it has more than two columns, or it lies in a workbook of several
  // sheets. None for any other refusal.
  static std::optional<TableChooserOffer> OfferFor(const QString& path, const ItemTable& refused,
                                                   const TableChoice& tried);

  // The answer's choice, or why it cannot be drawn (the same column twice).
  static TableChoice ChoiceOf(const TableChooserOffer& offer, const TableChooserAnswer& answer);
  static QString Problem(const TableChooserAnswer& answer);

  // The answer the chooser starts from, for offer.
  static TableChooserAnswer InitialAnswer(const TableChooserOffer& offer);

 private:
  std::map<QString, TableChoice> byPath_;
};

}  // namespace qh
