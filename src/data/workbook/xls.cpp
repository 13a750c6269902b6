#include "data/workbook/xls.h"

#include "data/workbook/biff.h"
#include "data/workbook/cfb.h"

namespace qh {

bool LooksLikeXls(QByteArrayView head) {
  return IsCompoundFile(head) || StartsWithBiffRecord(head);
}

bool ReadXlsFirstSheet(QByteArrayView bytes, SheetCells& cells, SheetPick* pick) {
  if (!IsCompoundFile(bytes))
    return StartsWithBiffRecord(bytes) && ReadBiffFirstSheet(bytes, cells);
  // Excel 97 and later name the stream "Workbook", Excel 5 and 95 "Book";
  // writers differ in letter case.
  auto stream = ReadCompoundStream(bytes, u"Workbook");
  if (!stream) stream = ReadCompoundStream(bytes, u"Book");
  return stream && ReadBiffFirstSheet(*stream, cells, pick);
}

}  // namespace qh
