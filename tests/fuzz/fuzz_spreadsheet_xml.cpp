// The XML Spreadsheet 2003 reader on any document: directly, and through
// the workbook dispatch with a prologue that sends it there.
#include "data/source_loader.h"
#include "data/workbook/spreadsheet_xml.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  qh::SheetLines lines;
  if (qh::ReadSpreadsheetXmlLines(bytes, lines)) {
    for (QStringView line : lines.Lines) {
      if (line.data() < lines.Buffer.constData() ||
          line.data() + line.size() > lines.Buffer.constData() + lines.Buffer.size()) {
        qh::fuzz::Violation("line outside its buffer");
      }
    }
  }
  static const QByteArray prologue =
      "<?xml version=\"1.0\"?><!--urn:schemas-microsoft-com:office:spreadsheet-->";
  qh::ItemTable table;
  const bool ok = qh::LoadSourceBytes(prologue + bytes, QStringLiteral("xls"),
                                      QStringLiteral("fuzz.xls"), qh::LoadLimits{}, table);
  qh::fuzz::CheckLoaderResult(ok, table);
  return 0;
}
