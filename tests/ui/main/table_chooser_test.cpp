// The table chooser in the window, driven by the keyboard: a file refused
// for its width is drawn by choosing its columns, and the choice holds for
// the next load of the same file.
#include "ui/main/table_chooser.h"
#include "ui/main/window_test_support.h"
#include "support/chart_items.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::Pump;
using test::WindowFixture;

constexpr char kExport[] =
    "2024年销售报表\n日期,地区,销售员,金额\n2024-01,华东,张三,1200.5\n"
    "2024-01,华南,李四,980\n2024-01,华北,王五,1500\n合计,,,3680.5\n";

// Runs act on the chooser once it is open (loads process events before it
// opens, so a single shot could come too early). The watch ends with owner.
void WhenChooserOpens(QObject* owner, std::function<void(TableChooserDialog*)> act) {
  auto* timer = new QTimer(owner);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = dynamic_cast<TableChooserDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    QApplication::setActiveWindow(dialog);
    act(dialog);
    // A chooser the keys did not close fails the test instead of hanging it.
    QTimer::singleShot(5000, dialog, [dialog] { dialog->reject(); });
  });
  timer->start();
}

// The control with the focus inside the chooser, whether or not the
// offscreen platform made its window the active one.
QWidget* Focused(QDialog* dialog) { return dialog->focusWidget() ? dialog->focusWidget() : dialog; }

TEST(TableChooserWindow, AWideFileIsDrawnByChoosingItsPartWithTheKeyboard) {
  WindowFixture f;
  f.Start();
  const QString path = f.Path(QStringLiteral("export.csv"));
  test::WriteFile(path, kExport);
  f.Dialogs.Answer = path;

  QStringList focusWalk;
  QString shownRefusal;
  WhenChooserOpens(f.Window.get(), [&](TableChooserDialog* dialog) {
    shownRefusal = dialog->accessibleDescription();
    focusWalk << Focused(dialog)->accessibleName();
    QTest::keyClick(Focused(dialog), Qt::Key_Down);  // name: 第 2 列 地区
    QTest::keyClick(Focused(dialog), Qt::Key_Tab);
    focusWalk << Focused(dialog)->accessibleName();  // value: stays on the last column, 金额
    QTest::keyClick(Focused(dialog), Qt::Key_Tab);
    focusWalk << Focused(dialog)->accessibleName();
    QTest::keyClick(Focused(dialog), Qt::Key_Up);   // one title row
    QTest::keyClick(Focused(dialog), Qt::Key_Tab);  // the total row
    QTest::keyClick(Focused(dialog), Qt::Key_Space);
    QTest::keyClick(Focused(dialog), Qt::Key_Return);
  });
  QTest::mouseClick(f.Source()->BrowseButton(), Qt::LeftButton);
  Pump();

  EXPECT_EQ(focusWalk, (QStringList{u"名称列"_qs, u"数值列"_qs, u"跳过开头的行数"_qs}));
  EXPECT_TRUE(shownRefusal.startsWith(u"数据源CSV不是两列数据,无法生成图表."_qs))
      << shownRefusal.toStdString();
  ASSERT_EQ(f.State.Table.ItemCount(), 3) << f.State.Table.LastError.toStdString();
  EXPECT_EQ(f.State.Table.Items[0], (ChartItem{u"华东"_qs, 1200.5}));
  EXPECT_EQ(f.State.Table.Items[2], (ChartItem{u"华北"_qs, 1500}));
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
  EXPECT_TRUE(f.Messages.Entries.empty());

  // The same file again reads with the choice made, without asking.
  bool askedAgain = false;
  WhenChooserOpens(f.Window.get(), [&](TableChooserDialog* dialog) {
    askedAgain = true;
    dialog->reject();
  });
  QTest::keyClick(f.Window.get(), Qt::Key_F1);
  QTest::mouseClick(f.Source()->BrowseButton(), Qt::LeftButton);
  Pump();
  EXPECT_FALSE(askedAgain);
  EXPECT_EQ(f.State.Table.ItemCount(), 3);
}

// Escape leaves the refusal as it was: the message and the notice.
TEST(TableChooserWindow, EscapeKeepsTheRefusal) {
  WindowFixture f;
  f.Start();
  const QString path = f.Path(QStringLiteral("wide.csv"));
  test::WriteFile(path, "a,b,c\n1,2,3\n4,5,6\n");
  f.Dialogs.Answer = path;
  bool asked = false;
  WhenChooserOpens(f.Window.get(), [&](TableChooserDialog* dialog) {
    asked = true;
    QTest::keyClick(Focused(dialog), Qt::Key_Escape);
  });
  QTest::mouseClick(f.Source()->BrowseButton(), Qt::LeftButton);
  Pump();
  EXPECT_TRUE(asked);
  EXPECT_EQ(f.State.Table.ItemCount(), 0);
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_TRUE(f.Messages.Entries[0].Text.contains(u"检测到 3 列"_qs));
  EXPECT_EQ(f.Model().Page(), ChartPage::Source);
}

}  // namespace
}  // namespace qh
