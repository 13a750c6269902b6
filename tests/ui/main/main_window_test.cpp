// The main window driven by real events on the offscreen platform: keys,
// clicks, drops, the wheel, hovering and the context menu reach the model,
// and what the model decides reaches the screen, the files and the
// clipboard. The decisions themselves are tested on the model.
#include "base/ini_file.h"
#include "chart/pie_chart.h"
#include "support/test_files.h"
#include "ui/main/window_test_support.h"
#include "ui/services/chart_menu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::AnswerMenu;
using test::Pump;
using test::WindowFixture;

const QString kNoData = QStringLiteral(
    "尚无可用数据,无法生成图表.\r\n\r\n请先在[数据源]页面选择数据文件,或直接输入 项目,数值 "
    "多行数据.");

class MainWindowTest : public ::testing::Test {
 protected:
  WindowFixture f;

  QString WriteHtml(const QString& name, int rows) {
    const QString path = f.Path(name);
    test::WriteFile(path, test::HtmlTable(rows));
    return path;
  }
  void StartWithRows(int rows, QSize client = QSize(1000, 700)) {
    f.Start({WriteHtml(QStringLiteral("sales.html"), rows)}, 96, client);
  }
  void Key(int key) { QTest::keyClick(f.Window.get(), static_cast<Qt::Key>(key)); }
  QPoint NavItem(int i) const { return QPoint(30, f.Layout().NavTop + 45 * i + 20); }
  void Drop(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    // Qt delivers a drop only to the target its drag-enter chose.
    QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.Window.get(), &enter);
    QDropEvent drop(QPointF(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.Window.get(), &drop);
    delete mime;
  }
  // A right click on the chart; the menu that opens is answered (see AnswerMenu).
  QStringList RightClick(int choose = 0, QPoint at = QPoint(20, 20)) {
    QStringList texts;
    QTimer::singleShot(0, [&] { AnswerMenu(choose, texts); });
    QTest::mouseClick(f.Chart(), Qt::RightButton, {}, at);
    Pump();
    return texts;
  }
  QImage Shown() const { return f.Chart()->Picture().convertToFormat(QImage::Format_RGB32); }
  QString IniValue(const char16_t* section, const char16_t* key) const {
    return IniFile(f.State.SettingsPath).ReadRaw(section, key, QStringLiteral("<none>"));
  }
};

TEST_F(MainWindowTest, StartsOnTheSourcePageWithoutArgument) {
  f.Start();
  EXPECT_EQ(f.Model().Page(), ChartPage::Source);
  EXPECT_EQ(f.Nav()->NavIndex(), 0);
  EXPECT_TRUE(f.StartupMessages.Entries.empty());
  EXPECT_TRUE(f.Messages.Entries.empty());
  EXPECT_TRUE(f.Source()->isVisible());
  EXPECT_FALSE(f.Chart()->isVisible());
  EXPECT_EQ(f.SourceRect(), f.Layout().Canvas);
}

TEST_F(MainWindowTest, StartsOnTheBarPageWithAGoodFile) {
  StartWithRows(8);
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
  EXPECT_EQ(f.Nav()->NavIndex(), 1);
  EXPECT_TRUE(f.StartupMessages.Entries.empty());
  EXPECT_EQ(f.Status()->StatusText(), QStringLiteral("sales.html"));
  EXPECT_EQ(f.Source()->PathBox()->text(), f.Path(QStringLiteral("sales.html")));
  EXPECT_TRUE(f.WaitForPicture());
  EXPECT_TRUE(f.Chart()->isVisible());
  EXPECT_FALSE(f.Source()->isVisible()) << "the source frame is hidden";
}

TEST_F(MainWindowTest, ARefusedFileWarnsOnceAndOpensEmpty) {
  f.Start({f.Path(QStringLiteral("missing.html"))});
  ASSERT_EQ(f.StartupMessages.Entries.size(), 1u);
  const auto& warning = f.StartupMessages.Entries[0];
  EXPECT_EQ(warning.Icon, MessageIcon::Exclamation);
  EXPECT_TRUE(warning.Text.startsWith(QStringLiteral("数据源文件不存在.\r\n\r\n")));
  EXPECT_EQ(warning.Text, ReasonAndHint(f.State.Table.LastError, f.State.Table.LastHint));
  EXPECT_EQ(f.Model().Page(), ChartPage::Source);
  EXPECT_EQ(f.State.Table.ItemCount(), 0);
  EXPECT_TRUE(f.Messages.Entries.empty());
}

