#include "data/workbook/biff.h"

#include "base/code_page.h"

#include <QStringList>
#include <gtest/gtest.h>

#include "support/le_bytes.h"

namespace qh {
namespace {

using test::F64;
using test::U16;
using test::U32;

QByteArray Record(quint16 type, const QByteArray& data) { return test::BiffRecord(type, data); }

// Row and column from 0, then format index 15.
QByteArray Cell(quint16 row, quint16 column) { return U16(row) + U16(column) + U16(15); }

// A BIFF8 string of 8-bit characters with a 16-bit count.
QByteArray Narrow(const QByteArray& latin1) { return U16(quint16(latin1.size())) + '\0' + latin1; }
// The same with two-byte characters.
QByteArray Wide(QStringView text) {
  QByteArray out = U16(quint16(text.size())) + '\x01';
  for (QChar c : text) out += U16(c.unicode());
  return out;
}

QByteArray Number(quint16 row, quint16 column, double v) {
  return Record(0x0203, Cell(row, column) + F64(v));
}
QByteArray Label8(quint16 row, quint16 column, QStringView text) {
  return Record(0x0204, Cell(row, column) + Wide(text));
}
QByteArray Rk(quint16 row, quint16 column, quint32 rk) {
  return Record(0x027E, Cell(row, column) + U32(rk));
}
// Formula result bytes: 8 of them, then flags and an empty expression.
QByteArray Formula(quint16 row, quint16 column, const QByteArray& result) {
  return Record(0x0006, Cell(row, column) + result + U16(0) + U32(0) + U16(0));
}
QByteArray SpecialResult(quint8 kind, quint8 value) {
  return QByteArray(1, char(kind)) + '\0' + char(value) + QByteArray(3, '\0') + U16(0xFFFF);
}
const QByteArray kEof = Record(0x000A, {});

QByteArray Bof(quint16 version, quint16 substream) {
  return Record(0x0809, U16(version) + U16(substream) + QByteArray(12, '\0'));
}

struct Sheet {
  quint8 Type = 0;  // 0 worksheet, 2 chart
  QByteArray Records;
};

// A BIFF8 (or BIFF5) workbook stream: globals with the sheet list, then the
// sheets. wrongOffsets points every list entry at the globals' BOF.
QByteArray Book(const QByteArray& globals, const std::vector<Sheet>& sheets,
                quint16 version = 0x0600, bool wrongOffsets = false) {
  auto boundSheet = [&](quint32 offset, quint8 type) {
    const QByteArray name = version == 0x0600 ? QByteArray("\x01\x00S", 3) : QByteArray("\x01S", 2);
    return Record(0x0085, U32(offset) + '\0' + char(type) + name);
  };
  qsizetype at = Bof(version, 5).size() + globals.size() + kEof.size();
  for (const Sheet& s : sheets) at += boundSheet(0, s.Type).size();
  QByteArray list, body;
  for (const Sheet& s : sheets) {
    list += boundSheet(wrongOffsets ? 1 : quint32(at + body.size()), s.Type);
    body += Bof(version, s.Type == 2 ? 0x20 : 0x10) + s.Records + kEof;
  }
  return Bof(version, 5) + globals + list + kEof + body;
}

QByteArray Sst(const QByteArray& strings, quint32 unique) {
  return Record(0x00FC, U32(unique) + U32(unique) + strings);
}
QByteArray Continue(const QByteArray& data) { return Record(0x003C, data); }

QStringList Lines(const QByteArray& stream, bool* ok) {
  SheetCells cells;
  SheetLines lines;
  *ok = ReadBiffFirstSheet(stream, cells) && cells.BuildLines(lines);
  QStringList out;
  for (QStringView line : lines.Lines) out.append(line.toString().replace(u'\t', u'|'));
  return out;
}

struct StreamCase {
  const char* Name;
  QByteArray Stream;
  QStringList Lines;  // empty with ok false: refused
  bool Ok = true;
};

void Check(const StreamCase& c) {
  bool ok = false;
  const QStringList lines = Lines(c.Stream, &ok);
  EXPECT_EQ(ok, c.Ok) << c.Name;
  if (c.Ok) {
    EXPECT_EQ(lines, c.Lines) << c.Name;
  }
}

TEST(BiffFirstSheet, CellRecordsOfExcel97) {
  const QByteArray headerRow = Label8(0, 0, u"项目") + Label8(0, 1, u"数值");
  // clang-format off
  const StreamCase cases[] = {
      {"numbers: IEEE, RK whole, RK times 100, RK double",
       Book({}, {{0, headerRow + Number(1, 0, 1) + Number(1, 1, 12.5) + Rk(2, 0, (7u << 2) | 2) +
                         Rk(2, 1, (1234u << 2) | 3) +
                         Rk(3, 0, quint32(std::bit_cast<quint64>(2.5) >> 32)) +
                         Rk(3, 1, quint32(qint32(-3) << 2) | 2)}}),
       {u"项目|数值"_qs, u"1|12.5"_qs, u"7|12.34"_qs, u"2.5|-3"_qs}},
      // Date and time cells are their serial numbers, fraction and all.
      {"date and time serials keep their fraction",
       Book({}, {{0, Number(0, 0, 1.5) + Number(0, 1, 45000.5) + Number(1, 0, 10.632) +
                         Number(1, 1, 45306)}}),
       {u"1.5|45000.5"_qs, u"10.632|45306"_qs}},
      {"several RK values in one record",
       Book({}, {{0, Record(0x00BD, U16(0) + U16(0) + U16(15) + U32((5u << 2) | 2) + U16(15) +
                                         U32((6u << 2) | 2) + U16(1))}}),
       {u"5|6"_qs}},
      {"formula results: number, text, boolean, error, empty text",
       Book({}, {{0, Formula(0, 0, F64(25)) + Formula(0, 1, SpecialResult(0, 0)) +
                         Record(0x0207, Wide(u"华北")) + Formula(1, 0, SpecialResult(1, 1)) +
                         Formula(1, 1, SpecialResult(2, 7)) + Formula(2, 0, SpecialResult(3, 0)) +
                         Number(2, 1, 3)}}),
       {u"25|华北"_qs, u"-1|"_qs, u"|3"_qs}},
      {"a shared formula between a formula and its text",
       Book({}, {{0, Formula(0, 0, SpecialResult(0, 0)) + Record(0x04BC, QByteArray(10, '\0')) +
                         Record(0x0207, Narrow("abc")) + Number(0, 1, 1)}}),
       {u"abc|1"_qs}},
      // A long text result goes on in a CONTINUE record, behind an option
      // byte that here switches to two-byte characters.
      {"a text result continued",
       Book({}, {{0, Formula(0, 0, SpecialResult(0, 0)) + Record(0x0207, U16(4) + '\0' + "ab") +
                         Continue('\x01' + Wide(u"长文").mid(3)) + Number(0, 1, 1)}}),
       {u"ab长文|1"_qs}},
      {"a text result without its text reads empty",
       Book({}, {{0, Formula(0, 0, SpecialResult(0, 0)) + Number(0, 1, 1)}}), {u"|1"_qs}},
      {"booleans and errors",
       Book({}, {{0, Record(0x0205, Cell(0, 0) + '\x01' + '\0') +
                         Record(0x0205, Cell(0, 1) + '\x07' + '\x01')}}),
       {u"-1|"_qs}},
      {"formatted empty cells widen the range",
       Book({}, {{0, Number(0, 0, 1) + Record(0x00BE, U16(0) + U16(1) + U16(15) + U16(15) + U16(2)) +
                         Number(1, 0, 2) + Record(0x0201, Cell(2, 0))}}),
       {u"1||"_qs, u"2||"_qs, u"||"_qs}},
      {"the recorded used range is not trusted",
       Book({}, {{0, Record(0x0200, U32(0) + U32(65535) + U16(0) + U16(255) + U16(0)) + Number(0, 0, 1) +
                         Number(1, 1, 2)}}),
       {u"1|"_qs, u"|2"_qs}},
      {"an embedded chart inside the sheet is passed over",
       Book({}, {{0, Number(0, 0, 1) + Bof(0x0600, 0x20) + Number(5, 5, 9) + kEof + Number(0, 1, 2)}}),
       {u"1|2"_qs}},
  };
  // clang-format on
  for (const StreamCase& c : cases) Check(c);
}

TEST(BiffFirstSheet, SharedStringsAcrossContinueRecords) {
  const QByteArray refs = Record(0x00FD, Cell(0, 0) + U32(0)) + Record(0x00FD, Cell(0, 1) + U32(1));
  // clang-format off
  const StreamCase cases[] = {
      {"two strings", Book(Sst(Narrow("ab") + Wide(u"华北"), 2), {{0, refs}}), {u"ab|华北"_qs}},
      // "ab" then, after a CONTINUE whose option byte switches to two-byte
      // characters, "北京".
      {"characters split with the option byte repeated",
       Book(Sst(Narrow("x") + U16(4) + '\0' + "ab", 2) + Continue('\x01' + Wide(u"北京").mid(3)), {{0, refs}}),
       {u"x|ab北京"_qs}},
      {"wide characters continued as 8-bit ones",
       Book(Sst(Narrow("x") + U16(3) + '\x01' + U16(u'华'), 2) + Continue('\0' + QByteArray("yz")), {{0, refs}}),
       {u"x|华yz"_qs}},
      // Rich text: run count after the option byte, 4 bytes per run after
      // the characters, here running on into the next record.
      {"rich runs and phonetic blocks are skipped",
       Book(Sst(U16(2) + '\x08' + U16(2) + "ab" + QByteArray(5, '\x7f'), 2) +
                Continue(QByteArray(3, '\x7f') + U16(1) + '\x04' + U32(6) + "c" + QByteArray(6, 'z')),
            {{0, refs}}),
       {u"ab|c"_qs}},
      {"a string starting in a CONTINUE record",
       Book(Sst(Narrow("ab"), 2) + Continue(Narrow("cd")), {{0, refs}}), {u"ab|cd"_qs}},
      {"an overstated count ends with the records",
       Book(Sst(Narrow("ab") + Narrow("cd"), 9), {{0, refs}}), {u"ab|cd"_qs}},
      {"a string cut off", Book(Sst(Narrow("ab") + U16(9) + '\0' + "cd", 2), {{0, refs}}), {}, false},
      {"an index past the table", Book(Sst(Narrow("ab"), 1), {{0, refs}}), {}, false},
  };
  // clang-format on
  for (const StreamCase& c : cases) Check(c);
}

// Excel 5 and 95: byte strings in the workbook's code page.
TEST(BiffFirstSheet, ByteStringsFollowTheCodePage) {
  auto label = [](quint16 row, quint16 column, const QByteArray& bytes) {
    return Record(0x0204, Cell(row, column) + U16(quint16(bytes.size())) + bytes);
  };
  const QByteArray gbk = EncodeGbk(u"华北");
  const QByteArray sheet = label(0, 0, gbk) + Number(0, 1, 1) + label(1, 0, "\xe9t\xe9") +
                           Formula(1, 1, SpecialResult(0, 0)) +
                           Record(0x0207, U16(quint16(gbk.size())) + gbk);
  // The same bytes read as GBK and as Windows Latin-1; "\xe9t\xe9" is
  // "été" in the latter and a character and a broken one in GBK.
  const QString gbkText = DecodeGbk(gbk), latinText = QString::fromLatin1(gbk);
  const QString brokenGbk = DecodeGbk("\xe9t\xe9");
  // clang-format off
  const StreamCase cases[] = {
      {"code page 936", Book(Record(0x0042, U16(936)), {{0, sheet}}, 0x0500),
       {u"华北|1"_qs, brokenGbk + u"|华北"_qs}},
      {"code page 1252", Book(Record(0x0042, U16(1252)), {{0, sheet}}, 0x0500),
       {latinText + u"|1"_qs, u"été|"_qs + latinText}},
      {"no code page: GBK", Book({}, {{0, sheet}}, 0x0500), {gbkText + u"|1"_qs, brokenGbk + u"|华北"_qs}},
  };
  // clang-format on
  for (const StreamCase& c : cases) Check(c);
}

TEST(BiffFirstSheet, WhichSheetIsRead) {
  const Sheet chart{2, Number(0, 0, 9) + Number(0, 1, 9)};
  const Sheet first{0, Number(0, 0, 1) + Number(0, 1, 2)};
  const Sheet second{0, Number(0, 0, 3) + Number(0, 1, 4)};
  // clang-format off
  const StreamCase cases[] = {
      {"the first worksheet of the list", Book({}, {first, second}), {u"1|2"_qs}},
      {"a chart sheet before it is passed over", Book({}, {chart, first, second}), {u"1|2"_qs}},
      {"wrong offsets: the sheets in list order", Book({}, {chart, second, first}, 0x0600, true),
       {u"3|4"_qs}},
      {"no worksheet at all", Book({}, {chart}), {}, false},
      {"no sheet list", Bof(0x0600, 5) + kEof, {}, false},
  };
  // clang-format on
  for (const StreamCase& c : cases) Check(c);
}

TEST(BiffFirstSheet, WorksheetFilesOfExcel2To4) {
  auto bof = [](quint16 type) { return Record(type, U16(0) + U16(0x10) + U16(0)); };
  auto label3 = [](quint16 row, quint16 column, const QByteArray& bytes) {
    return Record(0x0204, Cell(row, column) + U16(quint16(bytes.size())) + bytes);
  };
  // Excel 2 cells: row, column, three attribute bytes, then the value.
  auto cell2 = [](quint16 row, quint16 column) {
    return U16(row) + U16(column) + QByteArray(3, '\0');
  };
  // clang-format off
  const StreamCase cases[] = {
      {"Excel 4",
       bof(0x0409) + Record(0x0042, U16(936)) + label3(0, 0, EncodeGbk(u"名称")) + Rk(0, 1, (8u << 2) | 2) +
           label3(1, 0, "B") + Record(0x0406, Cell(1, 1) + F64(1.5) + U16(0) + U32(0) + U16(0)) + kEof,
       {u"名称|8"_qs, u"B|1.5"_qs}},
      {"Excel 3", bof(0x0209) + label3(0, 0, "A") + Number(0, 1, 2) + kEof, {u"A|2"_qs}},
      {"Excel 2",
       bof(0x0009) + Record(0x0004, cell2(0, 0) + '\x01' + "A") + Record(0x0002, cell2(0, 1) + U16(7)) +
           Record(0x0004, cell2(1, 0) + '\x01' + "B") + Record(0x0003, cell2(1, 1) + F64(0.25)) + kEof,
       {u"A|7"_qs, u"B|0.25"_qs}},
      {"Excel 2 with the later versions' cell records",
       bof(0x0009) + Record(0x0000, U16(0) + U16(9) + U16(0) + U16(9)) + label3(0, 0, "A") + Number(0, 1, 2) +
           Record(0x0004, cell2(1, 0) + '\x01' + "B") + Rk(1, 1, (3u << 2) | 2) + kEof,
       {u"A|2"_qs, u"B|3"_qs}},
      {"cut off before its end", bof(0x0409) + label3(0, 0, "A") + Number(0, 1, 2), {}, false},
  };
  // clang-format on
  for (const StreamCase& c : cases) Check(c);
}

TEST(BiffFirstSheet, MalformedStreamsAreRefused) {
  const QByteArray cells = Number(0, 0, 1) + Number(0, 1, 2);
  // clang-format off
  const StreamCase cases[] = {
      {"empty", {}, {}, false},
      {"no beginning-of-file record", cells, {}, false},
      {"encrypted", Book(Record(0x002F, U16(1) + QByteArray(52, '\0')), {{0, cells}}), {}, false},
      {"a text longer than its record", Book({}, {{0, Record(0x0204, Cell(0, 0) + U16(40) + '\0' + "ab")}}),
       {}, false},
      {"a cell beyond the sheet", Book({}, {{0, Number(0, 0xFFFF, 1)}}), {}, false},
      {"the sheet cut off", Book({}, {{0, cells}}).chopped(4), {}, false},
      {"a record running past the stream", Book({}, {{0, cells}}).chopped(6), {}, false},
  };
  // clang-format on
  for (const StreamCase& c : cases) Check(c);
}

}  // namespace
}  // namespace qh
