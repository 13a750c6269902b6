#include "data/workbook/reader.h"

#include "data/csv_reader.h"
#include "data/html_reader.h"
#include "data/text_decode.h"
#include "data/validate_rows.h"
#include "data/workbook/password.h"
#include "data/workbook/spreadsheet_xml.h"
#include "data/workbook/xls.h"
#include "data/workbook/xlsx.h"

#include <QStringView>

namespace qh {

namespace {

constexpr qsizetype kTextSniffBytes = 4096;

bool ReadFirstSheet(const QByteArray& bytes, SheetCells& cells) {
  switch (SniffWorkbookContent(bytes)) {
    case WorkbookContent::Zip: return ReadXlsxFirstSheet(bytes, cells);
    case WorkbookContent::Compound: return ReadXlsFirstSheet(bytes, cells);
    case WorkbookContent::Binary:
      // Excel 2 to 4 saved a worksheet as a bare record stream.
      return LooksLikeXls(bytes) && ReadXlsFirstSheet(bytes, cells);
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

bool ValidateSheetLines(const SheetLines& lines, const QString& name, const LoadLimits& limits,
                        const QString& label, ItemTable& table) {
  if (lines.Lines.empty()) {
    return table.Fail(QStringLiteral("数据源 Excel 表格中没有数据."),
                      QStringLiteral("工作表没有可用的数据行:\r\n") + name);
  }
  return ValidateRows(std::span<const QStringView>(lines.Lines), label, limits, table);
}

QStringView SkipLeadingSpace(QStringView text) {
  qsizetype at = 0;
  if (text.startsWith(QChar(0xFEFF))) at = 1;
  while (at < text.size() && text[at].isSpace()) ++at;
  return text.sliced(at);
}

bool IsSpreadsheetXml(QStringView start, QStringView whole) {
  return start.startsWith(u"<?xml") &&
         whole.contains(u"urn:schemas-microsoft-com:office:spreadsheet");
}

// A text export saved under a workbook name: XML Spreadsheet 2003, an HTML
// table, or separated values, each read as its own kind of file.
bool LoadTextExport(QString text, const QString& name, const LoadLimits& limits,
                    const QString& label, ItemTable& table, DiagLog* log) {
  const QStringView start = SkipLeadingSpace(text);
  if (IsSpreadsheetXml(start, text)) {
    const QByteArray utf8 = text.toUtf8();
    text = QString();  // the scan needs only the bytes
    SheetLines lines;
    if (!ReadSpreadsheetXmlLines(utf8, lines)) return FailUnreadable(table, name);
    return ValidateSheetLines(lines, name, limits, label, table);
  }
  if (text.contains(u"<table", Qt::CaseInsensitive)) return ParseHtmlText(text, table, log);
  return ParseCsvText(std::move(text), limits, table);
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

bool ReadWorkbookLines(const QByteArray& bytes, SheetLines& lines) {
  SheetCells cells;
  return ReadFirstSheet(bytes, cells) && cells.BuildLines(lines);
}

bool LoadWorkbookBytes(QByteArray bytes, const QString& name, const LoadLimits& limits,
                       const QString& label, ItemTable& table, DiagLog* log) {
  table.Reset();
  // UTF-16 text ("Unicode text") holds NUL bytes yet is text.
  if (StartsWithUtf16Mark(bytes)) {
    return LoadTextExport(DecodeUtf16AndRelease(bytes), name, limits, label, table, log);
  }
  WorkbookContent content = SniffWorkbookContent(bytes);
  if (content == WorkbookContent::Text) {
    // What follows a UTF-8 byte order mark is the text, as for a file named
    // .csv: converters put one before GBK text too.
    return LoadTextExport(DecodeAndRelease(bytes, Utf8Mark::Skip), name, limits, label, table, log);
  }
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
  if (content == WorkbookContent::Zip) {
    // The usual sheet goes straight into the table; any other is read again
    // in full below.
    TwoColumnRows rows(label, table);
    bool ok = false;
    if (ReadXlsxFirstSheet(bytes, rows) && rows.Finish(ok)) return ok;
    table.Reset();
  }
  SheetLines lines;
  if (!ReadWorkbookLines(bytes, lines)) return FailUnreadable(table, name);
  return ValidateSheetLines(lines, name, limits, label, table);
}

}  // namespace qh
