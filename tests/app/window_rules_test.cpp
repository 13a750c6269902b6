// The window's small rules: capacity warnings, key bindings, the names
// proposed for a saved picture and the line colours.
#include "app/capacity.h"
#include "app/line_colors.h"
#include "app/window_commands.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(CheckCapacity, StoresTheCapacityAndWarnsAboutHiddenItems) {
  struct Case {
    const char* Name;
    ChartPage Page;
    int Items, CanvasW;
    float S;
    int Bar, Line;  // -1: not computed
    QString Message;
  } cases[] = {
      {"line 600 wide, 30 items", ChartPage::Line, 30, 600, 1, -1, 24,
       QStringLiteral("数据项目过多,曲线图无法表达所有数据.\r\n\r\n"
                      "共 30 项,当前窗口只能显示前 24 项,其余 6 项未显示.")},
      {"bar 600 wide, 20 items", ChartPage::Bar, 20, 600, 1, 12, -1,
       QStringLiteral("数据项目过多,柱形图无法表达所有数据.\r\n\r\n"
                      "共 20 项,当前窗口只能显示前 12 项,其余 8 项未显示.")},
      {"bar 220 wide: two bars, no message", ChartPage::Bar, 20, 220, 1, 2, -1, {}},
      {"exactly the capacity", ChartPage::Bar, 12, 600, 1, 12, -1, {}},
      {"narrower than 100", ChartPage::Bar, 20, 99, 1, -1, -1, {}},
      {"bar area below 40", ChartPage::Bar, 20, 149, 1, -1, -1, {}},
      {"pie is never checked", ChartPage::Pie, 500, 600, 1, -1, -1, {}},
      {"no items", ChartPage::Line, 0, 600, 1, -1, -1, {}},
      {"scaled bar", ChartPage::Bar, 100, 1200, 1.5f, 18, -1,
       QStringLiteral("数据项目过多,柱形图无法表达所有数据.\r\n\r\n"
                      "共 100 项,当前窗口只能显示前 18 项,其余 82 项未显示.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const CapacityCheck check = CheckCapacity(c.Page, c.Items, c.CanvasW, c.S);
    EXPECT_EQ(check.BarCapacity.value_or(-1), c.Bar);
    EXPECT_EQ(check.LineCapacity.value_or(-1), c.Line);
    EXPECT_EQ(check.Message, c.Message);
  }
}

TEST(KeyBindings, FunctionKeysArrowsAndEscape) {
  // clang-format off
  const std::pair<int, KeyCommand> cases[] = {
      {Qt::Key_F1, KeyCommand::ShowSource},   {Qt::Key_F2, KeyCommand::ShowBar},
      {Qt::Key_F3, KeyCommand::ShowPie},      {Qt::Key_F4, KeyCommand::ShowLine},
      {Qt::Key_F5, KeyCommand::Close},        {Qt::Key_Escape, KeyCommand::Close},
      {Qt::Key_F8, KeyCommand::SaveChart},      {Qt::Key_F10, KeyCommand::Update},
      {Qt::Key_Left, KeyCommand::PreviousPage}, {Qt::Key_Right, KeyCommand::NextPage},
      {Qt::Key_PageUp, KeyCommand::PreviousPage}, {Qt::Key_PageDown, KeyCommand::NextPage},
      {Qt::Key_F6, KeyCommand::None},         {Qt::Key_F9, KeyCommand::None},
      {Qt::Key_A, KeyCommand::None},
  };
  // clang-format on
  for (const auto& [key, command] : cases) EXPECT_EQ(CommandForKey(key), command) << key;
}

// A held modifier never gives the plain key's command; Shift+F10 is the
// keyboard's context menu, not the update.
TEST(KeyBindings, ModifiersNeverBorrowAPlainKeysCommand) {
  const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
  const int keypad = Qt::KeypadModifier;
  // clang-format off
  const struct { int Key, Modifiers; KeyCommand Command; } cases[] = {
      {Qt::Key_F10, 0, KeyCommand::Update},       {Qt::Key_F10, shift, KeyCommand::ChartMenu},
      {Qt::Key_F10, ctrl, KeyCommand::None},      {Qt::Key_F10, shift | ctrl, KeyCommand::None},
      {Qt::Key_Menu, 0, KeyCommand::ChartMenu},   {Qt::Key_Menu, shift, KeyCommand::None},
      {Qt::Key_F2, shift, KeyCommand::None},      {Qt::Key_F4, alt, KeyCommand::None},
      {Qt::Key_F5, ctrl, KeyCommand::None},       {Qt::Key_Escape, shift, KeyCommand::None},
      {Qt::Key_Left, shift, KeyCommand::None},    {Qt::Key_Left, keypad, KeyCommand::PreviousPage},
      {Qt::Key_Up, 0, KeyCommand::PreviousItem},  {Qt::Key_End, keypad, KeyCommand::LastItem},
      {Qt::Key_Home, ctrl, KeyCommand::None},     {Qt::Key_F8, Qt::MetaModifier, KeyCommand::None},
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(CommandForKey(c.Key, c.Modifiers), c.Command) << c.Key << " " << c.Modifiers;
}

TEST(SaveNames, KindStampAndFolder) {
  const QDateTime morning(QDate(2026, 1, 5), QTime(9, 30));
  EXPECT_EQ(JpgFileName(ChartPage::Bar, morning), QStringLiteral("柱形图2026年1月5日09时30分.jpg"));
  EXPECT_EQ(JpgFileName(ChartPage::Pie, morning), QStringLiteral("饼形图2026年1月5日09时30分.jpg"));
  EXPECT_EQ(JpgFileName(ChartPage::Line, QDateTime(QDate(2026, 12, 25), QTime(23, 5))),
            QStringLiteral("曲线图2026年12月25日23时05分.jpg"));

  const QString appDir = QStringLiteral("/opt/qh/");
  EXPECT_EQ(JpgFolder(QString(), appDir), appDir);
  EXPECT_EQ(JpgFolder(QStringLiteral("D:\\data\\sales.html"), appDir), QStringLiteral("D:\\data"));
  EXPECT_EQ(JpgFolder(QStringLiteral("/home/u/sales.html"), appDir), QStringLiteral("/home/u"));
  EXPECT_EQ(JpgFolder(QStringLiteral("sales.html"), appDir), QStringLiteral("sales.html"));
}

// Pictures are confirmed as pictures, documents as charts, whatever the case
// of the extension.
TEST(SaveNames, NoticeNamesWhatWasSaved) {
  const struct {
    const char* Path;
    const char* First;
  } cases[] = {
      {"/o/a.jpg", "图片已保存:"}, {"/o/a.png", "图片已保存:"},   {"/o/a.svg", "图表已保存:"},
      {"/o/a.PDF", "图表已保存:"}, {"/o/pdf.jpg", "图片已保存:"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SavedChartNotice(QString::fromUtf8(c.Path)),
              QString::fromUtf8(c.First) + QStringLiteral("\r\n") + QString::fromUtf8(c.Path))
        << c.Path;
  }
}

TEST(SaveNames, FileNameOf) {
  EXPECT_EQ(FileNameOf(QStringLiteral("C:\\a\\b\\x.html")), QStringLiteral("x.html"));
  EXPECT_EQ(FileNameOf(QStringLiteral("/a/b/x.csv")), QStringLiteral("x.csv"));
  EXPECT_EQ(FileNameOf(QStringLiteral("x.html")), QStringLiteral("x.html"));
  EXPECT_EQ(FileNameOf(QStringLiteral("C:\\a\\")), QString());
}

TEST(LineColors, LookupsFallBackToTheFirstEntry) {
  EXPECT_EQ(QzColorAt(-1), 0xFF2F80EDu);
  EXPECT_EQ(QzColorAt(8), 0xFF2F80EDu);
  EXPECT_EQ(QzColorAt(4), 0xFFE67E22u);
  EXPECT_EQ(QzColorName(7), QStringLiteral("灰蓝"));
  EXPECT_EQ(QzColorName(99), QStringLiteral("经典蓝"));
  EXPECT_EQ(LineColorEntryText(0), QStringLiteral("经典蓝   #2F80ED"));
  EXPECT_EQ(LineColorEntryText(1), QStringLiteral("沉稳深蓝   #1F4E9C"));
  EXPECT_EQ(LineColorIndex(0xFF8E44AD), 6);
  EXPECT_EQ(LineColorIndex(0xFF123456), -1);
}

}  // namespace
}  // namespace qh
