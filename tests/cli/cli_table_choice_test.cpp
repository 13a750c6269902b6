// Choosing the part of a wider table, several FILEs in one check, the JSON
// summary of render, and standard output that cannot be written.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "support/cli_process.h"

namespace {

using qh::test::ProcessRun;

// An export as business systems write it: a title line, four columns, a
// total row that names itself in the first column.
constexpr char kExport[] =
    "2024年销售报表\n日期,地区,销售员,金额\n2024-01,华东,张三,\"1,200.5\"\n"
    "2024-01,华南,李四,980\n2024-01,华北,王五,1500\n合计,,,\"3,680.5\"\n";

// The same as an HTML report: the title spans the table.
constexpr char kHtmlExport[] =
    "<table><tr><td colspan=\"4\">2024年销售报表</td></tr>"
    "<tr><th>日期</th><th>地区</th><th>销售员</th><th>金额</th></tr>"
    "<tr><td>2024-01</td><td>华东</td><td>张三</td><td>1,200.5</td></tr>"
    "<tr><td>2024-01</td><td><b>华南</b></td><td>李四</td><td>980</td></tr>"
    "<tr><td>2024-01</td><td>华北</td><td>王五</td><td>1500</td></tr>"
    "<tr><td>合计</td><td></td><td></td><td>3,680.5</td></tr></table>";

// An XML Spreadsheet 2003 workbook of two sheets, the data on the second.
constexpr char kTwoSheets[] =
    "<?xml version=\"1.0\"?>\n"
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
    "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">"
    "<Worksheet ss:Name=\"说明\"><Table><Row><Cell><Data ss:Type=\"String\">见下一页"
    "</Data></Cell></Row></Table></Worksheet>"
    "<Worksheet ss:Name=\"销售\"><Table>"
    "<Row><Cell><Data ss:Type=\"String\">A</Data></Cell><Cell><Data ss:Type=\"Number\">1</Data>"
    "</Cell></Row><Row><Cell><Data ss:Type=\"String\">B</Data></Cell><Cell>"
    "<Data ss:Type=\"Number\">2</Data></Cell></Row></Table></Worksheet></Workbook>\n";

class CliTableChoice : public qh::test::CliTest {};

ProcessRun Check(const QStringList& args) {
  return qh::test::RunCli(QStringList{QStringLiteral("check")} + args);
}

// Runs the CLI with standard output on path (a device such as /dev/full).
int ExitWithStandardOutputOn(const QString& path, const QStringList& args, QByteArray* err) {
  QProcess process;
  process.setStandardOutputFile(path);
  process.start(qh::test::CliPath(), args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return -1;
  *err = process.readAllStandardError();
  return process.exitCode();
}

TEST_F(CliTableChoice, EachOptionWithGoodAndBadValues) {
  const QString wide = Write("export.csv", kExport);
  const QString plain = Write("plain.csv", "A,1\nB,2\nTotal,3\n");
  const QString xml = Write("two.xls", kTwoSheets);
  const QString html = Write("export.html", kHtmlExport);
  const QString book = QStringLiteral(QH_TEST_DATA_DIR "/workbooks/empty_first_sheet.xlsx");
  const QString oldBook = QStringLiteral(QH_TEST_DATA_DIR "/workbooks/empty_first_sheet.xls");
  struct Case {
    QStringList Args;
    int ExitCode;
    QByteArray Out;  // exactly, when the file is accepted
    QString Err;     // contained in standard error
  };
  const auto s = [](const char* text) { return QString::fromUtf8(text); };
  // clang-format off
  const Case cases[] = {
      // The strict rule stays the default.
      {{wide}, 1, "", s("检测到 4 列")},
      {{s("--skip=1"), s("--columns"), s("地区,金额"), s("--no-total"), wide}, 0,
       "1\t华东\t1200.5\n2\t华南\t980\n3\t华北\t1500\n", s("已略去第 6 行的合计行:3,680.5.")},
      {{s("--skip"), s("1"), s("--columns"), s("2,4"), wide}, 0,
       "1\t华东\t1200.5\n2\t华南\t980\n3\t华北\t1500\n4\t\t3680.5\n", s("OK 4 items")},
      {{s("--skip=1"), s("--columns= 地区 , 金额 "), wide}, 0,
       "1\t华东\t1200.5\n2\t华南\t980\n3\t华北\t1500\n4\t\t3680.5\n", s("OK 4 items")},
      // Without --skip the header is the second line: data, and not a number.
      {{s("--columns=2,4"), wide}, 1, "",
       s("数据源CSV第 4 列存在非数值内容,无法生成图表.\n\n第 2 行的数值列为金额.\n\n数据源第 4 列必须全部为数值.")},
      {{s("--skip=1"), s("--columns=2,9"), wide}, 1, "",
       s("数据源CSV没有第 9 列,无法生成图表.\n\n检测到 4 列,所选的是第 2 列和第 9 列.")},
      {{s("--skip=1"), s("--columns=地区,数量"), wide}, 1, "",
       s("数据源CSV中没有名为数量的列,无法生成图表.\n\n表头为:日期、地区、销售员、金额.")},
      {{html}, 1, "", s("检测到表格为 4 列")},
      {{s("--skip=1"), s("--columns=地区,金额"), s("--no-total"), html}, 0,
       "1\t华东\t1200.5\n2\t华南\t980\n3\t华北\t1500\n", s("已略去第 6 行的合计行:3,680.5.")},
      {{s("--skip=1"), s("--columns=2,9"), html}, 1, "", s("数据源 HTML 表格没有第 9 列")},
      {{s("--no-total"), plain}, 0, "1\tA\t1\n2\tB\t2\n", s("已略去第 3 行的合计行:Total 3.")},
      {{plain}, 0, "1\tA\t1\n2\tB\t2\n3\tTotal\t3\n", s("OK 3 items")},
      // Sheets, by number and by name, in the three workbook kinds.
      {{book}, 1, "", s("数据源 Excel 表格中没有数据.")},
      {{s("--sheet=2"), book}, 0, "1\tA\t1\n2\tB\t2\n", s("OK 2 items")},
      {{s("--sheet=数据"), oldBook}, 0, "1\tA\t1\n2\tB\t2\n", s("OK 2 items")},
      {{s("--sheet=销售"), xml}, 0, "1\tA\t1\n2\tB\t2\n", s("OK 2 items")},
      {{s("--sheet=1"), plain}, 0, "1\tA\t1\n2\tB\t2\n3\tTotal\t3\n", s("OK 3 items")},
      // An unknown sheet is a usage error that lists the sheets.
      {{s("--sheet=3"), book}, 2, "", s("工作簿中的工作表:1. 空表、2. 数据.")},
      {{s("--sheet=nope"), oldBook}, 2, "", s("工作簿中没有工作表 nope,无法生成图表.")},
      {{s("--sheet=汇总"), xml}, 2, "", s("1. 说明、2. 销售")},
      {{s("--sheet=2"), plain}, 2, "", s("该文件不是工作簿,只有一张表.")},
      {{s("--sheet=2"), s("missing.xlsx")}, 3, "", s("数据源文件不存在.")},
      // Values that are no choice at all.
      {{s("--columns=0,1"), wide}, 2, "", s("bad column number '0'")},
      {{s("--columns=2"), wide}, 2, "", s("expected NAME_COL,VALUE_COL")},
      {{s("--columns=1,2,3"), wide}, 2, "", s("expected NAME_COL,VALUE_COL")},
      {{s("--columns=,2"), wide}, 2, "", s("expected NAME_COL,VALUE_COL")},
      {{s("--columns=3,3"), wide}, 2, "", s("names one column twice")},
      {{s("--columns=金额,金额"), wide}, 2, "", s("names one column twice")},
      {{s("--skip=-1"), wide}, 2, "", s("bad --skip '-1'")},
      {{s("--skip=x"), wide}, 2, "", s("bad --skip 'x'")},
      {{s("--sheet="), book}, 2, "", s("--sheet needs a sheet number")},
      {{s("--sheet=0"), book}, 2, "", s("sheets are counted from 1")},
      {{s("--no-total=yes"), wide}, 2, "", s("--no-total takes no value")},
      {{s("--manual"), s("--skip=1"), plain}, 2, "", s("not of --manual lines")},
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::string name = c.Args.join(u' ').toStdString();
    const ProcessRun result = Check(c.Args);
    EXPECT_EQ(result.ExitCode, c.ExitCode) << name << "\n" << result.Err.constData();
    EXPECT_EQ(result.Out, c.Out) << name;
    EXPECT_TRUE(QString::fromUtf8(result.Err).contains(c.Err)) << name << "\n"
                                                               << result.Err.constData();
  }
}

// The same choice reaches render.
TEST_F(CliTableChoice, RenderDrawsTheChosenColumns) {
  const QString wide = Write("export.csv", kExport);
  const ProcessRun run = qh::test::RunCli(
      {QStringLiteral("render"), QStringLiteral("--skip=1"), QStringLiteral("--columns=2,4"),
       QStringLiteral("--no-total"), QStringLiteral("--json-summary"), QStringLiteral("-o"),
       Path(QStringLiteral("bar.png")), wide});
  EXPECT_EQ(run.ExitCode, 0) << run.Err.constData();
  EXPECT_TRUE(run.Out.contains("\"drawn\":3,\"rows\":3}")) << run.Out.constData();
  EXPECT_TRUE(run.Err.contains("已略去第 6 行的合计行")) << run.Err.constData();
  const ProcessRun unknown =
      qh::test::RunCli({QStringLiteral("render"), QStringLiteral("--sheet=9"), QStringLiteral("-o"),
                        Path(QStringLiteral("x.png")),
                        QStringLiteral(QH_TEST_DATA_DIR "/workbooks/empty_first_sheet.xlsx")});
  EXPECT_EQ(unknown.ExitCode, 2);
}

// Several FILEs: one object per line in order, one verdict each on
// standard error, the highest exit status.
TEST_F(CliTableChoice, SeveralFilesWithMixedOutcomes) {
  const QString good = Write("good.csv", "A,1\nB,2\n");
  const QString wide = Write("wide.csv", kExport);
  const QString missing = Path(QStringLiteral("missing.csv"));
  struct Case {
    QStringList Files;
    int ExitCode;
    QList<bool> Verdicts;
  };
  const Case cases[] = {
      {{good, good}, 0, {true, true}},
      {{good, wide}, 1, {true, false}},
      {{wide, missing, good}, 3, {false, false, true}},
      {{missing, wide}, 3, {false, false}},
  };
  for (const Case& c : cases) {
    const ProcessRun json = Check(QStringList{QStringLiteral("--json")} + c.Files);
    EXPECT_EQ(json.ExitCode, c.ExitCode);
    const QList<QByteArray> lines = json.Out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), c.Verdicts.size()) << json.Out.constData();
    for (qsizetype i = 0; i < lines.size(); ++i) {
      const QJsonObject object = QJsonDocument::fromJson(lines[i]).object();
      EXPECT_EQ(object.value(QStringLiteral("ok")).toBool(), c.Verdicts[i]) << lines[i].constData();
    }
    const ProcessRun rows = Check(c.Files);
    EXPECT_EQ(rows.ExitCode, c.ExitCode);
    for (const QString& file : c.Files)
      EXPECT_TRUE(QString::fromUtf8(rows.Err).contains(file + QStringLiteral(": "))) << file.toStdString();
  }
}

