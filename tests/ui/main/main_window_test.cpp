// The main window driven like a user would: start-up, keys, clicks, drops,
// the context menu and the JPEG export, on the offscreen platform.
#include "base/ini_file.h"
#include "chart/pie_chart.h"
#include "app/capacity.h"
#include "ui/main/chart_view.h"
#include "ui/main/frame_bars.h"
#include "ui/main/nav_panel.h"
#include "ui/main/source_page.h"
#include "ui/services/chart_menu.h"
#include "support/test_files.h"
#include "ui/main/window_test_support.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::Pump;
using test::WindowFixture;

const QString kNoData = QStringLiteral(
    "尚无可用数据,无法生成图表.\r\n\r\n请先在[数据源]页面选择数据文件,或直接输入 项目,数值 多行数据.");

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
  void Key(int key) { QTest::keyClick(f.window.get(), static_cast<Qt::Key>(key)); }
  QPoint NavItem(int i) const {
    const int top = f.window->Layout().NavTop;
    return QPoint(30, top + 45 * i + 20);
  }
  void Drop(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    // Qt delivers a drop only to the target its drag-enter chose.
    QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &enter);
    QDropEvent drop(QPointF(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &drop);
    delete mime;
  }
  std::vector<QString> MessageTexts() const {
    std::vector<QString> out;
    for (const auto& e : f.messages.entries) out.push_back(e.text);
    return out;
  }
  QString IniValue(const char16_t* section, const char16_t* key) const {
    return IniFile(f.state.SettingsPath).ReadRaw(section, key, QStringLiteral("<none>"));
  }
};

TEST_F(MainWindowTest, StartsOnTheSourcePageWithoutArgument) {
  f.Start();
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Source);
  EXPECT_EQ(f.window->NavIndex(), 0);
  EXPECT_TRUE(f.startupMessages.entries.empty());
  EXPECT_TRUE(f.messages.entries.empty());
  EXPECT_TRUE(f.window->Source()->isVisible());
  EXPECT_FALSE(f.window->Chart()->isVisible());
  EXPECT_EQ(f.window->Source()->geometry(), f.window->Layout().Canvas);
}

TEST_F(MainWindowTest, StartsOnTheBarPageWithAGoodFile) {
  StartWithRows(8);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Bar);
  EXPECT_EQ(f.window->NavIndex(), 1);
  EXPECT_TRUE(f.startupMessages.entries.empty());
  EXPECT_EQ(f.window->Status()->StatusText(), QStringLiteral("sales.html"));
  f.window->TimerTick();
  EXPECT_EQ(f.window->ShownPicture().size(), f.window->Layout().Canvas.size());
  EXPECT_TRUE(f.window->Chart()->isVisible());
  EXPECT_LT(f.window->Source()->x(), 0) << "the source frame is moved away";
}

TEST_F(MainWindowTest, ARefusedFileWarnsOnceAndOpensEmpty) {
  f.Start({f.Path(QStringLiteral("missing.html"))});
  ASSERT_EQ(f.startupMessages.entries.size(), 1u);
  const auto& warning = f.startupMessages.entries[0];
  EXPECT_EQ(warning.icon, MessageIcon::Exclamation);
  EXPECT_TRUE(warning.text.startsWith(QStringLiteral("数据源文件不存在.\r\n\r\n")));
  EXPECT_EQ(warning.text, ReasonAndHint(f.state.Table.LastError, f.state.Table.LastHint));
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Source);
  EXPECT_EQ(f.state.Table.ItemCount(), 0);
  EXPECT_TRUE(f.messages.entries.empty());
}

TEST_F(MainWindowTest, FunctionKeysSwitchPagesAndCloseTheWindow) {
  StartWithRows(5);
  const std::pair<int, ChartPage> steps[] = {{Qt::Key_F3, ChartPage::Pie},
                                             {Qt::Key_F4, ChartPage::Line},
                                             {Qt::Key_F1, ChartPage::Source},
                                             {Qt::Key_F2, ChartPage::Bar}};
  for (const auto& [key, page] : steps) {
    Key(key);
    EXPECT_EQ(f.window->CurrentPage(), page) << key;
    EXPECT_EQ(f.window->NavIndex(), page == ChartPage::Source ? 0 : static_cast<int>(page) + 1);
  }
  // Keys act while the focus is in a text box of the source page.
  Key(Qt::Key_F1);
  f.window->Source()->ManualBox()->setFocus();
  QTest::keyClick(f.window->Source()->ManualBox(), Qt::Key_F3);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Pie);
  EXPECT_TRUE(f.messages.entries.empty());

  for (int closeKey : {Qt::Key_Escape, Qt::Key_F5}) {
    WindowFixture g;
    g.Start();
    QTest::keyClick(g.window.get(), static_cast<Qt::Key>(closeKey));
    EXPECT_FALSE(g.window->isVisible());
    EXPECT_FALSE(g.window->QzFormAlive());
  }
}

