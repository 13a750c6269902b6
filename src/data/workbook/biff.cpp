#include "data/workbook/biff.h"

#include "data/table_choice.h"
#include "data/workbook/biff_records.h"

#include <bit>
#include <optional>

namespace qh {

namespace {

using biff::Record;
using biff::RecordReader;
using biff::U16;
using biff::U32;

enum RecordType : quint16 {
  kBof2 = 0x0009,
  kBof3 = 0x0209,
  kBof4 = 0x0409,
  kBof = 0x0809,  // Excel 5 and later
  kEof = 0x000A,
  kFilePass = 0x002F,
  kCodePage = 0x0042,
  kBoundSheet = 0x0085,
  kSst = 0x00FC,
  kBlank = 0x0201,
  kNumber = 0x0203,
  kLabel = 0x0204,
  kBoolErr = 0x0205,
  kFormula = 0x0006,  // Excel 2, and 5 and later
  kFormula3 = 0x0206,
  kFormula4 = 0x0406,
  kString = 0x0207,
  kRk = 0x027E,
  kMulRk = 0x00BD,
  kMulBlank = 0x00BE,
  kRString = 0x00D6,
  kLabelSst = 0x00FD,
  // Records a formula's STRING record may come after.
  kShrFmla = 0x04BC,
  kShrFmla5 = 0x00BC,
  kArray = 0x0221,
  kTable = 0x0236,
  // Excel 2 has cell records of its own, with 3 attribute bytes each.
  kBlank2 = 0x0001,
  kInteger2 = 0x0002,
  kNumber2 = 0x0003,
  kLabel2 = 0x0004,
  kBoolErr2 = 0x0005,
  kString2 = 0x0007,
  kArray2 = 0x0021,
  kTable2 = 0x0036,
};

enum Substream : quint16 { kGlobals = 0x0005, kWorksheet = 0x0010 };

bool IsBof(quint16 type) { return type == kBof || type == kBof2 || type == kBof3 || type == kBof4; }

struct StreamStart {
  int Version = 8;  // 2, 3, 4, 5 (also Excel 95's BIFF7) or 8
  quint16 Substream = kWorksheet;
};

std::optional<StreamStart> ReadBof(const Record& record) {
  const QByteArrayView d = record.Data;
  const quint16 substream = d.size() >= 4 ? U16(d, 2) : quint16(kWorksheet);
  switch (record.Type) {
    case kBof2: return StreamStart{2, substream};
    case kBof3: return StreamStart{3, substream};
    case kBof4: return StreamStart{4, substream};
    case kBof:
      if (d.size() < 4) return std::nullopt;
      return StreamStart{U16(d, 0) == 0x0600 ? 8 : 5, substream};
    default: return std::nullopt;
  }
}

double LittleEndianDouble(QByteArrayView data, qsizetype at) {
  return std::bit_cast<double>(qFromLittleEndian<quint64>(data.data() + at));
}

// A number packed into 30 bits: a whole number or the top of a double,
// either of them possibly times 100.
double RkValue(quint32 rk) {
  const double value = (rk & 0x02) ? double(qint32(rk) >> 2)
                                   : std::bit_cast<double>(quint64(rk & 0xFFFFFFFCu) << 32);
  return (rk & 0x01) ? value / 100.0 : value;
}

// The records after a formula that still belong to it.
bool KeepsFormulaOpen(quint16 type) {
  switch (type) {
    case kString:
    case kString2:
    case kShrFmla:
    case kShrFmla5:
    case kArray:
    case kArray2:
    case kTable:
    case kTable2:
    case biff::kContinue: return true;
    default: return false;
  }
}

class FirstSheetReader {
 public:
  FirstSheetReader(QByteArrayView stream, SheetCells& cells, SheetPick* pick)
      : stream_(stream), cells_(cells), pick_(pick) {}

  bool Read() {
    RecordReader reader(stream_, 0);
    Record first;
    if (!reader.Next(first)) return false;
    const auto start = ReadBof(first);
    if (!start) return false;
    version_ = start->Version;
    if (version_ >= 5 && start->Substream == kGlobals) return ReadWorkbook(reader);
    // An Excel 2 to 4 worksheet file, or an Excel 4 workbook whose sheets
    // follow its globals in one stream.
    return ReadNthWorksheet(RecordReader(stream_, 0), 0, /*sheetsOfAnyKind=*/false);
  }