TEST_F(MainWindowTest, FunctionKeysSwitchPagesAndCloseTheWindow) {
  StartWithRows(100);
  const std::pair<int, ChartPage> steps[] = {{Qt::Key_F3, ChartPage::Pie},
                                             {Qt::Key_F4, ChartPage::Line},
                                             {Qt::Key_F1, ChartPage::Source},
                                             {Qt::Key_F2, ChartPage::Bar}};
  for (const auto& [key, page] : steps) {
    Key(key);
    EXPECT_EQ(f.Model().Page(), page) << key;
    EXPECT_EQ(f.Nav()->NavIndex(), page == ChartPage::Source ? 0 : static_cast<int>(page) + 1);
    EXPECT_EQ(f.Source()->isVisible(), page == ChartPage::Source) << key;
  }
  // The line and bar pages warned about the items they cannot show.
  ASSERT_EQ(f.Messages.Entries.size(), 2u);

  // Keys act while the focus is in a text box of the source page.
  Key(Qt::Key_F1);
  f.Source()->ManualBox()->setFocus();
  QTest::keyClick(f.Source()->ManualBox(), Qt::Key_F3);
  EXPECT_EQ(f.Model().Page(), ChartPage::Pie);

  for (int closeKey : {Qt::Key_Escape, Qt::Key_F5}) {
    WindowFixture g;
    g.Start();
    QTest::keyClick(g.Window.get(), static_cast<Qt::Key>(closeKey));
    EXPECT_FALSE(g.Window->isVisible());
  }
}

TEST_F(MainWindowTest, ChartPagesWithoutDataExplainAndStayOnSource) {
  f.Start();
  Key(Qt::Key_F2);
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, NavItem(2));  // 饼形图
  ASSERT_EQ(f.Messages.Entries.size(), 2u);
  EXPECT_EQ(f.Messages.Entries[1].Text, kNoData);
  EXPECT_EQ(f.Model().Page(), ChartPage::Source);
  EXPECT_EQ(f.Nav()->NavIndex(), 0);
  EXPECT_EQ(f.SourceRect(), f.Layout().Canvas);

  f.Messages.Entries.clear();
  Key(Qt::Key_F8);                                                             // nothing to save
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, NavItem(0) + QPoint(0, 23));  // dead gap
  EXPECT_TRUE(f.Messages.Entries.empty());
  EXPECT_TRUE(f.Dialogs.Requests.empty());
}

TEST_F(MainWindowTest, NavigationClicksAndTheExitItem) {
  StartWithRows(5);
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, NavItem(3));
  EXPECT_EQ(f.Model().Page(), ChartPage::Line);
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, NavItem(0));
  EXPECT_EQ(f.Model().Page(), ChartPage::Source);
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, NavItem(4));
  EXPECT_FALSE(f.Window->isVisible());
}

TEST_F(MainWindowTest, OptionRowsToggleAndAreWrittenToTheSettingsFile) {
  StartWithRows(5);
  ASSERT_TRUE(f.WaitForPicture());
  std::vector<OptionRow>& rows = f.Nav()->CurrentRows();
  ASSERT_EQ(rows.size(), 4u);
  const QPoint noName(static_cast<int>(rows[0].Left + 20), static_cast<int>(rows[0].Top + 5));
  const QPoint letters(static_cast<int>(rows[1].Left + 20), static_cast<int>(rows[1].Top + 5));
  const QImage before = Shown();
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, letters);
  EXPECT_TRUE(f.State.Labels.BarUseLetters);
  EXPECT_NE(Shown(), before) << "a toggle redraws at once";
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, noName);
  EXPECT_TRUE(f.State.Labels.BarNoName);
  EXPECT_FALSE(f.State.Labels.BarUseLetters);
  EXPECT_EQ(IniValue(u"Bar", u"NoName"), QStringLiteral("1"));
  EXPECT_EQ(IniValue(u"Bar", u"UseLetters"), QStringLiteral("0"));
  QTest::mouseClick(f.Nav(), Qt::LeftButton, {}, letters);  // disabled now
  EXPECT_FALSE(f.State.Labels.BarUseLetters);
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar) << "rows are not navigation items";

  Key(Qt::Key_F3);  // the pie has no panel
  EXPECT_TRUE(f.Nav()->CurrentRows().empty());
  Key(Qt::Key_F4);
  EXPECT_EQ(f.Nav()->CurrentRows().size(), 3u);
}