// A full disk on standard output is an output not written: 4, and said.
TEST_F(CliTableChoice, StandardOutputOnAFullDiskExitsWithFour) {
  if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
  const QString good = Write("good.csv", "A,1\nB,2\n");
  const QStringList cases[] = {
      {QStringLiteral("check"), good},
      {QStringLiteral("check"), QStringLiteral("--json"), good, good},
      {QStringLiteral("render"), QStringLiteral("-o"), QStringLiteral("-"), good},
      {QStringLiteral("render"), QStringLiteral("--layout"), QStringLiteral("-"),
       QStringLiteral("-o"), Path(QStringLiteral("a.png")), good},
      {QStringLiteral("render"), QStringLiteral("--json-summary"), QStringLiteral("-o"),
       Path(QStringLiteral("b.png")), good},
  };
  for (const QStringList& args : cases) {
    QByteArray err;
    EXPECT_EQ(ExitWithStandardOutputOn(QStringLiteral("/dev/full"), args, &err), 4)
        << args.join(u' ').toStdString();
    EXPECT_TRUE(err.contains("qinghechart-cli: 无法写入 -:")) << err.constData();
  }
}

// One line per output written, with what a script needs to find it.
TEST_F(CliTableChoice, JsonSummaryListsEveryOutput) {
  QByteArray many = "A,1\n";
  for (int i = 2; i <= 30; ++i)
    many += "项目" + QByteArray::number(i) + "," + QByteArray::number(i) + "\n";
  const QString a = Write("a.csv", many);
  const QString b = Write("b.csv", "X,1\nY,2\n");
  const QString refused = Write("c.csv", "only,1\n");
  const ProcessRun run = qh::test::RunCli(
      {QStringLiteral("render"), QStringLiteral("--kind=bar,pie"), QStringLiteral("--json-summary"),
       QStringLiteral("--layout"), Path(QStringLiteral("{name}-{kind}-{page}.json")),
       QStringLiteral("-o"), Path(QStringLiteral("{name}-{kind}-{page}.svg")), a, refused, b});
  EXPECT_EQ(run.ExitCode, 1) << run.Err.constData();
  QStringList seen;
  for (const QByteArray& line : run.Out.trimmed().split('\n')) {
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    EXPECT_EQ(o.value(QStringLiteral("schema")).toString(), QStringLiteral("qinghechart-render-1"));
    EXPECT_TRUE(QFile::exists(o.value(QStringLiteral("output")).toString())) << line.constData();
    EXPECT_TRUE(QFile::exists(o.value(QStringLiteral("layout")).toString())) << line.constData();
    EXPECT_LE(o.value(QStringLiteral("drawn")).toInt(), o.value(QStringLiteral("rows")).toInt());
    seen << QFileInfo(o.value(QStringLiteral("file")).toString()).fileName() + u' ' +
                o.value(QStringLiteral("kind")).toString() + u' ' +
                QString::number(o.value(QStringLiteral("page")).toInt());
  }
  // Every page of a's pie (30 items, 20 a page by default), nothing of c.
  EXPECT_EQ(seen, (QStringList{u"a.csv bar 1"_qs, u"a.csv pie 1"_qs, u"a.csv pie 2"_qs,
                               u"b.csv bar 1"_qs, u"b.csv pie 1"_qs}));
}

}  // namespace
