#include "data/workbook/xlsx.h"

#include "data/table_choice.h"
#include "data/workbook/date_serial.h"
#include "data/workbook/xml.h"
#include "data/workbook/xml_scanner.h"

namespace qh {

namespace {

struct WorkbookParts {
  QString Sheet;          // the worksheet picked, the first by default
  QString SharedStrings;  // may be empty
  bool Date1904 = false;
};

QString OfficeDocumentPart(const ZipPackage& package) {
  if (const auto root = ReadRelationships(package, QString())) {
    for (const Relationship& relationship : *root) {
      if (RelationshipIs(relationship, u"officeDocument")) return relationship.Target;
    }
  }
  return QStringLiteral("xl/workbook.xml");
}

// Sheet ids and names in the workbook's order, and the 1904 date system flag.
bool ReadWorkbookPart(const ZipPackage& package, const QString& part, QStringList& sheetIds,
                      QStringList& sheetNames, bool& date1904) {
  return ScanPart(package, part, [&](XmlScanner& scanner) {
    for (auto token = scanner.Next(); token != XmlScanner::Token::Finished;
         token = scanner.Next()) {
      if (token == XmlScanner::Token::Error) return false;
      if (scanner.IsStart("sheet")) {
        const auto id = scanner.AttributeText("id");
        const auto name = scanner.AttributeText("name");
        if (!id || !name) return false;
        sheetIds.append(*id);
        sheetNames.append(*name);
      } else if (scanner.IsStart("workbookPr")) {
        const QByteArrayView flag = scanner.Attribute("date1904");
        date1904 = flag == "1" || flag == "true";
      } else if (scanner.IsEnd("sheets")) {
        // workbookPr comes before sheets; nothing after them is needed
        break;
      }
    }
    return true;
  });
}

bool FindWorkbookParts(const ZipPackage& package, WorkbookParts& parts, SheetPick* pick) {
  const QString workbook = OfficeDocumentPart(package);
  QStringList sheetIds, sheetNames;
  if (!ReadWorkbookPart(package, workbook, sheetIds, sheetNames, parts.Date1904)) return false;
  const auto relationships = ReadRelationships(package, workbook);
  if (!relationships) return false;
  // Chart sheets and dialog sheets are not worksheets and are passed over.
  QStringList worksheets, names;
  for (qsizetype i = 0; i < sheetIds.size(); ++i) {
    const auto found = relationships->constFind(sheetIds[i]);
    if (found != relationships->cend() && RelationshipIs(*found, u"worksheet")) {
      worksheets << found->Target;
      names << sheetNames[i];
    }
  }
  const int index = SheetIndex(names, pick ? pick->Wanted : QString());
  if (pick) pick->Names = names;
  if (index >= 0) parts.Sheet = worksheets[index];
  for (const Relationship& relationship : *relationships) {
    if (RelationshipIs(relationship, u"sharedStrings")) parts.SharedStrings = relationship.Target;
  }
  return !parts.Sheet.isEmpty();
}

// Collects the texts of <t> elements of a string item, phonetic runs left out.
class StringCollector {
 public:
  void Start() {
    text_.truncate(0);
    inText_ = false;
    phoneticDepth_ = 0;
  }
  bool Take(const XmlScanner& scanner) {
    if (scanner.IsStart("rPh"))
      ++phoneticDepth_;
    else if (scanner.IsEnd("rPh"))
      --phoneticDepth_;
    else if (scanner.IsStart("t"))
      inText_ = true;
    else if (scanner.IsEnd("t"))
      inText_ = false;
    else if (inText_ && phoneticDepth_ == 0 && scanner.CurrentToken() == XmlScanner::Token::Text)
      return scanner.AppendText(text_);
    return true;
  }
  // The text, valid until the next Start. Converted into the same buffer
  // each time: a million shared strings cost no allocation each.
  QStringView Finish() {
    // UTF-8 never takes fewer bytes than UTF-16 takes units.
    if (chars_.size() < text_.size()) chars_.resize(text_.size());
    const qsizetype size =
        HasEscape(text_) ? -1 : Utf8ToUtf16(text_, reinterpret_cast<char16_t*>(chars_.data()));
    if (size >= 0) return QStringView(chars_.constData(), size);
    // Escapes and broken sequences (replaced, as fromUtf8 does) are rare.
    chars_ = QString::fromUtf8(text_);
    DecodeEscapedCharacters(chars_);
    return chars_;
  }