TEST_F(MainWindowTest, SampleThenApplyOpensTheBarChart) {
  f.Start();
  QTest::mouseClick(f.Source()->ApplyButton(), Qt::LeftButton);
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_EQ(f.Messages.Entries[0].Icon, MessageIcon::Information);

  QTest::mouseClick(f.Source()->SampleButton(), Qt::LeftButton);
  EXPECT_EQ(f.Source()->ManualText().count(u'\n'), 7);
  QTest::mouseClick(f.Source()->ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
  EXPECT_EQ(f.State.Table.ItemCount(), 8);
  EXPECT_EQ(ItemCountText(f.State.Table.ItemCount()), QStringLiteral("数据项 8 项"));
  EXPECT_EQ(f.State.Table.Items.back().Name, QStringLiteral("2026第9周"));
  EXPECT_EQ(f.Status()->StatusText(), QStringLiteral("手工输入"));
  EXPECT_TRUE(f.Chart()->isVisible());

  // Clear empties the box, not the charts.
  Key(Qt::Key_F1);
  QTest::mouseClick(f.Source()->ClearButton(), Qt::LeftButton);
  EXPECT_TRUE(f.Source()->ManualText().isEmpty());
  EXPECT_EQ(f.State.Table.ItemCount(), 8);
}

TEST_F(MainWindowTest, AFailedLoadShowsTheNoticeAndEmptiesTheStatusBar) {
  StartWithRows(5);
  Key(Qt::Key_F1);
  f.Source()->SetManualText(QStringLiteral("a,1\nb,x"));
  QTest::mouseClick(f.Source()->ApplyButton(), Qt::LeftButton);
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_EQ(f.Source()->NoticeText(),
            f.State.Table.LastError + QStringLiteral("\r\n") + f.State.Table.LastHint);
  EXPECT_EQ(f.Model().Page(), ChartPage::Source);
  EXPECT_EQ(f.Status()->StatusText(), QString()) << "no stale name beside 0 items";

  // Clearing the box dismisses the notice for good.
  QTest::mouseClick(f.Source()->ClearButton(), Qt::LeftButton);
  Key(Qt::Key_F1);
  EXPECT_TRUE(f.Source()->NoticeText().isEmpty());
  EXPECT_TRUE(f.Model().Notice().isEmpty());

  // Browsing for a good file clears the notice and shows its name.
  f.Dialogs.Answer = WriteHtml(QStringLiteral("other.html"), 3);
  QTest::mouseClick(f.Source()->BrowseButton(), Qt::LeftButton);
  EXPECT_EQ(f.Status()->StatusText(), QStringLiteral("other.html"));
  EXPECT_EQ(f.Source()->PathBox()->text(), f.Dialogs.Answer);
  EXPECT_TRUE(f.Source()->NoticeText().isEmpty());
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
}

TEST_F(MainWindowTest, DroppedFilesAreLoadedOutsideTheDropAndOnlyTheFirstWaits) {
  f.Start();
  const QString txt = f.Path(QStringLiteral("notes.txt"));
  Drop({txt});
  EXPECT_TRUE(f.Messages.Entries.empty()) << "nothing happens inside the drop";
  Pump();
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_TRUE(f.Messages.Entries[0].Text.startsWith(QStringLiteral("不支持这种文件")));

  // A second drop while the first waits is discarded; the first loads and
  // replaces the typed text.
  f.Messages.Entries.clear();
  f.Source()->SetManualText(QStringLiteral("a,1\nb,2"));
  const QString first = WriteHtml(QStringLiteral("first.html"), 6);
  const QString second = WriteHtml(QStringLiteral("second.html"), 9);
  Drop({first});
  Drop({second});
  Pump();
  Pump();
  EXPECT_TRUE(f.Messages.Entries.empty());
  EXPECT_EQ(f.State.Table.SourcePath, first);
  EXPECT_EQ(f.State.Table.ItemCount(), 6);
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
  EXPECT_TRUE(f.Source()->ManualText().isEmpty());
  EXPECT_EQ(f.Source()->PathBox()->text(), first);
}

TEST_F(MainWindowTest, ADropWaitsWhileADialogIsOpen) {
  f.Start();
  const QString file = WriteHtml(QStringLiteral("later.html"), 4);
  QDialog dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  Drop({file});
  Pump();
  EXPECT_TRUE(f.State.Table.SourcePath.isEmpty()) << "not inside the dialog's event loop";
  dialog.close();
  QTest::qWait(60);
  EXPECT_EQ(f.State.Table.SourcePath, file);
  EXPECT_EQ(f.Model().Page(), ChartPage::Bar);
}

TEST_F(MainWindowTest, TheColourRowMovesIntoTheLineOptionsWhenTheHeaderIsNarrow) {
  StartWithRows(5, QSize(850, 700));
  QComboBox* combo = f.Source()->ColorCombo();
  QLabel* label = f.Source()->ColorLabel();
  struct Step {
    const char* Name;
    int Key, Width;
    QWidget* Host;  // null: hidden
  } steps[] = {
      {"line page, narrow", Qt::Key_F4, 850, f.Nav()},
      {"bar page, narrow", Qt::Key_F2, 850, nullptr},
      {"source page", Qt::Key_F1, 850, nullptr},
      {"bar page, wide", Qt::Key_F2, 1000, f.Header()},
      {"line page, wide", Qt::Key_F4, 1000, f.Header()},
      {"line page, narrowed again", Qt::Key_F4, 850, f.Nav()},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Name);
    f.Window->resize(step.Width, 700);
    Pump();
    Key(step.Key);
    EXPECT_EQ(combo->isVisible(), step.Host != nullptr);
    EXPECT_EQ(label->isVisible(), step.Host != nullptr);
    if (!step.Host) continue;
    EXPECT_EQ(combo->parentWidget(), step.Host);
    EXPECT_TRUE(step.Host->rect().contains(combo->geometry()));
    if (step.Host != f.Nav()) continue;
    const std::vector<OptionRow>& rows = f.Nav()->CurrentRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_GE(label->y(), static_cast<int>(rows.back().Bottom)) << "below the option rows";
    EXPECT_GE(combo->y(), label->geometry().bottom());
  }
  combo->setCurrentIndex(3);
  EXPECT_EQ(f.State.Config.LineColor, 0xFF27AE60u);
  EXPECT_EQ(IniValue(u"Colors", u"LineColor"), QStringLiteral("#27AE60"));
}

