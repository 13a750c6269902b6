#include "data/workbook/two_columns.h"

#include "base/text_utils.h"
#include "data/value_rules.h"

#include <algorithm>

namespace qh {

TwoColumnRows::TwoColumnRows(const QString& label, ItemTable& table, const LoadLimits& limits)
    : table_(table), rows_(label, table, limits) {}

void TwoColumnRows::ExpectSheetBytes(qint64 bytes) {
  // The shortest row that can hold an item: <row><c><v>1</v></c></row>.
  constexpr qint64 kShortestRowBytes = 26;
  const qint64 rows = std::min<qint64>(bytes / kShortestRowBytes, SheetCells::kMaxRows);
  // Names of this many characters fit in the room; longer ones grow it.
  constexpr size_t kNameChars = 16;
  table_.Items.reserve(static_cast<size_t>(rows), static_cast<size_t>(rows) * kNameChars);
}

bool TwoColumnRows::AddText(int row, int column, std::uint32_t textIndex) {
  if (textIndex >= texts_.Count()) return Stop();
  return Add(row, column, CellKind::Text, 0.0, texts_.At(textIndex));
}

bool TwoColumnRows::Add(int row, int column, CellKind kind, double number, QStringView text) {
  if (!regular_) return false;
  if (row < 1 || row > SheetCells::kMaxRows || column < 1 || column > SheetCells::kMaxColumns) {
    return Stop();
  }
  if (static_cast<std::size_t>(cellCount_) >= SheetCells::kMaxStoredCells) return Stop();
  if (cellCount_ == 0) {
    firstRow_ = row_ = row;
    firstColumn_ = column;
  } else if (row < row_ || (row == row_ && column <= column_)) {
    return Stop();  // out of order, or a position given twice
  }
  if (column < firstColumn_ || column > firstColumn_ + 1) return Stop();
  if (row > row_) EndRow();
  row_ = row;
  column_ = column;
  ++cellCount_;
  const int slot = column - firstColumn_;
  if (slot == 1) secondColumnSeen_ = true;
  if (kind == CellKind::Number || kind == CellKind::Boolean ||
      (kind == CellKind::Text && !IsBlank(text))) {
    anyText_ = true;
  }
  cells_[slot].resize(0);
  if (slot == 1 && kind == CellKind::Number) {
    valueIsNumber_ = true;
    valueNumber_ = number;
    return true;
  }
  if (slot == 1) valueIsNumber_ = false;
  AppendCellText(cells_[slot], kind, number, text);
  return true;
}

void TwoColumnRows::EndRow() {
  if (valueIsNumber_) {
    valueIsNumber_ = false;
    char text[kNumberTextRoom];
    const char* const end = WriteNumberText(text, valueNumber_);
    // The usual row, a name and an amount past the header: read as its
    // line would be, without the line. Cell texts hold no tab (spaces of
    // every kind are gone), so the row is two cells.
    if (rows_.TakesReadRows()) {
      if (const auto value =
              ReadPlainDecimal(std::string_view(text, static_cast<size_t>(end - text)))) {
        rows_.AddReadRow(2, cells_[0], *value);
        cells_[0].resize(0);
        return;
      }
    }
    cells_[1].append(QLatin1StringView(text, end - text));
  }
  line_.resize(0);
  line_.append(cells_[0]).append(u'\t').append(cells_[1]);
  rows_.Add(static_cast<size_t>(row_ - firstRow_), line_);
  cells_[0].resize(0);
  cells_[1].resize(0);
}

bool TwoColumnRows::Finish(bool& ok) {
  if (!regular_ || cellCount_ == 0) return false;
  EndRow();
  const std::int64_t rows = std::int64_t(row_) - firstRow_ + 1;
  if (!secondColumnSeen_ || !anyText_ || SheetCells::RangeTooSparse(rows, 2, cellCount_))
    return false;
  ok = rows_.Finish();
  return true;
}

}  // namespace qh
