#include "data/workbook_xls.h"

#include "data/workbook_biff.h"
#include "data/workbook_cfb.h"
#include "data/workbook_date_serial.h"

#include <QFile>
#include <QTemporaryFile>
#include <freexl.h>

namespace qh {

namespace {

class FreeXlHandle {
 public:
  ~FreeXlHandle() {
    if (handle_ != nullptr) freexl_close(handle_);
  }
  bool Open(const QString& path) {
    return freexl_open(QFile::encodeName(path).constData(), &handle_) == FREEXL_OK;
  }
  const void* get() const { return handle_; }

 private:
  const void* handle_ = nullptr;
};

bool IsDate1904(const void* handle) {
  unsigned int mode = 0;
  return freexl_get_info(handle, FREEXL_BIFF_DATEMODE, &mode) == FREEXL_OK &&
         mode == FREEXL_BIFF_DATEMODE_1904;
}

bool AddText(SheetCells& cells, int row, int column, const char* utf8) {
  if (cells.Texts().Count() >= SheetCells::kMaxStoredCells) return false;
  return cells.AddText(row, column, cells.Texts().Add(QString::fromUtf8(utf8)));
}

bool AddCell(SheetCells& cells, int row, int column, const FreeXL_CellValue& value,
             bool date1904) {
  switch (value.type) {
    case FREEXL_CELL_INT:
      return cells.AddNumber(row, column, value.value.int_value);
    case FREEXL_CELL_DOUBLE:
      return cells.AddNumber(row, column, value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
      return AddText(cells, row, column, value.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
      // FreeXL hands dates out as text; the cell itself holds the serial.
      const QString text = QString::fromUtf8(value.value.text_value);
      if (const auto serial = DateTextToSerial(text, date1904)) {
        return cells.AddNumber(row, column, *serial);
      }
      return AddText(cells, row, column, value.value.text_value);
    }
    default:
      return true;  // empty
  }
}

// Formula results, booleans and the recorded used range, which FreeXL does
// not report. Best effort: a workbook FreeXL reads is never refused over
// these.
BiffSheetExtras ReadBiffExtras(const QByteArray& workbookStream) {
  BiffSheetExtras extras;
  if (!ReadBiffSheetExtras(workbookStream, extras)) return {};
  return extras;
}

QByteArray WorkbookStream(const QByteArray& bytes) {
  auto stream = ReadCompoundStream(bytes, u"Workbook");
  if (!stream) stream = ReadCompoundStream(bytes, u"Book");
  return stream.value_or(QByteArray());
}

// Added before FreeXL's cells, so they win at the same position (FreeXL
// gives a boolean as the number 1 and a formula as nothing).
void AddExtraCells(const BiffSheetExtras& extras, SheetCells& cells) {
  for (const BiffCell& cell : extras.cells) {
    const CellValue& value = cell.value;
    switch (value.kind) {
      case CellKind::Text:
        AddText(cells, cell.row, cell.column, value.text.toUtf8().constData());
        break;
      case CellKind::Boolean:
        cells.AddBoolean(cell.row, cell.column, value.number != 0.0);
        break;
      case CellKind::Number:
        cells.AddNumber(cell.row, cell.column, value.number);
        break;
      default:
        cells.AddError(cell.row, cell.column);
        break;
    }
  }
}

// Added after FreeXL's cells, so the corners only widen the range.
void AddRecordedRange(const BiffSheetExtras& extras, SheetCells& cells) {
  if (extras.firstRow >= 1 && extras.firstColumn >= 1 && extras.lastRow >= extras.firstRow &&
      extras.lastColumn >= extras.firstColumn) {
    cells.AddEmpty(extras.firstRow, extras.firstColumn);
    cells.AddEmpty(extras.lastRow, extras.lastColumn);
  }
}

}  // namespace

bool ReadXlsFirstSheet(const QByteArray& bytes, SheetCells& cells) {
  constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
  if (bytes.size() > kMaxFileBytes) return false;
  // FreeXL overreads its stack on an overlong directory entry name, also
  // on one it finds by following a damaged table; such files stop here.
  if (!CompoundDirectoryWellFormed(bytes)) return false;
  const QByteArray stream = WorkbookStream(bytes);
  // Every text FreeXL will copy must lie inside its record.
  if (stream.isEmpty() || !BiffRecordsWellFormed(stream)) return false;
  // Checked before FreeXL, which allocates the recorded range whole.
  const BiffSheetExtras extras = ReadBiffExtras(stream);
  if (extras.lastRow >= extras.firstRow && extras.lastColumn >= extras.firstColumn &&
      SheetCells::RangeTooSparse(extras.lastRow - extras.firstRow + 1,
                                 extras.lastColumn - extras.firstColumn + 1, extras.cellRecords)) {
    return false;
  }
  // FreeXL reads only from a named file.
  QTemporaryFile copy;
  if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush()) return false;
  FreeXlHandle xls;
  if (!xls.Open(copy.fileName())) return false;
  unsigned int sheetCount = 0;
  if (freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK ||
      sheetCount < 1 || freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK) {
    return false;
  }
  unsigned int rows = 0;
  unsigned short columns = 0;
  if (freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK) return false;
  if (std::int64_t(rows) * columns > SheetCells::kMaxGridCells) return false;
  const bool date1904 = IsDate1904(xls.get());
  AddExtraCells(extras, cells);
  for (unsigned int row = 0; row < rows; ++row) {
    for (unsigned short column = 0; column < columns; ++column) {
      FreeXL_CellValue value;
      if (freexl_get_cell_value(xls.get(), row, column, &value) != FREEXL_OK) return false;
      if (!AddCell(cells, int(row) + 1, int(column) + 1, value, date1904)) return false;
    }
  }
  AddRecordedRange(extras, cells);
  return true;
}

}  // namespace qh