TEST_F(MainWindowTest, ContextMenuEntriesPerPageAndTheirCommands) {
  StartWithRows(5);
  ASSERT_TRUE(f.WaitForPicture());
  EXPECT_EQ(RightClick(), (QStringList{QStringLiteral("复制图片到剪贴板"),
                                       QStringLiteral("保存图表..."), QStringLiteral("打印...")}));

  RightClick(kMenuCopyImage);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), f.Chart()->Picture().size());
  const QByteArray svg =
      QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/svg+xml"));
  EXPECT_TRUE(svg.contains("<title>柱形图</title>")) << "the chart also goes as SVG";
  EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                               .arg(f.Chart()->Picture().width())
                               .arg(f.Chart()->Picture().height())
                               .toUtf8()));

  RightClick(kMenuPrint);
  EXPECT_EQ(f.Dialogs.PrintDialogs, 1);
  EXPECT_TRUE(f.Messages.Entries.empty()) << "a cancelled print says nothing";

  Key(Qt::Key_F4);
  const QImage blue = Shown();
  const QStringList lineMenu = RightClick(kMenuFirstColor + 4);
  EXPECT_EQ(lineMenu.size(), 4 + 8);
  EXPECT_EQ(f.State.Config.LineColor, 0xFFE67E22u);
  EXPECT_EQ(IniValue(u"Colors", u"LineColor"), QStringLiteral("#E67E22"));
  EXPECT_EQ(f.Source()->ColorCombo()->currentIndex(), 4);
  EXPECT_TRUE(f.WaitForPicture());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() != blue; })) << "the line is drawn again";

  Key(Qt::Key_F1);
  EXPECT_TRUE(RightClick(kMenuCopyImage).isEmpty()) << "no menu on the source page";
}

TEST_F(MainWindowTest, ColourComboWritesTheSettingsFile) {
  StartWithRows(3);
  // On a chart page the row sits in the header where the user can reach it.
  QComboBox* combo = f.Source()->ColorCombo();
  EXPECT_TRUE(combo->isVisible());
  EXPECT_NE(combo->parentWidget(), f.Source());
  EXPECT_TRUE(combo->parentWidget()->rect().contains(combo->geometry()));
  combo->setCurrentIndex(2);
  EXPECT_EQ(f.State.Config.LineColor, 0xFF0E9AA7u);
  EXPECT_EQ(IniValue(u"Colors", u"LineColor"), QStringLiteral("#0E9AA7"));
}

