// Window services: JPEG export, the drop hand-over, the chart menu and the
// clipboard.
#include "base/user_messages.h"
#include "ui/services/chart_export.h"
#include "ui/services/chart_menu.h"
#include "ui/services/chart_print.h"
#include "ui/services/pending_drop.h"
#include "ui/services/recorded_dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include "support/test_files.h"
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::RecordedFileDialogs;

QImage RedChart() {
  QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
  image.fill(QColor(200, 30, 30));
  return image;
}

TEST(ExportChart, NoChartCancelAndSuccess) {
  QTemporaryDir dir;
  RecordedFileDialogs dialogs;

  SaveOutcome r = ExportChart(dialogs, nullptr, QImage(), dir.path(), QStringLiteral("a.jpg"));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.ErrorText, QStringLiteral("图表尚未生成,无法保存."));
  EXPECT_TRUE(dialogs.Requests.empty()) << "no dialog without a chart";

  r = ExportChart(dialogs, nullptr, RedChart(), dir.path(), QStringLiteral("a.jpg"));
  EXPECT_FALSE(r.Ok);
  EXPECT_TRUE(r.ErrorText.isEmpty());
  EXPECT_TRUE(r.SavedPath.isEmpty());
  ASSERT_EQ(dialogs.Requests.size(), 1u);
  EXPECT_EQ(dialogs.Requests[0].Initial, dir.path() + QStringLiteral("/a.jpg"));

  dialogs.Answer = dir.filePath(QStringLiteral("chart"));
  r = ExportChart(dialogs, nullptr, RedChart(), dir.path(), QStringLiteral("a.jpg"));
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.SavedPath, dir.filePath(QStringLiteral("chart.jpg")));
  QImageReader reader(r.SavedPath);
  EXPECT_EQ(reader.format(), QByteArray("jpeg"));
  const QImage back = reader.read();
  EXPECT_EQ(back.size(), QSize(64, 48));
  EXPECT_NEAR(qRed(back.pixel(10, 10)), 200, 8);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("chart.jpg")})
      << "nothing but the chosen file is left";
}

TEST(ExportChart, ReadOnlyTargetsFailAndKeepTheOldFile) {
  QTemporaryDir dir;
  QString lockedDir = dir.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkpath(lockedDir));
  const QString oldFile = dir.filePath(QStringLiteral("old.jpg"));
  test::WriteAll(oldFile, "previous picture");
  QFile::setPermissions(oldFile, QFileDevice::ReadOwner);
  QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  QStringList targets = {oldFile};
  if (QFileInfo(lockedDir).isWritable()) {  // root writes anywhere but in /proc
    lockedDir = QStringLiteral("/proc/self");
    targets.clear();
  }
  targets << lockedDir + QStringLiteral("/x.jpg");

  RecordedFileDialogs dialogs;
  for (const QString& target : targets) {
    dialogs.Answer = target;
    const SaveOutcome r =
        ExportChart(dialogs, nullptr, RedChart(), dir.path(), QStringLiteral("x.jpg"));
    EXPECT_FALSE(r.Ok);
    // The path, the system's reason (which differs for root), then the hint.
    EXPECT_TRUE(r.ErrorText.startsWith(QStringLiteral("保存图片失败:\r\n") + target +
                                       QStringLiteral("\r\n")))
        << r.ErrorText.toStdString();
    EXPECT_TRUE(r.ErrorText.endsWith(SaveFailureText({}, {}).section(u'\n', -1)))
        << r.ErrorText.toStdString();
  }
  QFile f(oldFile);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("previous picture"));
  EXPECT_FALSE(QFileInfo::exists(lockedDir + QStringLiteral("/x.jpg")));
  QFile::setPermissions(dir.filePath(QStringLiteral("locked")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(ExportChart, ReplacesAnExistingFileWhole) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("c.jpg"));
  test::WriteAll(target, QByteArray(200000, 'x'));  // longer than the new picture
  ASSERT_TRUE(SaveChartImage(target, ChartFileFormat::Jpeg, RedChart()));
  EXPECT_LT(QFileInfo(target).size(), 200000);
  EXPECT_FALSE(QImage(target).isNull());
}

