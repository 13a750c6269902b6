#include "app/label_options.h"

#include "base/ini_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

class LabelOptionsTest : public ::testing::Test {
 protected:
  IniFile Ini() const { return IniFile(dir_.filePath(QStringLiteral("s.ini"))); }
  LabelOptions LoadWith(const QByteArray& text) {
    QFile f(Ini().Path());
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    return LoadLabelOptions(Ini());
  }
  QTemporaryDir dir_;
};

LabelOptions Make(std::initializer_list<LabelOptionId> on) {
  LabelOptions o;
  for (LabelOptionId id : on) o.Set(id, true);
  return o;
}

using Id = LabelOptionId;

TEST_F(LabelOptionsTest, LoadRepairsContradictions) {
  const struct {
    const char* Text;
    LabelOptions Expected;
  } cases[] = {
      {"", Make({})},
      {"[Bar]\r\nUseLetters=1\r\nUseNumbers=1\r\n", Make({Id::BarUseLetters})},
      {"[Bar]\r\nNoName=1\r\nUseLetters=1\r\nUseNumbers=1\r\n", Make({Id::BarNoName})},
      {"[Line]\r\nUseLetters=1\r\nUseNumbers=1\r\n", Make({Id::LineUseLetters})},
      {"[Bar]\r\nNoValue=2\r\n[Line]\r\nNoValue=-1\r\n", Make({Id::BarNoValue, Id::LineNoValue})},
      {"[Bar]\r\nNoValue=abc\r\n", Make({})},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadWith(c.Text), c.Expected) << c.Text;
}

TEST_F(LabelOptionsTest, RowsFollowThePage) {
  const LabelOptions o = Make({Id::BarNoName, Id::LineNoValue});
  const auto bar = BuildOptionRows(ChartPage::Bar, o);
  ASSERT_EQ(bar.size(), 4u);
  const bool enabled[] = {true, false, false, true};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(static_cast<size_t>(bar[i].Id), i + 1);
    EXPECT_EQ(static_cast<size_t>(bar[i].CaptionIndex), i);
    EXPECT_EQ(bar[i].Enabled, enabled[i]);
  }
  EXPECT_TRUE(bar[0].Checked);
  const auto line = BuildOptionRows(ChartPage::Line, o);
  ASSERT_EQ(line.size(), 3u);
  EXPECT_EQ(line[0].Id, Id::LineUseLetters);
  EXPECT_EQ(line[0].CaptionIndex, 1);
  EXPECT_TRUE(line[2].Checked);
  EXPECT_TRUE(BuildOptionRows(ChartPage::Pie, o).empty());
  EXPECT_TRUE(BuildOptionRows(ChartPage::Source, o).empty());
  EXPECT_EQ(OptionPanelTitle(ChartPage::Bar), QStringLiteral("柱形图设置"));
  EXPECT_EQ(OptionPanelTitle(ChartPage::Line), QStringLiteral("曲线图设置"));
  EXPECT_EQ(OptionCaption(2), QStringLiteral("数字项目名"));
}

TEST_F(LabelOptionsTest, ToggleAppliesExclusionsAndSaves) {
  struct Case {
    ChartPage Page;
    LabelOptions Before;
    int Row;
    bool Toggled;
    LabelOptions After;
  };
  const Case cases[] = {
      {ChartPage::Bar, Make({Id::BarUseLetters}), 3, true, Make({Id::BarUseNumbers})},
      {ChartPage::Bar, Make({Id::BarUseNumbers}), 2, true, Make({Id::BarUseLetters})},
      {ChartPage::Bar, Make({Id::BarUseLetters}), 1, true, Make({Id::BarNoName})},
      {ChartPage::Bar, Make({Id::BarNoName}), 1, true, Make({})},  // nothing comes back
      {ChartPage::Bar, Make({Id::BarNoName}), 2, false, Make({Id::BarNoName})},
      {ChartPage::Bar, Make({Id::BarUseLetters}), 2, true, Make({})},
      {ChartPage::Line, Make({Id::LineUseLetters}), 2, true, Make({Id::LineUseNumbers})},
      {ChartPage::Line, Make({Id::LineUseNumbers}), 1, true, Make({Id::LineUseLetters})},
      {ChartPage::Line, Make({}), 0, false, Make({})},
      {ChartPage::Line, Make({}), 4, false, Make({})},
  };
  for (const Case& c : cases) {
    QFile::remove(Ini().Path());
    LabelOptions o = c.Before;
    auto rows = BuildOptionRows(c.Page, o);
    EXPECT_EQ(ToggleOptionRow(rows, c.Row, o, Ini()), c.Toggled) << c.Row;
    EXPECT_EQ(o, c.After) << c.Row;
    EXPECT_EQ(QFile::exists(Ini().Path()), c.Toggled);
    if (c.Toggled) {
      EXPECT_EQ(LoadLabelOptions(Ini()), c.After);
      const OptionRow& row = rows[static_cast<size_t>(c.Row - 1)];
      EXPECT_EQ(row.Checked, o.Get(row.Id));
    }
  }
}

// A toggle writes the switches it changed (with those it turned off), and
// leaves every other line as it was.
TEST_F(LabelOptionsTest, SavedFileHoldsWhatTheToggleChanged) {
  LabelOptions o = LoadWith("[Line]\r\nUseLetters=1\r\n[Bar]\r\nNoValue=2\r\n");
  auto rows = BuildOptionRows(ChartPage::Line, o);
  ASSERT_TRUE(ToggleOptionRow(rows, 2, o, Ini()));
  QFile f(Ini().Path());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(),
            QByteArray("[Line]\r\nUseLetters=0\r\nUseNumbers=1\r\n[Bar]\r\nNoValue=2\r\n"));
}

TEST_F(LabelOptionsTest, HitTestIncludesEdges) {
  LabelOptions o;
  auto rows = BuildOptionRows(ChartPage::Bar, o);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].Left = 10;
    rows[i].Right = 110;
    rows[i].Top = 20.0f + 20.0f * static_cast<float>(i);
    rows[i].Bottom = rows[i].Top + 18;
  }
  EXPECT_TRUE(HitTestOptionRows(rows, 110, 38, o, Ini()));  // right and bottom edge of row 1
  EXPECT_TRUE(o.BarNoName);
  EXPECT_FALSE(HitTestOptionRows(rows, 60, 41, o, Ini()));  // disabled letters row
  EXPECT_FALSE(o.BarUseLetters);
  EXPECT_FALSE(HitTestOptionRows(rows, 9.9f, 25, o, Ini()));
  EXPECT_FALSE(HitTestOptionRows(rows, 60, 39, o, Ini()));  // gap between rows
  EXPECT_TRUE(HitTestOptionRows(rows, 10, 80, o, Ini()));   // left and top edge of row 4
  EXPECT_TRUE(o.BarNoValue);

  std::vector<OptionRow> pie = BuildOptionRows(ChartPage::Pie, o);
  EXPECT_FALSE(HitTestOptionRows(pie, 60, 25, o, Ini()));
}

}  // namespace
}  // namespace qh
