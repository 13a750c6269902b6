#include "data/source_loader.h"

#include "data/csv_reader.h"
#include "data/file_access.h"
#include "data/html_reader.h"
#include "data/workbook_reader.h"

namespace qh {

bool LoadSourceFile(const QString& path, const LoadLimits& limits, ItemTable& table,
                    DiagLog* log) {
  table.Reset();
  const QString ext = FileExtension(path);
  if (ext == u"csv") return LoadCsvFile(path, limits, table);
  if (ext == u"xls" || ext == u"xlsx") return LoadWorkbook(path, limits, QStringLiteral("Excel"), table);
  if (ext == u"html" || ext == u"htm") return LoadHtmlFile(path, limits, table, log);
  if (ext.isEmpty()) return table.Fail(QStringLiteral("数据源文件没有扩展名,无法识别格式."), path);
  return table.Fail(QStringLiteral("不支持的数据源文件格式:.") + ext,
                    QStringLiteral("支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx)."));
}

}  // namespace qh
