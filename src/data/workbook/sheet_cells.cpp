#include "data/workbook/sheet_cells.h"

#include "base/text_utils.h"

#include <algorithm>

namespace qh {

std::uint32_t TextPool::Add(QStringView text) {
  chars_.append(text);
  starts_.push_back(chars_.size());
  return Count() - 1;
}

QStringView TextPool::At(std::uint32_t index) const {
  if (index >= Count()) return {};
  return QStringView(chars_).mid(starts_[index], starts_[index + 1] - starts_[index]);
}

bool SheetCells::RangeTooSparse(std::int64_t rows, std::int64_t columns, std::int64_t cellCount) {
  const std::int64_t grid = rows * columns;
  return grid > kMaxGridCells || (grid > kSparseCheckCells && cellCount * kMinDensity < grid);
}

bool SheetCells::AddNumber(int row, int column, double number) {
  return Store(row, column, CellKind::Number, number);
}

bool SheetCells::AddBoolean(int row, int column, bool value) {
  return Store(row, column, CellKind::Boolean, value ? 1.0 : 0.0);
}

bool SheetCells::AddText(int row, int column, std::uint32_t textIndex) {
  if (textIndex >= texts_.Count()) return false;
  return Store(row, column, CellKind::Text, 0.0, textIndex);
}

bool SheetCells::AddInlineText(int row, int column, QStringView text) {
  if (texts_.Count() >= kMaxStoredCells) return false;
  return AddText(row, column, texts_.Add(text));
}

bool SheetCells::Store(int row, int column, CellKind kind, double number, std::uint32_t text) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) return false;
  if (cells_.size() >= kMaxStoredCells) return false;
  Cell cell{row, static_cast<std::uint16_t>(column), kind, {}};
  if (kind == CellKind::Text) {
    cell.Text = text;
  } else {
    cell.Number = number;
  }
  if (!cells_.empty()) {
    const Cell& last = cells_.back();
    if (row < last.Row || (row == last.Row && column <= last.Column)) sorted_ = false;
  }
  cells_.push_back(cell);
  return true;
}

bool SheetCells::HasAnyText() const {
  return std::any_of(cells_.begin(), cells_.end(), [this](const Cell& cell) {
    switch (cell.Kind) {
      case CellKind::Number:
      case CellKind::Boolean: return true;
      case CellKind::Text: return !IsBlank(texts_.At(cell.Text));
      default: return false;
    }
  });
}

void SheetCells::AppendCell(QString& out, const Cell& cell) const {
  if (cell.Kind == CellKind::Text) {
    AppendCellText(out, cell.Kind, 0.0, texts_.At(cell.Text));
  } else {
    AppendCellText(out, cell.Kind, cell.Number, {});
  }
}

bool SheetCells::BuildLines(SheetLines& out) {
  out.Buffer.clear();
  out.Lines.clear();
  if (!HasAnyText()) return true;
  if (!sorted_) {
    // Writers keep rows and cells in order; a file that does not is rare.
    // The first of two cells at one position wins.
    std::stable_sort(cells_.begin(), cells_.end(), [](const Cell& a, const Cell& b) {
      return a.Row != b.Row ? a.Row < b.Row : a.Column < b.Column;
    });
    sorted_ = true;
  }
  int firstColumn = kMaxColumns, lastColumn = 1;
  for (const Cell& cell : cells_) {
    firstColumn = std::min<int>(firstColumn, cell.Column);
    lastColumn = std::max<int>(lastColumn, cell.Column);
  }
  const int firstRow = cells_.front().Row, lastRow = cells_.back().Row;
  const std::int64_t rows = std::int64_t(lastRow) - firstRow + 1;
  const std::int64_t columns = std::int64_t(lastColumn) - firstColumn + 1;
  if (RangeTooSparse(rows, columns, std::int64_t(cells_.size()))) return false;
  if (rows * columns == 1) return true;  // a single cell is no table

  // Offsets first: the buffer may move while it grows.
  std::vector<qsizetype> lineStarts;
  lineStarts.reserve(static_cast<size_t>(rows + 1));
  constexpr int kSampleRows = 1024;
  constexpr qsizetype kMinRoom = 64 * 1024;
  out.Buffer.reserve(std::min<std::int64_t>(rows, kSampleRows) * columns * 8);
  auto cell = cells_.cbegin();
  for (int row = firstRow; row <= lastRow; ++row) {
    // Sized from the first rows, then grown in small steps: doubling a
    // buffer this large would hold up to twice what it needs.
    if (row - firstRow == kSampleRows) {
      const double perRow = double(out.Buffer.size()) / kSampleRows;
      out.Buffer.reserve(qsizetype(perRow * double(rows) * 1.25) + kMinRoom);
    } else if (out.Buffer.capacity() - out.Buffer.size() < kMinRoom) {
      out.Buffer.reserve(out.Buffer.capacity() + out.Buffer.capacity() / 4 + kMinRoom);
    }
    lineStarts.push_back(out.Buffer.size());
    for (int column = firstColumn; column <= lastColumn; ++column) {
      if (column > firstColumn) out.Buffer.append(u'\t');
      // Skips a second cell at a position already written.
      while (cell != cells_.cend() && cell->Row == row && cell->Column < column) ++cell;
      if (cell != cells_.cend() && cell->Row == row && cell->Column == column) {
        AppendCell(out.Buffer, *cell);
        ++cell;
      }
    }
    while (cell != cells_.cend() && cell->Row == row) ++cell;
  }
  lineStarts.push_back(out.Buffer.size());
  // The cells are written out; their memory serves the lines instead.
  std::vector<Cell>().swap(cells_);
  texts_ = TextPool();
  out.Lines.reserve(static_cast<size_t>(rows));
  const QStringView all(out.Buffer);
  for (size_t i = 0; i < static_cast<size_t>(rows); ++i) {
    out.Lines.push_back(all.mid(lineStarts[i], lineStarts[i + 1] - lineStarts[i]));
  }
  return true;
}

}  // namespace qh
