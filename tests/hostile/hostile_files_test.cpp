// Hostile data files: each must end in a refusal or a correct table, in
// bounded time, never in a crash (these tests also run under ASan/UBSan).
#include "data/source_loader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

#include "support/le_bytes.h"

namespace qh {
namespace {

// Loads must stay well inside this even under the sanitizers; a hang or a
// super-linear scan of the big generated inputs blows it by far.
constexpr qint64 kLoadBudgetMs = 60000;

QString Hostile(const char* name) {
  return QStringLiteral(QH_TEST_DATA_DIR "/hostile/") + QLatin1String(name);
}

// The promises every loader keeps, whatever the verdict.
void ExpectConsistent(bool ok, const ItemTable& table, const QString& what) {
  if (ok) {
    EXPECT_GE(table.ItemCount(), 2) << what.toStdString();
    EXPECT_TRUE(table.LastError.isEmpty()) << what.toStdString();
    for (const ItemRef item : table.Items) {
      EXPECT_TRUE(std::isfinite(item.Value)) << what.toStdString();
    }
  } else {
    EXPECT_EQ(table.ItemCount(), 0) << what.toStdString();
    EXPECT_FALSE(table.LastError.isEmpty()) << what.toStdString();
  }
}

struct Verdict {
  bool Ok = false;
  ItemTable Table;
};

Verdict TimedLoad(const QString& path) {
  Verdict v;
  QElapsedTimer timer;
  timer.start();
  v.Ok = LoadSourceFile(path, LoadLimits{}, v.Table);
  EXPECT_LT(timer.elapsed(), kLoadBudgetMs) << path.toStdString();
  ExpectConsistent(v.Ok, v.Table, path);
  return v;
}

const QString kNoTable = QStringLiteral("数据源 HTML 中未找到表格,无法生成图表.");
const QString kNotTwoColumns = QStringLiteral("数据源 HTML 表格不是两列数据,无法生成图表.");
const QString kWorkbookFailed = QStringLiteral("读取 Excel 文件失败.");

struct FileCase {
  const char* File;
  std::optional<QString> Error;  // the refusal; nullopt: loads
  std::vector<double> Values;    // the values when it loads
};

TEST(HostileFiles, CommittedFilesAreRefusedOrReadCorrectly) {
  // clang-format off
  const FileCase cases[] = {
      // Not UTF-8, so read as GBK: the numbers survive, the cut line is skipped.
      {"truncated_utf8.csv", std::nullopt, {100, 200}},
      // The stray lead byte becomes one replacement character after the table.
      {"gbk_lead_at_end.html", std::nullopt, {100, 200}},
      {"unclosed_td.html", kNoTable, {}},
      // Unusable references stay as text; &#50; is the value 2.
      {"bad_references.html", std::nullopt, {1, 2}},
      {"not_a_zip.xlsx", kWorkbookFailed, {}},
      {"random.xls", kWorkbookFailed, {}},
      {"zip_bomb.xlsx", kWorkbookFailed, {}},
      // A text index past the shared strings makes the sheet unreadable.
      {"shared_string_index_1e9.xlsx", kWorkbookFailed, {}},
      // The row after row 2147483647 lies outside every worksheet.
      {"row_number_overflow.xlsx", kWorkbookFailed, {}},
      // Damaged copies of one real workbook, found by fuzzing. Their records
      // no longer line up: a number format claims 65534 characters, and
      // the walk runs off the end of the globals.
      {"xls_format_overread.xls", kWorkbookFailed, {}},
      // The last shared string claims 53328 characters where its record
      // ends, with no CONTINUE record after it.
      {"xls_shared_string_overread.xls", kWorkbookFailed, {}},
      // The root entry claims a 3 GB mini stream in a 6 KB file, and a cell
      // names a shared string the table does not hold.
      {"xls_huge_stream_size.xls", kWorkbookFailed, {}},
      // The name length of a directory entry reads 5632 where an entry has
      // 64 bytes; the workbook stream is then not found.
      {"xls_string_overread.xls", kWorkbookFailed, {}},
      {"xls_damaged_sst.xls", kWorkbookFailed, {}},
      // A second used range in place of the number cell of row 4: the range
      // is ignored and the row has no value.
      {"xls_second_used_range.xls",
       QStringLiteral("数据源Excel第 2 列存在非数值内容,无法生成图表."), {}},
      // Every sector chain ends in itself: a workbook and an encrypted package.
      {"looping_chains.xls", kWorkbookFailed, {}},
      {"looping_chains.xlsx", kWorkbookFailed, {}},
  };
  // clang-format on
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.File);
    const Verdict v = TimedLoad(Hostile(c.File));
    EXPECT_EQ(v.Ok, !c.Error.has_value());
    if (c.Error) {
      EXPECT_EQ(v.Table.LastError, *c.Error);
      continue;
    }
    std::vector<double> values;
    for (const ItemRef item : v.Table.Items) values.push_back(item.Value);
    EXPECT_EQ(values, c.Values);
  }
}