TEST(PendingDrop, OnePathPerDropAndOnlyWhileNothingWaits) {
  PendingDrop drop;
  EXPECT_FALSE(drop.Offer({}));
  EXPECT_FALSE(drop.Offer({QUrl(QStringLiteral("https://example.com/a.html"))}))
      << "not a local file";
  const QList<QUrl> three = {QUrl::fromLocalFile(QStringLiteral("/d/一.html")),
                             QUrl::fromLocalFile(QStringLiteral("/d/b.csv")),
                             QUrl::fromLocalFile(QStringLiteral("/d/c.csv"))};
  EXPECT_TRUE(drop.Offer(three));
  EXPECT_FALSE(drop.Offer({QUrl::fromLocalFile(QStringLiteral("/d/later.csv"))}));
  EXPECT_EQ(drop.Take(), QStringLiteral("/d/一.html"));
  EXPECT_TRUE(drop.Empty());
  EXPECT_EQ(drop.Take(), QString());
  EXPECT_TRUE(drop.Offer({QUrl::fromLocalFile(QStringLiteral("/d/later.csv"))}));
}

struct MenuEntry {
  QString Text;
  int Id;
};

std::vector<MenuEntry> Entries(const QMenu& menu) {
  std::vector<MenuEntry> out;
  for (QAction* a : menu.actions()) out.push_back({a->text(), ChartMenuCommand(a)});
  return out;
}

TEST(ChartMenu, CopyAndSaveOnEveryChartPageColoursOnTheLinePage) {
  for (ChartPage page : {ChartPage::Bar, ChartPage::Pie}) {
    QMenu menu;
    BuildChartMenu(menu, page, 0xFF2F80ED);
    const auto entries = Entries(menu);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Text, QStringLiteral("复制图片到剪贴板"));
    EXPECT_EQ(entries[0].Id, kMenuCopyImage);
    EXPECT_EQ(entries[1].Text, QStringLiteral("保存图表..."));
    EXPECT_EQ(entries[1].Id, kMenuSaveChart);
    EXPECT_EQ(entries[2].Text, QStringLiteral("打印..."));
    EXPECT_EQ(entries[2].Id, kMenuPrint);
    EXPECT_EQ(menu.actions()[2]->shortcut(), QKeySequence(QKeySequence::Print));
  }
  struct Case {
    quint32 Color;
    int Checked;  // -1: none
  } cases[] = {{0xFF2F80ED, 0}, {0xFF5D6D7E, 7}, {0xFF123456, -1}};
  for (const Case& c : cases) {
    QMenu menu;
    BuildChartMenu(menu, ChartPage::Line, c.Color);
    ASSERT_EQ(menu.actions().size(), 4);
    QMenu* colors = menu.actions()[3]->menu();
    ASSERT_NE(colors, nullptr);
    EXPECT_EQ(menu.actions()[3]->text(), QStringLiteral("曲线图颜色"));
    ASSERT_EQ(colors->actions().size(), 8);
    int checks = 0, checkedAt = -1;
    for (int i = 0; i < 8; ++i) {
      QAction* a = colors->actions()[i];
      EXPECT_EQ(ChartMenuCommand(a), 2001 + i);
      if (a->isChecked()) ++checks, checkedAt = i;
    }
    EXPECT_EQ(checks, c.Checked < 0 ? 0 : 1);
    EXPECT_EQ(checkedAt, c.Checked);
    EXPECT_EQ(colors->actions()[4]->text(), QStringLiteral("橙色"));
  }
}

TEST(Clipboard, CopiesThePictureOrExplainsThereIsNone) {
  QGuiApplication::clipboard()->setText(QStringLiteral("keep me"));
  RecordedMessages messages;
  CopyChartToClipboard(QImage(), messages);
  ASSERT_EQ(messages.Entries.size(), 1u);
  EXPECT_EQ(messages.Entries[0].Text, QStringLiteral("当前没有图表可以复制."));
  EXPECT_EQ(messages.Entries[0].Icon, MessageIcon::Exclamation);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("keep me"));

  CopyChartToClipboard(RedChart(), messages);
  EXPECT_EQ(messages.Entries.size(), 1u);
  const QImage pasted = QGuiApplication::clipboard()->image();
  EXPECT_EQ(pasted.size(), QSize(64, 48));
  EXPECT_FALSE(
      QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/svg+xml")));

  const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
  CopyChartToClipboard(RedChart(), messages, svg);
  const QMimeData* both = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(both->data(QStringLiteral("image/svg+xml")), svg);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(64, 48)) << "the picture stays";
}

