#include "data/workbook/two_columns.h"

#include "data/validate_rows.h"
#include "data/workbook/sheet_cells.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qh {
namespace {

struct Cell {
  int Row;
  int Column;
  CellKind Kind;
  double Number;
  QString Text;
};

Cell Num(int row, int column, double number) { return {row, column, CellKind::Number, number, {}}; }
Cell Text(int row, int column, const char* text) {
  return {row, column, CellKind::Text, 0.0, QString::fromUtf8(text)};
}
Cell Blank(int row, int column) { return {row, column, CellKind::Empty, 0.0, {}}; }
Cell Bool(int row, int column, bool value) {
  return {row, column, CellKind::Boolean, value ? 1.0 : 0.0, {}};
}
Cell Err(int row, int column) { return {row, column, CellKind::Error, 0.0, {}}; }

// Texts go in as the cell's own (inline) or through the shared strings.
enum class Texts { Inline, Shared };

template <typename Sink>
bool Feed(Sink& sink, const std::vector<Cell>& cells, Texts texts) {
  for (const Cell& c : cells) {
    bool added = false;
    switch (c.Kind) {
      case CellKind::Empty: added = sink.AddEmpty(c.Row, c.Column); break;
      case CellKind::Number: added = sink.AddNumber(c.Row, c.Column, c.Number); break;
      case CellKind::Boolean: added = sink.AddBoolean(c.Row, c.Column, c.Number != 0.0); break;
      case CellKind::Error: added = sink.AddError(c.Row, c.Column); break;
      case CellKind::Text:
        added = texts == Texts::Inline ? sink.AddInlineText(c.Row, c.Column, c.Text)
                                       : sink.AddText(c.Row, c.Column, sink.Texts().Add(c.Text));
        break;
    }
    if (!added) return false;
  }
  return true;
}

// What the full reading makes of the cells: every line of the used range,
// then the two-column validation.
bool ReadInFull(const std::vector<Cell>& cells, ItemTable& table, const LoadLimits& limits = {}) {
  SheetCells sheet;
  SheetLines lines;
  if (!Feed(sheet, cells, Texts::Inline) || !sheet.BuildLines(lines) || lines.Lines.empty())
    return table.Fail(u"-"_qs, u"-"_qs);
  return ValidateRows(std::span<const QStringView>(lines.Lines), u"Excel"_qs, limits, table);
}

// A compact table's items as names and values, empty for other tables.
std::vector<std::pair<std::string, double>> CompactList(const ItemTable& table) {
  std::vector<std::pair<std::string, double>> items;
  if (!table.Compact) return items;
  CompactItems::Reader reader(*table.Compact);
  std::string_view name;
  double value = 0;
  while (reader.Next(name, value)) items.emplace_back(std::string(name), value);
  return items;
}

struct SheetCase {
  const char* Name;
  std::vector<Cell> Cells;
  bool Direct;  // read straight into the table, no second reading
};

TEST(TwoColumnRows, GivesWhatTheFullReadingGives) {
  // clang-format off
  const SheetCase cases[] = {
      {"header and rows", {Text(1, 1, "名称"), Text(1, 2, "数值"), Text(2, 1, "A"), Num(2, 2, 1.5),
                           Text(3, 1, "B"), Num(3, 2, 3000000000)}, true},
      {"columns C and D from row 4", {Text(4, 3, "A"), Num(4, 4, 1), Text(5, 3, "B"), Num(5, 4, 2)}, true},
      {"gaps and blank cells keep the row numbers",
       {Text(3, 1, "A"), Num(3, 2, 1), Blank(4, 1), Blank(4, 2), Text(9, 1, "B"), Text(9, 2, "x"),
        Text(10, 1, "C"), Num(10, 2, 2)}, true},
      {"first row a number is data", {Num(1, 1, 2023), Text(1, 2, "销量"), Text(2, 1, "A"), Num(2, 2, 1)}, true},
      {"texts that read as numbers", {Text(1, 1, " 北 区 "), Text(1, 2, "1,234"), Text(2, 1, "B"), Text(2, 2, "￥5"),
                                      Text(3, 1, "1,234"), Num(3, 2, 1)}, true},
      {"booleans and errors", {Text(1, 1, "A"), Bool(1, 2, true), Text(2, 1, "B"), Err(2, 2), Text(3, 1, "C"), Num(3, 2, 1)}, true},
      {"name cell missing", {Text(1, 1, "A"), Num(1, 2, 1), Num(2, 2, 2), Text(3, 1, "C"), Num(3, 2, 3)}, true},
      {"title in the first column only", {Text(1, 1, "销售表"), Text(2, 1, "名称"), Text(2, 2, "金额"),
                                           Text(3, 1, "A"), Num(3, 2, 1), Text(4, 1, "B"), Num(4, 2, 2)}, true},
      {"one item", {Text(1, 1, "A"), Num(1, 2, 1)}, true},
      {"third column", {Text(1, 1, "A"), Num(1, 2, 1), Blank(1, 3), Text(2, 1, "B"), Num(2, 2, 2)}, false},
      {"column left of the first", {Text(1, 2, "T"), Text(2, 1, "A"), Num(2, 2, 1), Text(3, 1, "B"), Num(3, 2, 2)}, false},
      {"rows out of order", {Text(2, 1, "A"), Num(2, 2, 1), Text(1, 1, "B"), Num(1, 2, 2)}, false},
      {"a position twice", {Text(1, 1, "A"), Num(1, 2, 1), Num(1, 2, 5), Text(2, 1, "B"), Num(2, 2, 2)}, false},
      {"one column", {Text(1, 1, "A"), Text(2, 1, "B")}, false},
      {"only blanks", {Blank(1, 1), Text(1, 2, " "), Err(2, 1), Blank(2, 2)}, false},
      {"nothing", {}, false},
      {"far apart", {Text(1, 1, "A"), Num(1, 2, 1), Text(1000000, 1, "B"), Num(1000000, 2, 2)}, false},
      // Amounts past the header, as General shows them: fifteen digits,
      // exponents, no name, a name that holds a tab.
      {"amounts as shown", {Text(1, 1, "名称"), Text(1, 2, "数值"), Text(2, 1, " A "), Num(2, 2, 0.1 + 0.2),
                            Text(3, 1, "B"), Num(3, 2, 1e20), Text(4, 1, "C"), Num(4, 2, -1.5e-7),
                            Num(5, 2, 123456789.123456789), Text(6, 1, "E"), Num(6, 2, -0.0),
                            Text(7, 1, "F"), Num(7, 2, 999999999999999.0)}, true},
      {"a tab in a name", {Text(1, 1, "A"), Num(1, 2, 1), Text(2, 1, "B\tC"), Num(2, 2, 2)}, true},
  };
  // clang-format on
  LoadLimits firstOnly;
  firstOnly.KeepItems = 1;
  LoadLimits compact;
  compact.CompactItems = true;
  for (const LoadLimits& limits : {LoadLimits{}, firstOnly, compact}) {
    for (const Texts texts : {Texts::Inline, Texts::Shared}) {
      for (const SheetCase& c : cases) {
        ItemTable direct, full;
        TwoColumnRows rows(u"Excel"_qs, direct, limits);
        bool ok = false;
        const bool finished = Feed(rows, c.Cells, texts) && rows.Finish(ok);
        EXPECT_EQ(finished, c.Direct) << c.Name;
        if (!finished) continue;
        EXPECT_EQ(ok, ReadInFull(c.Cells, full, limits)) << c.Name;
        EXPECT_EQ(direct.Items, full.Items) << c.Name;
        EXPECT_EQ(direct.Whole, full.Whole) << c.Name;
        EXPECT_EQ(CompactList(direct), CompactList(full)) << c.Name;
        EXPECT_EQ(direct.LastError, full.LastError) << c.Name;
        EXPECT_EQ(direct.LastHint, full.LastHint) << c.Name;
      }
    }
  }
}

}  // namespace
}  // namespace qh
