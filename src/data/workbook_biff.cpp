#include "data/workbook_biff.h"

#include "base/code_page.h"

#include <QtEndian>
#include <cstring>
#include <optional>
#include <vector>

namespace qh {

namespace {

enum RecordType : quint16 {
  kFormula = 0x0006,
  kEof = 0x000A,
  kBoundSheet = 0x0085,
  kDimension = 0x0200,
  kBoolErr = 0x0205,
  kString = 0x0207,
  kBof = 0x0809,
  kLabelSst = 0x00FD,
  kMulRk = 0x00BD,
  kMulBlank = 0x00BE,
  kRString = 0x00D6,
  kBlank = 0x0201,
  kNumber = 0x0203,
  kLabel = 0x0204,
  kRk = 0x027E,
  kFormat = 0x041E,
  kFormatBiff2 = 0x001E,
  kSst = 0x00FC,
  kContinue = 0x003C,
  kLabelBiff2 = 0x0004,
  kBofBiff2 = 0x0009,
  kBofBiff3 = 0x0209,
  kBofBiff4 = 0x0409,
};

bool IsBof(quint16 type) {
  return type == kBof || type == kBofBiff2 || type == kBofBiff3 || type == kBofBiff4;
}

// How many cells a record describes.
std::int64_t CellsIn(quint16 type, qsizetype length) {
  switch (type) {
    case kFormula: case kLabelSst: case kRString: case kBlank: case kNumber: case kLabel:
    case kRk: case kBoolErr:
      return 1;
    case kMulRk:
      return qMax<qsizetype>(0, (length - 6) / 6);
    case kMulBlank:
      return qMax<qsizetype>(0, (length - 6) / 2);
    default:
      return 0;
  }
}

// As many as a worksheet reader keeps at all.
constexpr std::size_t kMaxCells = 8'000'000;

struct Record {
  quint16 type = 0;
  QByteArrayView data;
};

class RecordReader {
 public:
  RecordReader(const QByteArray& stream, qsizetype at) : stream_(stream), at_(at) {}
  // False at the end of the stream or at a record running past it.
  bool Next(Record& record) {
    if (at_ < 0 || at_ + 4 > stream_.size()) return false;
    record.type = qFromLittleEndian<quint16>(stream_.constData() + at_);
    const quint16 length = qFromLittleEndian<quint16>(stream_.constData() + at_ + 2);
    if (at_ + 4 + length > stream_.size()) return false;
    record.data = QByteArrayView(stream_).sliced(at_ + 4, length);
    at_ += 4 + length;
    return true;
  }

