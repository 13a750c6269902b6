#include "data/source_loader.h"

#include "base/diag_log.h"
#include "base/text_utils.h"
#include "data/csv_reader.h"
#include "data/file_access.h"
#include "data/html/html_reader.h"
#include "data/mapped_file.h"
#include "data/table_choice.h"
#include "data/text_decode.h"
#include "data/workbook/reader.h"

namespace qh {

namespace {

// Csv, Html: by the name; Workbook: a workbook name, told apart by content;
// Stream: no name to go by, told apart by content.
enum class SourceFormat { Csv, Html, Workbook, Stream, Unknown };

SourceFormat FormatOf(const QString& ext) {
  if (ext == u"csv") return SourceFormat::Csv;
  if (ext == u"xls" || ext == u"xlsx") return SourceFormat::Workbook;
  if (ext == u"html" || ext == u"htm") return SourceFormat::Html;
  return SourceFormat::Unknown;
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

// Text with no name to go by, or saved under a workbook name: XML
// Spreadsheet 2003, an HTML table, or separated values, each read as its own
// kind of file. Separated values under a workbook name are read as Excel
// reads text.
bool LoadText(QString text, SourceFormat format, const QString& name, const LoadLimits& limits,
              ItemTable& table, DiagLog* log, const TableChoice& choice) {
  if (IsSpreadsheetXml(SkipLeadingSpace(text), text)) {
    const QByteArray utf8 = text.toUtf8();
    text = QString();  // the scan needs only the bytes
    return LoadSpreadsheetXml(utf8, name, limits, QStringLiteral("Excel"), table, choice);
  }
  // HTML and separated text hold one table: no other sheet.
  if (!IsFirstSheet(choice.Sheet)) return FailUnknownSheet(table, choice.Sheet, {});
  if (text.contains(u"<table", Qt::CaseInsensitive))
    return ParseHtmlText(text, limits, table, log, choice);
  if (format == SourceFormat::Workbook)
    return ParseExcelText(std::move(text), limits, table, choice);
  return ParseCsvText(std::move(text), limits, table, choice);
}

// Bytes told apart by their content.
bool LoadByContent(QByteArray bytes, SourceFormat format, const QString& name,
                   const LoadLimits& limits, ItemTable& table, DiagLog* log,
                   const TableChoice& choice) {
  // UTF-16 text ("Unicode text") holds NUL bytes yet is text.
  if (StartsWithUtf16Mark(bytes)) {
    return LoadText(DecodeUtf16AndRelease(bytes), format, name, limits, table, log, choice);
  }
  if (SniffWorkbookContent(bytes) == WorkbookContent::Text) {
    // What follows a UTF-8 byte order mark is the text, as for a file named
    // .csv: converters put one before GBK text too.
    return LoadText(DecodeAndRelease(bytes, Utf8Mark::Skip), format, name, limits, table, log,
                    choice);
  }
  return LoadWorkbookBytes(std::move(bytes), name, limits, QStringLiteral("Excel"), table, choice);
}

bool FailFormat(const QString& ext, const QString& path, ItemTable& table) {
  if (ext.isEmpty()) return table.Fail(QStringLiteral("数据源文件没有扩展名,无法识别格式."), path);
  return table.Fail(QStringLiteral("不支持的数据源文件格式:.") + ext,
                    QStringLiteral("支持 HTML (.html/.htm), CSV (.csv), Excel (.xls/.xlsx)."));
}

bool FailMissing(const QString& path, ItemTable& table) {
  return table.Fail(QStringLiteral("数据源文件不存在."), QStringLiteral("找不到文件:\r\n") + path);
}

bool FailFolder(const QString& path, ItemTable& table) {
  return table.Fail(QStringLiteral("这是一个文件夹,不是数据文件."),
                    QStringLiteral("请选择其中的 HTML, CSV 或 Excel 文件:\r\n") + path);
}

// The checks all bytes pass first, whatever reads them: false with the
// refusal in table.
bool AdmitBytes(QByteArrayView bytes, SourceFormat format, const QString& name,
                const LoadLimits& limits, ItemTable& table, const TableChoice& choice) {
  // An unreadable file reads as no bytes and gets the same words.
  if (bytes.isEmpty()) return table.Fail(QStringLiteral("数据源文件为空,无法读取."), name);
  if (bytes.size() > limits.MaxBytes()) return FailOverByteLimit(limits, table);
  // A text file holds one table: only a workbook has other sheets (bytes
  // told apart by content are checked once their kind is known).
  if ((format == SourceFormat::Csv || format == SourceFormat::Html) && !IsFirstSheet(choice.Sheet))
    return FailUnknownSheet(table, choice.Sheet, {});
  return true;
}

// "Unicode text" of spreadsheet programs and .NET exporters: UTF-16 with
// its byte order mark, read as the same text in UTF-8 would be. CSV bytes
// are read where they lie, UTF-16 in another byte order decoded a piece at
// a time.
bool LoadCsv(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table,
             const TableChoice& choice, MappedFile* mapped = nullptr) {
  // What was read is let go as the reading goes on; UTF-8 lines are read
  // out of a mapped file, not looked at in its mapping.
  std::function<void(qsizetype)> passed;
  CopyBytes copy;
  if (mapped != nullptr) {
    passed = [mapped](qsizetype offset) { mapped->Release(offset); };
    if (mapped->CopiesByReading()) {
      copy = [mapped](const char* from, char* to, qsizetype count) {
        mapped->CopyOut(from, to, count);
      };
    }
  }
  if (!StartsWithUtf16Mark(bytes)) return ParseCsvBytes(bytes, limits, table, choice, passed, copy);
  // Little-endian UTF-16 (what Windows calls Unicode) is read in place.
  if (const auto text = Utf16InPlace(bytes)) return ParseCsvText(*text, limits, table, choice);
  return ParseCsvUtf16(bytes, limits, table, choice, passed);
}

bool LoadBytes(QByteArray bytes, SourceFormat format, const QString& name, const LoadLimits& limits,
               ItemTable& table, DiagLog* log, const TableChoice& choice) {
  const LogFlushGuard flush(log);
  table.Reset();
  if (!AdmitBytes(bytes, format, name, limits, table, choice)) return false;
  switch (format) {
    case SourceFormat::Csv: return LoadCsv(bytes, limits, table, choice);
    case SourceFormat::Html: return ParseHtmlBytes(bytes, limits, table, log, choice);
    case SourceFormat::Workbook:
    case SourceFormat::Stream:
      return LoadByContent(std::move(bytes), format, name, limits, table, log, choice);
    case SourceFormat::Unknown: break;
  }
  return false;
}

// Opens a file to be read in place (mapped where it can be); false with
// the refusal in table.
bool OpenInPlace(const QString& path, const LoadLimits& limits, ItemTable& table,
                 MappedFile& file) {
  switch (file.Open(path, limits.MaxBytes())) {
    case ReadResult::Ok:
    case ReadResult::Unreadable: break;  // no bytes: the empty file's words
    case ReadResult::Missing: return FailMissing(path, table);
    case ReadResult::Folder: return FailFolder(path, table);
    case ReadResult::TooLarge: return FailOverByteLimit(limits, table);
  }
  return true;
}

// A CSV file is read in place, never copied.
bool LoadCsvFile(const QString& path, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                 const TableChoice& choice) {
  MappedFile file;
  if (!OpenInPlace(path, limits, table, file)) return false;
  const LogFlushGuard flush(log);
  table.Reset();
  if (!AdmitBytes(file.Bytes(), SourceFormat::Csv, path, limits, table, choice)) return false;
  return LoadCsv(file.Bytes(), limits, table, choice, &file);
}

// An HTML file in UTF-8, code page 936 or little-endian UTF-16 is read in
// place; other UTF-16 is decoded whole, its pages let go as it is.
bool LoadHtmlFile(const QString& path, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                  const TableChoice& choice) {
  MappedFile file;
  if (!OpenInPlace(path, limits, table, file)) return false;
  const LogFlushGuard flush(log);
  table.Reset();
  const QByteArrayView bytes = file.Bytes();
  if (!AdmitBytes(bytes, SourceFormat::Html, path, limits, table, choice)) return false;
  if (!StartsWithUtf16Mark(bytes)) {
    if (IsValidUtf8(bytes)) return ParseHtmlUtf8(bytes, limits, table, log, choice);
    return ParseHtmlCodePage936(bytes, limits, table, log, choice);
  }
  if (const auto text = Utf16InPlace(bytes)) return ParseHtmlText(*text, limits, table, log, choice);
  return ParseHtmlText(DecodeUtf16(bytes, [&file](qsizetype offset) { file.Release(offset); }),
                       limits, table, log, choice);
}

bool LoadFile(const QString& path, const QString& ext, const LoadLimits& limits, ItemTable& table,
              DiagLog* log, const TableChoice& choice) {
  table.Reset();
  const FileKind kind = KindOfFile(path);
  if (kind == FileKind::Folder) return FailFolder(path, table);
  SourceFormat format = FormatOf(ext);
  if (format == SourceFormat::Unknown) {
    if (kind != FileKind::Stream) return FailFormat(ext, path, table);
    format = SourceFormat::Stream;  // /dev/fd/63 says nothing of its bytes
  }
  if (kind == FileKind::Missing) return FailMissing(path, table);
  if (format == SourceFormat::Csv) return LoadCsvFile(path, limits, table, log, choice);
  if (format == SourceFormat::Html) return LoadHtmlFile(path, limits, table, log, choice);
  QByteArray bytes;
  switch (ReadFileBytes(path, limits.MaxBytes(), bytes)) {
    case ReadResult::Ok:
    case ReadResult::Unreadable: break;  // no bytes: the empty file's words
    case ReadResult::Missing: return FailMissing(path, table);
    case ReadResult::Folder: return FailFolder(path, table);
    case ReadResult::TooLarge: return FailOverByteLimit(limits, table);
  }
  return LoadBytes(std::move(bytes), format, path, limits, table, log, choice);
}

}  // namespace

bool IsDataFileExtension(const QString& ext) { return FormatOf(ext) != SourceFormat::Unknown; }

bool RequireExistingFile(const QString& path, ItemTable& table) {
  switch (KindOfFile(path)) {
    case FileKind::Regular:
    case FileKind::Stream: return true;
    case FileKind::Folder: return FailFolder(path, table);
    case FileKind::Missing: break;
  }
  return FailMissing(path, table);
}

bool LoadSourceFile(const QString& path, const LoadLimits& limits, ItemTable& table, DiagLog* log,
                    const TableChoice& choice) {
  return LoadFile(path, FileExtension(path), limits, table, log, choice);
}

bool LoadSourceFileAs(const QString& path, const QString& ext, const LoadLimits& limits,
                      ItemTable& table, DiagLog* log, const TableChoice& choice) {
  return LoadFile(path, ext, limits, table, log, choice);
}

bool LoadSourceBytes(QByteArray bytes, const QString& ext, const QString& name,
                     const LoadLimits& limits, ItemTable& table, DiagLog* log,
                     const TableChoice& choice) {
  const SourceFormat format = FormatOf(ext);
  if (format == SourceFormat::Unknown) {
    table.Reset();
    return FailFormat(ext, name, table);
  }
  return LoadBytes(std::move(bytes), format, name, limits, table, log, choice);
}

bool LoadSourceStream(QByteArray bytes, const QString& name, const LoadLimits& limits,
                      ItemTable& table, DiagLog* log, const TableChoice& choice) {
  return LoadBytes(std::move(bytes), SourceFormat::Stream, name, limits, table, log, choice);
}

bool FailSourceTooLarge(const LoadLimits& limits, ItemTable& table) {
  table.Reset();
  return FailOverByteLimit(limits, table);
}

}  // namespace qh
