// The real Qt dialogs: titles, filters, default suffixes, proposed names and
// their Chinese words, checked on the open dialog and then answered.
#include "ui/services/chinese_dialogs.h"
#include "ui/services/file_dialogs.h"
#include "ui/services/message_box.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace qh {
namespace {

struct SeenDialog {
  QString Title, Suffix, TypedName;
  QStringList FilterTexts;
  QFileDialog::AcceptMode Mode = QFileDialog::AcceptOpen;
  bool ConfirmsOverwrite = false;
  QStringList Labels;                          // look in, file name, file type
  QStringList Buttons;                         // the button box, accept first
  int SidebarWidth = 0, SidebarTextWidth = 0;  // text width includes the icon
};

QString LabelText(QDialog& dialog, const char* name) {
  auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
  return label ? label->text() : QStringLiteral("<missing>");
}

// The widest entry of the dialog's side bar of places.
int SidebarTextWidth(QAbstractItemView& sidebar) {
  int widest = 0;
  const QAbstractItemModel* model = sidebar.model();
  for (int row = 0; model && row < model->rowCount(); ++row)
    widest = std::max(
        widest, sidebar.fontMetrics().horizontalAdvance(model->index(row, 0).data().toString()));
  return widest;
}

// Looks at the dialog once it is up, then answers: a name to accept, or
// nothing to cancel; filter >= 0 picks that file type first.
SeenDialog Inspect(const QString& answer, const std::function<void()>& open, int filter = -1) {
  SeenDialog seen;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen.Title = dialog->windowTitle();
    seen.Suffix = dialog->defaultSuffix();
    seen.Mode = dialog->acceptMode();
    seen.ConfirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
      for (int i = 0; i < combo->count(); ++i) seen.FilterTexts << combo->itemText(i);
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      seen.TypedName = name->text();
    seen.Labels = {LabelText(*dialog, "lookInLabel"), LabelText(*dialog, "fileNameLabel"),
                   LabelText(*dialog, "fileTypeLabel")};
    if (auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
      for (QDialogButtonBox::StandardButton b :
           {QDialogButtonBox::Open, QDialogButtonBox::Save, QDialogButtonBox::Cancel})
        if (QPushButton* button = box->button(b)) seen.Buttons << button->text();
    }
    if (auto* sidebar = dialog->findChild<QAbstractItemView*>(QStringLiteral("sidebar"))) {
      seen.SidebarWidth = sidebar->viewport()->width();
      seen.SidebarTextWidth = SidebarTextWidth(*sidebar) + sidebar->iconSize().width();
    }
    if (filter >= 0) dialog->selectNameFilter(dialog->nameFilters().value(filter));
    if (answer.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->selectFile(answer);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides accept()
  });
  open();
  return seen;
}

TEST(QtFileDialogs, SourceDialogShowsOurTitleAndFiltersAndCancels) {
  QtFileDialogs dialogs;
  QString path = QStringLiteral("unchanged");
  bool chosen = true;
  const SeenDialog seen = Inspect({}, [&] { chosen = dialogs.PickSourceFile(nullptr, {}, path); });
  EXPECT_FALSE(chosen);
  EXPECT_EQ(path, QStringLiteral("unchanged"));
  EXPECT_EQ(seen.Title, QStringLiteral("请选择数据源文件"));
  EXPECT_EQ(seen.Suffix, QStringLiteral("html"));
  EXPECT_EQ(seen.Mode, QFileDialog::AcceptOpen);
  ASSERT_EQ(seen.FilterTexts.size(), 5);
  EXPECT_EQ(seen.FilterTexts[0], QStringLiteral("数据源文件 (*.html;*.htm;*.csv;*.xls;*.xlsx)"));
  EXPECT_EQ(seen.FilterTexts[4], QStringLiteral("所有文件 (*.*)"));
  EXPECT_EQ(seen.Labels, (QStringList{QStringLiteral("查找范围:"), QStringLiteral("文件名:"),
                                      QStringLiteral("文件类型:")}));
  EXPECT_EQ(seen.Buttons, (QStringList{QStringLiteral("打开"), QStringLiteral("取消")}));
  EXPECT_GT(seen.SidebarWidth, seen.SidebarTextWidth) << "no entry is cut short";
}

