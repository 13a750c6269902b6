#include "data/csv_reader.h"
#include "data/source_loader.h"

#include "base/code_page.h"
#include "data/text_decode.h"
#include "support/chart_items.h"
#include "support/whole_of.h"

#include <QTemporaryDir>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "support/test_files.h"

namespace qh {
namespace {

// The whole text in one piece.
QStringList SplitCsvLines(QStringView text, QChar separator) {
  QStringList lines;
  CsvLineSplitter splitter(separator,
                           [&lines](QStringView line) { lines.append(line.toString()); });
  splitter.Feed(text);
  splitter.Finish();
  return lines;
}

TEST(CsvReader, DetectSeparator) {
  EXPECT_EQ(DetectCsvSeparator(u"a;b,c"), u',');
  EXPECT_EQ(DetectCsvSeparator(u"a\tb;c"), u'\t');
  EXPECT_EQ(DetectCsvSeparator(u"a;b"), u';');
  EXPECT_EQ(DetectCsvSeparator(u"ab"), u',');
}

// Tabs win over commas only when every line that is not blank has exactly
// one tab outside quotes: a tab export with grouped amounts. Bytes (UTF-8,
// GBK) and text decide alike.
TEST(CsvReader, TabBeatsCommasWhenEveryLineHasOneTab) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    QChar Separator;
  };
  // clang-format off
  const Case cases[] = {
      {"grouped amounts", "名称\t金额\r\n华南\t1,234.50\r\n华北\t12,000\r\n", u'\t'},
      {"blank lines and spaces-only lines", "A\t1,5\n\n  \t \nB\t2\n", u'\t'},
      {"quoted comma, one tab", "\"a,b\"\tc", u'\t'},
      {"quoted tab is no tab", "\"a\tb\",1\nc,2", u','},
      {"a quoted line break inside the cell", "A\t\"1,\n2\"\nB\t3", u'\t'},
      {"one line without a tab", "A\t1,5\nB,2\n", u','},
      {"one line with two tabs", "A\t1,5\nB\t2\t3\n", u','},
      {"commas and no tab", "a;b,c", u','},
      {"gbk bytes", "\xC4\xEA\xB7\xDD\t\xBD\xF0\xB6\xEE\n2024\t1,000\n", u'\t'},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(DetectCsvSeparator(QByteArrayView(c.Bytes)), c.Separator) << c.Name;
    EXPECT_EQ(DetectCsvSeparator(QStringView(DecodeFileText(c.Bytes))), c.Separator) << c.Name;
  }
}