 private:
  const QByteArray& stream_;
  qsizetype at_;
};

quint16 U16(QByteArrayView data, qsizetype at) { return qFromLittleEndian<quint16>(data.data() + at); }
quint32 U32(QByteArrayView data, qsizetype at) { return qFromLittleEndian<quint32>(data.data() + at); }

// Where the first worksheet's records begin, from the workbook globals.
std::optional<qsizetype> FirstWorksheetOffset(const QByteArray& stream, bool& biff8) {
  RecordReader reader(stream, 0);
  Record record;
  if (!reader.Next(record) || record.type != kBof || record.data.size() < 2) return std::nullopt;
  biff8 = U16(record.data, 0) == 0x0600;
  while (reader.Next(record) && record.type != kEof) {
    if (record.type == kBoundSheet && record.data.size() >= 6 && quint8(record.data[5]) == 0) {
      return qsizetype(U32(record.data, 0));
    }
  }
  return std::nullopt;
}

// The text of a STRING record that follows a formula with a text result.
QString StringRecordText(QByteArrayView data, bool biff8) {
  if (data.size() < 2) return {};
  const quint16 count = U16(data, 0);
  if (!biff8) return DecodeGbk(data.sliced(2, qMin<qsizetype>(count, data.size() - 2)));
  if (data.size() < 3) return {};
  const bool wide = (quint8(data[2]) & 0x01) != 0;
  qsizetype at = 3;
  if (quint8(data[2]) & 0x08) at += 2;  // rich text run count
  if (quint8(data[2]) & 0x04) at += 4;  // phonetic block size
  QString text;
  for (quint16 i = 0; i < count; ++i) {
    if (wide) {
      if (at + 2 > data.size()) break;
      text.append(QChar(U16(data, at)));
      at += 2;
    } else {
      if (at >= data.size()) break;
      text.append(QChar(quint8(data[at])));
      ++at;
    }
  }
  return text;
}

// A formula's cached result; for a text result the STRING record that
// follows holds the text.
CellValue FormulaResult(QByteArrayView data, bool& textFollows) {
  textFollows = false;
  if (U16(data, 12) != 0xFFFF) {
    double number = 0.0;
    std::memcpy(&number, data.data() + 6, sizeof number);  // little-endian IEEE double
    return {CellKind::Number, qFromLittleEndian(number), {}};
  }
  switch (quint8(data[6])) {
    case 0:
      textFollows = true;
      return {CellKind::Text, 0.0, {}};
    case 1:
      return {CellKind::Boolean, quint8(data[8]) != 0 ? 1.0 : 0.0, {}};
    case 2:
      return {CellKind::Error, 0.0, {}};
    default:
      return {CellKind::Text, 0.0, {}};  // empty text
  }
}

void ReadDimension(QByteArrayView data, bool biff8, BiffSheetExtras& extras) {
  if (biff8 && data.size() >= 12) {
    extras.firstRow = int(U32(data, 0)) + 1;
    extras.lastRow = int(U32(data, 4));
    extras.firstColumn = U16(data, 8) + 1;
    extras.lastColumn = U16(data, 10);
  } else if (!biff8 && data.size() >= 8) {
    extras.firstRow = U16(data, 0) + 1;
    extras.lastRow = U16(data, 2);
    extras.firstColumn = U16(data, 4) + 1;
    extras.lastColumn = U16(data, 6);
  }
}

enum class BiffVersion { Biff2, Biff3To7, Biff8 };

// From the first record; nullopt when it is no BOF of any version.
std::optional<BiffVersion> StreamVersion(const QByteArray& stream) {
  RecordReader reader(stream, 0);
  Record record;
  if (!reader.Next(record)) return std::nullopt;
  switch (record.type) {
    case kBofBiff2:
      return BiffVersion::Biff2;
    case kBofBiff3: case kBofBiff4:
      return BiffVersion::Biff3To7;
    case kBof:
      if (record.data.size() < 2) return std::nullopt;
      return U16(record.data, 0) == 0x0600 ? BiffVersion::Biff8 : BiffVersion::Biff3To7;
    default:
      return std::nullopt;
  }
}

// An 8-bit string: count bytes from at.
bool ByteTextFits(QByteArrayView data, qsizetype at, qsizetype count) {
  return at <= data.size() && count <= data.size() - at;
}

// A BIFF8 string of count characters whose option byte is at at: the
// option byte, the run and phonetic headers it announces, the characters
// (one or two bytes each) and the runs and phonetic block themselves.
bool UnicodeTextFits(QByteArrayView data, qsizetype at, qsizetype count) {
  if (count == 0) return true;
  if (at >= data.size()) return false;
  const quint8 options = quint8(data[at]);
  qsizetype end = at + 1;
  qsizetype runs = 0, phonetic = 0;
  if (options & 0x08) {
    if (end + 2 > data.size()) return false;
    runs = U16(data, end);
    end += 2;
  }
  if (options & 0x04) {
    if (end + 4 > data.size()) return false;
    phonetic = U32(data, end);
    end += 4;
  }
  const qsizetype need = count * ((options & 0x01) ? 2 : 1) + runs * 4 + phonetic;
  return need <= data.size() - end;
}

bool RecordTextFits(const Record& r, BiffVersion version) {
  const QByteArrayView d = r.data;
  const bool biff8 = version == BiffVersion::Biff8;
  switch (r.type) {
    case kFormatBiff2:  // count byte, then the text
      return version != BiffVersion::Biff2 || (d.size() >= 1 && ByteTextFits(d, 1, quint8(d[0])));
    case kFormat:  // format index, then the string
      if (biff8) return d.size() >= 4 && UnicodeTextFits(d, 4, U16(d, 2));
      return d.size() >= 3 && ByteTextFits(d, 3, quint8(d[2]));
    case kBoundSheet:  // stream offset, state, type, then the name
      if (biff8) return d.size() >= 7 && UnicodeTextFits(d, 7, quint8(d[6]));
      return d.size() >= 7 && ByteTextFits(d, 7, quint8(d[6]));
    case kLabelBiff2:  // cell, three attribute bytes, count byte, text
      return version != BiffVersion::Biff2 || (d.size() >= 8 && ByteTextFits(d, 8, quint8(d[7])));
    case kLabel:
    case kRString:  // cell, format, then the text
      if (biff8) return d.size() >= 8 && UnicodeTextFits(d, 8, U16(d, 6));
      return d.size() >= 8 && ByteTextFits(d, 8, U16(d, 6));
    default:
      return true;
  }
}

// The shared strings of a BIFF8 workbook: an SST record and the CONTINUE
// records after it, read as one sequence of parts. A string's header stays
// in one part; where its characters go on in the next part, that part
// starts with a fresh option byte.
class SharedStringParts {
 public:
  explicit SharedStringParts(std::vector<QByteArrayView> parts) : parts_(std::move(parts)) {}

  // Walks count strings; false when any of them runs past the last part.
  bool HoldStrings(quint32 count) {
    for (quint32 i = 0; i < count; ++i) {
      if (!HoldString()) return false;
    }
    return true;
  }

 private:
  qsizetype Left() const { return parts_[part_].size() - at_; }
  bool NextPart() {
    if (part_ + 1 >= parts_.size()) return false;
    ++part_;
    at_ = 0;
    return true;
  }

