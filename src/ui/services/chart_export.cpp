#include "ui/services/chart_export.h"

#include "ui/services/file_dialogs.h"

#include <QImageWriter>
#include <QSaveFile>

namespace qh {

bool SaveImageAsJpeg(const QImage& image, const QString& path) {
  if (image.isNull() || path.isEmpty()) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&file, "jpg");
  writer.setQuality(90);
  // JPEG has no alpha: flatten first so the encoder never sees a mask.
  if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

ExportResult ExportChartJpg(FileDialogs& dialogs, QWidget* owner, const QImage& image,
                            const QString& folder, const QString& name) {
  ExportResult result;
  if (image.isNull()) {
    result.ErrorText = QStringLiteral("图表尚未生成,无法保存.");
    return result;
  }
  QString chosen;
  if (!dialogs.PickJpgSavePath(owner, folder, name, chosen)) return result;
  if (!SaveImageAsJpeg(image, chosen)) {
    result.ErrorText = QStringLiteral("保存图片失败:\r\n") + chosen;
    return result;
  }
  result.Ok = true;
  result.SavedPath = chosen;
  return result;
}

}  // namespace qh