TEST(CsvReader, SplitLines) {
  struct Case {
    const char* Name;
    QString Text;
    QChar Separator;
    QStringList Lines;
  };
  const Case cases[] = {
      {"separators become tabs", "A,1\nB,2", u',', {"A\t1", "B\t2"}},
      {"quoted comma stays", "A,\"1,234\"\n", u',', {"A\t1,234"}},
      {"doubled quote", "\"a\"\"b\",1", u',', {"a\"b\t1"}},
      {"quote opens mid field", "ab\"c,d\"e,1", u',', {"abc,de\t1"}},
      {"quoted line feed kept", "\"A\nB\",1\nC,2", u',', {"A\nB\t1", "C\t2"}},
      {"CR LF and CR end lines", "A,1\r\nB,2\rC,3\r\n", u',', {"A\t1", "B\t2", "C\t3"}},
      {"quoted CR LF becomes LF", "\"A\r\nB\",1", u',', {"A\nB\t1"}},
      {"empty lines kept, last dropped", "\n\nA,1\n", u',', {"", "", "A\t1"}},
      {"tab stays a cell boundary", "A\t1;2", u';', {"A\t1\t2"}},
      {"unterminated quote", "A,\"1\nB,2", u',', {"A\t1\nB,2"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCsvLines(c.Text, c.Separator), c.Lines) << c.Name;
}

// Lines come out the same wherever the text is cut into pieces: a CR LF or
// a doubled quote may straddle the cut.
TEST(CsvReader, SplitLinesInPieces) {
  const QStringList texts = {
      "A,1\r\nB,\"2\"\"x\"\rC,3\r",
      "\"q\"\"\",1\r\n\"A\r\nB\",\"\"\n\r\r\n",
      "\"\"\"\"\"\",\"a\rb\"\"\"\r",
  };
  for (const QString& text : texts) {
    const QStringList whole = SplitCsvLines(text, u',');
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
      for (qsizetype cut2 = cut; cut2 <= text.size(); ++cut2) {
        QStringList lines;
        CsvLineSplitter splitter(u',',
                                 [&lines](QStringView line) { lines.append(line.toString()); });
        splitter.Feed(QStringView(text).first(cut));
        splitter.Feed(QStringView(text).sliced(cut, cut2 - cut));
        splitter.Feed(QStringView(text).sliced(cut2));
        splitter.Finish();
        EXPECT_EQ(lines, whole) << text.toStdString() << " cut at " << cut << ", " << cut2;
      }
    }
  }
}

// Files far larger than one decoded piece read as if decoded whole, in both
// encodings, with quoted line breaks, CR-only lines and odd bytes about.
TEST(CsvReader, LargeFileReadsAsIfDecodedWhole) {
  QString text = QStringLiteral("项目,金额\r\n");
  for (int i = 0; text.size() < 1'500'000; ++i) {
    text += QStringLiteral("华东%1").arg(i) +
            (i % 7 == 0 ? QStringLiteral(",\"1,%1\"\r\n").arg(i % 1000, 3, 10, QChar(u'0'))
                        : QStringLiteral(",%1\n").arg(i));
    if (i % 1001 == 0) text += QStringLiteral("\"多\r\n行\",%1\r").arg(i);
  }
  QByteArray gbkBad = EncodeGbk(text);
  gbkBad.insert(gbkBad.size() / 2, "\xFF\x81");  // a byte of no character and a lone lead byte
  const struct {
    const char* Name;
    QByteArray Bytes;
    bool Ok;
  } files[] = {
      {"utf-8", text.toUtf8(), true},
      {"utf-8 with mark", "\xEF\xBB\xBF" + text.toUtf8(), true},
      {"gbk", EncodeGbk(text), true},
      {"gbk with odd bytes", gbkBad, false},
      {"one long line", QByteArray(3'000'000, 'x') + ",1\ny,2", true},
  };
  for (const auto& [name, bytes, ok] : files) {
    ItemTable whole, pieces;
    EXPECT_EQ(ParseCsvText(DecodeFileText(bytes, Utf8Mark::Skip), LoadLimits{}, whole), ok) << name;
    EXPECT_EQ(ParseCsvBytes(bytes, LoadLimits{}, pieces), ok) << name;
    EXPECT_EQ(pieces.ItemCount(), whole.ItemCount()) << name;
    EXPECT_TRUE(pieces.Items == whole.Items) << name;
    EXPECT_EQ(pieces.LastError, whole.LastError) << name;
    EXPECT_EQ(pieces.LastHint, whole.LastHint) << name;
  }
}

// UTF-16 in either byte order, decoded a piece at a time, reads as its text
// decoded whole: the separator chosen over all of it, a CR LF, a "" and a
// surrogate pair cut by a piece's end, an odd last byte. Each stretch read
// is told on, in order, up to the end.
TEST(CsvReader, Utf16InPiecesAsDecodedWhole) {
  constexpr qsizetype kPiece = qsizetype(1) << 19;
  QString large = QStringLiteral("项目,金额\r\n");
  const auto fillTo = [&large](qsizetype at) {
    for (int i = 0; large.size() < at - 12; ++i)
      large += QStringLiteral("华东%1,%2\n").arg(i % 10).arg(i);
    large += QString(at - large.size() - 2, u'x') + QStringLiteral(",9");
  };
  fillTo(kPiece - 1);
  large += QStringLiteral("\r\n\"a");
  fillTo(2 * kPiece - 1);
  large += QStringLiteral("\"\"b\",1\n");
  fillTo(3 * kPiece - 1);
  large += QString::fromUcs4(U"\U00020000,2\r\n", 5) + QStringLiteral("末,3");
  const QString texts[] = {
      large,
      QStringLiteral("a\tb,1\nc\t2\n"),
      QStringLiteral("a\t1\nb,c\t2"),
      QStringLiteral("a;1\nb;2"),
      QStringLiteral("项目\t金额\r甲\t1\r乙\t2"),
      QStringLiteral("x"),
      QString(),
  };
  for (const QString& text : texts) {
    for (const bool big : {true, false}) {
      QByteArray bytes = big ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
      for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8), low = static_cast<char>(c.unicode());
        bytes += big ? high : low;
        bytes += big ? low : high;
      }
      for (const QByteArray& file : {bytes, bytes + '1'}) {
        const std::string name = text.left(20).toStdString() + (big ? " big" : " little") +
                                 std::to_string(file.size() % 2);
        QByteArray copy = file;
        ItemTable whole, pieces;
        const bool ok = ParseCsvText(DecodeUtf16AndRelease(copy), LoadLimits{}, whole);
        std::vector<qsizetype> told;
        EXPECT_EQ(ParseCsvUtf16(file, LoadLimits{}, pieces, {},
                                [&told](qsizetype offset) { told.push_back(offset); }),
                  ok)
            << name;
        EXPECT_TRUE(pieces.Items == whole.Items) << name;
        EXPECT_EQ(pieces.LastError, whole.LastError) << name;
        EXPECT_EQ(pieces.LastHint, whole.LastHint) << name;
        EXPECT_EQ(pieces.ValueHeading, whole.ValueHeading) << name;
        EXPECT_EQ(pieces.Columns, whole.Columns) << name;
        EXPECT_EQ(pieces.FirstRow, whole.FirstRow) << name;
        if (file.size() < 4) continue;
        // Each pass over the bytes goes forward to the end.
        ASSERT_FALSE(told.empty()) << name;
        EXPECT_EQ(told.back(), file.size()) << name;
        for (size_t i = 1; i < told.size(); ++i)
          EXPECT_TRUE(told[i] > told[i - 1] || told[i - 1] == file.size()) << name;
      }
    }
  }
}

