#pragma once
// The record layer of BIFF streams (.xls): records, the CONTINUE records
// that carry on a long one, the strings inside them, and byte strings in the
// workbook's code page.
#include "base/little_endian.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QtEndian>
#include <optional>
#include <vector>

namespace qh::biff {

inline quint16 U16(QByteArrayView data, qsizetype at) { return ReadLe16(data, at); }
inline quint32 U32(QByteArrayView data, qsizetype at) { return ReadLe32(data, at); }

constexpr quint16 kContinue = 0x003C;

struct Record {
  quint16 Type = 0;
  QByteArrayView Data;
  qsizetype Offset = 0;  // of the record header in the stream
};

// Walks the records of a stream: type, length, data.
class RecordReader {
 public:
  RecordReader(QByteArrayView stream, qsizetype at) : stream_(stream), at_(at) {}
  // False at the end of the stream or at a record running past it.
  bool Next(Record& record);
  // The data of the CONTINUE records right after the current one.
  void TakeContinues(std::vector<QByteArrayView>& parts);
  qsizetype Offset() const { return at_; }

 private:
  QByteArrayView stream_;
  qsizetype at_;
};

// Reads across a record and its CONTINUE records as one sequence, the way
// long strings and the shared string table are stored.
class PartCursor {
 public:
  explicit PartCursor(std::vector<QByteArrayView> parts) : parts_(std::move(parts)) {}

  bool Byte(quint8& value);
  bool Word(quint16& value);
  bool DoubleWord(quint32& value);
  bool Skip(qsizetype bytes);
  // A string whose 16-bit character count comes first, then its option
  // byte, run count and phonetic size as announced, the characters, and
  // the runs and phonetic block, which are skipped. Where the characters
  // go on in the next part, that part starts with a fresh option byte.
  bool UnicodeString(QString& out);
  // The same after a count read elsewhere. An empty string may lack its
  // option byte at the very end of the data.
  bool UnicodeStringBody(qsizetype count, QString& out);
  bool AtEnd();

 private:
  bool Characters(qsizetype count, bool wide, QString& out);
  qsizetype Left() const { return parts_[part_].size() - at_; }
  // Moves to the next part when this one is used up; false past the last.
  bool Ensure();

  std::vector<QByteArrayView> parts_;
  std::size_t part_ = 0;
  qsizetype at_ = 0;
};

// A BIFF8 string inside one record: count (8 or 16 bits) at at, then the
// option byte and the rest. False when it runs past the record.
bool RecordUnicodeString(QByteArrayView data, qsizetype at, bool countIsByte, QString& out);

// Byte strings of BIFF2 to BIFF7 files, in the code page their CODEPAGE
// record names; without one, the code page of the Chinese Windows systems
// that write them (936, GBK).
class ByteTextDecoder {
 public:
  void SetCodePage(quint16 codePage);
  QString Decode(QByteArrayView bytes);

 private:
  quint16 codePage_ = 936;
  // Opened on the first text that is not plain ASCII: most files have none.
  std::optional<QStringDecoder> decoder_;
};

}  // namespace qh::biff