 private:
  // "_x" as DecodeEscapedCharacters looks for it, without a library search
  // for each of a million short texts.
  static bool HasEscape(QByteArrayView text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == '_' && text[i + 1] == 'x') return true;
    }
    return false;
  }

  QByteArray text_;
  QString chars_;
  bool inText_ = false;
  int phoneticDepth_ = 0;
};

template <typename Pool>
bool ReadSharedStrings(const ZipPackage& package, const QString& part, Pool& pool) {
  return ScanPart(package, part, [&](XmlScanner& scanner) {
    StringCollector collector;
    bool inItem = false;
    for (auto token = scanner.Next(); token != XmlScanner::Token::Finished;
         token = scanner.Next()) {
      if (token == XmlScanner::Token::Error) return false;
      if (scanner.IsStart("si")) {
        collector.Start();
        inItem = true;
      } else if (scanner.IsEnd("si")) {
        if (pool.Count() >= SheetCells::kMaxStoredCells) return false;
        pool.Add(collector.Finish());
        inItem = false;
      } else if (inItem && !collector.Take(scanner)) {
        return false;
      }
    }
    return true;
  });
}

// "AB12" -> column 28, row 12.
bool ParseCellReference(QByteArrayView reference, int& row, int& column) {
  qsizetype i = 0;
  long long col = 0;
  for (; i < reference.size(); ++i) {
    char c = reference[i];
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    col = col * 26 + (c - 'A' + 1);
    if (col > SheetCells::kMaxColumns) return false;
  }
  if (i == 0 || i == reference.size()) return false;
  long long r = 0;
  for (; i < reference.size(); ++i) {
    const char c = reference[i];
    if (c < '0' || c > '9') return false;
    r = r * 10 + (c - '0');
    if (r > SheetCells::kMaxRows) return false;
  }
  row = int(r);
  column = int(col);
  return true;
}

bool ParseIndex(QByteArrayView text, std::uint32_t& index) {
  const auto number = XmlNumber(text);
  if (!number || *number < 0 || *number > 4e9 || *number != std::uint32_t(*number)) return false;
  index = std::uint32_t(*number);
  return true;
}

enum class CellType { Number, Shared, Inline, Formula, Boolean, Error, Date };

CellType CellTypeOf(QByteArrayView t) {
  if (SameName(t, "s")) return CellType::Shared;
  if (SameName(t, "inlineStr")) return CellType::Inline;
  if (SameName(t, "str")) return CellType::Formula;
  if (SameName(t, "b")) return CellType::Boolean;
  if (SameName(t, "e")) return CellType::Error;
  if (SameName(t, "d")) return CellType::Date;
  return CellType::Number;
}

// Reads sheetData row by row, one cell at a time, without building a tree,
// into SheetCells or TwoColumnRows.
template <typename Cells>
class SheetReader {
 public:
  SheetReader(Cells& cells, bool date1904) : cells_(cells), date1904_(date1904) {}

  bool Read(XmlScanner& scanner) {
    for (auto token = scanner.Next(); token != XmlScanner::Token::Finished;
         token = scanner.Next()) {
      if (token == XmlScanner::Token::Error) return false;
      if (!inSheetData_) {
        inSheetData_ = scanner.IsStart("sheetData");
      } else if (inCell_) {
        if (!TakeCellToken(scanner)) return false;
      } else if (scanner.IsStart("row")) {
        if (!StartRow(scanner.Attribute("r"))) return false;
      } else if (scanner.IsStart("c")) {
        if (!StartCell(scanner)) return false;
      } else if (scanner.IsEnd("sheetData")) {
        return true;  // merged ranges, print settings and the rest are not needed
      }
    }
    return true;
  }

 private:
  bool StartRow(QByteArrayView r) {
    if (r.isEmpty()) {
      row_ = std::min(row_, SheetCells::kMaxRows) + 1;  // past the last row stays out of range
    } else {
      // Parsed in place: a copy per row costs a million allocations.
      long long number = 0;
      for (const char c : r) {
        if (c < '0' || c > '9' || number > SheetCells::kMaxRows) return false;
        number = number * 10 + (c - '0');
      }
      row_ = int(qMin<long long>(number, SheetCells::kMaxRows + 1));
    }
    column_ = 0;
    return true;
  }

  bool StartCell(const XmlScanner& scanner) {
    const QByteArrayView r = scanner.Attribute("r");
    if (r.isEmpty()) {
      // A cell without a reference follows its predecessor.
      ++column_;
      if (row_ == 0) row_ = 1;
    } else if (!ParseCellReference(r, row_, column_)) {
      return false;
    }
    type_ = CellTypeOf(scanner.Attribute("t"));
    value_.truncate(0);
    valueView_ = {};
    hasValue_ = false;
    inValue_ = false;
    inInline_ = false;
    inCell_ = true;
    return true;
  }