 private:
  struct SheetEntry {
    qsizetype Offset = -1;  // of its BOF record
    int Index = -1;         // among all sheets of the list
  };

  bool ReadWorkbook(RecordReader& reader) {
    if (!ReadGlobals(reader)) return false;
    const int picked = SheetIndex(names_, pick_ ? pick_->Wanted : QString());
    if (pick_) pick_->Names = names_;
    if (picked < 0) return false;
    const SheetEntry first = worksheets_[static_cast<size_t>(picked)];
    RecordReader atSheet(stream_, first.Offset);
    Record bof;
    if (first.Offset >= 0 && atSheet.Next(bof) && IsBof(bof.Type)) return ReadSheet(atSheet);
    // A wrong offset in the sheet list: the sheets are stored in list order.
    return ReadNthWorksheet(reader, first.Index, /*sheetsOfAnyKind=*/true);
  }

  // The worksheets of the list (with their names) and the shared strings.
  bool ReadGlobals(RecordReader& reader) {
    int sheets = 0;
    Record record;
    while (reader.Next(record)) {
      switch (record.Type) {
        case kEof: return true;
        case kFilePass: return false;  // encrypted
        case kCodePage:
          if (record.Data.size() >= 2) decoder_.SetCodePage(U16(record.Data, 0));
          break;
        case kBoundSheet:
          // Sheet type 0 is a worksheet; charts, macro sheets and modules
          // are not, whatever their place in the list.
          if (record.Data.size() >= 6 && record.Data[5] == 0) {
            worksheets_.push_back({qsizetype(U32(record.Data, 0)), sheets});
            names_ << SheetName(record.Data);
          }
          ++sheets;
          break;
        case kSst:
          if (!ReadSharedStrings(record, reader)) return false;
          break;
        default: break;
      }
    }
    return false;  // cut off before the end of the globals
  }

  bool ReadSharedStrings(const Record& sst, RecordReader& reader) {
    if (version_ != 8 || sharedStringsRead_) return true;
    sharedStringsRead_ = true;
    if (sst.Data.size() < 8) return false;
    std::vector<QByteArrayView> parts{sst.Data.sliced(8)};
    reader.TakeContinues(parts);
    biff::PartCursor cursor(std::move(parts));
    const quint32 unique = U32(sst.Data, 4);
    QString text;
    // Some writers overstate the count; the table ends with its records.
    for (quint32 i = 0; i < unique && !cursor.AtEnd(); ++i) {
      if (!cursor.UnicodeString(text) || TextPoolFull()) return false;
      cells_.Texts().Add(text);
    }
    sharedStrings_ = cells_.Texts().Count();
    return true;
  }

  // Walks the substreams from reader on and reads the index-th worksheet.
  bool ReadNthWorksheet(RecordReader reader, int index, bool sheetsOfAnyKind) {
    Record record;
    int seen = 0;
    while (reader.Next(record)) {
      const auto start = ReadBof(record);
      if (!start) continue;
      if (!sheetsOfAnyKind && start->Substream != kWorksheet) {
        if (start->Substream != 0x0100)
          SkipSubstream(reader);  // an Excel 4 workbook's sheets are inside
        continue;
      }
      if (seen++ == index) return ReadSheet(reader);
      if (!SkipSubstream(reader)) return false;
    }
    return false;
  }

  static bool SkipSubstream(RecordReader& reader) {
    Record record;
    for (int depth = 1; reader.Next(record);) {
      if (IsBof(record.Type)) ++depth;
      if (record.Type == kEof && --depth == 0) return true;
    }
    return false;
  }

  // The records of a worksheet, from after its BOF to its EOF. Embedded
  // charts bring their own BOF ... EOF, which are passed over.
  bool ReadSheet(RecordReader& reader) {
    Record record;
    for (int depth = 1; reader.Next(record);) {
      if (IsBof(record.Type)) {
        ++depth;
        continue;
      }
      if (record.Type == kEof) {
        if (--depth == 0) return CloseFormula();
        continue;
      }
      if (depth == 1 && !TakeRecord(record, reader)) return false;
    }
    return false;  // cut off before its end
  }

