// The window's decisions without widgets: page turning, the wheel, the
// status text and where the line colour row goes.
#include "app/view_rules.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(TurnedPage, StopsAtTheFirstAndTheLastPage) {
  struct Case {
    int Page, Count, Delta, Expected;
    // clang-format off
  } cases[] = {
      {1, 3, 1, 2},  {2, 3, 1, 3},  {3, 3, 1, 3},  {3, 3, -1, 2}, {1, 3, -1, 1},
      {2, 5, 4, 5},  {4, 5, -9, 1},  // several wheel notches at once
      {1, 1, 1, 1},  {1, 0, 1, 1},   // nothing to page
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(TurnedPage(c.Page, c.Count, c.Delta), c.Expected)
        << c.Page << "/" << c.Count << " by " << c.Delta;
}

TEST(WheelPageSteps, WholeNotchesTurnPagesAndSmallStepsAddUp) {
  struct Case {
    const char* Name;
    std::vector<int> Deltas;
    std::vector<int> Pages;  // what each step turns
  } cases[] = {
      {"one notch towards the user goes forward", {-120}, {1}},
      {"one notch away goes back", {120}, {-1}},
      {"two notches in one event", {-240}, {2}},
      {"touchpad steps add up to a notch", {-40, -40, -40, -40}, {0, 0, 1, 0}},
      {"a turn back drops what was collected", {-100, 30, 90}, {0, 0, -1}},
      {"remainders carry over", {-200, -40}, {1, 1}},
      {"no vertical turn", {0}, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WheelPageSteps steps;
    std::vector<int> pages;
    for (int d : c.Deltas) pages.push_back(steps.Feed(d));
    EXPECT_EQ(pages, c.Pages);
  }
}

TEST(StatusTextFor, FollowsTheTable) {
  struct Case {
    QString Path;
    int Items;
    QString Expected;
  } cases[] = {
      {QStringLiteral("/data/sales.html"), 8, QStringLiteral("sales.html")},
      {QStringLiteral("C:\\data\\报表.csv"), 2, QStringLiteral("报表.csv")},
      {QString(), 8, QStringLiteral("手工输入")},
      // A failed load emptied the table: neither the old name nor "手工输入".
      {QStringLiteral("/data/sales.html"), 0, QString()},
      {QString(), 0, QString()},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StatusTextFor(c.Path, c.Items), c.Expected) << c.Path.toStdString() << " " << c.Items;
}

TEST(ChooseColorRowPlace, HeaderWhenItFitsElseTheLineOptions) {
  struct Case {
    ChartPage Page;
    bool Fits;
    ColorRowPlace Expected;
  } cases[] = {
      {ChartPage::Source, true, ColorRowPlace::Hidden},
      {ChartPage::Source, false, ColorRowPlace::Hidden},
      {ChartPage::Bar, true, ColorRowPlace::Header},
      {ChartPage::Pie, true, ColorRowPlace::Header},
      {ChartPage::Line, true, ColorRowPlace::Header},
      {ChartPage::Line, false, ColorRowPlace::OptionPanel},
      {ChartPage::Bar, false, ColorRowPlace::Hidden},
      {ChartPage::Pie, false, ColorRowPlace::Hidden},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseColorRowPlace(c.Page, c.Fits), c.Expected)
        << static_cast<int>(c.Page) << " fits=" << c.Fits;
}

}  // namespace
}  // namespace qh
