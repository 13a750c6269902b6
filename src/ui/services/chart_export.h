#pragma once
// Saving the rendered chart as a JPEG file. The image is encoded straight
// from memory into a temporary file beside the target, which then replaces
// the target, so a failed write never damages an existing file and nothing
// is written to the program folder.
#include <QImage>
#include <QString>

class QWidget;

namespace qh {

class FileDialogs;

bool SaveImageAsJpeg(const QImage& image, const QString& path);

struct ExportResult {
  bool Ok = false;
  QString ErrorText;  // empty with !Ok when the user cancelled
  QString SavedPath;
};

// A null image means no chart has been drawn yet.
ExportResult ExportChartJpg(FileDialogs& dialogs, QWidget* owner, const QImage& image,
                            const QString& folder, const QString& name);

}  // namespace qh
