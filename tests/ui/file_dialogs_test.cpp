// The real Qt dialogs: titles, filters, default suffixes and proposed names,
// checked on the open dialog and then cancelled.
#include "ui/services/file_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace qh {
namespace {

struct SeenDialog {
  QString title, suffix, typedName;
  QStringList filterTexts;
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  bool confirmsOverwrite = false;
};

// Looks at the dialog once it is up, then answers: a name to accept, or
// nothing to cancel.
SeenDialog Inspect(const QString& answer, const std::function<void()>& open) {
  SeenDialog seen;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen.title = dialog->windowTitle();
    seen.suffix = dialog->defaultSuffix();
    seen.mode = dialog->acceptMode();
    seen.confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
      for (int i = 0; i < combo->count(); ++i) seen.filterTexts << combo->itemText(i);
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      seen.typedName = name->text();
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
  EXPECT_EQ(seen.title, QStringLiteral("请选择数据源文件"));
  EXPECT_EQ(seen.suffix, QStringLiteral("html"));
  EXPECT_EQ(seen.mode, QFileDialog::AcceptOpen);
  ASSERT_EQ(seen.filterTexts.size(), 5);
  EXPECT_EQ(seen.filterTexts[0], QStringLiteral("数据源文件 (*.html;*.htm;*.csv;*.xls;*.xlsx)"));
  EXPECT_EQ(seen.filterTexts[4], QStringLiteral("所有文件 (*.*)"));
}

TEST(QtFileDialogs, SaveDialogProposesTheNameAndAppendsJpg) {
  QTemporaryDir dir;
  QtFileDialogs dialogs;
  QString path = QStringLiteral("stale");
  bool chosen = false;
  const SeenDialog seen = Inspect(dir.filePath(QStringLiteral("report.png")), [&] {
    chosen = dialogs.PickJpgSavePath(nullptr, dir.path(), QStringLiteral("柱形图.jpg"), path);
  });
  EXPECT_EQ(seen.title, QStringLiteral("保存为图片文件"));
  EXPECT_EQ(seen.suffix, QStringLiteral("jpg"));
  EXPECT_EQ(seen.mode, QFileDialog::AcceptSave);
  EXPECT_TRUE(seen.confirmsOverwrite);
  EXPECT_EQ(seen.typedName, QStringLiteral("柱形图.jpg"));
  EXPECT_EQ(seen.filterTexts, QStringList{QStringLiteral("JPEG 图片 (*.jpg)")});
  ASSERT_TRUE(chosen);
  EXPECT_EQ(path, dir.filePath(QStringLiteral("report.png.jpg")));

  const SeenDialog cancelled = Inspect({}, [&] {
    chosen = dialogs.PickJpgSavePath(nullptr, dir.path(), QStringLiteral("x.jpg"), path);
  });
  EXPECT_FALSE(chosen);
  EXPECT_TRUE(path.isEmpty());
}

}  // namespace
}  // namespace qh