  bool TakeRecord(const Record& record, RecordReader& reader) {
    if (formulaOpen_ && !KeepsFormulaOpen(record.Type) && !CloseFormula()) return false;
    if (version_ == 2 && TakesExcel2Record(record.Type)) return TakeExcel2Record(record);
    const QByteArrayView d = record.Data;
    switch (record.Type) {
      case kCodePage:  // worksheet files carry their own
        if (d.size() >= 2) decoder_.SetCodePage(U16(d, 0));
        return true;
      case kFilePass: return false;
      case kNumber:
        return d.size() < 14 || cells_.AddNumber(Row(d), Column(d), LittleEndianDouble(d, 6));
      case kRk: return d.size() < 10 || cells_.AddNumber(Row(d), Column(d), RkValue(U32(d, 6)));
      case kMulRk: return TakeMulRk(d);
      case kLabel:
      case kRString: return TakeLabel(d);
      case kLabelSst:
        if (d.size() < 10) return true;
        // An index past the table makes the sheet unreadable.
        return U32(d, 6) < sharedStrings_ && cells_.AddText(Row(d), Column(d), U32(d, 6));
      case kBoolErr: return d.size() < 8 || AddBoolErr(Row(d), Column(d), quint8(d[6]), d[7] != 0);
      case kBlank: return d.size() < 4 || cells_.AddEmpty(Row(d), Column(d));
      case kMulBlank: return TakeMulBlank(d);
      case kFormula:
      case kFormula3:
      case kFormula4: return d.size() < 14 || OpenFormula(d, 6);
      case kString: return TakeFormulaString(record, reader);
      default: return true;
    }
  }

  // Excel 2's own cell records. Writers of Excel 2 files also use the
  // later versions' LABEL, NUMBER, RK and BLANK records, read as those.
  static bool TakesExcel2Record(quint16 type) {
    switch (type) {
      case kCodePage:
      case kFilePass:
      case kInteger2:
      case kNumber2:
      case kLabel2:
      case kBoolErr2:
      case kBlank2:
      case kFormula:
      case kString2: return true;
      default: return false;
    }
  }

  bool TakeExcel2Record(const Record& record) {
    const QByteArrayView d = record.Data;
    switch (record.Type) {
      case kCodePage:
        if (d.size() >= 2) decoder_.SetCodePage(U16(d, 0));
        return true;
      case kFilePass: return false;
      case kInteger2: return d.size() < 9 || cells_.AddNumber(Row(d), Column(d), U16(d, 7));
      case kNumber2:
        return d.size() < 15 || cells_.AddNumber(Row(d), Column(d), LittleEndianDouble(d, 7));
      case kLabel2:
        if (d.size() < 8 || d.size() - 8 < quint8(d[7])) return false;
        return AddTextCell(Row(d), Column(d), decoder_.Decode(d.sliced(8, quint8(d[7]))));
      case kBoolErr2: return d.size() < 9 || AddBoolErr(Row(d), Column(d), quint8(d[7]), d[8] != 0);
      case kBlank2: return d.size() < 4 || cells_.AddEmpty(Row(d), Column(d));
      case kFormula: return d.size() < 15 || OpenFormula(d, 7);
      case kString2:
        if (!formulaOpen_) return true;
        if (d.size() < 1 || d.size() - 1 < quint8(d[0])) return false;
        return FormulaText(decoder_.Decode(d.sliced(1, quint8(d[0]))));
      default: return true;
    }
  }

  static int Row(QByteArrayView d) { return U16(d, 0) + 1; }
  static int Column(QByteArrayView d) { return U16(d, 2) + 1; }

  bool TextPoolFull() const { return cells_.Texts().Count() >= SheetCells::kMaxStoredCells; }

  bool AddTextCell(int row, int column, QStringView text) {
    return cells_.AddInlineText(row, column, text);
  }

  bool AddBoolErr(int row, int column, quint8 value, bool isError) {
    return isError ? cells_.AddError(row, column) : cells_.AddBoolean(row, column, value != 0);
  }

