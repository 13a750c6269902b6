#include "data/source_loader.h"
#include "support/chart_items.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(ManualInput, Verdicts) {
  const QString badError = QStringLiteral("输入数据的第 2 列存在非数值内容,无法生成图表.");
  struct Case {
    const char* Name;
    QString Text;
    bool Ok;
    std::vector<ChartItem> Items;
    QString Error;
    QString Hint;
  };
  // clang-format off
  const Case cases[] = {
      {"comma and full-width comma", "A,10\r\nB，20", true, {{"A", 10}, {"B", 20}}, {},
       QStringLiteral("手工输入校验通过,共 2 项数据.")},
      {"space separator", "A 10\nB 2", true, {{"A", 10}, {"B", 2}}, {}, QStringLiteral("手工输入校验通过,共 2 项数据.")},
      {"second comma stays in the value", "A,1,2\nB;5", true, {{"A", 12}, {"B", 5}}, {},
       QStringLiteral("手工输入校验通过,共 2 项数据.")},
      {"empty name accepted", ",5\rB,6\r", true, {{"", 5}, {"B", 6}}, {}, QStringLiteral("手工输入校验通过,共 2 项数据.")},
      {"cut at the first space", "North Region 10\nB,1", false, {}, badError,
       QStringLiteral("第 1 行:Region10 不是有效数值.")},
      {"tab wins over an earlier semicolon", "A;x\t5;6\nB,1", false, {}, badError,
       QStringLiteral("第 1 行:5;6 不是有效数值.")},
      {"header is not skipped", "项目,数值\nA,1\nB,2", false, {}, badError,
       QStringLiteral("第 1 行:数值 不是有效数值.")},
      {"empty lines are counted", "A,1\n\nB\nC,x", false, {}, badError, QStringLiteral("第 3 行:B 不是有效数值.")},
      {"one line", "A,1", false, {}, QStringLiteral("输入的数据不足两行,无法生成图表."),
       QStringLiteral("请按每行 项目,数值 的格式至少输入两行数据.")},
      {"only line breaks", "\r\n\n", false, {}, QStringLiteral("输入的数据不足两行,无法生成图表."),
       QStringLiteral("请按每行 项目,数值 的格式至少输入两行数据.")},
      {"nothing", "", false, {}, QStringLiteral("没有输入任何数据."), QStringLiteral("请按每行 项目,数值 的格式输入.")},
      {"infinite value", "A,1e999\nB,1", false, {}, badError, QStringLiteral("第 1 行:1e999 不是有效数值.")},
  };
  // clang-format on
  for (const Case& c : cases) {
    ItemTable table;
    EXPECT_EQ(ParseManualInput(c.Text, LoadLimits{}, table), c.Ok) << c.Name;
    EXPECT_EQ(table.Items, c.Items) << c.Name;
    EXPECT_EQ(table.LastError, c.Error) << c.Name;
    EXPECT_EQ(table.LastHint, c.Hint) << c.Name;
  }
}

}  // namespace
}  // namespace qh
