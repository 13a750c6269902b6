#include "data/workbook_reader.h"

#include "base/text_utils.h"
#include "data/file_access.h"
#include "data/validate_rows.h"
#include "data/workbook_sheet_cells.h"
#include "data/workbook_xls.h"
#include "data/workbook_xlsx.h"

#include <QFile>

namespace qh {

namespace {

enum class WorkbookFormat { Xlsx, Xls, Unknown };

// Told by the file's first bytes, not its extension: a zip package or an
// OLE compound file, whichever name it was saved under.
WorkbookFormat SniffFormat(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return WorkbookFormat::Unknown;
  const QByteArray head = file.read(8);
  if (head.startsWith("PK\x03\x04")) return WorkbookFormat::Xlsx;
  if (LooksLikeXls(head)) return WorkbookFormat::Xls;
  return WorkbookFormat::Unknown;
}

bool ReadFirstSheet(const QString& path, SheetCells& cells) {
  switch (SniffFormat(path)) {
    case WorkbookFormat::Xlsx:
      return ReadXlsxFirstSheet(path, cells);
    case WorkbookFormat::Xls:
      return ReadXlsFirstSheet(ReadAllBytes(path), cells);
    case WorkbookFormat::Unknown:
      return false;
  }
  return false;
}

}  // namespace

bool ReadWorkbookLines(const QString& path, SheetLines& lines) {
  SheetCells cells;
  return ReadFirstSheet(path, cells) && cells.BuildLines(lines);
}

namespace {

bool FailUnreadable(ItemTable& table, const QString& path) {
  return table.Fail(QStringLiteral("读取 Excel 文件失败."),
                    QStringLiteral("无法打开或解析该文件:\r\n") + path +
                        QStringLiteral("\r\n\r\n请确认文件未损坏,且本机已安装 Excel 或 WPS 表格."));
}

}  // namespace

bool LoadWorkbook(const QString& path, const LoadLimits& limits, const QString& label,
                  ItemTable& table) {
  table.Reset();
  if (!FileExists(path)) {
    return table.Fail(QStringLiteral("数据源文件不存在."), QStringLiteral("找不到文件:\r\n") + path);
  }
  SheetLines lines;
  if (!ReadWorkbookLines(path, lines)) return FailUnreadable(table, path);
  if (lines.lines.empty()) {
    return table.Fail(QStringLiteral("数据源 Excel 表格中没有数据."),
                      QStringLiteral("工作表没有可用的数据行:\r\n") + path);
  }
  return ValidateRows(std::span<const QStringView>(lines.lines), label, limits, table);
}

}  // namespace qh
