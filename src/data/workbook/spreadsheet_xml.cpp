#include "data/workbook/spreadsheet_xml.h"

#include "data/table_choice.h"
#include "data/workbook/date_serial.h"
#include "data/workbook/xml.h"
#include "data/workbook/xml_scanner.h"

#include <cstdint>
#include <optional>

namespace qh {

namespace {

// A cell holds at most 32767 characters; far more is no cell but a bomb.
constexpr qsizetype kMaxDataBytes = 4 * 1024 * 1024;

// A positive whole number as written in an index or span attribute;
// nullopt when it is none. Large values stay large, so a bound catches them.
std::optional<std::int64_t> WholeNumber(QByteArrayView text) {
  text = text.trimmed();
  if (text.isEmpty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

enum class DataType { Number, String, Boolean, DateTime, Error };

DataType DataTypeOf(QByteArrayView type) {
  if (type == "Number") return DataType::Number;
  if (type == "Boolean") return DataType::Boolean;
  if (type == "DateTime") return DataType::DateTime;
  if (type == "Error") return DataType::Error;
  return DataType::String;
}

// Walks Workbook > Worksheet > Table > Row > Cell > Data of one worksheet
// (the first unless told) without building a tree.
class SpreadsheetXmlReader {
 public:
  SpreadsheetXmlReader(SheetCells& cells, int sheet) : cells_(cells), sheet_(sheet) {}

  bool Read(XmlScanner& scanner) {
    for (auto token = scanner.Next(); token != XmlScanner::Token::Finished;
         token = scanner.Next()) {
      if (token == XmlScanner::Token::Error) return false;
      if (inData_) {
        if (!TakeDataToken(scanner)) return false;
      } else if (inTable_) {
        if (scanner.IsEnd("Table")) return true;  // later worksheets are not needed
        if (!TakeTableToken(scanner)) return false;
      } else if (scanner.IsStart("Date1904")) {
        date1904_ = true;
      } else if (scanner.IsStart("Worksheet")) {
        if (worksheetSeen_) return true;  // the worksheet read had no table
        worksheetSeen_ = worksheets_++ == sheet_;
      } else if (worksheetSeen_ && scanner.IsStart("Table")) {
        inTable_ = true;
      }
    }
    return true;
  }

 private:
  bool TakeTableToken(const XmlScanner& scanner) {
    if (scanner.IsStart("Row")) return StartRow(scanner);
    if (scanner.IsStart("Cell")) return StartCell(scanner);
    if (scanner.IsEnd("Cell")) return FinishCell();
    if (scanner.IsStart("Comment"))
      ++commentDepth_;
    else if (scanner.IsEnd("Comment"))
      --commentDepth_;
    else if (inCell_ && commentDepth_ == 0 && scanner.IsStart("Data"))
      StartData(scanner);
    return true;
  }

  // Every text inside Data counts, also inside the formatting elements of
  // rich text.
  bool TakeDataToken(const XmlScanner& scanner) {
    if (scanner.IsEnd("Data") && --dataDepth_ == 0) {
      inData_ = false;
      return true;
    }
    if (scanner.IsStart("Data")) ++dataDepth_;
    if (scanner.CurrentToken() == XmlScanner::Token::Text) {
      return scanner.AppendText(value_) && value_.size() <= kMaxDataBytes;
    }
    return true;
  }

  // ss:Index may only move forward; the cells skipped are absent.
  static bool Advance(QByteArrayView index, std::int64_t& position, std::int64_t limit) {
    if (index.isEmpty()) {
      ++position;
    } else {
      const auto to = WholeNumber(index);
      if (!to || *to <= position) return false;
      position = *to;
    }
    return position <= limit;
  }

  bool StartRow(const XmlScanner& scanner) {
    column_ = 0;
    return Advance(scanner.Attribute("Index"), row_, SheetCells::kMaxRows);
  }

  bool StartCell(const XmlScanner& scanner) {
    if (row_ == 0) return false;  // a cell outside any row
    if (!Advance(scanner.Attribute("Index"), column_, SheetCells::kMaxColumns)) return false;
    const auto across = Span(scanner.Attribute("MergeAcross"));
    const auto down = Span(scanner.Attribute("MergeDown"));
    if (!across || !down) return false;
    mergeAcross_ = *across;
    mergeDown_ = *down;
    inCell_ = true;
    hasData_ = false;
    value_.truncate(0);
    return true;
  }

  static std::optional<std::int64_t> Span(QByteArrayView text) {
    if (text.isEmpty()) return 0;
    return WholeNumber(text);
  }

  void StartData(const XmlScanner& scanner) {
    hasData_ = true;
    inData_ = true;
    dataDepth_ = 1;
    type_ = DataTypeOf(scanner.Attribute("Type"));
    value_.truncate(0);
  }

  bool FinishCell() {
    if (!inCell_) return false;
    inCell_ = false;
    if (!AddValue()) return false;
    // A merged area reaches as far as its last cell; the cells it covers
    // are empty and the next cell starts after it.
    const std::int64_t lastRow = row_ + mergeDown_;
    const std::int64_t lastColumn = column_ + mergeAcross_;
    if (lastRow > SheetCells::kMaxRows || lastColumn > SheetCells::kMaxColumns) return false;
    if (mergeAcross_ > 0 || mergeDown_ > 0) {
      if (!cells_.AddEmpty(int(lastRow), int(lastColumn))) return false;
    }
    column_ = lastColumn;
    return true;
  }

  bool AddTextCell(const QString& text) {
    return cells_.AddInlineText(int(row_), int(column_), text);
  }

  bool AddValue() {
    const int row = int(row_), column = int(column_);
    if (!hasData_) return cells_.AddEmpty(row, column);
    switch (type_) {
      case DataType::Number:
        if (const auto number = XmlNumber(value_)) return cells_.AddNumber(row, column, *number);
        return AddTextCell(QString::fromUtf8(value_));
      case DataType::Boolean: {
        const QByteArrayView v = QByteArrayView(value_).trimmed();
        return cells_.AddBoolean(row, column, v == "1" || v == "true");
      }
      case DataType::DateTime:
        if (const auto serial = DateTextToSerial(QString::fromUtf8(value_), date1904_)) {
          return cells_.AddNumber(row, column, *serial);
        }
        return AddTextCell(QString::fromUtf8(value_));
      case DataType::Error: return cells_.AddError(row, column);
      case DataType::String: return AddTextCell(QString::fromUtf8(value_));
    }
    return false;
  }

  SheetCells& cells_;
  int sheet_ = 0;       // which worksheet is read, from 0
  int worksheets_ = 0;  // worksheets met so far
  bool date1904_ = false;
  bool worksheetSeen_ = false;
  bool inTable_ = false;
  bool inCell_ = false;
  bool inData_ = false;
  bool hasData_ = false;
  int dataDepth_ = 0;
  int commentDepth_ = 0;
  std::int64_t row_ = 0;
  std::int64_t column_ = 0;
  std::int64_t mergeAcross_ = 0;
  std::int64_t mergeDown_ = 0;
  DataType type_ = DataType::String;
  QByteArray value_;
};

// The ss:Name of every worksheet, in document order.
QStringList WorksheetNames(QByteArrayView utf8) {
  QStringList names;
  XmlScanner scanner(utf8);
  for (auto token = scanner.Next();
       token != XmlScanner::Token::Finished && token != XmlScanner::Token::Error;
       token = scanner.Next()) {
    if (scanner.IsStart("Worksheet")) names << scanner.AttributeText("Name").value_or(QString());
  }
  return names;
}

}  // namespace

bool ReadSpreadsheetXmlCells(QByteArrayView utf8, SheetCells& cells, SheetPick* pick) {
  if (utf8.size() > kMaxSpreadsheetXmlBytes) return false;
  int sheet = 0;
  // Only a sheet asked for costs a look at the names first.
  if (pick && !pick->Wanted.isEmpty()) {
    pick->Names = WorksheetNames(utf8);
    sheet = SheetIndex(pick->Names, pick->Wanted);
    if (sheet < 0) return false;
  }
  XmlScanner scanner(utf8);
  SpreadsheetXmlReader reader(cells, sheet);
  return reader.Read(scanner);
}

bool ReadSpreadsheetXmlLines(QByteArrayView utf8, SheetLines& lines, SheetPick* pick) {
  SheetCells cells;
  return ReadSpreadsheetXmlCells(utf8, cells, pick) && cells.BuildLines(lines);
}

}  // namespace qh
