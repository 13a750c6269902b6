#include "data/workbook/sheet_cells.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace qh {
namespace {

QStringList LinesOf(SheetCells& cells) {
  SheetLines lines;
  EXPECT_TRUE(cells.BuildLines(lines));
  QStringList out;
  for (QStringView line : lines.Lines) out.append(line.toString());
  return out;
}

TEST(SheetCells, UsedRangeIsTheBoxAroundThePresentCells) {
  SheetCells cells;
  const auto north = cells.Texts().Add(u"华北");
  ASSERT_TRUE(cells.AddText(2, 2, north));
  ASSERT_TRUE(cells.AddNumber(2, 3, 10));
  ASSERT_TRUE(cells.AddNumber(4, 3, 2.5));
  ASSERT_TRUE(cells.AddEmpty(4, 5));  // formatted, no value: still widens the range
  EXPECT_EQ(LinesOf(cells), QStringList({u"华北\t10\t\t"_qs, u"\t\t\t"_qs, u"\t2.5\t\t"_qs}));
}

// The line buffer is sized from the first rows; later rows far longer than
// those must still come out whole.
TEST(SheetCells, LinesLongerThanTheFirstRowsSuggest) {
  struct Case {
    const char* Name;
    int Rows;
    int LongFrom;  // rows from here on carry a long text
  };
  const Case cases[] = {
      {"short sheet", 10, 5}, {"long tail", 5000, 1500}, {"one long line", 3000, 2999}};
  for (const Case& c : cases) {
    SheetCells cells;
    QStringList expected;
    for (int row = 1; row <= c.Rows; ++row) {
      const QString text =
          row >= c.LongFrom ? QString(row == 2999 ? 200000 : 300, u'长') : u"短"_qs;
      ASSERT_TRUE(cells.AddText(row, 1, cells.Texts().Add(text)));
      ASSERT_TRUE(cells.AddNumber(row, 2, row + 0.5));
      expected.append(text + u'\t' + QString::number(row) + u".5"_qs);
    }
    EXPECT_EQ(LinesOf(cells), expected) << c.Name;
  }
}

TEST(SheetCells, CellsOutOfOrderAreSortedAndTheFirstOfTwinsWins) {
  SheetCells cells;
  ASSERT_TRUE(cells.AddNumber(2, 2, 4));
  ASSERT_TRUE(cells.AddNumber(1, 2, 2));
  ASSERT_TRUE(cells.AddNumber(2, 1, 3));
  ASSERT_TRUE(cells.AddNumber(1, 1, 1));
  ASSERT_TRUE(cells.AddNumber(1, 1, 99));
  EXPECT_EQ(LinesOf(cells), QStringList({u"1\t2"_qs, u"3\t4"_qs}));
}

TEST(SheetCells, NoLinesWithoutDataOrForASingleCell) {
  SheetCells onlyEmpty;
  ASSERT_TRUE(onlyEmpty.AddEmpty(1, 1));
  ASSERT_TRUE(onlyEmpty.AddError(2, 2));
  ASSERT_TRUE(onlyEmpty.AddText(3, 1, onlyEmpty.Texts().Add(u" \u3000")));
  EXPECT_TRUE(LinesOf(onlyEmpty).isEmpty());

  SheetCells single;
  ASSERT_TRUE(single.AddNumber(5, 5, 1));
  EXPECT_TRUE(LinesOf(single).isEmpty());
}

TEST(SheetCells, RefusesPositionsOutsideASheetAndUnknownTexts) {
  SheetCells cells;
  EXPECT_FALSE(cells.AddNumber(0, 1, 1));
  EXPECT_FALSE(cells.AddNumber(1, 0, 1));
  EXPECT_FALSE(cells.AddNumber(SheetCells::kMaxRows + 1, 1, 1));
  EXPECT_FALSE(cells.AddNumber(1, SheetCells::kMaxColumns + 1, 1));
  EXPECT_FALSE(cells.AddText(1, 1, 0));  // the pool is empty
  EXPECT_TRUE(cells.AddNumber(SheetCells::kMaxRows, SheetCells::kMaxColumns, 1));
}

TEST(SheetCells, AnEnormousSparseRangeIsRefusedNotAllocated) {
  SheetCells cells;
  ASSERT_TRUE(cells.AddNumber(1, 1, 1));
  ASSERT_TRUE(cells.AddNumber(SheetCells::kMaxRows, SheetCells::kMaxColumns, 2));
  SheetLines lines;
  EXPECT_FALSE(cells.BuildLines(lines));
  EXPECT_TRUE(lines.Lines.empty());
}

TEST(SheetCells, LargeRangesMustBeReasonablyFilled) {
  struct Case {
    std::int64_t Rows, Columns, Cells;
    bool Refused;
  };
  // clang-format off
  const Case cases[] = {
      {100000, 2, 2, false},        // small enough to lay out whatever it holds
      {1000000, 3, 3000000, false}, // large and full
      {65536, 256, 11, true},       // a recorded range far beyond the data
      {100000, 26, 2, true},        // two far-apart cells
      {1048576, 16384, 1048576LL * 16384, true},  // beyond any layout
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(SheetCells::RangeTooSparse(c.Rows, c.Columns, c.Cells), c.Refused)
        << c.Rows << "x" << c.Columns << " holding " << c.Cells;
  }
}

}  // namespace
}  // namespace qh