TEST_F(MainWindowTest, ChartPagesWithoutDataExplainAndStayOnSource) {
  f.Start();
  Key(Qt::Key_F2);
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, NavItem(2));  // 饼形图
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{kNoData, kNoData}));
  EXPECT_EQ(f.messages.entries[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Source);
  EXPECT_EQ(f.window->NavIndex(), 0);
  EXPECT_EQ(f.window->Source()->geometry(), f.window->Layout().Canvas);

  f.messages.entries.clear();
  Key(Qt::Key_F8);  // nothing to save
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, NavItem(0) + QPoint(0, 23));  // dead gap
  EXPECT_TRUE(f.messages.entries.empty());
  EXPECT_TRUE(f.dialogs.requests.empty());
}

TEST_F(MainWindowTest, NavigationClicksAndTheExitItem) {
  StartWithRows(5);
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, NavItem(3));
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Line);
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, NavItem(0));
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Source);
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, NavItem(4));
  EXPECT_FALSE(f.window->QzFormAlive());
}

TEST_F(MainWindowTest, OpeningBarOrLineWithTooManyItemsWarns) {
  StartWithRows(100);
  const int canvasW = f.window->Layout().Canvas.width();
  for (ChartPage page : {ChartPage::Line, ChartPage::Pie, ChartPage::Bar}) {
    f.messages.entries.clear();
    Key(page == ChartPage::Line ? Qt::Key_F4 : page == ChartPage::Pie ? Qt::Key_F3 : Qt::Key_F2);
    const QString expected = CheckCapacity(page, 100, canvasW, 1.0f).Message;
    if (page == ChartPage::Pie) {
      EXPECT_TRUE(f.messages.entries.empty());
      continue;
    }
    ASSERT_EQ(f.messages.entries.size(), 1u);
    EXPECT_EQ(f.messages.entries[0].text, expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("共 100 项")));
  }
  EXPECT_EQ(f.window->BarCapacity(), CheckCapacity(ChartPage::Bar, 100, canvasW, 1).BarCapacity);
}

TEST_F(MainWindowTest, OptionRowsToggleAndAreWrittenToTheSettingsFile) {
  StartWithRows(5);
  std::vector<OptionRow>& rows = f.window->Nav()->CurrentRows();
  ASSERT_EQ(rows.size(), 4u);
  const QPoint noName(static_cast<int>(rows[0].Left + 20), static_cast<int>(rows[0].Top + 5));
  const QPoint letters(static_cast<int>(rows[1].Left + 20), static_cast<int>(rows[1].Top + 5));
  const int rendersBefore = f.window->RenderCount();
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, letters);
  EXPECT_TRUE(f.state.Labels.BarUseLetters);
  EXPECT_EQ(f.window->RenderCount(), rendersBefore + 1) << "a toggle redraws at once";
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, noName);
  EXPECT_TRUE(f.state.Labels.BarNoName);
  EXPECT_FALSE(f.state.Labels.BarUseLetters);
  EXPECT_EQ(IniValue(u"Bar", u"NoName"), QStringLiteral("1"));
  EXPECT_EQ(IniValue(u"Bar", u"UseLetters"), QStringLiteral("0"));
  QTest::mouseClick(f.window->Nav(), Qt::LeftButton, {}, letters);  // disabled now
  EXPECT_FALSE(f.state.Labels.BarUseLetters);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Bar) << "rows are not navigation items";

  Key(Qt::Key_F3);  // the pie has no panel
  EXPECT_TRUE(f.window->Nav()->CurrentRows().empty());
  Key(Qt::Key_F4);
  EXPECT_EQ(f.window->Nav()->CurrentRows().size(), 3u);
}

