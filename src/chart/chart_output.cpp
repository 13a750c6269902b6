#include "chart/chart_output.h"

#include "png/png_encoder.h"
#include "chart/svg_fonts.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace qh {

std::optional<ChartFileFormat> ChartFileFormatFor(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == u"png") return ChartFileFormat::Png;
  if (ext == u"jpg" || ext == u"jpeg") return ChartFileFormat::Jpeg;
  if (ext == u"bmp") return ChartFileFormat::Bmp;
  if (ext == u"svg") return ChartFileFormat::Svg;
  if (ext == u"pdf") return ChartFileFormat::Pdf;
  return std::nullopt;
}

bool IsVectorFormat(ChartFileFormat format) {
  return format == ChartFileFormat::Svg || format == ChartFileFormat::Pdf;
}

namespace {

constexpr double kPointsPerPixel = 72.0 / 96.0;
constexpr int kScreenDpi = 96;

bool WriteImage(QIODevice& out, ChartFileFormat format, const QImage& image) {
  // Opaque: no alpha channel in the file (JPEG has none anyway).
  const QImage opaque =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  if (format == ChartFileFormat::Png) {
    const QByteArray png = EncodePng(opaque);
    return !png.isEmpty() && out.write(png) == png.size();
  }
  QImageWriter writer(&out, format == ChartFileFormat::Jpeg ? "jpeg" : "bmp");
  if (format == ChartFileFormat::Jpeg) writer.setQuality(90);
  return writer.write(opaque);
}

// Makes a premultiplied picture opaque RGB32. Every pixel of a chart is
// opaque (it is drawn over white), and then the two formats hold the same
// bits: the format is changed without touching them. Qt's own conversion
// would share the picture out to a pool of threads to do nothing.
void MakeOpaque(QImage& image) {
  const qsizetype pixels = qsizetype(image.width()) * image.height();
  if (image.bytesPerLine() == qsizetype(image.width()) * 4) {
    const auto* p = reinterpret_cast<const quint32*>(std::as_const(image).constBits());
    quint32 all = 0xFF000000u;
    for (qsizetype i = 0; i < pixels; ++i) all &= p[i];
    if (all == 0xFF000000u && image.reinterpretAsFormat(QImage::Format_RGB32)) return;
  }
  image.convertTo(QImage::Format_RGB32);
}

bool DrawRaster(QIODevice& out, ChartFileFormat format, const ChartFileInfo& info,
                const ChartDraw& draw) {
  // The window's back buffer format, so the file is the picture it shows.
  QImage image(info.Width, info.Height, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return false;
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    if (!painter.isActive()) return false;
    draw(painter);
  }
  MakeOpaque(image);
  return WriteImage(out, format, image);
}

bool DrawSvg(QIODevice& out, const ChartFileInfo& info, const ChartDraw& draw) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(info.Width, info.Height));
  svg.setViewBox(QRect(0, 0, info.Width, info.Height));
  svg.setResolution(kScreenDpi);  // so the document's size is the picture's in CSS pixels
  svg.setTitle(info.Title);
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  draw(painter);
  if (!painter.end()) return false;
  // Every text names CJK fallbacks, so a document opened elsewhere keeps
  // its Chinese glyphs.
  const QByteArray widened = WithSvgFontFallbacks(bytes);
  return out.write(widened) == widened.size();
}

bool DrawPdf(QIODevice& out, const ChartFileInfo& info, const ChartDraw& draw) {
  QPdfWriter pdf(&out);
  pdf.setResolution(kScreenDpi);  // one device unit per picture pixel
  const QSizeF points(info.Width * kPointsPerPixel, info.Height * kPointsPerPixel);
  if (!pdf.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch)))
    return false;
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  pdf.setTitle(info.Title);
  pdf.setCreator(QStringLiteral("QingHe Chart"));
  QPainter painter;
  if (!painter.begin(&pdf)) return false;
  draw(painter);
  return painter.end();
}

}  // namespace

bool WriteChart(QIODevice& out, ChartFileFormat format, const ChartFileInfo& info,
                const ChartDraw& draw) {
  if (info.Width < 1 || info.Height < 1 || !draw) return false;
  switch (format) {
    case ChartFileFormat::Svg: return DrawSvg(out, info, draw);
    case ChartFileFormat::Pdf: return DrawPdf(out, info, draw);
    default: return DrawRaster(out, format, info, draw);
  }
}

namespace {

// Drawn into memory first: the file is written by SaveFile in one checked
// piece, and a drawing that fails touches no file at all.
std::optional<QByteArray> DrawnBytes(const std::function<bool(QIODevice&)>& write) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!write(buffer)) return std::nullopt;
  return bytes;
}

}  // namespace

std::optional<QByteArray> ChartFileBytes(ChartFileFormat format, const ChartFileInfo& info,
                                         const ChartDraw& draw) {
  return DrawnBytes([&](QIODevice& out) { return WriteChart(out, format, info, draw); });
}

SaveResult SaveChartBytes(const QString& path, const std::optional<QByteArray>& bytes,
                          const SaveOptions& options) {
  if (!bytes) return SaveResult::Failed(QStringLiteral("图片生成失败"));
  return SaveFile(path, *bytes, options);
}

SaveResult SaveChartFile(const QString& path, ChartFileFormat format, const ChartFileInfo& info,
                         const ChartDraw& draw) {
  return SaveChartBytes(path, ChartFileBytes(format, info, draw));
}

SaveResult SaveChartImage(const QString& path, ChartFileFormat format, const QImage& image) {
  if (image.isNull() || IsVectorFormat(format))
    return SaveResult::Failed(QStringLiteral("图片生成失败"));
  return SaveChartBytes(path,
                        DrawnBytes([&](QIODevice& out) { return WriteImage(out, format, image); }));
}

QByteArray ChartSvgBytes(const ChartFileInfo& info, const ChartDraw& draw) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!WriteChart(buffer, ChartFileFormat::Svg, info, draw)) return {};
  return bytes;
}

}  // namespace qh
