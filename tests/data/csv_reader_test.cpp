#include "data/csv_reader.h"
#include "data/source_loader.h"

#include "data/text_decode.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/test_files.h"

namespace qh {
namespace {

TEST(CsvReader, DetectSeparator) {
  EXPECT_EQ(DetectCsvSeparator(u"a;b,c"), u',');
  EXPECT_EQ(DetectCsvSeparator(u"a\tb;c"), u'\t');
  EXPECT_EQ(DetectCsvSeparator(u"a;b"), u';');
  EXPECT_EQ(DetectCsvSeparator(u"ab"), u',');
  EXPECT_EQ(DetectCsvSeparator(u"\"a,b\"\tc"), u',');  // quoted parts count too
}

TEST(CsvReader, SplitLines) {
  struct Case {
    const char* name;
    QString text;
    QChar separator;
    QStringList lines;
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
  for (const Case& c : cases) EXPECT_EQ(SplitCsvLines(c.text, c.separator), c.lines) << c.name;
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
    const char* name;
    QByteArray bytes;
    bool ok;
    QString error;
    QString hint;
  };
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
  for (const Case& c : cases) {
    ItemTable table;
    EXPECT_EQ(LoadSourceFile(Write("t.csv", c.bytes), LoadLimits{}, table), c.ok) << c.name;
    EXPECT_EQ(table.LastError, c.error) << c.name;
    EXPECT_EQ(table.LastHint, c.hint) << c.name;
  }
}

TEST_F(CsvFiles, Encodings) {
  const std::vector<ChartItem> expected = {{QStringLiteral("华东"), 1234.5}, {QStringLiteral("华南"), 88}};
  const QByteArray utf8 = QStringLiteral("地区,销售额\r\n华东,\"1,234.5\"\r\n华南,88\r\n").toUtf8();
  const QByteArray gbk = "\xB5\xD8\xC7\xF8,\xCF\xFA\xCA\xDB\xB6\xEE\r\n\xBB\xAA\xB6\xAB,\"1,234.5\"\r\n"
                         "\xBB\xAA\xC4\xCF,88\r\n";
  for (const QByteArray& bytes : {utf8, QByteArray("\xEF\xBB\xBF") + utf8, gbk}) {
    ItemTable table;
    ASSERT_TRUE(LoadSourceFile(Write("t.csv", bytes), LoadLimits{}, table)) << table.LastHint.toStdString();
    EXPECT_EQ(table.Items, expected);
  }
}

}  // namespace
}  // namespace qh