TEST_F(MainWindowTest, SampleThenApplyOpensTheBarChart) {
  f.Start();
  QTest::mouseClick(f.window->Source()->ApplyButton(), Qt::LeftButton);
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.messages.entries[0].text, QStringLiteral("请先输入数据,每行一项,格式为项目,数值."));
  EXPECT_EQ(f.messages.entries[0].icon, MessageIcon::Information);

  QTest::mouseClick(f.window->Source()->SampleButton(), Qt::LeftButton);
  EXPECT_EQ(f.window->Source()->ManualText().count(u'\n'), 7);
  QTest::mouseClick(f.window->Source()->ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Bar);
  EXPECT_EQ(f.state.Table.ItemCount(), 8);
  EXPECT_EQ(ItemCountText(f.state.Table.ItemCount()), QStringLiteral("数据项 8 项"));
  EXPECT_EQ(f.state.Table.Items.back().Name, QStringLiteral("2026第9周"));
  EXPECT_EQ(f.window->Status()->StatusText(), QStringLiteral("手工输入"));
  EXPECT_EQ(IniValue(u"Recent", u"LastFile"), QStringLiteral("<none>"));

  // Clear empties the box, not the charts.
  Key(Qt::Key_F1);
  QTest::mouseClick(f.window->Source()->ClearButton(), Qt::LeftButton);
  EXPECT_TRUE(f.window->Source()->ManualText().isEmpty());
  EXPECT_EQ(f.state.Table.ItemCount(), 8);
}

TEST_F(MainWindowTest, ABadManualLineShowsTheNoticeAndTheMessage) {
  f.Start();
  f.window->Source()->SetManualText(QStringLiteral("a,1\nb,x"));
  QTest::mouseClick(f.window->Source()->ApplyButton(), Qt::LeftButton);
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.window->Source()->NoticeText(),
            f.state.Table.LastError + QStringLiteral("\r\n") + f.state.Table.LastHint);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Source);
}

TEST_F(MainWindowTest, DroppedFilesAreCheckedAndLoadedOutsideTheDrop) {
  f.Start();
  const QString txt = f.Path(QStringLiteral("notes.txt"));
  Drop({txt});
  EXPECT_TRUE(f.messages.entries.empty()) << "nothing happens inside the drop";
  Pump();
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.messages.entries[0].text,
            QStringLiteral("不支持这种文件,请拖入数据文件.\r\n\r\n"
                           "支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx).\r\n\r\n") +
                txt);

  // Upper-case extensions pass the check and reach the reader.
  f.messages.entries.clear();
  const QString xlsx = f.Path(QStringLiteral("REPORT.XLSX"));
  test::WriteFile(xlsx, "not a workbook");
  Drop({xlsx});
  Pump();
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_FALSE(f.messages.entries[0].text.startsWith(QStringLiteral("不支持这种文件")));
  EXPECT_FALSE(f.window->Source()->NoticeText().isEmpty());
  EXPECT_EQ(f.state.Table.SourcePath, xlsx);

  // A second drop while the first waits is discarded; the first loads.
  f.messages.entries.clear();
  const QString first = WriteHtml(QStringLiteral("first.html"), 6);
  const QString second = WriteHtml(QStringLiteral("second.html"), 9);
  Drop({first});
  Drop({second});
  Pump();
  Pump();
  EXPECT_TRUE(f.messages.entries.empty());
  EXPECT_EQ(f.state.Table.SourcePath, first);
  EXPECT_EQ(f.state.Table.ItemCount(), 6);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Bar);
  EXPECT_TRUE(f.window->Source()->NoticeText().isEmpty());
  EXPECT_EQ(IniValue(u"Recent", u"LastFile"), first);
}

TEST_F(MainWindowTest, DroppedNamesWithSpacesAroundTheExtensionLoadLikeTheOpenPath) {
  for (const QString& name : {QStringLiteral("报表.csv "), QStringLiteral("a. csv"),
                             QStringLiteral("b.c sv")}) {
    WindowFixture g;
    g.Start();
    const QString path = g.Path(name);
    test::WriteFile(path, "项目,数值\r\n甲,1\r\n乙,2\r\n丙,3\r\n");
    g.window->AcceptDroppedFile(path);
    EXPECT_TRUE(g.messages.entries.empty()) << name.toStdString();
    EXPECT_EQ(g.state.Table.ItemCount(), 3) << name.toStdString();
    EXPECT_EQ(g.window->CurrentPage(), ChartPage::Bar) << name.toStdString();
  }
}