TEST(QtFileDialogs, LargerFontsWidenTheSideBarInsteadOfCuttingItsEntries) {
  const QFont before = QApplication::font();
  QFont large = before;
  large.setPixelSize(36);  // well past what 144 DPI does to the dialog font
  QApplication::setFont(large);
  QtFileDialogs dialogs;
  QString path;
  const SeenDialog seen = Inspect({}, [&] { dialogs.PickSourceFile(nullptr, {}, path); });
  QApplication::setFont(before);
  ASSERT_GT(seen.SidebarTextWidth, 0);
  EXPECT_GT(seen.SidebarWidth, seen.SidebarTextWidth);
}

TEST(FileDialogGeometry, ScaledMinimumBoundedByTheScreen) {
  struct Case {
    QSize Hint, Available;
    float S;
    QSize Expected;
  } cases[] = {
      {QSize(500, 300), QSize(1920, 1080), 1.0f, QSize(620, 420)},
      {QSize(500, 300), QSize(1920, 1080), 1.5f, QSize(930, 630)},
      {QSize(1000, 700), QSize(1920, 1080), 1.0f, QSize(1000, 700)},  // its own wish is larger
      {QSize(500, 300), QSize(800, 600), 1.5f, QSize(800, 600)},      // a small screen
  };
  for (const Case& c : cases)
    EXPECT_EQ(FileDialogSize(c.Hint, c.Available, c.S), c.Expected) << c.S;
  EXPECT_EQ(SidebarWidthFor(60, 16, 1.0f), 60 + 16 + 28);
  EXPECT_EQ(SidebarWidthFor(90, 24, 1.5f), 90 + 24 + 42);
}

TEST(QtFileDialogs, SaveDialogProposesTheNameAndAppendsJpg) {
  QTemporaryDir dir;
  QtFileDialogs dialogs;
  QString path = QStringLiteral("stale");
  bool chosen = false;
  const SeenDialog seen = Inspect(dir.filePath(QStringLiteral("report.png")), [&] {
    chosen = dialogs.PickChartSavePath(nullptr, dir.path(), QStringLiteral("柱形图.jpg"), path);
  });
  EXPECT_EQ(seen.Title, QStringLiteral("保存图表"));
  EXPECT_EQ(seen.Suffix, QStringLiteral("jpg"));
  EXPECT_EQ(seen.Mode, QFileDialog::AcceptSave);
  EXPECT_TRUE(seen.ConfirmsOverwrite);
  EXPECT_EQ(seen.TypedName, QStringLiteral("柱形图.jpg"));
  EXPECT_EQ(
      seen.FilterTexts,
      (QStringList{QStringLiteral("JPEG 图片 (*.jpg)"), QStringLiteral("PNG 图片 (*.png)"),
                   QStringLiteral("SVG 矢量图 (*.svg)"), QStringLiteral("PDF 文档 (*.pdf)")}));
  EXPECT_EQ(seen.Labels, (QStringList{QStringLiteral("保存在:"), QStringLiteral("文件名:"),
                                      QStringLiteral("保存类型:")}));
  EXPECT_EQ(seen.Buttons, (QStringList{QStringLiteral("保存"), QStringLiteral("取消")}));
  ASSERT_TRUE(chosen);
  EXPECT_EQ(path, dir.filePath(QStringLiteral("report.png.jpg")));

  const SeenDialog cancelled = Inspect({}, [&] {
    chosen = dialogs.PickChartSavePath(nullptr, dir.path(), QStringLiteral("x.jpg"), path);
  });
  EXPECT_FALSE(chosen);
  EXPECT_TRUE(path.isEmpty());
}

// Looks at the message box once it is up, then presses the button at index
// answer of its button list.
struct SeenBox {
  QStringList Buttons;
  QString Title;
};