  bool HoldString() {
    if (Left() < 3 && !NextPart()) return false;
    if (Left() < 3) return false;
    const QByteArrayView part = parts_[part_];
    qsizetype count = U16(part, at_);
    const quint8 options = quint8(part[at_ + 2]);
    bool wide = options & 0x01;
    at_ += 3;
    qsizetype extra = 0;  // rich runs and phonetic block, after the characters
    if (options & 0x08) {
      if (Left() < 2) return false;
      extra += 4 * qsizetype(U16(part, at_));
      at_ += 2;
    }
    if (options & 0x04) {
      if (Left() < 4) return false;
      extra += qsizetype(U32(part, at_));
      at_ += 4;
    }
    while (count > 0) {
      const qsizetype fits = Left() / (wide ? 2 : 1);
      if (fits == 0) {
        if (!NextPart() || Left() < 1) return false;
        wide = quint8(parts_[part_][0]) & 0x01;
        at_ = 1;
        continue;
      }
      const qsizetype taken = qMin(fits, count);
      at_ += taken * (wide ? 2 : 1);
      count -= taken;
    }
    while (extra > 0) {
      if (Left() == 0 && !NextPart()) return false;
      const qsizetype taken = qMin(Left(), extra);
      at_ += taken;
      extra -= taken;
    }
    return true;
  }

  std::vector<QByteArrayView> parts_;
  std::size_t part_ = 0;
  qsizetype at_ = 0;
};

bool SharedStringsFit(const Record& sst, RecordReader following) {
  if (sst.data.size() < 8) return false;
  std::vector<QByteArrayView> parts{sst.data.sliced(8)};
  Record record;
  while (following.Next(record) && record.type == kContinue) parts.push_back(record.data);
  return SharedStringParts(std::move(parts)).HoldStrings(U32(sst.data, 4));
}

// A used range inside the sheet's limits, rows and columns counted from 0
// with the last one exclusive.
bool DimensionSane(QByteArrayView d, BiffVersion version) {
  constexpr quint32 kMaxColumns = 256;
  if (version == BiffVersion::Biff8) {
    return d.size() >= 12 && U32(d, 0) <= U32(d, 4) && U32(d, 4) <= 65536 && U16(d, 8) <= U16(d, 10) &&
           U16(d, 10) <= kMaxColumns;
  }
  return d.size() >= 8 && U16(d, 0) <= U16(d, 2) && U16(d, 4) <= U16(d, 6) && U16(d, 6) <= kMaxColumns;
}

}  // namespace

bool BiffRecordsWellFormed(const QByteArray& stream) {
  const auto version = StreamVersion(stream);
  if (!version) return false;
  RecordReader reader(stream, 0);
  Record record;
  std::vector<bool> rangeSeen;  // per open BOF ... EOF block
  while (reader.Next(record)) {
    if (!RecordTextFits(record, *version)) return false;
    if (IsBof(record.type)) {
      rangeSeen.push_back(false);
    } else if (record.type == kEof && !rangeSeen.empty()) {
      rangeSeen.pop_back();
    } else if (record.type == kDimension) {
      if (rangeSeen.empty() || rangeSeen.back() || !DimensionSane(record.data, *version)) return false;
      rangeSeen.back() = true;
    }
    if (record.type == kSst && *version == BiffVersion::Biff8 && !SharedStringsFit(record, reader)) {
      return false;
    }
  }
  return true;
}

bool ReadBiffSheetExtras(const QByteArray& stream, BiffSheetExtras& extras) {
  bool biff8 = false;
  const auto offset = FirstWorksheetOffset(stream, biff8);
  if (!offset) return false;
  RecordReader reader(stream, *offset);
  Record record;
  if (!reader.Next(record) || record.type != kBof) return false;
  int depth = 1;  // embedded charts bring their own BOF ... EOF
  constexpr std::size_t kNone = std::size_t(-1);
  std::size_t pendingText = kNone;  // the formula cell a STRING record belongs to
  while (depth > 0 && reader.Next(record)) {
    if (record.type == kBof) ++depth;
    if (record.type == kEof) --depth;
    if (depth != 1) continue;
    if (record.type == kString && pendingText != kNone) {
      extras.cells[pendingText].value.text = StringRecordText(record.data, biff8);
    }
    if (record.type != kString) pendingText = kNone;
    if (extras.cells.size() >= kMaxCells) return false;
    if (record.type == kDimension) ReadDimension(record.data, biff8, extras);
    extras.cellRecords += CellsIn(record.type, record.data.size());
    if (record.type == kFormula && record.data.size() >= 14) {
      bool textFollows = false;
      CellValue value = FormulaResult(record.data, textFollows);
      extras.cells.push_back({U16(record.data, 0) + 1, U16(record.data, 2) + 1, value});
      if (textFollows) pendingText = extras.cells.size() - 1;
    }
    if (record.type == kBoolErr && record.data.size() >= 8) {
      const bool isError = record.data[7] != 0;
      const CellValue value{isError ? CellKind::Error : CellKind::Boolean,
                            !isError && record.data[6] != 0 ? 1.0 : 0.0, {}};
      extras.cells.push_back({U16(record.data, 0) + 1, U16(record.data, 2) + 1, value});
    }
  }
  return depth == 0;
}

}  // namespace qh
