#include "data/workbook_xlsx.h"

#include "data/workbook_date_serial.h"
#include "data/workbook_xml.h"

#include <charconv>

namespace qh {

namespace {

struct WorkbookParts {
  QString sheet;          // first worksheet
  QString sharedStrings;  // may be empty
  bool date1904 = false;
};

QString OfficeDocumentPart(const ZipPackage& package) {
  if (const auto root = ReadRelationships(package, QString())) {
    for (const Relationship& relationship : *root) {
      if (RelationshipIs(relationship, u"officeDocument")) return relationship.target;
    }
  }
  return QStringLiteral("xl/workbook.xml");
}

// Sheet ids in the workbook's order, and the 1904 date system flag.
bool ReadWorkbookPart(const ZipPackage& package, const QString& part, QStringList& sheetIds,
                      bool& date1904) {
  const auto device = package.OpenPart(part);
  if (!device) return false;
  PartXmlReader reader(*device);
  while (reader.Next()) {
    if (reader.IsStart(u"sheet")) {
      sheetIds.append(reader.Attribute(u"id").toString());
    } else if (reader.IsStart(u"workbookPr")) {
      const QStringView flag = reader.Attribute(u"date1904");
      date1904 = flag == u"1" || flag == u"true";
    } else if (reader.IsEnd(u"sheets")) {
      // workbookPr comes before sheets; nothing after them is needed
      break;
    }
  }
  return !reader.Failed();
}

bool FindWorkbookParts(const ZipPackage& package, WorkbookParts& parts) {
  const QString workbook = OfficeDocumentPart(package);
  QStringList sheetIds;
  if (!ReadWorkbookPart(package, workbook, sheetIds, parts.date1904)) return false;
  const auto relationships = ReadRelationships(package, workbook);
  if (!relationships) return false;
  // Chart sheets and dialog sheets are not worksheets and are passed over.
  for (const QString& id : sheetIds) {
    const auto found = relationships->constFind(id);
    if (found != relationships->cend() && RelationshipIs(*found, u"worksheet")) {
      parts.sheet = found->target;
      break;
    }
  }
  for (const Relationship& relationship : *relationships) {
    if (RelationshipIs(relationship, u"sharedStrings")) parts.sharedStrings = relationship.target;
  }
  return !parts.sheet.isEmpty();
}

// Collects the texts of <t> elements of a string item, phonetic runs left out.
class StringCollector {
 public:
  void Start() {
    text_.truncate(0);
    inText_ = false;
    phoneticDepth_ = 0;
  }
  void Take(const PartXmlReader& reader) {
    if (reader.IsStart(u"rPh")) ++phoneticDepth_;
    else if (reader.IsEnd(u"rPh")) --phoneticDepth_;
    else if (reader.IsStart(u"t")) inText_ = true;
    else if (reader.IsEnd(u"t")) inText_ = false;
    else if (inText_ && phoneticDepth_ == 0 && reader.Token() == QXmlStreamReader::Characters)
      text_.append(reader.Text());
  }
  QString& Finish() {
    DecodeEscapedCharacters(text_);
    return text_;
  }

 private:
  QString text_;
  bool inText_ = false;
  int phoneticDepth_ = 0;
};

bool ReadSharedStrings(const ZipPackage& package, const QString& part, TextPool& pool) {
  const auto device = package.OpenPart(part);
  if (!device) return false;
  PartXmlReader reader(*device);
  StringCollector collector;
  bool inItem = false;
  while (reader.Next()) {
    if (reader.IsStart(u"si")) {
      collector.Start();
      inItem = true;
    } else if (reader.IsEnd(u"si")) {
      if (pool.Count() >= SheetCells::kMaxStoredCells) return false;
      pool.Add(collector.Finish());
      inItem = false;
    } else if (inItem) {
      collector.Take(reader);
    }
  }
  return !reader.Failed();
}

// "AB12" -> column 28, row 12.
bool ParseCellReference(QStringView reference, int& row, int& column) {
  qsizetype i = 0;
  long long col = 0;
  for (; i < reference.size(); ++i) {
    const char16_t c = reference[i].toUpper().unicode();
    if (c < u'A' || c > u'Z') break;
    col = col * 26 + (c - u'A' + 1);
    if (col > SheetCells::kMaxColumns) return false;
  }
  if (i == 0 || i == reference.size()) return false;
  long long r = 0;
  for (; i < reference.size(); ++i) {
    const char16_t c = reference[i].unicode();
    if (c < u'0' || c > u'9') return false;
    r = r * 10 + (c - u'0');
    if (r > SheetCells::kMaxRows) return false;
  }
  row = int(r);
  column = int(col);
  return true;
}

bool ParseIndex(QStringView text, std::uint32_t& index) {
  const auto number = XmlNumber(text);
  if (!number || *number < 0 || *number > 4e9 || *number != std::uint32_t(*number)) return false;
  index = std::uint32_t(*number);
  return true;
}

enum class CellType { Number, Shared, Inline, Formula, Boolean, Error, Date };

CellType CellTypeOf(QStringView t) {
  if (t == u"s") return CellType::Shared;
  if (t == u"inlineStr") return CellType::Inline;
  if (t == u"str") return CellType::Formula;
  if (t == u"b") return CellType::Boolean;
  if (t == u"e") return CellType::Error;
  if (t == u"d") return CellType::Date;
  return CellType::Number;
}

// Reads sheetData row by row, one cell at a time, without building a tree.
class SheetReader {
 public:
  SheetReader(SheetCells& cells, bool date1904) : cells_(cells), date1904_(date1904) {}