TEST_F(MainWindowTest, JpegExportWorksFromAReadOnlyProgramFolder) {
  f.Start();
  f.Source()->SetManualText(QStringLiteral("a,1\nb,2\nc,3"));
  QTest::mouseClick(f.Source()->ApplyButton(), Qt::LeftButton);
  ASSERT_TRUE(f.WaitForPicture());
  QTemporaryDir out;
  const QStringList before = QDir(f.Dir.path()).entryList(QDir::Files | QDir::Hidden);
  QFile::setPermissions(f.Dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  f.Dialogs.Answer = out.filePath(QStringLiteral("chart"));
  Key(Qt::Key_F8);
  EXPECT_EQ(QDir(f.Dir.path()).entryList(QDir::Files | QDir::Hidden), before)
      << "nothing is written to the program folder";
  QFile::setPermissions(f.Dir.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  ASSERT_EQ(f.Dialogs.Requests.size(), 1u);
  EXPECT_TRUE(f.Dialogs.Requests[0].Initial.startsWith(f.State.AppDir + QStringLiteral("柱形图")));
  EXPECT_TRUE(f.Dialogs.Requests[0].Initial.endsWith(QStringLiteral("分.jpg")));
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_EQ(f.Messages.Entries[0].Text,
            QStringLiteral("图片已保存:\r\n") + out.filePath(QStringLiteral("chart.jpg")));
  EXPECT_EQ(f.Messages.Entries[0].Icon, MessageIcon::Information);
  EXPECT_EQ(QImage(out.filePath(QStringLiteral("chart.jpg"))).size(), f.Chart()->Picture().size());
}

// SVG and PDF are the chart drawn again: the same size and texts as the
// picture, and the window's hover regions stay those of the picture.
TEST_F(MainWindowTest, DocumentExportDrawsTheShownPage) {
  StartWithRows(45);
  Key(Qt::Key_F3);
  ASSERT_TRUE(f.WaitForPicture());
  Key(Qt::Key_Right);
  ASSERT_EQ(f.Model().PageNo(), 2);
  const std::vector<HitRegion> regions = f.Model().Drawing().HitRegions;
  const QSize size = f.Chart()->Picture().size();
  QTemporaryDir out;
  for (const char* name : {"pie.svg", "pie.pdf", "pie.png"}) {
    f.Messages.Entries.clear();
    f.Dialogs.Answer = out.filePath(QString::fromLatin1(name));
    Key(Qt::Key_F8);
    ASSERT_EQ(f.Messages.Entries.size(), 1u) << name;
    // Documents are charts, the PNG a picture.
    const QString saved = QByteArray(name).endsWith(".png") ? QStringLiteral("图片已保存:\r\n")
                                                            : QStringLiteral("图表已保存:\r\n");
    EXPECT_EQ(f.Messages.Entries[0].Text, saved + f.Dialogs.Answer);
    EXPECT_EQ(f.Model().Drawing().HitRegions, regions) << name;
  }
  const QByteArray svg = test::ReadAll(out.filePath(QStringLiteral("pie.svg")));
  EXPECT_TRUE(svg.contains("饼形图   (第 2/3 页)")) << "the page shown, not the first";
  EXPECT_TRUE(svg.contains("项目21"));
  EXPECT_FALSE(svg.contains(">项目1<"));
  EXPECT_TRUE(svg.contains(
      QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(size.width()).arg(size.height()).toUtf8()));
  EXPECT_TRUE(test::ReadAll(out.filePath(QStringLiteral("pie.pdf"))).startsWith("%PDF-"));
  EXPECT_EQ(QImage(out.filePath(QStringLiteral("pie.png"))).size(), size);
}

TEST_F(MainWindowTest, CtrlPPrintsTheChartPageOnly) {
  StartWithRows(6);
  ASSERT_TRUE(f.WaitForPicture());
  QTemporaryDir out;
  std::vector<QPageLayout::Orientation> orientations;
  f.Dialogs.Printer = [&](QPrinter& printer) {
    orientations.push_back(printer.pageLayout().orientation());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(out.filePath(QStringLiteral("printed.pdf")));
    return true;
  };
  QTest::keyClick(f.Window.get(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(orientations.size(), 1u);
  EXPECT_EQ(orientations[0], QPageLayout::Landscape);
  EXPECT_TRUE(test::ReadAll(out.filePath(QStringLiteral("printed.pdf"))).startsWith("%PDF-"));
  EXPECT_TRUE(f.Messages.Entries.empty());

  Key(Qt::Key_F1);
  QTest::keyClick(f.Window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(orientations.size(), 1u) << "nothing to print on the source page";

  // A printer that cannot start is reported with its output.
  Key(Qt::Key_F2);
  f.Dialogs.Printer = [&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/proc/self/no.pdf"));
    return true;
  };
  QTest::keyClick(f.Window.get(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_EQ(f.Messages.Entries[0].Text, QStringLiteral("打印失败:\r\n/proc/self/no.pdf"));
  EXPECT_EQ(f.Messages.Entries[0].Icon, MessageIcon::Exclamation);
}

TEST_F(MainWindowTest, JpegExportToAReadOnlyFolderReportsThePath) {
  StartWithRows(4);
  ASSERT_TRUE(f.WaitForPicture());
  QTemporaryDir out;
  QFile::setPermissions(out.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const QString folder =
      QFileInfo(out.path()).isWritable() ? QStringLiteral("/proc/self") : out.path();
  f.Dialogs.Answer = folder + QStringLiteral("/x.jpg");
  Key(Qt::Key_F8);
  QFile::setPermissions(out.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  ASSERT_EQ(f.Messages.Entries.size(), 1u);
  EXPECT_TRUE(f.Messages.Entries[0].Text.startsWith(QStringLiteral("保存图片失败:\r\n") +
                                                    f.Dialogs.Answer + QStringLiteral("\r\n")))
      << f.Messages.Entries[0].Text.toStdString();
  f.State.Log.Flush();
  EXPECT_TRUE(test::ReadAll(f.State.Log.LogPath()).contains("chart save FAIL "));
  EXPECT_EQ(f.Messages.Entries[0].Icon, MessageIcon::Exclamation);
  // The dialog proposed the source file's folder.
  EXPECT_TRUE(f.Dialogs.Requests[0].Initial.startsWith(f.Dir.path() + QStringLiteral("/柱形图")));
}

TEST_F(MainWindowTest, ResizingRedrawsOnceTheSizeHasSettled) {
  StartWithRows(5);
  ASSERT_TRUE(f.WaitForPicture());
  const QSize shown = f.Chart()->Picture().size();
  f.Window->resize(f.Window->size() + QSize(40, 0));
  f.Window->resize(f.Window->size() + QSize(40, 0));
  Pump();
  EXPECT_EQ(f.Chart()->Picture().size(), shown) << "a resize waits for the redraw timer";
  EXPECT_TRUE(f.WaitForPicture());
  EXPECT_EQ(f.Chart()->Picture().width(), shown.width() + 80);
}

// Counts the paint events of one widget.
class PaintCounter final : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

TEST_F(MainWindowTest, TheRedrawTimerStopsOnceTheWindowHasSettled) {
  StartWithRows(5);
  PaintCounter counter;
  f.Chart()->installEventFilter(&counter);
  QTest::qWait(8 * 120 + 400);  // the settling redraws
  EXPECT_GT(counter.Paints, 0);
  counter.Paints = 0;
  QTest::qWait(400);
  EXPECT_EQ(counter.Paints, 0) << "nothing changed, nothing drawn";
}

TEST_F(MainWindowTest, ThePieIsPagedByKeysAndTheWheelNotByTheRightButton) {
  StartWithRows(45);  // 20 per page: three pages
  Key(Qt::Key_F3);
  ASSERT_TRUE(f.WaitForPicture());
  auto wheel = [&](int angle) {
    const QPointF at(50, 50);
    QWheelEvent event(at, f.Chart()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.Chart(), &event);
  };
  const int w = f.Chart()->width();
  struct Step {
    const char* Name;
    std::function<void()> Act;
    int Page;
  } steps[] = {
      {"Right", [&] { Key(Qt::Key_Right); }, 2},
      {"wheel towards the user", [&] { wheel(-120); }, 3},
      {"PageUp", [&] { Key(Qt::Key_PageUp); }, 2},
      {"right press on the right half",
       [&] { QTest::mousePress(f.Chart(), Qt::RightButton, {}, QPoint(3 * w / 4, 50)); }, 2},
  };
  const QImage first = Shown();
  for (const Step& step : steps) {
    step.Act();
    EXPECT_EQ(f.Model().PageNo(), step.Page) << step.Name;
  }
  EXPECT_NE(Shown(), first) << "the page shown is drawn at once";
}

TEST_F(MainWindowTest, TheRightClickMenuActsOnThePiePageShown) {
  StartWithRows(45);
  Key(Qt::Key_F3);
  ASSERT_TRUE(f.WaitForPicture());
  const QImage firstPage = Shown();
  Key(Qt::Key_Right);
  ASSERT_EQ(f.Model().PageNo(), 2);
  const QImage secondPage = Shown();
  ASSERT_NE(firstPage, secondPage);

  QGuiApplication::clipboard()->clear();
  // Press and release over the left half, where a press used to turn back.
  EXPECT_FALSE(RightClick(kMenuCopyImage).isEmpty());
  EXPECT_EQ(f.Model().PageNo(), 2);
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            secondPage);

  // The saved picture is the page shown too.
  QTemporaryDir out;
  f.Dialogs.Answer = out.filePath(QStringLiteral("pie"));
  RightClick(kMenuSaveChart);
  EXPECT_EQ(f.Model().PageNo(), 2);
  const QImage saved(out.filePath(QStringLiteral("pie.jpg")));
  ASSERT_EQ(saved.size(), secondPage.size());
  // JPEG is lossy: the file is nearer the page shown than the other page.
  auto distance = [&](const QImage& page) {
    qint64 sum = 0;
    for (int y = 0; y < saved.height(); ++y)
      for (int x = 0; x < saved.width(); ++x)
        sum += std::abs(qGray(saved.pixel(x, y)) - qGray(page.pixel(x, y)));
    return sum;
  };
  EXPECT_LT(distance(secondPage), distance(firstPage));
}

TEST_F(MainWindowTest, HoveringAnElementHighlightsItAndShowsItsTip) {
  StartWithRows(5);
  ASSERT_TRUE(f.WaitForPicture());
  ASSERT_GE(f.Model().Drawing().HitRegions.size(), 3u);
  const HitRegion r = f.Model().Drawing().HitRegions[2];
  const QPoint inside(static_cast<int>((r.Left + r.Right) / 2), static_cast<int>(r.Bottom - 2));
  const QImage plain = f.Chart()->grab().toImage();
  QTest::mouseMove(f.Chart(), inside);
  EXPECT_EQ(f.Model().HoverIndex(), r.ItemIndex);
  EXPECT_EQ(QToolTip::text(), f.Model().HoverTip());
  EXPECT_NE(f.Chart()->grab().toImage(), plain) << "the element is highlighted";
  QTest::mouseMove(f.Chart(), QPoint(2, 2));
  EXPECT_EQ(f.Model().HoverIndex(), 0);
  EXPECT_EQ(f.Chart()->grab().toImage(), plain) << "and no longer";
}

TEST_F(MainWindowTest, HoveringThePiePicksTheSliceUnderTheMouse) {
  StartWithRows(4);  // values 10, 20, 30, 40: quarter turns at 36°, 108°, 216°
  Key(Qt::Key_F3);
  ASSERT_TRUE(f.WaitForPicture());
  ChartRequest request;
  request.Page = ChartPage::Pie;
  const QSize canvas = f.Layout().Canvas.size();
  const PieLayout pie = ComputePieLayout(canvas.width(), canvas.height(), f.State.Table, request);
  const QPointF c(pie.Cx, pie.Cy);
  QTest::mouseMove(f.Chart(), (c + QPointF(10, -60)).toPoint());  // just past 12 o'clock
  EXPECT_EQ(f.Model().HoverIndex(), 1);
  QTest::mouseMove(f.Chart(), (c + QPointF(-60, 0)).toPoint());  // 9 o'clock: 270°
  EXPECT_EQ(f.Model().HoverIndex(), 4);
  QTest::mouseMove(f.Chart(), (c + QPointF(0, 60)).toPoint());  // 6 o'clock: 180°
  EXPECT_EQ(f.Model().HoverIndex(), 3);
}

TEST_F(MainWindowTest, AtOneHundredFortyFourDpiEverythingIsScaledOnce) {
  f.Start({}, 144, QSize(1200, 800));
  EXPECT_EQ(f.Layout().Nav.width(), 264);
  EXPECT_EQ(f.Layout().Canvas.topLeft(), QPoint(276, 99));
  EXPECT_EQ(f.SourceRect(), f.Layout().Canvas);
  EXPECT_EQ(f.Source()->BrowseButton()->width(), 48);
  EXPECT_EQ(f.Source()->SampleButton()->width(), 186);
  EXPECT_EQ(f.Source()->ManualBox()->font().pixelSize(), 20);  // 10 pt at 96 dpi, × 1.5
}

TEST_F(MainWindowTest, HooksForTheUpdateAndTheAboutWindow) {
  StartWithRows(3);
  int updates = 0, abouts = 0;
  WindowHooks hooks;
  hooks.StartUpdate = [&](QWidget*) { ++updates; };
  hooks.ShowAbout = [&](QWidget*) { ++abouts; };
  hooks.VersionText = [] { return QStringLiteral("26.01.05.09"); };
  MainWindow window(f.State, f.Messages, f.Dialogs, hooks, 1.0f);
  window.resize(1000, 700);
  window.show();
  Pump();
  auto* nav = window.findChild<NavPanel*>(QStringLiteral("nav"));
  EXPECT_EQ(nav->VersionLabel()->text(), QStringLiteral("版本:26.01.05.09"));
  EXPECT_EQ(nav->UpgradeLabel()->text(), QStringLiteral("【升级到最新版】"));
  QTest::keyClick(&window, Qt::Key_F10);
  QTest::mouseClick(nav->UpgradeLabel(), Qt::LeftButton);
  EXPECT_EQ(updates, 2);
  auto* status = window.findChild<StatusBar*>(QStringLiteral("status"));
  QTest::mouseClick(status, Qt::LeftButton, {}, QPoint(100, 10));
  QTest::mouseClick(status, Qt::LeftButton, {}, QPoint(400, 10));  // past the link
  EXPECT_EQ(abouts, 1);
}

// Text typed into the manual input box and not yet charted is asked about
// before Esc, F5 or the close button end the window, and No keeps it.
TEST_F(MainWindowTest, TypedTextIsAskedAboutBeforeTheWindowCloses) {
  const QString typed = QStringLiteral("East,12");
  for (const int key : {int(Qt::Key_Escape), int(Qt::Key_F5), 0}) {
    SCOPED_TRACE(key);
    WindowFixture w;
    w.Start();
    QPlainTextEdit* box = w.Source()->ManualBox();
    box->setFocus();
    QTest::keyClicks(box, typed);
    const auto closeWindow = [&] {
      if (key != 0)
        QTest::keyClick(box, static_cast<Qt::Key>(key));
      else
        w.Window->close();  // what the close button does
      Pump();
    };
    w.Messages.Answer = MessageAnswer::No;
    closeWindow();
    ASSERT_EQ(w.Messages.Entries.size(), 1u);
    EXPECT_EQ(w.Messages.Entries[0].Text, QStringLiteral("输入的数据尚未生成图表,确定要退出吗?"));
    EXPECT_EQ(w.Messages.Entries[0].Buttons, MessageButtons::YesNo);
    EXPECT_TRUE(w.Window->isVisible());
    EXPECT_EQ(box->toPlainText(), typed);
    w.Messages.Answer = MessageAnswer::Yes;
    closeWindow();
    EXPECT_FALSE(w.Window->isVisible());
  }
  // Once charted, the text is no longer at stake.
  f.Start();
  f.Source()->SetManualText(SampleDataText());
  QTest::mouseClick(f.Source()->ApplyButton(), Qt::LeftButton);
  f.Messages.Entries.clear();
  Key(Qt::Key_Escape);
  EXPECT_TRUE(f.Messages.Entries.empty());
  EXPECT_FALSE(f.Window->isVisible());
}

// A chart that cannot hold every item says so as soon as it is drawn: in
// the status bar, and in the description assistive technology reads.
TEST_F(MainWindowTest, APartialChartIsSaidWhenFirstDrawn) {
  StartWithRows(200);
  ASSERT_TRUE(f.WaitForPicture());
  test::Pump();
  const ChartOutline& drawn = f.Model().Drawing().Outline;
  ASSERT_LT(drawn.Drawn, 200);
  const QString partial = QStringLiteral("显示 %1 项,共 200 项").arg(drawn.Drawn);
  EXPECT_EQ(f.Status()->StatusText(), partial + QStringLiteral("  sales.html"));
  EXPECT_TRUE(f.Chart()->Speech().Description.startsWith(partial + u'\n'));
  // The pie shows every item, page by page.
  Key(Qt::Key_F3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.Model().Drawing().Outline.Page == ChartPage::Pie; }));
  test::Pump();
  EXPECT_EQ(f.Status()->StatusText(), QStringLiteral("sales.html"));
  EXPECT_FALSE(f.Chart()->Speech().Description.startsWith(QStringLiteral("显示")));
}

}  // namespace
}  // namespace qh
