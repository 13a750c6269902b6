#pragma once
// The open, save and print dialogs. The window asks through FileDialogs so
// that tests can answer without a modal dialog.
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QPrinter;
class QWidget;

namespace qh {

// Longest path a dialog hands back, terminator excluded.
inline constexpr int kMaxDialogPath = 2047;

struct FileFilter {
  QString Text;     // shown in the dialog
  QString Pattern;  // ";"-separated wildcards
};

std::vector<FileFilter> SourceFileFilters();
std::vector<FileFilter> ChartFileFilters();
QString SourceDialogTitle();     // "请选择数据源文件"
QString SaveChartDialogTitle();  // "保存图表"

// The name field text proposed by the save dialog: folder, a separator when
// it lacks one, then the name.
QString ProposedSavePath(const QString& folder, const QString& name);

// path, with "." + suffix appended unless it already ends so (any case).
QString WithSuffix(const QString& path, const QString& suffix);
// The extension of the save dialog's filter at filterIndex: "jpg" (the
// first, also for an index out of range), "png", "svg" or "pdf".
QString SaveFilterSuffix(int filterIndex);

// The size of a file dialog: its own wish, at least 620 × 420 scaled by s so
// larger fonts keep their columns, and never beyond the available screen.
QSize FileDialogSize(QSize hint, QSize available, float s);

// The width the side bar of places needs so that its widest entry (text
// width widestText beside an icon) is not cut short.
int SidebarWidthFor(int widestText, int iconSize, float s);

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // True with path set to the chosen file; false (path untouched) on cancel.
  virtual bool PickSourceFile(QWidget* owner, const QString& initialPath, QString& path) = 0;
  // path is emptied first; true with a path ending in the extension of the
  // chosen filter: ".jpg" (the first and default), ".png", ".svg" or ".pdf".
  virtual bool PickChartSavePath(QWidget* owner, const QString& folder, const QString& name,
                                 QString& path) = 0;
  // The print dialog for printer; false when the user cancels.
  virtual bool SetUpPrinter(QWidget* owner, QPrinter& printer) = 0;
};

class QtFileDialogs final : public FileDialogs {
 public:
  bool PickSourceFile(QWidget* owner, const QString& initialPath, QString& path) override;
  bool PickChartSavePath(QWidget* owner, const QString& folder, const QString& name,
                         QString& path) override;
  bool SetUpPrinter(QWidget* owner, QPrinter& printer) override;
};

}  // namespace qh