SeenBox InspectBox(QMessageBox::StandardButton press, const std::function<void()>& open) {
  SeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen.Title = box->windowTitle();
    for (QAbstractButton* b : box->buttons()) seen.Buttons << b->text();
    seen.Buttons.sort();
    if (QAbstractButton* b = box->button(press)) b->click();
  });
  open();
  return seen;
}

TEST(MessageBoxMessages, ButtonsCarryTheWordsOurMessagesName) {
  struct Case {
    MessageButtons Buttons;
    QMessageBox::StandardButton Press;
    QStringList Texts;
    MessageAnswer Answer;
    // clang-format off
  } cases[] = {
      {MessageButtons::Ok, QMessageBox::Ok, {QStringLiteral("确定")}, MessageAnswer::Ok},
      {MessageButtons::YesNo, QMessageBox::Yes, {QStringLiteral("否"), QStringLiteral("是")},
       MessageAnswer::Yes},
      {MessageButtons::YesNo, QMessageBox::No, {QStringLiteral("否"), QStringLiteral("是")},
       MessageAnswer::No},
  };
  // clang-format on
  for (const Case& c : cases) {
    MessageBoxMessages messages;
    MessageAnswer answer = MessageAnswer::Ok;
    const SeenBox seen = InspectBox(c.Press, [&] {
      answer = messages.Show(QStringLiteral("请点击[确定]."), MessageIcon::Information, c.Buttons);
    });
    QStringList expected = c.Texts;
    expected.sort();
    EXPECT_EQ(seen.Buttons, expected);
    EXPECT_EQ(seen.Title, QStringLiteral("青禾图表生成工具"));
    EXPECT_EQ(answer, c.Answer);
  }
}

TEST(QtChineseTranslation, TheFallbackSpeaksChineseInQtsOwnDialogs) {
  FallbackChineseTranslator fallback;
  QCoreApplication::installTranslator(&fallback);
  struct Case {
    const char* Context;
    const char* Source;
    QString Expected;
  } cases[] = {
      {"QFileSystemModel", "Computer", QStringLiteral("计算机")},
      {"QFileSystemModel", "Date Modified", QStringLiteral("修改日期")},
      {"QPlatformTheme", "&Yes", QStringLiteral("是(&Y)")},
      {"QFileDialog", "%1 already exists.\nDo you want to replace it?",
       QStringLiteral("%1 已存在.\n要替换它吗?")},
      {"QFileDialog", "Some text we do not know", QStringLiteral("Some text we do not know")},
      {"SomeOtherContext", "Computer", QStringLiteral("Computer")},
  };
  for (const Case& c : cases)
    EXPECT_EQ(QCoreApplication::translate(c.Context, c.Source), c.Expected) << c.Source;

  // The side bar of a real dialog takes the word, so the context is right.
  QtFileDialogs dialogs;
  QString path;
  QString firstPlace;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (auto* sidebar = dialog->findChild<QAbstractItemView*>(QStringLiteral("sidebar")))
      firstPlace = sidebar->model()->index(0, 0).data().toString();
    dialog->reject();
  });
  dialogs.PickSourceFile(nullptr, {}, path);
  QCoreApplication::removeTranslator(&fallback);
  EXPECT_EQ(firstPlace, QStringLiteral("计算机"));
}

TEST(QtChineseTranslation, LoadsWhenTheSystemHasItAndIsOptional) {
  QTranslator missing;
  EXPECT_FALSE(InstallQtChinese(missing, QStringLiteral("/nonexistent")));
  const QString dir = QtTranslationsDir();
  if (!QFileInfo::exists(dir + QStringLiteral("/qtbase_zh_CN.qm")))
    GTEST_SKIP() << "qt6-translations-l10n is not installed";
  QTranslator chinese;
  ASSERT_TRUE(InstallQtChinese(chinese, dir));
  // A text of Qt's own dialogs that we do not set ourselves.
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Detail View"),
            QStringLiteral("Detail View"));
  QCoreApplication::removeTranslator(&chinese);
}