TEST_F(MainWindowTest, TheStatusTextFollowsTheTableAfterEveryLoad) {
  StartWithRows(5);
  const QString good = WriteHtml(QStringLiteral("other.html"), 3);
  auto apply = [&](const QString& text) {
    f.window->Source()->SetManualText(text);
    QTest::mouseClick(f.window->Source()->ApplyButton(), Qt::LeftButton);
  };
  auto browse = [&](const QString& answer) {
    f.dialogs.answer = answer;
    QTest::mouseClick(f.window->Source()->BrowseButton(), Qt::LeftButton);
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    int items;
    QString status;
  } steps[] = {
      {"the command-line file", [] {}, 5, QStringLiteral("sales.html")},
      {"a failed apply after a file", [&] { apply(QStringLiteral("a,1\nb,x")); }, 0, QString()},
      {"typed data", [&] { apply(SampleDataText()); }, 8, QStringLiteral("手工输入")},
      {"a failed apply after typed data", [&] { apply(QStringLiteral("only one,1")); }, 0,
       QString()},
      {"a good browse", [&] { browse(good); }, 3, QStringLiteral("other.html")},
      {"a failed browse", [&] { browse(f.Path(QStringLiteral("gone.html"))); }, 0, QString()},
  };
  for (const Step& step : steps) {
    Key(Qt::Key_F1);
    step.act();
    EXPECT_EQ(f.state.Table.ItemCount(), step.items) << step.name;
    EXPECT_EQ(f.window->Status()->StatusText(), step.status) << step.name;
  }
}

TEST_F(MainWindowTest, TheColourRowMovesIntoTheLineOptionsWhenTheHeaderIsNarrow) {
  StartWithRows(5, QSize(850, 700));
  QComboBox* combo = f.window->Source()->ColorCombo();
  QLabel* label = f.window->Source()->ColorLabel();
  struct Step {
    const char* name;
    int key, width;
    QWidget* host;  // null: hidden
  } steps[] = {
      {"line page, narrow", Qt::Key_F4, 850, f.window->Nav()},
      {"bar page, narrow", Qt::Key_F2, 850, nullptr},
      {"source page", Qt::Key_F1, 850, nullptr},
      {"bar page, wide", Qt::Key_F2, 1000, f.window->Header()},
      {"line page, wide", Qt::Key_F4, 1000, f.window->Header()},
      {"line page, narrowed again", Qt::Key_F4, 850, f.window->Nav()},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    f.window->resize(step.width, 700);
    Pump();
    Key(step.key);
    EXPECT_EQ(combo->isVisible(), step.host != nullptr);
    EXPECT_EQ(label->isVisible(), step.host != nullptr);
    if (!step.host) continue;
    EXPECT_EQ(combo->parentWidget(), step.host);
    EXPECT_TRUE(step.host->rect().contains(combo->geometry()));
    if (step.host != f.window->Nav()) continue;
    const std::vector<OptionRow>& rows = f.window->Nav()->CurrentRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_GE(label->y(), static_cast<int>(rows.back().Bottom)) << "below the option rows";
    EXPECT_GE(combo->y(), label->geometry().bottom());
  }
  combo->setCurrentIndex(3);
  EXPECT_EQ(f.state.Config.LineColor, 0xFF27AE60u);
  EXPECT_EQ(IniValue(u"Colors", u"LineColor"), QStringLiteral("#27AE60"));
}

TEST_F(MainWindowTest, ADropWaitsWhileADialogIsOpen) {
  f.Start();
  const QString file = WriteHtml(QStringLiteral("later.html"), 4);
  QDialog dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  Drop({file});
  Pump();
  EXPECT_TRUE(f.state.Table.SourcePath.isEmpty()) << "not inside the dialog's event loop";
  dialog.close();
  QTest::qWait(60);
  EXPECT_EQ(f.state.Table.SourcePath, file);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Bar);
}

TEST_F(MainWindowTest, AFailedDropOnAChartPageEndsOnTheSourcePage) {
  StartWithRows(5);
  Key(Qt::Key_F3);
  f.window->AcceptDroppedFile(f.Path(QStringLiteral("gone.csv")));
  EXPECT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.window->CurrentPage(), ChartPage::Source);
  f.window->AcceptDroppedFile(QStringLiteral(" \t"));
  EXPECT_EQ(f.messages.entries.size(), 1u) << "blank paths are ignored";
}