TEST(HostileFiles, GbkTableKeepsItsNames) {
  const Verdict v = TimedLoad(Hostile("gbk_lead_at_end.html"));
  ASSERT_EQ(v.Table.ItemCount(), 2);
  EXPECT_EQ(v.Table.Items[0].Name, QStringLiteral("北京"));
  EXPECT_EQ(v.Table.Items[1].Name, QStringLiteral("上海"));
}

// Big inputs are generated here rather than committed.
class GeneratedFiles : public ::testing::Test {
 protected:
  QString Write(const char* name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QLatin1String(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
  }
  QTemporaryDir dir_;
};

TEST_F(GeneratedFiles, CsvWithOneQuoteAndTenMegabytesAfterIt) {
  // Everything after the quote is one cell of one line, which is skipped.
  const QByteArray bytes = "A,1\nB,2\n\"" + QByteArray("x,1\n").repeated(10 * 1024 * 1024 / 4);
  const Verdict v = TimedLoad(Write("quote.csv", bytes));
  ASSERT_TRUE(v.Ok) << v.Table.LastError.toStdString();
  EXPECT_EQ(v.Table.ItemCount(), 2);
}

TEST_F(GeneratedFiles, MillionNestedTags) {
  const int depth = 1000000;
  struct Case {
    const char* Name;
    QByteArray Html;
    std::optional<QString> Error;
  };
  const QByteArray tail = "<tr><td>B</td><td>6</td></tr></table>";
  // clang-format off
  const Case cases[] = {
      {"inline.html",
       "<table><tr><td>A</td><td>" + QByteArray("<b>").repeated(depth) + "5" +
           QByteArray("</b>").repeated(depth) + "</td></tr>" + tail,
       std::nullopt},
      {"tables.html", QByteArray("<table>").repeated(depth) + QByteArray("</table>").repeated(depth),
       QStringLiteral("数据源 HTML 表格中没有任何数据行.")},
      {"cells.html", "<table><tr>" + QByteArray("<td>").repeated(depth) + "</tr></table>",
       kNotTwoColumns},
      {"rows.html", "<table>" + QByteArray("<tr>").repeated(depth) + "</table>",
       QStringLiteral("数据源 HTML 表格中没有任何数据行.")},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const Verdict v = TimedLoad(Write(c.Name, c.Html));
    EXPECT_EQ(v.Ok, !c.Error.has_value());
    if (c.Error) {
      EXPECT_EQ(v.Table.LastError, *c.Error);
    }
  }
}

// A "workbook" that is one line of 200 MB of text: read as Excel reads
// text, refused in linear time.
TEST_F(GeneratedFiles, DisguisedOneLineOf200Megabytes) {
  const Verdict v =
      TimedLoad(Write("export.xls", QByteArray("ab,").repeated(200 * 1024 * 1024 / 3)));
  EXPECT_EQ(v.Table.LastError, QStringLiteral("数据源Excel不是两列数据,无法生成图表."));
  EXPECT_TRUE(v.Table.LastHint.startsWith(QStringLiteral("检测到 69905067 列")))
      << v.Table.LastHint.toStdString();
}

TEST_F(GeneratedFiles, SpreadsheetXmlBombs) {
  const QByteArray head =
      "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
      "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table>";
  const QByteArray tail = "</Table></Worksheet></Workbook>";
  const QByteArray pair =
      "<Row><Cell><Data ss:Type=\"String\">A</Data></Cell>"
      "<Cell><Data ss:Type=\"Number\">1</Data></Cell></Row>";
  struct Case {
    const char* Name;
    QByteArray Bytes;
  };
  // clang-format off
  const Case cases[] = {
      // 65,536 rows each merging a whole sheet row: a billion empty cells.
      {"merged.xls", head + pair + QByteArray("<Row><Cell ss:MergeAcross=\"16383\"/></Row>").repeated(65536) + tail},
      // A cell text of 50 MB.
      {"long_text.xls", head + "<Row><Cell><Data ss:Type=\"String\">" + QByteArray(50 * 1024 * 1024, 'x') +
                            "</Data></Cell></Row>" + tail},
      // Cells at the far corner, after a real table.
      {"far_index.xls", head + pair + pair + "<Row ss:Index=\"1048576\"><Cell ss:Index=\"16384\"/></Row>" + tail},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const Verdict v = TimedLoad(Write(c.Name, c.Bytes));
    EXPECT_EQ(v.Table.LastError, kWorkbookFailed);
  }
}

TEST_F(GeneratedFiles, ManyReferencesInOneCell) {
  // Every reference is replaced in one pass, not by rebuilding the cell.
  const QByteArray html = "<table><tr><td>" + QByteArray("&#20013;&amp;").repeated(500000) +
                          "</td><td>1</td></tr><tr><td>B</td><td>2</td></tr></table>";
  const Verdict v = TimedLoad(Write("refs.html", html));
  ASSERT_TRUE(v.Ok) << v.Table.LastError.toStdString();
  EXPECT_EQ(v.Table.Items[0].Name.size(), 1000000);
}

// BIFF records built here; a bare record stream is a valid .xls (Excel 2
// to 4 wrote them), so no compound file is needed around them.
using qh::test::BiffRecord;

QByteArray Words(std::initializer_list<quint16> words) {
  QByteArray out;
  for (quint16 w : words) out += qh::test::U16(w);
  return out;
}

TEST_F(GeneratedFiles, XlsRecordFloods) {
  const QByteArray sheetBof = BiffRecord(0x0409, Words({0, 0x10, 0}));
  const QByteArray eof = BiffRecord(0x000A, {});
  const QByteArray number = BiffRecord(0x0203, Words({0, 1, 15}) + QByteArray(8, '\0'));
  // A shared string table claiming 4 billion strings, then 2 million
  // CONTINUE records of one empty string each.
  QByteArray sst = BiffRecord(0x0809, Words({0x0600, 0x0005}) + QByteArray(12, '\0')) +
                   BiffRecord(0x00FC, Words({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
  sst += BiffRecord(0x003C, Words({0}) + '\0').repeated(2'000'000);
  QByteArray blankRows = sheetBof + number;
  for (quint16 row = 1; row < 0xFFFF; ++row)
    blankRows += BiffRecord(0x00BE, Words({row, 0, 15, 15, 255}));
  struct Case {
    const char* Name;
    QByteArray Bytes;
  };
  // clang-format off
  const Case cases[] = {
      {"sst_flood.xls", sst + BiffRecord(0x000A, {})},
      // Formatted empty cells over every column of every row: a range far
      // too sparse to lay out.
      {"blank_rows.xls", blankRows + eof},
      // A million embedded beginnings that never end.
      {"nested.xls", sheetBof + number + BiffRecord(0x0809, Words({0x0600, 0x20})).repeated(1'000'000)},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const Verdict v = TimedLoad(Write(c.Name, c.Bytes));
    EXPECT_FALSE(v.Ok);
    EXPECT_EQ(v.Table.LastError, kWorkbookFailed);
  }
}

}  // namespace
}  // namespace qh
