// The .xls reader on bytes alone (compound file, then BIFF records, or a
// bare record stream), without the file system: many more runs per second
// than the whole-file target, and every record path reachable.
#include "data/workbook/xls.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qh::SheetCells cells;
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  if (!qh::ReadXlsFirstSheet(bytes, cells)) return 0;
  qh::SheetLines lines;
  if (!cells.BuildLines(lines)) return 0;
  for (QStringView line : lines.Lines) {
    if (line.data() < lines.Buffer.constData() ||
        line.data() + line.size() > lines.Buffer.constData() + lines.Buffer.size()) {
      qh::fuzz::Violation("a line outside its buffer");
    }
  }
  return 0;
}