  // row, first column, (format, RK value) per cell, last column.
  bool TakeMulRk(QByteArrayView d) {
    if (d.size() < 6) return true;
    const int row = Row(d), first = Column(d);
    const qsizetype count = (d.size() - 6) / 6;
    for (qsizetype i = 0; i < count; ++i) {
      if (!cells_.AddNumber(row, first + int(i), RkValue(U32(d, 4 + 6 * i + 2)))) return false;
    }
    return true;
  }

  // Formatted empty cells only widen the range: their two ends suffice.
  bool TakeMulBlank(QByteArrayView d) {
    if (d.size() < 6) return true;
    const int row = Row(d), first = Column(d);
    const int last = U16(d, d.size() - 2) + 1;
    if (last < first) return true;
    return cells_.AddEmpty(row, first) && (last == first || cells_.AddEmpty(row, last));
  }

  bool TakeLabel(QByteArrayView d) {
    if (version_ == 8) {
      QString text;
      return biff::RecordUnicodeString(d, 6, /*countIsByte=*/false, text) &&
             AddTextCell(Row(d), Column(d), text);
    }
    if (d.size() < 8 || d.size() - 8 < U16(d, 6)) return false;
    return AddTextCell(Row(d), Column(d), decoder_.Decode(d.sliced(8, U16(d, 6))));
  }

  // The cached result, 8 bytes at at: a double, or a marker in the top two
  // bytes and the kind in the first: text (in the STRING record that
  // follows), boolean, error or empty text.
  bool OpenFormula(QByteArrayView d, qsizetype at) {
    const int row = Row(d), column = Column(d);
    if (U16(d, at + 6) != 0xFFFF) return cells_.AddNumber(row, column, LittleEndianDouble(d, at));
    switch (quint8(d[at])) {
      case 0:
        formulaOpen_ = true;
        formulaRow_ = row;
        formulaColumn_ = column;
        return true;
      case 1: return cells_.AddBoolean(row, column, d[at + 2] != 0);
      case 2: return cells_.AddError(row, column);
      default: return AddTextCell(row, column, {});
    }
  }

  bool TakeFormulaString(const Record& record, RecordReader& reader) {
    if (!formulaOpen_) return true;
    const QByteArrayView d = record.Data;
    if (version_ == 8) {
      std::vector<QByteArrayView> parts{d};
      reader.TakeContinues(parts);
      biff::PartCursor cursor(std::move(parts));
      QString text;
      return cursor.UnicodeString(text) && FormulaText(text);
    }
    if (d.size() < 2 || d.size() - 2 < U16(d, 0)) return false;
    return FormulaText(decoder_.Decode(d.sliced(2, U16(d, 0))));
  }

  bool FormulaText(QStringView text) {
    formulaOpen_ = false;
    return AddTextCell(formulaRow_, formulaColumn_, text);
  }

  // The name in a sheet list entry; empty when it is cut off.
  QString SheetName(QByteArrayView d) {
    QString name;
    if (version_ >= 8) {
      if (!biff::RecordUnicodeString(d, 6, /*countIsByte=*/true, name)) name.clear();
    } else if (d.size() > 6 && d.size() - 7 >= quint8(d[6])) {
      name = decoder_.Decode(d.sliced(7, quint8(d[6])));
    }
    return name;
  }

  // A text result whose STRING record is missing reads as empty text.
  bool CloseFormula() { return !formulaOpen_ || FormulaText({}); }

  QByteArrayView stream_;
  SheetCells& cells_;
  SheetPick* pick_;
  std::vector<SheetEntry> worksheets_;
  QStringList names_;
  int version_ = 8;
  biff::ByteTextDecoder decoder_;
  bool sharedStringsRead_ = false;
  std::uint32_t sharedStrings_ = 0;  // the first texts of the pool
  bool formulaOpen_ = false;         // a text result waits for its STRING record
  int formulaRow_ = 0, formulaColumn_ = 0;
};

}  // namespace

bool StartsWithBiffRecord(QByteArrayView bytes) {
  if (bytes.size() < 4 || !IsBof(U16(bytes, 0))) return false;
  const quint16 length = U16(bytes, 2);
  return length >= 4 && length <= 32;
}

bool ReadBiffFirstSheet(QByteArrayView stream, SheetCells& cells, SheetPick* pick) {
  return FirstSheetReader(stream, cells, pick).Read();
}

}  // namespace qh
