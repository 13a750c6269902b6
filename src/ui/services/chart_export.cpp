#include "ui/services/chart_export.h"

#include "ui/services/file_dialogs.h"

namespace qh {

namespace {

bool SaveChosenFormat(const QString& path, const QImage& image, const VectorChart& vector) {
  const ChartFileFormat format = ChartFileFormatFor(path).value_or(ChartFileFormat::Jpeg);
  if (!IsVectorFormat(format)) return SaveChartImage(path, format, image);
  if (!vector.Draw) return false;
  return SaveChartFile(path, format, {image.width(), image.height(), vector.Title}, vector.Draw);
}

}  // namespace

ExportResult ExportChartJpg(FileDialogs& dialogs, QWidget* owner, const QImage& image,
                            const QString& folder, const QString& name, const VectorChart& vector) {
  ExportResult result;
  if (image.isNull()) {
    result.ErrorText = QStringLiteral("图表尚未生成,无法保存.");
    return result;
  }
  QString chosen;
  if (!dialogs.PickJpgSavePath(owner, folder, name, chosen)) return result;
  if (!SaveChosenFormat(chosen, image, vector)) {
    result.ErrorText = QStringLiteral("保存图片失败:\r\n") + chosen;
    return result;
  }
  result.Ok = true;
  result.SavedPath = chosen;
  return result;
}

}  // namespace qh