TEST_F(MainWindowTest, ContextMenuEntriesPerPageAndTheirCommands) {
  StartWithRows(5);
  f.window->TimerTick();
  std::vector<QStringList> shown;
  int choose = 0;  // identifier to pick, 0 dismisses
  f.window->SetMenuRunner([&](QMenu& menu, QPoint) -> QAction* {
    QStringList texts;
    QAction* chosen = nullptr;
    std::function<void(QMenu&)> walk = [&](QMenu& m) {
      for (QAction* a : m.actions()) {
        texts << a->text();
        if (a->menu()) walk(*a->menu());
        if (ChartMenuCommand(a) == choose && choose != 0) chosen = a;
      }
    };
    walk(menu);
    shown.push_back(texts);
    return chosen;
  });
  auto rightClick = [&] {
    QTest::mouseRelease(f.window->Chart(), Qt::RightButton, {}, QPoint(10, 10));
  };

  rightClick();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], (QStringList{QStringLiteral("复制图片到剪贴板"),
                                   QStringLiteral("保存为图片文件(JPG)"), QStringLiteral("打印...")}));

  choose = kMenuCopyImage;
  rightClick();
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), f.window->ShownPicture().size());
  const QByteArray svg = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/svg+xml"));
  EXPECT_TRUE(svg.contains("<title>柱形图</title>")) << "the chart also goes as SVG";
  EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                               .arg(f.window->ShownPicture().width())
                               .arg(f.window->ShownPicture().height())
                               .toUtf8()));

  int printed = 0;
  f.window->SetPrintRunner([&](QPrinter&) { ++printed; return false; });
  choose = kMenuPrint;
  rightClick();
  EXPECT_EQ(printed, 1);
  EXPECT_TRUE(f.messages.entries.empty()) << "a cancelled print says nothing";

  Key(Qt::Key_F4);
  f.window->TimerTick();
  choose = kMenuFirstColor + 4;
  rightClick();
  EXPECT_EQ(shown.back().size(), 4 + 8);
  EXPECT_EQ(f.state.Config.LineColor, 0xFFE67E22u);
  EXPECT_EQ(IniValue(u"Colors", u"LineColor"), QStringLiteral("#E67E22"));
  EXPECT_EQ(f.window->Source()->ColorCombo()->currentIndex(), 4);

  Key(Qt::Key_F1);
  const size_t menusBefore = shown.size();
  rightClick();
  EXPECT_EQ(shown.size(), menusBefore) << "no menu on the source page";
}

TEST_F(MainWindowTest, ColourComboWritesTheSettingsFile) {
  StartWithRows(3);
  // On a chart page the row sits in the header where the user can reach it.
  QComboBox* combo = f.window->Source()->ColorCombo();
  EXPECT_TRUE(combo->isVisible());
  EXPECT_NE(combo->parentWidget(), f.window->Source());
  EXPECT_TRUE(combo->parentWidget()->rect().contains(combo->geometry()));
  f.window->Source()->ColorCombo()->setCurrentIndex(2);
  EXPECT_EQ(f.state.Config.LineColor, 0xFF0E9AA7u);
  EXPECT_EQ(IniValue(u"Colors", u"LineColor"), QStringLiteral("#0E9AA7"));
  f.window->ApplyColorChoice(8);  // ignored
  EXPECT_EQ(f.state.Config.LineColor, 0xFF0E9AA7u);
}

TEST_F(MainWindowTest, JpegExportWorksFromAReadOnlyProgramFolder) {
  f.Start();
  f.window->Source()->SetManualText(QStringLiteral("a,1\nb,2\nc,3"));
  QTest::mouseClick(f.window->Source()->ApplyButton(), Qt::LeftButton);
  f.window->TimerTick();
  QTemporaryDir out;
  f.window->SetClock([] { return QDateTime(QDate(2026, 1, 5), QTime(9, 30)); });
  const QStringList before = QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden);
  QFile::setPermissions(f.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  f.dialogs.answer = out.filePath(QStringLiteral("chart"));
  Key(Qt::Key_F8);
  EXPECT_EQ(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), before)
      << "nothing is written to the program folder";
  QFile::setPermissions(f.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
  ASSERT_EQ(f.dialogs.requests.size(), 1u);
  EXPECT_EQ(f.dialogs.requests[0].Initial,
            f.state.AppDir + QStringLiteral("柱形图2026年1月5日09时30分.jpg"));
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.messages.entries[0].text,
            QStringLiteral("图片已保存:\r\n") + out.filePath(QStringLiteral("chart.jpg")));
  EXPECT_EQ(f.messages.entries[0].icon, MessageIcon::Information);
  EXPECT_EQ(QImage(out.filePath(QStringLiteral("chart.jpg"))).size(),
            f.window->ShownPicture().size());
}

