#include "ui/services/file_dialogs.h"

#include "ui/services/chinese_dialogs.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

namespace qh {
namespace {

bool IsSeparator(QChar c) { return c == u'\\' || c == u'/'; }

// Qt splits a filter's patterns at spaces only, so the dialog gets the
// patterns space-separated and its type list is relabelled with our texts.
QStringList QtFilters(const std::vector<FileFilter>& filters) {
  QStringList out;
  for (const FileFilter& f : filters) {
    QString patterns = f.Pattern;
    patterns.replace(u';', u' ');
    out << QStringLiteral("%1 (%2)").arg(f.Text.section(u'(', 0, 0).trimmed(), patterns);
  }
  return out;
}

void RelabelFilters(QFileDialog& dialog, const std::vector<FileFilter>& filters) {
  auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  if (!combo) return;
  for (int i = 0; i < combo->count() && i < static_cast<int>(filters.size()); ++i)
    combo->setItemText(i, filters[static_cast<size_t>(i)].Text);
}

void SetChineseLabels(QFileDialog& dialog) {
  const FileDialogTexts texts =
      FileDialogLabelTexts(dialog.acceptMode() == QFileDialog::AcceptSave);
  dialog.setLabelText(QFileDialog::LookIn, texts.LookIn);
  dialog.setLabelText(QFileDialog::FileName, texts.FileName);
  dialog.setLabelText(QFileDialog::FileType, texts.FileType);
  dialog.setLabelText(QFileDialog::Accept, texts.Accept);
  dialog.setLabelText(QFileDialog::Reject, texts.Reject);
}

int WidestEntry(const QAbstractItemView& view) {
  int widest = 0;
  const QAbstractItemModel* model = view.model();
  for (int row = 0; model && row < model->rowCount(); ++row)
    widest = std::max(widest,
                      view.fontMetrics().horizontalAdvance(model->index(row, 0).data().toString()));
  return widest;
}

// At 144 DPI the fonts grow but Qt's dialog keeps its 96 DPI size, which
// cut the side bar's "Computer" to "Comp…" and the date column off.
void FitToScale(QFileDialog& dialog) {
  const float s = std::max(1.0f, static_cast<float>(dialog.logicalDpiX()) / 96.0f);
  const QScreen* screen = dialog.screen();
  const QSize available = screen ? screen->availableSize() : QSize(1 << 16, 1 << 16);
  dialog.resize(FileDialogSize(dialog.sizeHint(), available, s));
  if (auto* sidebar = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar")))
    sidebar->setMinimumWidth(
        SidebarWidthFor(WidestEntry(*sidebar), sidebar->iconSize().width(), s));
}

// The accept mode comes first: the labels depend on it.
void Prepare(QFileDialog& dialog, QFileDialog::AcceptMode mode, const QString& title,
             const std::vector<FileFilter>& filters, const QString& suffix) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  SetChineseLabels(dialog);
  dialog.setWindowTitle(title);
  dialog.setNameFilters(QtFilters(filters));
  dialog.selectNameFilter(dialog.nameFilters().value(0));
  dialog.setDefaultSuffix(suffix);
  RelabelFilters(dialog, filters);
  FitToScale(dialog);
}

void SelectInitial(QFileDialog& dialog, const QString& initial) {
  if (initial.isEmpty()) return;
  const QString text = initial.left(kMaxDialogPath);
  const QFileInfo info(text);
  if (info.dir().exists()) dialog.setDirectory(info.absolutePath());
  dialog.selectFile(info.fileName().isEmpty() ? text : info.fileName());
}

// The filters are relabelled, so the type list's position tells which one
// is chosen rather than its text.
int FilterIndex(QFileDialog& dialog) {
  if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    return combo->currentIndex();
  return static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
}

QString ChosenPath(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return {};
  const QString chosen = dialog.selectedFiles().value(0);
  return chosen.size() > kMaxDialogPath ? QString() : chosen;
}

}  // namespace

std::vector<FileFilter> SourceFileFilters() {
  return {
      {QStringLiteral("数据源文件 (*.html;*.htm;*.csv;*.xls;*.xlsx)"),
       QStringLiteral("*.html;*.htm;*.csv;*.xls;*.xlsx")},
      {QStringLiteral("HTML 文件 (*.html;*.htm)"), QStringLiteral("*.html;*.htm")},
      {QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("*.csv")},
      {QStringLiteral("Excel 文件 (*.xls;*.xlsx)"), QStringLiteral("*.xls;*.xlsx")},
      {QStringLiteral("所有文件 (*.*)"), QStringLiteral("*.*")},
  };
}

std::vector<FileFilter> ChartFileFilters() {
  return {{QStringLiteral("JPEG 图片 (*.jpg)"), QStringLiteral("*.jpg")},
          {QStringLiteral("PNG 图片 (*.png)"), QStringLiteral("*.png")},
          {QStringLiteral("SVG 矢量图 (*.svg)"), QStringLiteral("*.svg")},
          {QStringLiteral("PDF 文档 (*.pdf)"), QStringLiteral("*.pdf")}};
}

QString SaveFilterSuffix(int filterIndex) {
  const std::vector<FileFilter> filters = ChartFileFilters();
  if (filterIndex < 0 || filterIndex >= static_cast<int>(filters.size()))
    return QStringLiteral("jpg");
  return filters[static_cast<size_t>(filterIndex)].Pattern.mid(2);  // "*.png" -> "png"
}

QString SourceDialogTitle() { return QStringLiteral("请选择数据源文件"); }
QString SaveChartDialogTitle() { return QStringLiteral("保存图表"); }

QString ProposedSavePath(const QString& folder, const QString& name) {
  QString initial = folder;
  if (!initial.isEmpty() && !IsSeparator(initial.back())) initial += u'/';
  return initial + name;
}

QSize FileDialogSize(QSize hint, QSize available, float s) {
  const QSize wanted = hint.expandedTo(QSize(qRound(620 * s), qRound(420 * s)));
  return wanted.boundedTo(available);
}

int SidebarWidthFor(int widestText, int iconSize, float s) {
  return widestText + iconSize + qRound(28 * s);
}

QString WithSuffix(const QString& path, const QString& suffix) {
  const QString ending = u'.' + suffix;
  if (path.right(ending.size()).toLower() == ending) return path;
  return path + ending;
}

bool QtFileDialogs::PickSourceFile(QWidget* owner, const QString& initialPath, QString& path) {
  QFileDialog dialog(owner);
  Prepare(dialog, QFileDialog::AcceptOpen, SourceDialogTitle(), SourceFileFilters(),
          QStringLiteral("html"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  SelectInitial(dialog, initialPath);
  const QString chosen = ChosenPath(dialog);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

bool QtFileDialogs::PickChartSavePath(QWidget* owner, const QString& folder, const QString& name,
                                      QString& path) {
  path.clear();
  QFileDialog dialog(owner);
  Prepare(dialog, QFileDialog::AcceptSave, SaveChartDialogTitle(), ChartFileFilters(),
          SaveFilterSuffix(0));
  dialog.setFileMode(QFileDialog::AnyFile);  // overwrite is confirmed by the dialog
  SelectInitial(dialog, ProposedSavePath(folder, name));
  // The chosen filter decides the format: a typed name without an extension
  // gets the filter's, and so does one with another extension.
  // The type list rather than the dialog's filterSelected, which a filter
  // picked by the program does not send.
  if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    QObject::connect(combo, &QComboBox::currentIndexChanged, &dialog,
                     [&dialog](int index) { dialog.setDefaultSuffix(SaveFilterSuffix(index)); });
  const QString chosen = ChosenPath(dialog);
  if (chosen.isEmpty()) return false;
  path = WithSuffix(chosen, SaveFilterSuffix(FilterIndex(dialog)));
  return true;
}

bool QtFileDialogs::SetUpPrinter(QWidget* owner, QPrinter& printer) {
  QPrintDialog dialog(&printer, owner);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace qh