  bool Read(PartXmlReader& reader) {
    while (reader.Next()) {
      if (inCell_) {
        if (!TakeCellToken(reader)) return false;
      } else if (reader.IsStart(u"row")) {
        if (!StartRow(reader.Attribute(u"r"))) return false;
      } else if (reader.IsStart(u"c")) {
        if (!StartCell(reader)) return false;
      } else if (reader.IsEnd(u"sheetData")) {
        return true;  // merged ranges, print settings and the rest are not needed
      }
    }
    return !reader.Failed();
  }

 private:
  bool StartRow(QStringView r) {
    if (r.isEmpty()) {
      ++row_;
    } else {
      bool ok = false;
      row_ = r.toInt(&ok);
      if (!ok) return false;
    }
    column_ = 0;
    return true;
  }

  bool StartCell(const PartXmlReader& reader) {
    const QStringView r = reader.Attribute(u"r");
    if (r.isEmpty()) {
      // A cell without a reference follows its predecessor.
      ++column_;
      if (row_ == 0) row_ = 1;
    } else if (!ParseCellReference(r, row_, column_)) {
      return false;
    }
    type_ = CellTypeOf(reader.Attribute(u"t"));
    value_.truncate(0);
    hasValue_ = false;
    inValue_ = false;
    inInline_ = false;
    inCell_ = true;
    return true;
  }

  bool TakeCellToken(const PartXmlReader& reader) {
    if (reader.IsEnd(u"c")) {
      inCell_ = false;
      return FinishCell();
    }
    if (inInline_) {
      if (reader.IsEnd(u"is")) inInline_ = false;
      else inlineText_.Take(reader);
    } else if (reader.IsStart(u"v")) {
      inValue_ = true;
      hasValue_ = true;
    } else if (reader.IsEnd(u"v")) {
      inValue_ = false;
    } else if (reader.IsStart(u"is")) {
      inInline_ = true;
      hasValue_ = true;
      inlineText_.Start();
    } else if (inValue_ && reader.Token() == QXmlStreamReader::Characters) {
      value_.append(reader.Text());
    }
    return true;
  }

  bool AddTextCell(QStringView text) {
    if (cells_.Texts().Count() >= SheetCells::kMaxStoredCells) return false;
    return cells_.AddText(row_, column_, cells_.Texts().Add(text));
  }

  bool FinishCell() {
    if (!hasValue_) return cells_.AddEmpty(row_, column_);
    switch (type_) {
      case CellType::Shared: {
        std::uint32_t index = 0;
        return ParseIndex(value_, index) && cells_.AddText(row_, column_, index);
      }
      case CellType::Inline:
        return AddTextCell(inlineText_.Finish());
      case CellType::Formula:
        return AddTextCell(value_);
      case CellType::Boolean: {
        const QStringView v = QStringView(value_).trimmed();
        return cells_.AddBoolean(row_, column_, v == u"1" || v == u"true");
      }
      case CellType::Error:
        return cells_.AddError(row_, column_);
      case CellType::Date:
        if (const auto serial = DateTextToSerial(value_, date1904_)) {
          return cells_.AddNumber(row_, column_, *serial);
        }
        return AddTextCell(value_);
      case CellType::Number:
        if (const auto number = XmlNumber(value_)) return cells_.AddNumber(row_, column_, *number);
        return AddTextCell(value_);
    }
    return false;
  }

  SheetCells& cells_;
  bool date1904_;
  int row_ = 0;
  int column_ = 0;
  CellType type_ = CellType::Number;
  QString value_;
  StringCollector inlineText_;
  bool inCell_ = false;
  bool hasValue_ = false;
  bool inValue_ = false;
  bool inInline_ = false;
};

}  // namespace

bool ReadXlsxFirstSheet(const QString& path, SheetCells& cells) {
  ZipPackage package;
  if (!package.Open(path)) return false;
  WorkbookParts parts;
  if (!FindWorkbookParts(package, parts)) return false;
  if (!parts.sharedStrings.isEmpty() && package.HasPart(parts.sharedStrings) &&
      !ReadSharedStrings(package, parts.sharedStrings, cells.Texts())) {
    return false;
  }
  const auto device = package.OpenPart(parts.sheet);
  if (!device) return false;
  PartXmlReader reader(*device);
  SheetReader sheet(cells, parts.date1904);
  return sheet.Read(reader);
}

}  // namespace qh
