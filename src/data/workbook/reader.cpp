#include "data/workbook/reader.h"

#include "data/table_choice.h"
#include "data/validate_rows.h"
#include "data/workbook/password.h"
#include "data/workbook/spreadsheet_xml.h"
#include "data/workbook/xls.h"
#include "data/workbook/xlsx.h"

namespace qh {

namespace {

constexpr qsizetype kTextSniffBytes = 4096;

bool ReadFirstSheet(const QByteArray& bytes, SheetCells& cells, SheetPick* pick) {
  switch (SniffWorkbookContent(bytes)) {
    case WorkbookContent::Zip: return ReadXlsxFirstSheet(bytes, cells, pick);
    case WorkbookContent::Compound: return ReadXlsFirstSheet(bytes, cells, pick);
    case WorkbookContent::Binary:
      // Excel 2 to 4 saved a worksheet as a bare record stream.
      return LooksLikeXls(bytes) && ReadXlsFirstSheet(bytes, cells, pick);
    case WorkbookContent::Text: return false;
  }
  return false;
}

bool FailUnreadable(ItemTable& table, const QString& name) {
#if defined(Q_OS_WIN)
  const QString advice = QStringLiteral("请确认文件未损坏,且本机已安装 Excel 或 WPS 表格.");
#else
  // Workbooks are read without any spreadsheet program here.
  const QString advice = QStringLiteral(
      "请确认文件未损坏;也可以在 LibreOffice Calc 或 WPS 表格中另存为 .xlsx 或 CSV 后再试.");
#endif
  return table.Fail(
      QStringLiteral("读取 Excel 文件失败."),
      QStringLiteral("无法打开或解析该文件:\r\n") + name + QStringLiteral("\r\n\r\n") + advice);
}

bool FailPasswordProtected(ItemTable& table, const QString& name) {
  return table.Fail(
      QStringLiteral("读取 Excel 文件失败."),
      QStringLiteral("该工作簿设有打开密码,无法读取:\r\n") + name +
          QStringLiteral("\r\n\r\n请在 Excel 或 WPS 表格中取消密码后另存,或另存为 CSV 后使用."));
}

// A sheet that could not be read: one the user named wrongly, or a
// workbook that cannot be parsed.
bool FailSheet(ItemTable& table, const QString& name, const SheetPick& pick) {
  if (!pick.Wanted.isEmpty() && !pick.Names.isEmpty() && SheetIndex(pick.Names, pick.Wanted) < 0)
    return FailUnknownSheet(table, pick.Wanted, pick.Names);
  return FailUnreadable(table, name);
}

bool ValidateLines(const SheetLines& lines, const QString& name, const LoadLimits& limits,
                   const QString& label, const TableChoice& choice, ItemTable& table) {
  if (lines.Lines.empty()) {
    return table.Fail(QStringLiteral("数据源 Excel 表格中没有数据."),
                      QStringLiteral("工作表没有可用的数据行:\r\n") + name);
  }
  return ValidateRows(std::span<const QStringView>(lines.Lines), label, limits, table, choice);
}

// The verdict on the sheet read; the workbook's sheets stay listed.
bool ValidateSheetLines(const SheetLines& lines, const QString& name, const LoadLimits& limits,
                        const QString& label, const TableChoice& choice, const SheetPick& pick,
                        ItemTable& table) {
  const bool ok = ValidateLines(lines, name, limits, label, choice, table);
  table.Sheets = pick.Names;
  return ok;
}

}  // namespace

WorkbookContent SniffWorkbookContent(QByteArrayView bytes) {
  if (bytes.startsWith("\xD0\xCF\x11\xE0")) return WorkbookContent::Compound;
  if (bytes.startsWith("PK")) return WorkbookContent::Zip;
  if (bytes.first(std::min(bytes.size(), kTextSniffBytes)).contains('\0')) {
    return WorkbookContent::Binary;
  }
  return WorkbookContent::Text;
}

bool ReadWorkbookLines(const QByteArray& bytes, SheetLines& lines, SheetPick* pick) {
  SheetCells cells;
  return ReadFirstSheet(bytes, cells, pick) && cells.BuildLines(lines);
}

bool LoadSpreadsheetXml(QByteArrayView utf8, const QString& name, const LoadLimits& limits,
                        const QString& label, ItemTable& table, const TableChoice& choice) {
  table.Reset();
  SheetLines lines;
  SheetPick pick{choice.Sheet, {}};
  if (!ReadSpreadsheetXmlLines(utf8, lines, &pick)) return FailSheet(table, name, pick);
  return ValidateSheetLines(lines, name, limits, label, choice, pick, table);
}

bool LoadWorkbookBytes(QByteArray bytes, const QString& name, const LoadLimits& limits,
                       const QString& label, ItemTable& table, const TableChoice& choice) {
  table.Reset();
  WorkbookContent content = SniffWorkbookContent(bytes);
  if (content == WorkbookContent::Compound) {
    QByteArray opened;
    switch (OpenProtectedWorkbook(bytes, opened)) {
      case Protection::None: break;
      case Protection::Opened:
        // A plain zip package, or a BIFF stream read like an Excel 2 to 4 file.
        bytes = std::move(opened);
        content = SniffWorkbookContent(bytes);
        break;
      case Protection::OtherPassword: return FailPasswordProtected(table, name);
      case Protection::Damaged: return FailUnreadable(table, name);
    }
  }
  // A choice reads the sheet in full: it may be wider than two columns.
  if (content == WorkbookContent::Zip && choice.IsDefault()) {
    // The usual sheet goes straight into the table; any other is read again
    // in full below.
    TwoColumnRows rows(label, table, limits);
    bool ok = false;
    if (ReadXlsxFirstSheet(bytes, rows) && rows.Finish(ok)) return ok;
    table.Reset();
  }
  SheetLines lines;
  SheetPick pick{choice.Sheet, {}};
  if (!ReadWorkbookLines(bytes, lines, &pick)) return FailSheet(table, name, pick);
  return ValidateSheetLines(lines, name, limits, label, choice, pick, table);
}

}  // namespace qh
