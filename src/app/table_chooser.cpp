#include "app/table_chooser.h"

#include "base/user_messages.h"

#include <algorithm>

namespace qh {

TableChoice TableChoices::For(const QString& path) const {
  const auto found = byPath_.find(path);
  return found == byPath_.end() ? TableChoice{} : found->second;
}

void TableChoices::Remember(const QString& path, const TableChoice& choice) {
  byPath_[path] = choice;
}

std::optional<TableChooserOffer> TableChoices::OfferFor(const QString& path,
                                                        const ItemTable& refused,
                                                        const TableChoice& tried) {
  const bool wide = refused.Columns > 2;
  const bool sheets = refused.Sheets.size() > 1;
  if (!wide && !sheets) return std::nullopt;
  TableChooserOffer offer;
  offer.Path = path;
  offer.Refusal = ReasonAndHint(refused.LastError, refused.LastHint);
  offer.Sheets = refused.Sheets;
  // A table refused for another reason still offers its first two columns;
  // a line of millions of separators offers no more than a sheet can hold.
  const int columns = std::clamp(refused.Columns, 2, ItemTable::kMostOfferedColumns);
  for (int i = 0; i < columns; ++i) {
    QString label = QStringLiteral("第 %1 列").arg(i + 1);
    if (i < refused.FirstRow.size() && !refused.FirstRow[i].isEmpty())
      label += u' ' + refused.FirstRow[i];
    offer.Columns << label;
  }
  offer.Initial = tried;
  if (!tried.PicksColumns() && wide) {
    // Exports put the amount last, most often.
    offer.Initial.NameColumn = QStringLiteral("1");
    offer.Initial.ValueColumn = QString::number(columns);
  }
  return offer;
}

TableChooserAnswer TableChoices::InitialAnswer(const TableChooserOffer& offer) {
  TableChooserAnswer answer;
  const TableChoice& c = offer.Initial;
  answer.Sheet = std::max(0, SheetIndex(offer.Sheets, c.Sheet));
  const int last = static_cast<int>(offer.Columns.size()) - 1;
  const auto column = [last](const QString& text, int fallback) {
    const int index = ColumnNumberIndex(text);
    return index >= 0 && index <= last ? index : fallback;
  };
  answer.NameColumn = column(c.NameColumn, 0);
  answer.ValueColumn = column(c.ValueColumn, std::min(1, last));
  answer.SkipRows = c.SkipRows;
  answer.NoTotal = c.NoTotal;
  return answer;
}

QString TableChoices::Problem(const TableChooserAnswer& answer) {
  if (answer.NameColumn == answer.ValueColumn) return QStringLiteral("名称列和数值列不能是同一列.");
  return {};
}

TableChoice TableChoices::ChoiceOf(const TableChooserOffer& offer,
                                   const TableChooserAnswer& answer) {
  TableChoice choice;
  if (offer.Sheets.size() > 1 && answer.Sheet > 0) choice.Sheet = QString::number(answer.Sheet + 1);
  // The columns offered are those of the sheet refused: another sheet is
  // read by the strict rule first, and offered again when it is wide.
  const bool otherSheet =
      answer.Sheet != std::max(0, SheetIndex(offer.Sheets, offer.Initial.Sheet));
  // Two columns of a two-column table in their order are the default.
  if (!otherSheet &&
      (offer.Columns.size() > 2 || answer.NameColumn != 0 || answer.ValueColumn != 1)) {
    choice.NameColumn = QString::number(answer.NameColumn + 1);
    choice.ValueColumn = QString::number(answer.ValueColumn + 1);
  }
  choice.SkipRows = std::max(0, answer.SkipRows);
  choice.NoTotal = answer.NoTotal;
  return choice;
}

}  // namespace qh
