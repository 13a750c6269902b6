#include "data/validate_rows.h"
#include "support/chart_items.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

const QString kColumnsError = QStringLiteral("数据源CSV不是两列数据,无法生成图表.");

QString ColumnsHint(const QString& counted) {
  return counted + QStringLiteral(
                       ",本工具要求数据源为两列数据(项目,数值).\r\n\r\n"
                       "请让系统导出两列格式,或改用[数据源]页面的手工输入.");
}

struct RowsCase {
  const char* Name;
  QStringList Lines;
  bool Ok;
  int Count;
  QString Error;
  QString Hint;
};

TEST(ValidateRows, Verdicts) {
  const QString badError = QStringLiteral("数据源CSV第 2 列存在非数值内容,无法生成图表.");
  const QString badTail = QStringLiteral(".\r\n\r\n数据源第 2 列必须全部为数值.");
  // clang-format off
  const RowsCase cases[] = {
      {"header skipped", {"名称\t金额", "A\t10", "B\t20"}, true, 2, {}, {}},
      {"empty first line moves the header",
       {"", "名称\t金额", "A\t10", "B\t20"}, false, 0, badError,
       QStringLiteral("第 2 行的数值列为金额") + badTail},
      {"numeric name is data", {"2023\t销量", "A\t1", "B\t2"}, false, 0, badError,
       QStringLiteral("第 1 行的数值列为销量") + badTail},
      {"grouped value in first line is data", {"A\t1,234", "B\t2"}, true, 2, {}, {}},
      {"currency value in first line is data", {"A\t￥100", "B\t2"}, true, 2, {}, {}},
      {"one item", {"A\t1"}, false, 0, QStringLiteral("数据源CSV没有可用的两列数据(项目,数值)."),
       QStringLiteral("有效数据行不足 2 行,无法生成图表.")},
      {"one column", {"A", "B"}, false, 0, kColumnsError, ColumnsHint(QStringLiteral("检测到只有 1 列"))},
      {"nothing", {""}, false, 0, kColumnsError, ColumnsHint(QStringLiteral("检测到只有 0 列"))},
      {"trailing tab", {"A\t1\t", "B\t2"}, false, 0, kColumnsError, ColumnsHint(QStringLiteral("检测到 3 列"))},
      {"blank tab line ignored", {"A\t1", "\t \t\t", "B\t2"}, true, 2, {}, {}},
      {"first bad reported, later read",
       {"A\t1", "B\tx", "C\ty", "D\t4"}, false, 0, badError, QStringLiteral("第 2 行的数值列为x") + badTail},
      {"infinite value refused", {"A\t1e999", "B\t2"}, false, 0, badError,
       QStringLiteral("第 1 行的数值列为1e999") + badTail},
  };
  // clang-format on
  for (const RowsCase& c : cases) {
    ItemTable table;
    table.LastError = QStringLiteral("stale");
    EXPECT_EQ(ValidateRows(c.Lines, QStringLiteral("CSV"), LoadLimits{}, table), c.Ok) << c.Name;
    EXPECT_EQ(table.ItemCount(), c.Count) << c.Name;
    EXPECT_EQ(table.LastError, c.Error) << c.Name;
    EXPECT_EQ(table.LastHint, c.Hint) << c.Name;
  }
}

TEST(ValidateRows, ItemsKeepOrderAndLoseSpaces) {
  ItemTable table;
  ASSERT_TRUE(ValidateRows(QStringList{" North Region \t 1,234.5", "B\t$7", "C\t12.5%"},
                           QStringLiteral("Excel"), LoadLimits{}, table));
  const std::vector<ChartItem> expected = {{QStringLiteral("NorthRegion"), 1234.5},
                                           {QStringLiteral("B"), 7},
                                           {QStringLiteral("C"), 12.5}};
  EXPECT_EQ(table.Items, expected);
}

TEST(ValidateRows, LabelNamesTheSource) {
  ItemTable table;
  ValidateRows(QStringList{"A\t1"}, QStringLiteral("Excel"), LoadLimits{}, table);
  EXPECT_EQ(table.LastError, QStringLiteral("数据源Excel没有可用的两列数据(项目,数值)."));
}

// The whole table's sum is taken in extended precision, in table order,
// however many rows come and however they come (as lines or read): a
// large first value does not swallow the ones after it.
TEST(ValidateRows, WholeSumKeepsEveryRow) {
  for (const int rows : {3, 256, 257, 1000}) {
    for (const bool read : {false, true}) {
      ItemTable table;
      LoadLimits limits;
      limits.KeepItems = 1;
      RowValidator validator(QStringLiteral("CSV"), table, limits);
      validator.Add(0, u"名称\t数值");
      long double expected = 0;
      for (int i = 0; i < rows; ++i) {
        const double value = i == 0 ? 1e17 : 1.0 + i % 3;
        expected += value;
        if (read && validator.TakesReadRows()) {
          validator.AddReadRow(2, std::string_view("x"), value);
        } else {
          validator.Add(static_cast<size_t>(i) + 1,
                        QStringLiteral("x\t") + QString::number(value, 'f', 0));
        }
      }
      ASSERT_TRUE(validator.Finish()) << rows;
      ASSERT_TRUE(table.Whole.has_value()) << rows;
      EXPECT_EQ(table.Whole->Rows, rows);
      EXPECT_EQ(table.Whole->Sum, expected) << rows;
      EXPECT_NE(static_cast<double>(table.Whole->Sum - 1e17), 0.0) << rows;
    }
  }
}

}  // namespace
}  // namespace qh