  bool TakeCellToken(const XmlScanner& scanner) {
    if (scanner.IsEnd("c")) {
      inCell_ = false;
      return FinishCell();
    }
    if (inInline_) {
      if (scanner.IsEnd("is"))
        inInline_ = false;
      else
        return inlineText_.Take(scanner);
    } else if (scanner.IsStart("v")) {
      inValue_ = true;
      hasValue_ = true;
    } else if (scanner.IsEnd("v")) {
      inValue_ = false;
    } else if (scanner.IsStart("is")) {
      inInline_ = true;
      hasValue_ = true;
      inlineText_.Start();
    } else if (inValue_ && scanner.CurrentToken() == XmlScanner::Token::Text) {
      // A value's single plain text is used where it stands; a copy per
      // cell costs more than the rest of its reading.
      if (value_.isEmpty() && valueView_.isNull()) {
        valueView_ = scanner.StableText();
        if (!valueView_.isNull()) return true;
      }
      if (!valueView_.isNull()) {
        AppendBytes(value_, valueView_);
        valueView_ = {};
      }
      return scanner.AppendText(value_);
    }
    return true;
  }

  bool AddTextCell(QStringView text) { return cells_.AddInlineText(row_, column_, text); }

  bool FinishCell() {
    if (!hasValue_) return cells_.AddEmpty(row_, column_);
    const QByteArrayView value = valueView_.isNull() ? QByteArrayView(value_) : valueView_;
    switch (type_) {
      case CellType::Shared: {
        // Some writers leave a blank cell's index out: <c t="s"><v/></c>.
        if (value.trimmed().isEmpty()) return cells_.AddEmpty(row_, column_);
        std::uint32_t index = 0;
        return ParseIndex(value, index) && cells_.AddText(row_, column_, index);
      }
      case CellType::Inline: return AddTextCell(inlineText_.Finish());
      case CellType::Formula: return AddTextCell(QString::fromUtf8(value));
      case CellType::Boolean: {
        const QByteArrayView v = value.trimmed();
        return cells_.AddBoolean(row_, column_, v == "1" || v == "true");
      }
      case CellType::Error: return cells_.AddError(row_, column_);
      case CellType::Date:
        if (const auto serial = DateTextToSerial(QString::fromUtf8(value), date1904_)) {
          return cells_.AddNumber(row_, column_, *serial);
        }
        return AddTextCell(QString::fromUtf8(value));
      case CellType::Number:
        if (const auto number = XmlNumber(value)) return cells_.AddNumber(row_, column_, *number);
        return AddTextCell(QString::fromUtf8(value));
    }
    return false;
  }

  Cells& cells_;
  bool date1904_;
  int row_ = 0;
  int column_ = 0;
  CellType type_ = CellType::Number;
  QByteArray value_;
  QByteArrayView valueView_;  // the value where it stands, instead of value_
  StringCollector inlineText_;
  bool inSheetData_ = false;
  bool inCell_ = false;
  bool hasValue_ = false;
  bool inValue_ = false;
  bool inInline_ = false;
};

template <typename Cells>
bool ReadFirstSheet(const QByteArray& bytes, Cells& cells, SheetPick* pick = nullptr) {
  ZipPackage package;
  if (!package.Open(bytes)) return false;
  WorkbookParts parts;
  if (!FindWorkbookParts(package, parts, pick)) return false;
  if (!parts.SharedStrings.isEmpty() && package.HasPart(parts.SharedStrings) &&
      !ReadSharedStrings(package, parts.SharedStrings, cells.Texts())) {
    return false;
  }
  if constexpr (requires { cells.ExpectSheetBytes(qint64()); }) {
    cells.ExpectSheetBytes(package.ClaimedPartSize(parts.Sheet));
  }
  SheetReader sheet(cells, parts.Date1904);
  return ScanPart(package, parts.Sheet, [&](XmlScanner& scanner) { return sheet.Read(scanner); });
}

}  // namespace

bool ReadXlsxFirstSheet(const QByteArray& bytes, SheetCells& cells, SheetPick* pick) {
  return ReadFirstSheet(bytes, cells, pick);
}

bool ReadXlsxFirstSheet(const QByteArray& bytes, TwoColumnRows& rows) {
  return ReadFirstSheet(bytes, rows);
}

}  // namespace qh
