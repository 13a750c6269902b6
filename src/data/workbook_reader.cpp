#include "data/workbook_reader.h"

#include "app/text_utils.h"

namespace qh {

// Placeholder until the native workbook readers exist.
bool LoadWorkbook(const QString& path, const LoadLimits&, const QString&, ItemTable& table) {
  table.Reset();
  if (!FileExists(path)) {
    return table.Fail(QStringLiteral("数据源文件不存在."), QStringLiteral("找不到文件:\r\n") + path);
  }
  return table.Fail(QStringLiteral("读取 Excel 文件失败."),
                    QStringLiteral("无法打开或解析该文件:\r\n") + path +
                        QStringLiteral("\r\n\r\n请确认文件未损坏,且本机已安装 Excel 或 WPS 表格."));
}

}  // namespace qh
