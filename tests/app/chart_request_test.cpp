// The one request both the window and the command-line tool draw from.
#include "app/chart_request.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(MakeChartRequest, CarriesSettingsTitleAndPages) {
  Settings settings;
  settings.PageSize = 20;
  settings.ShowValue = false;
  settings.LineColor = 0xFF27AE60;
  LabelOptions labels;
  labels.BarUseLetters = true;
  struct Row {
    ChartPage Page;
    int PageNo, Rows;
    int ExpectedPage, ExpectedCount;
    const char16_t* Title;
  };
  const Row rows[] = {
      {ChartPage::Pie, 2, 45, 2, 3, u"饼形图   (第 2/3 页)"},
      {ChartPage::Pie, 9, 45, 3, 3, u"饼形图   (第 3/3 页)"},  // kept on the last page
      {ChartPage::Pie, 0, 45, 1, 3, u"饼形图   (第 1/3 页)"},
      {ChartPage::Pie, 1, 20, 1, 1, u"饼形图"},
      {ChartPage::Bar, 2, 45, 1, 1, u"柱形图"},  // bars and lines never page
      {ChartPage::Line, 1, 500, 1, 1, u"曲线图"},
  };
  for (const Row& r : rows) {
    const ChartRequest q = MakeChartRequest(r.Page, r.PageNo, r.Rows, settings, labels, 1.5f);
    EXPECT_EQ(q.Page, r.Page);
    EXPECT_EQ(q.PageNo, r.ExpectedPage) << r.PageNo;
    EXPECT_EQ(q.PageCount, r.ExpectedCount) << r.Rows;
    EXPECT_EQ(q.Title, QString::fromUtf16(r.Title));
    EXPECT_FALSE(q.ShowValues);
    EXPECT_EQ(q.LineColor, 0xFF27AE60u);
    EXPECT_EQ(q.PageSize, 20);
    EXPECT_TRUE(q.Labels.BarUseLetters);
    EXPECT_FLOAT_EQ(q.Scale, 1.5f);
  }
  EXPECT_FLOAT_EQ(MakeChartRequest(ChartPage::Bar, 1, 3, settings, labels, 0.5f).Scale, 1.0f);
  // A table's caption titles every kind; the pie keeps its page.
  const QString caption = QStringLiteral("2026年11月销售报表");
  EXPECT_EQ(MakeChartRequest(ChartPage::Bar, 1, 3, settings, labels, 1, caption).Title, caption);
  EXPECT_EQ(MakeChartRequest(ChartPage::Pie, 2, 45, settings, labels, 1, caption).Title,
            caption + QStringLiteral("   (第 2/3 页)"));
}

}  // namespace
}  // namespace qh
