#pragma once
// Chart pictures as files: raster pictures (PNG, JPEG, BMP) and vector
// documents (SVG, PDF), all drawn by the same painter calls, so a document
// shows exactly what the picture shows. Every file is drawn in memory and
// written by SaveFile: a failed write leaves the previous file as it was and
// says why.
#include "base/save_file.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

class QIODevice;
class QPainter;

namespace qh {

enum class ChartFileFormat { Png, Jpeg, Bmp, Svg, Pdf };

// By the file's extension, any case: png, jpg/jpeg, bmp, svg, pdf.
std::optional<ChartFileFormat> ChartFileFormatFor(const QString& path);
bool IsVectorFormat(ChartFileFormat format);

// Paints a chart of the size given to WriteChart, in pixels at 96 DPI.
using ChartDraw = std::function<void(QPainter&)>;

// The size and, for documents, the title a chart file carries. In a PDF a
// pixel becomes 0.75 point, so the page prints at the size the picture
// shows on a 96-DPI screen.
struct ChartFileInfo {
  int Width = 0;
  int Height = 0;
  QString Title;
};

// Draws once into a picture or document of the format and writes it to out.
bool WriteChart(QIODevice& out, ChartFileFormat format, const ChartFileInfo& info,
                const ChartDraw& draw);
// The same, into path through SaveFile.
SaveResult SaveChartFile(const QString& path, ChartFileFormat format, const ChartFileInfo& info,
                         const ChartDraw& draw);
// SaveChartFile in two steps, so that one thread can draw the next chart
// while another waits for the disk: the file's bytes drawn in memory
// (nothing when the drawing failed), then those bytes into path.
std::optional<QByteArray> ChartFileBytes(ChartFileFormat format, const ChartFileInfo& info,
                                         const ChartDraw& draw);
SaveResult SaveChartBytes(const QString& path, const std::optional<QByteArray>& bytes,
                          const SaveOptions& options = {});
// An already drawn picture, for a raster format; fails for a vector one.
SaveResult SaveChartImage(const QString& path, ChartFileFormat format, const QImage& image);

// The chart as an SVG document in memory (for the clipboard).
QByteArray ChartSvgBytes(const ChartFileInfo& info, const ChartDraw& draw);

}  // namespace qh
