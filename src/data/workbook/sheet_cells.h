#pragma once
// The cells read from one worksheet, and the data lines of its used range.
#include "data/workbook/cell_text.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace qh {

// Which worksheet a reader reads, by number from 1 or by name (see
// SheetIndex); the first when Wanted is empty. The reader lists the names
// of every worksheet it saw, so that an unknown one can be answered with
// the list.
struct SheetPick {
  QString Wanted;
  QStringList Names;
};

// Texts of one workbook stored end to end in one buffer, so a sheet of
// many text cells costs no allocation per text.
class TextPool {
 public:
  std::uint32_t Add(QStringView text);
  QStringView At(std::uint32_t index) const;
  std::uint32_t Count() const { return static_cast<std::uint32_t>(starts_.size() - 1); }

 private:
  QString chars_;
  std::vector<qsizetype> starts_{0};
};

// The used-range lines: one buffer holding every line end to end and the
// lines as views into it (tab-separated cell text of each cell).
struct SheetLines {
  QString Buffer;
  std::vector<QStringView> Lines;
};

class SheetCells {
 public:
  static constexpr int kMaxRows = 1048576;
  static constexpr int kMaxColumns = 16384;
  // Hostile sheets can name far-apart cells; these bound what is kept.
  static constexpr std::size_t kMaxStoredCells = 8'000'000;
  static constexpr std::int64_t kMaxGridCells = 20'000'000;
  // Above this size a range must hold at least one cell in kMinDensity.
  static constexpr std::int64_t kSparseCheckCells = 1'000'000;
  static constexpr std::int64_t kMinDensity = 16;

  // True when a range of rows x columns holding cellCount cells is too
  // large to lay out, or large and almost empty (far-apart cells, a bogus
  // recorded range): such a range is refused rather than allocated.
  static bool RangeTooSparse(std::int64_t rows, std::int64_t columns, std::int64_t cellCount);

  TextPool& Texts() { return texts_; }
  const TextPool& Texts() const { return texts_; }

  // Rows and columns count from 1. False when the position lies outside a
  // worksheet or too many cells were added; the sheet is then unreadable.
  bool AddEmpty(int row, int column) { return Store(row, column, CellKind::Empty, 0.0); }
  bool AddNumber(int row, int column, double number);
  bool AddBoolean(int row, int column, bool value);
  bool AddError(int row, int column) { return Store(row, column, CellKind::Error, 0.0); }
  bool AddText(int row, int column, std::uint32_t textIndex);
  // A text of this cell alone, kept in Texts().
  bool AddInlineText(int row, int column, QStringView text);

  // The lines of the used range (the box around every stored cell, empty
  // ones included). No lines when no cell yields any text or the range is a
  // single cell. False when RangeTooSparse refuses the range. Once the
  // lines are built the cells are given up: call it once.
  bool BuildLines(SheetLines& out);

 private:
  struct Cell {
    std::int32_t Row;
    std::uint16_t Column;
    CellKind Kind;
    union {
      double Number;
      std::uint32_t Text;
    };
  };
  bool Store(int row, int column, CellKind kind, double number, std::uint32_t text = 0);
  bool HasAnyText() const;
  void AppendCell(QString& out, const Cell& cell) const;

  TextPool texts_;
  std::vector<Cell> cells_;
  bool sorted_ = true;
};

}  // namespace qh
