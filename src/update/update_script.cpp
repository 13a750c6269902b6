#include "update/update_script.h"

#include <QDir>
#include <QFileInfo>

#include "base/save_file.h"
#include "base/text_utils.h"
#include "update/download_update.h"

namespace qh {

namespace {

const QString kNewFileMissing = QStringLiteral("下载的临时文件不存在.");
const QString kCannotWriteScript = QStringLiteral("无法创建更新脚本.");

}  // namespace

void RemoveSetAsideProgram(const QString& appDir) {
  QFile::remove(QDir(appDir).filePath(SetAsideFileName()));
  RemoveLeftoverDownloads(appDir);
}

bool WriteUpdateScript(const UpdatePaths& paths, const QString& title, QString& scriptPath,
                       QString& errorText, const ScriptTiming& timing) {
  scriptPath.clear();
  errorText.clear();
  if (!FileExists(paths.NewFile)) {
    errorText = kNewFileMissing;
    return false;
  }
  const qint64 size = QFileInfo(paths.NewFile).size();
  const QByteArray bytes = PlatformScriptBytes(paths, size, title, timing);
  // Executable from the start: the script is never there without its mode.
  if (!SaveFile(paths.Script, bytes, {0777})) {
    errorText = kCannotWriteScript;
    return false;
  }
  scriptPath = paths.Script;
  return true;
}

}  // namespace qh