// What a table of the first keep items, or of compact items, must tell of
// the whole table read.
void ExpectSameTable(const ItemTable& whole, const ItemTable& part, int keep, const char* text) {
  EXPECT_EQ(part.ItemCount(), whole.ItemCount()) << text;
  const size_t kept =
      keep > 0 ? std::min(whole.Items.size(), static_cast<size_t>(keep)) : whole.Items.size();
  if (part.Compact) {
    ASSERT_EQ(part.Compact->Count(), kept) << text;
    CompactItems::Reader items(*part.Compact);
    std::string_view name;
    double value = 0;
    for (size_t i = 0; i < kept && items.Next(name, value); ++i) {
      EXPECT_EQ(QString::fromUtf8(name), whole.Items[i].Name) << text;
      EXPECT_EQ(value, whole.Items[i].Value) << text;
    }
  } else {
    ASSERT_EQ(part.Items.size(), kept) << text;
    for (size_t i = 0; i < kept; ++i) EXPECT_TRUE(part.Items[i] == whole.Items[i]) << text;
  }
  ASSERT_EQ(part.Whole.has_value(), kept < whole.Items.size()) << text;
  if (!part.Whole) return;
  const WholeTable all = test::WholeOf(whole.Items);
  EXPECT_TRUE(*part.Whole == all) << text;
  EXPECT_EQ(std::signbit(part.Whole->Highest), std::signbit(all.Highest)) << text;
}