// Every filter's format, written from the picture or drawn again.
TEST(ExportChart, TheChosenExtensionDecidesTheFormat) {
  QTemporaryDir dir;
  RecordedFileDialogs dialogs;
  int drawings = 0;
  const VectorChart vector{QStringLiteral("柱形图"), [&](QPainter& p) {
                             ++drawings;
                             p.fillRect(QRect(0, 0, 64, 48), QColor(200, 30, 30));
                             p.drawText(QRectF(0, 0, 64, 48), QStringLiteral("柱形图"));
                           }};
  const struct {
    const char* Answer;
    const char* Saved;
    QByteArray Starts;
    int Drawings;
  } cases[] = {
      {"a", "a.jpg", "\xFF\xD8", 0},
      {"b.png", "b.png", "\x89PNG", 0},
      {"c.svg", "c.svg", "<?xml", 1},
      {"d.pdf", "d.pdf", "%PDF-", 1},
  };
  for (const auto& c : cases) {
    drawings = 0;
    dialogs.Answer = dir.filePath(QString::fromLatin1(c.Answer));
    const SaveOutcome r =
        ExportChart(dialogs, nullptr, RedChart(), dir.path(), QStringLiteral("x.jpg"), vector);
    ASSERT_TRUE(r.Ok) << c.Answer;
    EXPECT_EQ(r.SavedPath, dir.filePath(QString::fromLatin1(c.Saved)));
    EXPECT_TRUE(test::ReadAll(r.SavedPath).startsWith(c.Starts)) << c.Answer;
    EXPECT_EQ(drawings, c.Drawings) << c.Answer;
  }
  EXPECT_TRUE(
      test::ReadAll(dir.filePath(QStringLiteral("c.svg"))).contains("<title>柱形图</title>"));

  // Without a drawing there is no document: the usual failure, no file.
  dialogs.Answer = dir.filePath(QStringLiteral("e.pdf"));
  const SaveOutcome r =
      ExportChart(dialogs, nullptr, RedChart(), dir.path(), QStringLiteral("x.jpg"));
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.ErrorText,
            QStringLiteral("保存图片失败:\r\n") + dialogs.Answer +
                QStringLiteral("\r\n图片生成失败\r\n\r\n"
                               "原有的文件没有改动.请换一个文件夹,或腾出磁盘空间后再试."));
  EXPECT_FALSE(QFileInfo::exists(dialogs.Answer));
}

TEST(FitChartToArea, LargestCentredFitKeepingProportions) {
  const struct {
    QSizeF Chart, Area;
    QRectF Expected;
  } cases[] = {
      {{1200, 700}, {2400, 1400}, {0, 0, 2400, 1400}},
      {{1200, 700}, {2400, 2000}, {0, 300, 2400, 1400}},
      {{1000, 1000}, {3000, 2000}, {500, 0, 2000, 2000}},
      {{100, 50}, {50, 50}, {0, 12.5, 50, 25}},
      {{0, 50}, {50, 50}, {}},
      {{100, 50}, {0, 0}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FitChartToArea(c.Chart, c.Area), c.Expected) << c.Chart.width();
}

TEST(PrintChartPage, DrawsOneLandscapePageFittedToThePrintableArea) {
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  PrepareChartPrinter(printer, QStringLiteral("饼形图"));
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(printer.docName(), QStringLiteral("饼形图"));
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath(QStringLiteral("p.pdf")));
  QRectF drawnArea;
  ASSERT_TRUE(PrintChartPage(printer, QSize(1200, 700), [&](QPainter& p) {
    drawnArea = p.transform().mapRect(QRectF(0, 0, 1200, 700));
  }));
  const QRectF page(0, 0, printer.width(), printer.height());
  EXPECT_GT(page.width(), page.height()) << "landscape";
  EXPECT_TRUE(page.adjusted(-1, -1, 1, 1).contains(drawnArea));
  EXPECT_NEAR(std::max(drawnArea.width() / page.width(), drawnArea.height() / page.height()), 1.0,
              1e-6)
      << "fills the page one way";
  EXPECT_NEAR(drawnArea.center().x(), page.center().x(), 1);
  EXPECT_TRUE(test::ReadAll(dir.filePath(QStringLiteral("p.pdf"))).startsWith("%PDF-"));
  EXPECT_FALSE(PrintChartPage(printer, QSize(), [](QPainter&) {}));
}

}  // namespace
}  // namespace qh