// SVG and PDF are the chart drawn again: the same size and texts as the
// picture, and the window's hover regions stay those of the picture.
TEST_F(MainWindowTest, DocumentExportDrawsTheShownPage) {
  StartWithRows(45);
  Key(Qt::Key_F3);
  f.window->TimerTick();
  Key(Qt::Key_Right);
  ASSERT_EQ(f.window->PageNo(), 2);
  const std::vector<HitRegion> regions = f.window->HitRegions();
  const QSize size = f.window->ShownPicture().size();
  QTemporaryDir out;
  for (const char* name : {"pie.svg", "pie.pdf", "pie.png"}) {
    f.messages.entries.clear();
    f.dialogs.answer = out.filePath(QString::fromLatin1(name));
    f.window->SaveChartAsJpg();
    ASSERT_EQ(f.messages.entries.size(), 1u) << name;
    EXPECT_EQ(f.messages.entries[0].text, QStringLiteral("图片已保存:\r\n") + f.dialogs.answer);
    EXPECT_EQ(f.window->HitRegions(), regions) << name;
  }
  const QByteArray svg = test::ReadAll(out.filePath(QStringLiteral("pie.svg")));
  EXPECT_TRUE(svg.contains("饼形图   (第 2/3 页)")) << "the page shown, not the first";
  EXPECT_TRUE(svg.contains("项目21"));
  EXPECT_FALSE(svg.contains(">项目1<"));
  EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(size.width()).arg(size.height()).toUtf8()));
  EXPECT_TRUE(test::ReadAll(out.filePath(QStringLiteral("pie.pdf"))).startsWith("%PDF-"));
  EXPECT_EQ(QImage(out.filePath(QStringLiteral("pie.png"))).size(), size);
}

