#pragma once
// Saving the rendered chart as a file: the picture as JPEG or PNG, or the
// chart drawn again as an SVG or PDF document. The format is the one of the
// dialog's chosen filter, which the chosen path's extension carries. Every
// file is encoded into a temporary file beside the target, which then
// replaces the target, so a failed write never damages an existing file and
// nothing is written to the program folder.
#include "base/save_file.h"
#include "chart/chart_output.h"

#include <QImage>
#include <QString>

class QWidget;

namespace qh {

class FileDialogs;

// What a document needs besides the picture: the chart drawn again at the
// picture's size, and the title the document carries.
struct VectorChart {
  QString Title;
  ChartDraw Draw;
};

// "保存图片失败:", the path and the system's reason, then what to do.
QString SaveFailureText(const QString& path, const QString& reason);

// A null image means no chart has been drawn yet.
SaveOutcome ExportChart(FileDialogs& dialogs, QWidget* owner, const QImage& image,
                        const QString& folder, const QString& name, const VectorChart& vector = {});

}  // namespace qh