// The chosen filter decides the extension, whatever the typed name ends in.
TEST(QtFileDialogs, SaveDialogFilterDecidesTheFormat) {
  QTemporaryDir dir;
  QtFileDialogs dialogs;
  const struct {
    int Filter;
    const char* Typed;
    const char* Expected;
    // clang-format off
  } cases[] = {
      {0, "report", "report.jpg"},        {1, "report", "report.png"},
      {2, "report", "report.svg"},        {3, "report", "report.pdf"},
      {1, "report.jpg", "report.jpg.png"}, {2, "图表.SVG", "图表.SVG"},
      {3, "a.pdf", "a.pdf"},              {0, "b.png", "b.png.jpg"},
  };
  // clang-format on
  for (const auto& c : cases) {
    QString path;
    bool chosen = false;
    const SeenDialog seen = Inspect(
        dir.filePath(QString::fromUtf8(c.Typed)),
        [&] {
          chosen = dialogs.PickChartSavePath(nullptr, dir.path(), QStringLiteral("x.jpg"), path);
        },
        c.Filter);
    ASSERT_TRUE(chosen) << c.Typed;
    EXPECT_EQ(path, dir.filePath(QString::fromUtf8(c.Expected))) << c.Filter << " " << c.Typed;
  }
}

TEST(SaveFilterSuffix, OnePerFilterJpgOutside) {
  const QStringList expected = {"jpg", "png", "svg", "pdf"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(SaveFilterSuffix(i), expected[i]);
  EXPECT_EQ(SaveFilterSuffix(-1), QStringLiteral("jpg"));
  EXPECT_EQ(SaveFilterSuffix(4), QStringLiteral("jpg"));
  EXPECT_EQ(WithSuffix(QStringLiteral("a.PDF"), QStringLiteral("pdf")), QStringLiteral("a.PDF"));
  EXPECT_EQ(WithSuffix(QStringLiteral("a.pdf.x"), QStringLiteral("pdf")),
            QStringLiteral("a.pdf.x.pdf"));
}

TEST(FileDialogTexts, TitlesFiltersAndProposedNames) {
  EXPECT_EQ(SourceDialogTitle(), QStringLiteral("请选择数据源文件"));
  EXPECT_EQ(SaveChartDialogTitle(), QStringLiteral("保存图表"));
  const auto filters = SourceFileFilters();
  ASSERT_EQ(filters.size(), 5u);
  EXPECT_EQ(filters[0].Text, QStringLiteral("数据源文件 (*.html;*.htm;*.csv;*.xls;*.xlsx)"));
  EXPECT_EQ(filters[3].Pattern, QStringLiteral("*.xls;*.xlsx"));
  EXPECT_EQ(filters[4].Text, QStringLiteral("所有文件 (*.*)"));
  EXPECT_EQ(ChartFileFilters().at(0).Text, QStringLiteral("JPEG 图片 (*.jpg)"));

  EXPECT_EQ(ProposedSavePath(QStringLiteral("D:\\data"), QStringLiteral("x.jpg")),
            QStringLiteral("D:\\data/x.jpg"));
  EXPECT_EQ(ProposedSavePath(QStringLiteral("D:\\data\\"), QStringLiteral("x.jpg")),
            QStringLiteral("D:\\data\\x.jpg"));
  EXPECT_EQ(ProposedSavePath(QStringLiteral("/srv/out/"), QStringLiteral("x.jpg")),
            QStringLiteral("/srv/out/x.jpg"));
  EXPECT_EQ(ProposedSavePath(QString(), QStringLiteral("x.jpg")), QStringLiteral("x.jpg"));

  EXPECT_EQ(WithSuffix(QStringLiteral("a.JPG"), QStringLiteral("jpg")), QStringLiteral("a.JPG"));
  EXPECT_EQ(WithSuffix(QStringLiteral("a.jpeg"), QStringLiteral("jpg")),
            QStringLiteral("a.jpeg.jpg"));
  EXPECT_EQ(WithSuffix(QStringLiteral("report.png"), QStringLiteral("jpg")),
            QStringLiteral("report.png.jpg"));
}

}  // namespace
}  // namespace qh