// Quote-free UTF-8 is split in the bytes, usual rows read there without
// decoding, everything else after decoding: all give what the decoded text
// gives, verdicts and messages included, also when only the first items are
// kept or the items are kept compact.
TEST(CsvReader, QuoteFreeFilesReadAsIfDecodedWhole) {
  const QByteArray manyDigits =
      "A," + QByteArray(400, '9') + "\nB,0." + QByteArray(320, '0') + "1\n";
  // clang-format off
  const QByteArray files[] = {
      "A,1\nB,2\n", "A,1\r\nB,2\r\n", "A,1\nB,2", "\n\nA,1\n\nB,2\n\n", "A,1\rB,2\rC,3",
      "A,1\nB,2\r", "A;1\nB;2\n", "A\t1\nB\t2\n", "A\t1,5\nB\t2\n", "项目,金额\n华东,1\n华南,２\n",
      "\xEF\xBB\xBF项目,金额\r\n甲,1,234\r\n乙,5\r\n", "A,1\nB,x\n\nC,3\n", "A,1\n\xB9\xFA,2\n",
      "A,1\n\"B\",2\n", "", "\n", "A,1\n", " A , 1 \n B ,2\n", "A,1,2\nB,3,4\n", "A,1\r\r\nB,2\n",
      "A,\"1,234\"\nB,2\n", "\"a\"\"b\",1\nc,2", "\"A\nB\",1\nC,2\r\n", "\"A\r\nB\",1\rC,2\r", "A,\"1\nB,2",
      "甲,\"1\"\r\n乙,\"２\"\r\n", "\xE4\"\xB8\xAD\",1\nB,2\n", "\"中\"\"\",\"a\rb\"\"\"\r\n丙,3\n",
      // Value cells at the edge of a plain decimal number.
      "名称,数值\nA,-0\nB,+7\nC,.5\nD,5.\nE,007\nF,0\nG,-0.0\n", "A,1e3\nB,12%\nC,1E-2\n",
      "A, 1\nB,1 \nC,$3\n", "A,-\nB,2\n", "A,.\nB,2\n", "A,1.2.3\nB,2\n", "A,+-1\nB,2\n", manyDigits,
      "A,1\nB,1e999\n", "A,1,\nB,2\n", "A,1\n,2\nC,3\n", "A\t,1\nB,2\n", "A,1\tx\nB,2\n",
      // Names with every space StripSpaces takes, four-byte characters, and
      // bytes that are no standard UTF-8 (overlong, surrogate, past U+10FFFF).
      "a b,1\n\xC2\xA0x\xC2\xA0,2\n\xE3\x80\x80y,3\n😀 z,4\n", "长长长长长长长长长长,1\nB,2\nC,3\n",
      "A,1\n\xC0\xAF,2\n", "A,1\n\xED\xA0\x80,2\n", "A,1\n\xB9\xFA\xB9\xFA long enough for a scan step,2\n", "A,1\n\xF4\x90\x80\x80,2\n", "A,1\n\xE0\x80\x80,2\n",
      "A,5\nB,-3\nC,9\nD,9\nE,-3\nF,0.1\nG,0.2\n",
      // Cells wholly in quotes are read in the bytes too; other quotes not.
      "\xEF\xBB\xBF项目,金额\r\n\"A\",\"1,234.5\"\r\n\"B\",\"-2\"\r\n", "A,\"\"\nB,1\n", "\"A\"x,1\nB,2\n",
      "A,\"1\"2\nB,2\n", "A,\"1\t2\"\nB,3\n", "\"A,B\",1\nC,2\n", "A,\",5\"\nB,\"-,1\"\n", "A,\"1,2,3\"\nB,2\n",
      "A,\"1\"\"\nB,2\n", "A,1,\"x\"\nB,2,\"\"\n", "\"A\nB\",1\n\"C\",2\n",
      // The same in lines longer than one look's step, quotes on either side
      // of a step's edge.
      "长长长长长长,\"12,345,678.90\"\r\n短,\"1\"\r\n", "\"长长长长长长长长\",1234\n\"长长长长长长\",\"5\"\n",
      "长长长长长长长,\"1,2\"x\"\n长,\"1\"\n", "长长长长长长,\"1,2\",\"3\"\n长,2\n", "长长长长长长长,12,\"3\"\n",
      "\"长长长长长,长长\",7\n长长长长长长长长\",5\n", "长长长长长长长长,\"7\n长\",5\n", "长长长长长长长长长长长,\"\"\n",
      // After a first row, where rows are read in the bytes: cells the look
      // must not settle.
      "H,V\nA,\"1\"2\nB,2\n", "H,V\n\"A\",1,234\n", "H,V\nA\tB,5\n", "H,V\nA,1,234\n",
      "H,V\n长长长长长,1,234\nB,2\nC,3\nD,4\n", "H,V\n长长长长长长长长长,1\t2\n", "H,V\n\"A\"x,1\nB,2\n",
      // Commas and tabs: the separator is the one the whole file decides,
      // wherever its first tab stands.
      "A,1\nB,2\nC\t3\n", "甲\t1,5\n乙\t2,5\n", "\"A\nB\"\t1,5", "\"A\rB\"\t1,5\r\"C\"\t2,5\r",
      "A\t1,5\rB\t2\r",
  };
  // clang-format on
  for (const QByteArray& bytes : files) {
    const std::string text = bytes.toStdString();
    ItemTable whole, split;
    const bool ok = ParseCsvText(DecodeFileText(bytes, Utf8Mark::Skip), LoadLimits{}, whole);
    EXPECT_EQ(ParseCsvBytes(bytes, LoadLimits{}, split), ok) << text;
    EXPECT_TRUE(split.Items == whole.Items) << text;
    EXPECT_EQ(split.LastError, whole.LastError) << text;
    EXPECT_EQ(split.LastHint, whole.LastHint) << text;
    for (const int keep : {0, 1, 2, 3}) {
      for (const bool compact : {false, true}) {
        LoadLimits limits;
        limits.KeepItems = keep;
        limits.CompactItems = compact;
        ItemTable part;
        EXPECT_EQ(ParseCsvBytes(bytes, limits, part), ok) << text;
        EXPECT_EQ(part.LastError, whole.LastError) << text;
        if (ok) ExpectSameTable(whole, part, keep, text.c_str());
      }
    }
  }
}

