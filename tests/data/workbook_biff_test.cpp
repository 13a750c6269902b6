#include "data/workbook_biff.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace qh {
namespace {

QByteArray Record(quint16 type, const QByteArray& data) {
  QByteArray out(4, '\0');
  qToLittleEndian<quint16>(type, out.data());
  qToLittleEndian<quint16>(quint16(data.size()), out.data() + 2);
  return out + data;
}

// A workbook stream of the given BIFF version holding one record besides
// its BOF and EOF.
QByteArray Stream(int version, const QByteArray& record) {
  QByteArray bof;
  if (version == 2) bof = Record(0x0009, QByteArray::fromHex("00001000"));
  else if (version == 5) bof = Record(0x0809, QByteArray::fromHex("000505000000"));
  else bof = Record(0x0809, QByteArray::fromHex("0006050000000000"));
  return bof + record + Record(0x000A, {});
}

TEST(BiffTexts, DeclaredLengthsMustFitTheirRecords) {
  const QByteArray general = "General";
  struct Case {
    const char* name;
    int version;
    QByteArray record;
    bool fits;
  };
  const Case cases[] = {
      {"format, BIFF8", 8, Record(0x041E, QByteArray::fromHex("a4000700") + '\0' + general), true},
      // Found by fuzzing: 65534 two-byte characters claimed in a 12-byte record.
      {"format claiming 65534 characters", 8,
       Record(0x041E, QByteArray::fromHex("a400feffff") + "Fenera"), false},
      {"format, wide characters cut off", 8,
       Record(0x041E, QByteArray::fromHex("a400040001") + "G\0e\0n"), false},
      {"format too short for its count", 8, Record(0x041E, QByteArray::fromHex("a400")), false},
      {"format with rich runs beyond the record", 8,
       Record(0x041E, QByteArray::fromHex("a400010008") + QByteArray::fromHex("0500") + "G"), false},
      {"empty format text", 8, Record(0x041E, QByteArray::fromHex("a4000000")), true},
      {"sheet name, BIFF8", 8,
       Record(0x0085, QByteArray::fromHex("00000000000006") + '\0' + "Sheet1"), true},
      {"sheet name cut off", 8,
       Record(0x0085, QByteArray::fromHex("0000000000000a") + '\0' + "Sheet1"), false},
      {"text cell, BIFF8", 8,
       Record(0x0204, QByteArray::fromHex("000000000f000200") + '\0' + "ab"), true},
      {"text cell claiming more", 8,
       Record(0x0204, QByteArray::fromHex("000000000f00ff00") + '\0' + "ab"), false},
      {"format, BIFF5", 5, Record(0x041E, QByteArray::fromHex("a40007") + general), true},
      {"format cut off, BIFF5", 5, Record(0x041E, QByteArray::fromHex("a40009") + general), false},
      {"text cell, BIFF2", 2, Record(0x0004, QByteArray::fromHex("00000000000000") + '\x02' + "ab"), true},
      {"text cell cut off, BIFF2", 2,
       Record(0x0004, QByteArray::fromHex("00000000000000") + '\x05' + "ab"), false},
      {"records without text", 8, Record(0x0203, QByteArray(14, '\0')), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BiffRecordsWellFormed(Stream(c.version, c.record)), c.fits) << c.name;
  }
}

// Shared strings: count, then each string as character count, option byte
// and characters.
QByteArray SharedStrings(quint32 unique, const QByteArray& strings) {
  QByteArray head(8, '\0');
  qToLittleEndian<quint32>(unique, head.data());
  qToLittleEndian<quint32>(unique, head.data() + 4);
  return Record(0x00FC, head + strings);
}

TEST(BiffTexts, SharedStringsMayGoOnInContinueRecords) {
  const QByteArray ab = QByteArray::fromHex("0200") + '\0' + "ab";
  const QByteArray continued = Record(0x003C, '\x01' + QByteArray::fromHex("63006400"));
  struct Case {
    const char* name;
    QByteArray records;
    bool fits;
  };
  const Case cases[] = {
      {"two strings", SharedStrings(2, ab + ab), true},
      {"fewer strings than counted", SharedStrings(3, ab + ab), false},
      // "abcd": two 8-bit characters here, two wide ones after a new option byte.
      {"characters split over a CONTINUE record",
       SharedStrings(1, QByteArray::fromHex("0400") + '\0' + "ab") + continued, true},
      {"split string without its CONTINUE record",
       SharedStrings(1, QByteArray::fromHex("0400") + '\0' + "ab"), false},
      // Found by fuzzing: the last string claims 53328 wide characters.
      {"string claiming 53328 characters", SharedStrings(2, ab + QByteArray::fromHex("50d0cf11e0")), false},
      {"rich runs in the next record",
       SharedStrings(1, QByteArray::fromHex("0100") + '\x08' + QByteArray::fromHex("0100") + "a") +
           Record(0x003C, QByteArray(4, '\0')),
       true},
      {"rich runs missing",
       SharedStrings(1, QByteArray::fromHex("0100") + '\x08' + QByteArray::fromHex("0100") + "a"), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BiffRecordsWellFormed(Stream(8, c.records)), c.fits) << c.name;
  }
}

QByteArray Dimension(quint32 firstRow, quint32 endRow, quint16 firstColumn, quint16 endColumn) {
  QByteArray d(14, '\0');
  qToLittleEndian<quint32>(firstRow, d.data());
  qToLittleEndian<quint32>(endRow, d.data() + 4);
  qToLittleEndian<quint16>(firstColumn, d.data() + 8);
  qToLittleEndian<quint16>(endColumn, d.data() + 10);
  return Record(0x0200, d);
}

TEST(BiffTexts, OneUsedRangePerSheetInsideTheSheetLimits) {
  const QByteArray sane = Dimension(0, 12, 0, 2);
  const QByteArray secondSheet = Record(0x0809, QByteArray::fromHex("0006100000000000")) + sane +
                                 Record(0x000A, {});
  struct Case {
    const char* name;
    QByteArray stream;
    bool wellFormed;
  };
  const Case cases[] = {
      {"one range", Stream(8, sane), true},
      {"a range in each sheet", Stream(8, sane) + secondSheet, true},
      {"the whole sheet", Stream(8, Dimension(0, 65536, 0, 256)), true},
      // Found by fuzzing: a second range after the cells; the workbook
      // library frees the first one twice.
      {"two ranges in one sheet", Stream(8, sane + Dimension(0x10003, 0x8c40000f, 0x78b5, 0xaf1d)), false},
      {"rows past the sheet", Stream(8, Dimension(0, 0x8c40000f, 0, 2)), false},
      {"columns past the sheet", Stream(8, Dimension(0, 12, 0, 257)), false},
      {"first row after the last", Stream(8, Dimension(20, 12, 0, 2)), false},
      {"too short", Stream(8, Record(0x0200, QByteArray(6, '\0'))), false},
  };
  for (const Case& c : cases) EXPECT_EQ(BiffRecordsWellFormed(c.stream), c.wellFormed) << c.name;
}

TEST(BiffTexts, StreamMustStartWithABeginningOfFile) {
  EXPECT_FALSE(BiffRecordsWellFormed(QByteArray()));
  EXPECT_FALSE(BiffRecordsWellFormed(Record(0x0203, QByteArray(14, '\0'))));
}

}  // namespace
}  // namespace qh
