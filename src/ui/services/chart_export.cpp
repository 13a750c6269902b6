#include "ui/services/chart_export.h"

#include "base/user_messages.h"
#include "ui/services/file_dialogs.h"

namespace qh {

namespace {

SaveResult SaveChosenFormat(const QString& path, const QImage& image, const VectorChart& vector) {
  const ChartFileFormat format = ChartFileFormatFor(path).value_or(ChartFileFormat::Jpeg);
  if (!IsVectorFormat(format)) return SaveChartImage(path, format, image);
  if (!vector.Draw) return SaveResult::Failed(QStringLiteral("图片生成失败"));
  return SaveChartFile(path, format, {image.width(), image.height(), vector.Title}, vector.Draw);
}

}  // namespace

QString SaveFailureText(const QString& path, const QString& reason) {
  return ReasonAndHint(QStringLiteral("保存图片失败:\r\n") + path + QStringLiteral("\r\n") + reason,
                       QStringLiteral("原有的文件没有改动.请换一个文件夹,或腾出磁盘空间后再试."));
}

SaveOutcome ExportChart(FileDialogs& dialogs, QWidget* owner, const QImage& image,
                        const QString& folder, const QString& name, const VectorChart& vector) {
  SaveOutcome result;
  if (image.isNull()) {
    result.ErrorText = QStringLiteral("图表尚未生成,无法保存.");
    return result;
  }
  QString chosen;
  if (!dialogs.PickChartSavePath(owner, folder, name, chosen)) return result;
  if (const SaveResult saved = SaveChosenFormat(chosen, image, vector); !saved) {
    result.ErrorText = SaveFailureText(chosen, saved.Reason);
    return result;
  }
  result.Ok = true;
  result.SavedPath = chosen;
  return result;
}

}  // namespace qh