// A table too wide is refused with its count of columns; of its first row
// only as many cells are kept as a sheet can hold.
TEST(CsvReader, KeepsASheetsWidthOfTheFirstRow) {
  for (const int columns :
       {3, ItemTable::kMostOfferedColumns, ItemTable::kMostOfferedColumns + 5}) {
    const QByteArray bytes = QByteArray("h,").repeated(columns - 1) + "h\nA,1\n";
    ItemTable table;
    EXPECT_FALSE(ParseCsvBytes(bytes, LoadLimits{}, table));
    EXPECT_EQ(table.Columns, columns);
    EXPECT_EQ(table.FirstRow.size(), std::min(columns, ItemTable::kMostOfferedColumns));
  }
}

class CsvFiles : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    test::WriteAll(path, bytes);
    return path;
  }
  QTemporaryDir dir_;
};

TEST_F(CsvFiles, Verdicts) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    bool Ok;
    QString Error;
    QString Hint;
  };
  // clang-format off
  const Case cases[] = {
      {"bom only", "\xEF\xBB\xBF", false, QStringLiteral("数据源 CSV 中没有数据,无法生成图表."),
       QStringLiteral("文件内容为空.")},
      {"single line feed", "\n", false, QStringLiteral("数据源CSV不是两列数据,无法生成图表."),
       QStringLiteral("检测到只有 0 列,本工具要求数据源为两列数据(项目,数值).\r\n\r\n"
                      "请让系统导出两列格式,或改用[数据源]页面的手工输入.")},
      {"trailing separator", "A,1,\nB,2\n", false, QStringLiteral("数据源CSV不是两列数据,无法生成图表."),
       QStringLiteral("检测到 3 列,本工具要求数据源为两列数据(项目,数值).\r\n\r\n"
                      "请让系统导出两列格式,或改用[数据源]页面的手工输入.")},
      {"grouped quoted values", "项目,金额\r\nA,\"1,234\"\r\nB,5\r\n", true, {}, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    ItemTable table;
    EXPECT_EQ(LoadSourceFile(Write("t.csv", c.Bytes), LoadLimits{}, table), c.Ok) << c.Name;
    EXPECT_EQ(table.LastError, c.Error) << c.Name;
    EXPECT_EQ(table.LastHint, c.Hint) << c.Name;
  }
}

TEST_F(CsvFiles, Encodings) {
  const std::vector<ChartItem> expected = {{QStringLiteral("华东"), 1234.5},
                                           {QStringLiteral("华南"), 88}};
  const QByteArray utf8 = QStringLiteral("地区,销售额\r\n华东,\"1,234.5\"\r\n华南,88\r\n").toUtf8();
  const QByteArray gbk =
      "\xB5\xD8\xC7\xF8,\xCF\xFA\xCA\xDB\xB6\xEE\r\n\xBB\xAA\xB6\xAB,\"1,234.5\"\r\n"
      "\xBB\xAA\xC4\xCF,88\r\n";
  for (const QByteArray& bytes : {utf8, QByteArray("\xEF\xBB\xBF") + utf8, gbk}) {
    ItemTable table;
    ASSERT_TRUE(LoadSourceFile(Write("t.csv", bytes), LoadLimits{}, table))
        << table.LastHint.toStdString();
    EXPECT_EQ(table.Items, expected);
  }
}

}  // namespace
}  // namespace qh