TEST_F(MainWindowTest, CtrlPPrintsTheChartPageOnly) {
  StartWithRows(6);
  f.window->TimerTick();
  QTemporaryDir out;
  std::vector<QPageLayout::Orientation> orientations;
  f.window->SetPrintRunner([&](QPrinter& printer) {
    orientations.push_back(printer.pageLayout().orientation());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(out.filePath(QStringLiteral("printed.pdf")));
    return true;
  });
  QTest::keyClick(f.window.get(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(orientations.size(), 1u);
  EXPECT_EQ(orientations[0], QPageLayout::Landscape);
  EXPECT_TRUE(test::ReadAll(out.filePath(QStringLiteral("printed.pdf"))).startsWith("%PDF-"));
  EXPECT_TRUE(f.messages.entries.empty());

  Key(Qt::Key_F1);
  QTest::keyClick(f.window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(orientations.size(), 1u) << "nothing to print on the source page";

  // A printer that cannot start is reported with its output.
  Key(Qt::Key_F2);
  f.window->TimerTick();
  f.window->SetPrintRunner([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/proc/self/no.pdf"));
    return true;
  });
  QTest::keyClick(f.window.get(), Qt::Key_P, Qt::ControlModifier);
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.messages.entries[0].text, QStringLiteral("打印失败:\r\n/proc/self/no.pdf"));
  EXPECT_EQ(f.messages.entries[0].icon, MessageIcon::Exclamation);
}

TEST_F(MainWindowTest, JpegExportToAReadOnlyFolderReportsThePath) {
  StartWithRows(4);
  f.window->TimerTick();
  QTemporaryDir out;
  QFile::setPermissions(out.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const QString folder = QFileInfo(out.path()).isWritable() ? QStringLiteral("/proc/self") : out.path();
  f.dialogs.answer = folder + QStringLiteral("/x.jpg");
  f.window->SaveChartAsJpg();
  QFile::setPermissions(out.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
  ASSERT_EQ(f.messages.entries.size(), 1u);
  EXPECT_EQ(f.messages.entries[0].text, QStringLiteral("保存图片失败:\r\n") + f.dialogs.answer);
  EXPECT_EQ(f.messages.entries[0].icon, MessageIcon::Exclamation);
  // The dialog proposed the source file's folder.
  EXPECT_TRUE(f.dialogs.requests[0].Initial.startsWith(f.dir.path() + QStringLiteral("/柱形图")));
}

TEST_F(MainWindowTest, RedrawsAreCoalescedAndSettleInEightTicks) {
  StartWithRows(5);
  for (int tick = 1; tick <= 8; ++tick) {
    f.window->TimerTick();
    EXPECT_EQ(f.window->DrawTimerActive(), tick < 8) << "tick " << tick;
  }
  const int renders = f.window->RenderCount();
  f.window->RenderCanvas();
  EXPECT_EQ(f.window->RenderCount(), renders) << "nothing pending, nothing drawn";
  f.window->resize(f.window->size() + QSize(1, 0));
  f.window->resize(f.window->size() - QSize(1, 0));
  Pump();
  EXPECT_TRUE(f.window->DrawTimerActive());
  EXPECT_EQ(f.window->RenderCount(), renders);
  f.window->TimerTick();
  EXPECT_EQ(f.window->RenderCount(), renders + 1);
  EXPECT_FALSE(f.window->DrawTimerActive());
}

TEST_F(MainWindowTest, ThePieIsPagedByKeysAndTheWheelNotByTheRightButton) {
  StartWithRows(45);  // 20 per page: three pages
  Key(Qt::Key_F3);
  f.window->TimerTick();
  auto wheel = [&](int angle) {
    const QPointF at(50, 50);
    QWheelEvent event(at, f.window->Chart()->mapToGlobal(at), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.window->Chart(), &event);
  };
  const int w = f.window->Chart()->width();
  struct Step {
    const char* name;
    std::function<void()> act;
    int page;
  } steps[] = {
      {"Right", [&] { Key(Qt::Key_Right); }, 2},
      {"Right", [&] { Key(Qt::Key_Right); }, 3},
      {"Right at the end", [&] { Key(Qt::Key_Right); }, 3},
      {"Left", [&] { Key(Qt::Key_Left); }, 2},
      {"PageUp", [&] { Key(Qt::Key_PageUp); }, 1},
      {"PageUp at the start", [&] { Key(Qt::Key_PageUp); }, 1},
      {"PageDown", [&] { Key(Qt::Key_PageDown); }, 2},
      {"wheel towards the user", [&] { wheel(-120); }, 3},
      {"wheel away", [&] { wheel(120); }, 2},
      {"half a notch", [&] { wheel(60); }, 2},
      {"the other half", [&] { wheel(60); }, 1},
      {"right press on the right half",
       [&] { QTest::mousePress(f.window->Chart(), Qt::RightButton, {}, QPoint(3 * w / 4, 50)); },
       1},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(f.window->PageNo(), step.page) << step.name;
  }
  f.window->RequestRedraw();
  EXPECT_EQ(f.window->PageNo(), 1);
}

TEST_F(MainWindowTest, TheRightClickMenuActsOnThePiePageShown) {
  StartWithRows(45);
  Key(Qt::Key_F3);
  f.window->TimerTick();
  const QImage firstPage = f.window->ShownPicture().copy();
  Key(Qt::Key_Right);
  ASSERT_EQ(f.window->PageNo(), 2);
  const QImage secondPage = f.window->ShownPicture().copy();
  ASSERT_NE(firstPage, secondPage);

  int menus = 0;
  f.window->SetMenuRunner([&](QMenu& menu, QPoint) -> QAction* {
    ++menus;
    for (QAction* a : menu.actions())
      if (ChartMenuCommand(a) == kMenuCopyImage) return a;
    return nullptr;
  });
  QGuiApplication::clipboard()->clear();
  // Press and release over the left half, where a press used to turn back.
  QTest::mouseClick(f.window->Chart(), Qt::RightButton, {}, QPoint(20, 20));
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(f.window->PageNo(), 2);
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
            secondPage.convertToFormat(QImage::Format_RGB32));

  // The saved picture is the page shown too.
  QTemporaryDir out;
  f.dialogs.answer = out.filePath(QStringLiteral("pie"));
  f.window->SetMenuRunner([&](QMenu& menu, QPoint) -> QAction* {
    for (QAction* a : menu.actions())
      if (ChartMenuCommand(a) == kMenuSaveJpg) return a;
    return nullptr;
  });
  QTest::mouseClick(f.window->Chart(), Qt::RightButton, {}, QPoint(20, 20));
  EXPECT_EQ(f.window->PageNo(), 2);
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

TEST_F(MainWindowTest, HoveringAnElementRedrawsOnceAndRemembersIt) {
  StartWithRows(5);
  f.window->TimerTick();
  ASSERT_FALSE(f.window->HitRegions().empty());
  const HitRegion r = f.window->HitRegions()[2];
  const QPoint inside(static_cast<int>((r.Left + r.Right) / 2), static_cast<int>(r.Bottom - 2));
  const int renders = f.window->RenderCount();
  QTest::mouseMove(f.window->Chart(), inside);
  EXPECT_EQ(f.window->HoverIndex(), r.ItemIndex);
  EXPECT_EQ(f.window->RenderCount(), renders + 1);
  QTest::mouseMove(f.window->Chart(), inside + QPoint(0, -1));
  EXPECT_EQ(f.window->RenderCount(), renders + 1) << "same element, no redraw";
}

TEST_F(MainWindowTest, HoveringThePiePicksTheSliceUnderTheMouse) {
  StartWithRows(4);  // values 10, 20, 30, 40: quarter turns at 36°, 108°, 216°
  Key(Qt::Key_F3);
  f.window->TimerTick();
  ChartRequest request;
  request.Page = ChartPage::Pie;
  const QSize canvas = f.window->Layout().Canvas.size();
  const PieLayout pie = ComputePieLayout(canvas.width(), canvas.height(), f.state.Table, request);
  const QPointF c(pie.Cx, pie.Cy);
  QTest::mouseMove(f.window->Chart(), (c + QPointF(10, -60)).toPoint());  // just past 12 o'clock
  EXPECT_EQ(f.window->HoverIndex(), 1);
  QTest::mouseMove(f.window->Chart(), (c + QPointF(-60, 0)).toPoint());  // 9 o'clock: 270°
  EXPECT_EQ(f.window->HoverIndex(), 4);
  QTest::mouseMove(f.window->Chart(), (c + QPointF(0, 60)).toPoint());   // 6 o'clock: 180°
  EXPECT_EQ(f.window->HoverIndex(), 3);
}

TEST_F(MainWindowTest, AtOneHundredFortyFourDpiEverythingIsScaledOnce) {
  f.Start({}, 144, QSize(1200, 800));
  EXPECT_EQ(f.window->Layout().Nav.width(), 264);
  EXPECT_EQ(f.window->Layout().Canvas.topLeft(), QPoint(276, 99));
  EXPECT_EQ(f.window->Source()->geometry(), f.window->Layout().Canvas);
  EXPECT_EQ(f.window->Source()->BrowseButton()->width(), 48);
  EXPECT_EQ(f.window->Source()->SampleButton()->width(), 186);
  EXPECT_EQ(f.window->Source()->ManualBox()->font().pixelSize(), 20);  // 10 pt at 96 dpi, × 1.5
}

TEST_F(MainWindowTest, HooksForTheUpdateAndTheAboutWindow) {
  StartWithRows(3);
  int updates = 0, abouts = 0;
  WindowHooks hooks;
  hooks.StartUpdate = [&](QWidget*) { ++updates; };
  hooks.ShowAbout = [&](QWidget*) { ++abouts; };
  hooks.VersionText = [] { return QStringLiteral("26.01.05.09"); };
  MainWindow window(f.state, f.messages, f.dialogs, hooks, 1.0f);
  window.resize(1000, 700);
  window.show();
  Pump();
  EXPECT_EQ(window.Nav()->VersionLabel()->text(), QStringLiteral("版本:26.01.05.09"));
  EXPECT_EQ(window.Nav()->UpgradeLabel()->text(), QStringLiteral("【升级到最新版】"));
  QTest::keyClick(&window, Qt::Key_F10);
  QTest::mouseClick(window.Nav()->UpgradeLabel(), Qt::LeftButton);
  EXPECT_EQ(updates, 2);
  QTest::mouseClick(window.Status(), Qt::LeftButton, {}, QPoint(100, 10));
  QTest::mouseClick(window.Status(), Qt::LeftButton, {}, QPoint(400, 10));  // past the link
  EXPECT_EQ(abouts, 1);
}

}  // namespace
}  // namespace qh
