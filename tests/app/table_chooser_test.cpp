// What the window's table chooser offers after a refusal, and the choice
// it hands back.
#include "app/table_chooser.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

ItemTable Refused(int columns, QStringList firstRow, QStringList sheets = {}) {
  ItemTable table;
  table.Fail(QStringLiteral("数据源CSV不是两列数据,无法生成图表."), QStringLiteral("检测到 4 列"));
  table.Columns = columns;
  table.FirstRow = std::move(firstRow);
  table.Sheets = std::move(sheets);
  return table;
}

TEST(TableChooser, OffersOnlyWhatAChoiceCanMend) {
  struct Case {
    const char* Name;
    ItemTable Table;
    bool Offered;
  };
  ItemTable badValue;
  badValue.Fail(QStringLiteral("数据源CSV第 2 列存在非数值内容,无法生成图表."), QString());
  const Case cases[] = {
      {"wide", Refused(4, {u"日期"_qs, u"地区"_qs, u"销售员"_qs, u"金额"_qs}), true},
      {"several sheets", Refused(0, {}, {u"空表"_qs, u"数据"_qs}), true},
      {"one sheet, bad value", Refused(0, {}, {u"数据"_qs}), false},
      {"bad value", badValue, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TableChoices::OfferFor(u"a.csv"_qs, c.Table, {}).has_value(), c.Offered) << c.Name;
}

TEST(TableChooser, AWideTableStartsFromItsFirstAndLastColumn) {
  const auto offer =
      TableChoices::OfferFor(u"a.csv"_qs, Refused(4, {u"日期"_qs, u""_qs, u"销售员"_qs}), {});
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->Columns,
            (QStringList{u"第 1 列 日期"_qs, u"第 2 列"_qs, u"第 3 列 销售员"_qs, u"第 4 列"_qs}));
  EXPECT_TRUE(offer->Refusal.startsWith(u"数据源CSV不是两列数据,无法生成图表.\r\n\r\n"_qs));
  const TableChooserAnswer initial = TableChoices::InitialAnswer(*offer);
  EXPECT_EQ(initial.NameColumn, 0);
  EXPECT_EQ(initial.ValueColumn, 3);
  TableChooserAnswer answer = initial;
  answer.NameColumn = 1;
  answer.SkipRows = 1;
  answer.NoTotal = true;
  const TableChoice choice = TableChoices::ChoiceOf(*offer, answer);
  EXPECT_EQ(choice, (TableChoice{u"2"_qs, u"4"_qs, QString(), 1, true}));
  answer.ValueColumn = 1;
  EXPECT_FALSE(TableChoices::Problem(answer).isEmpty());
}

// A line of millions of separators is refused with its count, but offers
// no more columns than a sheet can hold.
TEST(TableChooser, OffersAtMostASheetsColumns) {
  const auto offer = TableChoices::OfferFor(u"a.csv"_qs, Refused(69905067, {u"ab"_qs}), {});
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->Columns.size(), ItemTable::kMostOfferedColumns);
  EXPECT_EQ(offer->Initial.ValueColumn, QString::number(ItemTable::kMostOfferedColumns));
}

// The columns offered belong to the sheet refused: another sheet is read
// by the strict rule first (and offered again when it is wide).
TEST(TableChooser, AnotherSheetDropsTheColumns) {
  const auto offer = TableChoices::OfferFor(
      u"b.xlsx"_qs, Refused(3, {u"a"_qs, u"b"_qs, u"c"_qs}, {u"一"_qs, u"二"_qs}), {});
  ASSERT_TRUE(offer);
  TableChooserAnswer answer = TableChoices::InitialAnswer(*offer);
  EXPECT_EQ(TableChoices::ChoiceOf(*offer, answer).ValueColumn, u"3"_qs);
  answer.Sheet = 1;
  EXPECT_EQ(TableChoices::ChoiceOf(*offer, answer), (TableChoice{{}, {}, u"2"_qs, 0, false}));
}

TEST(TableChooser, TheChoiceIsRememberedPerFile) {
  TableChoices choices;
  const TableChoice chosen{u"1"_qs, u"3"_qs, QString(), 2, false};
  choices.Remember(u"/data/a.csv"_qs, chosen);
  EXPECT_EQ(choices.For(u"/data/a.csv"_qs), chosen);
  EXPECT_TRUE(choices.For(u"/data/b.csv"_qs).IsDefault());
  // An offer after a remembered choice starts from it.
  const auto offer = TableChoices::OfferFor(
      u"/data/a.csv"_qs, Refused(4, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}), chosen);
  ASSERT_TRUE(offer);
  const TableChooserAnswer answer = TableChoices::InitialAnswer(*offer);
  EXPECT_EQ(answer.ValueColumn, 2);
  EXPECT_EQ(answer.SkipRows, 2);
}

}  // namespace
}  // namespace qh
