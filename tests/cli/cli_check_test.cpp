// Runs the qinghechart-cli binary of the same build, as business systems do.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "support/cli_process.h"

namespace {

using qh::test::ProcessRun;

ProcessRun Check(const QStringList& args, const QByteArray& input = {}) {
  return qh::test::RunCli(QStringList{QStringLiteral("check")} + args, input);
}

class CliCheck : public qh::test::CliTest {};

// Every file of the corpus next to its expected JSON: HTML as office
// programs and business systems write it, CSV in both encodings, typed text.
TEST_F(CliCheck, CorpusGivesExpectedJson) {
  const QDir corpus(QStringLiteral(QH_TEST_DATA_DIR "/corpus"));
  const QStringList expectedFiles = corpus.entryList({QStringLiteral("*.json")}, QDir::Files);
  ASSERT_GE(expectedFiles.size(), 8);
  for (const QString& expectedName : expectedFiles) {
    const QString input = corpus.filePath(expectedName.chopped(5));
    QFile expectedFile(corpus.filePath(expectedName));
    ASSERT_TRUE(expectedFile.open(QIODevice::ReadOnly));
    const QByteArray expected = expectedFile.readAll();
    QStringList args{QStringLiteral("--json"), input};
    if (input.endsWith(QStringLiteral(".txt"))) args.prepend(QStringLiteral("--manual"));
    const ProcessRun result = Check(args);
    // The corpus keeps each file's verdict; the schema name in front is the
    // same for all of them.
    EXPECT_EQ(result.Out, "{\"schema\":\"qinghechart-check-1\"," + expected.mid(1))
        << expectedName.toStdString();
    EXPECT_EQ(result.ExitCode, expected.startsWith("{\"ok\":true") ? 0 : 1)
        << expectedName.toStdString();
  }
}

TEST_F(CliCheck, UsageErrors) {
  const QString file = Write("a.csv", "A,1\nB,2\n");
  const QStringList cases[] = {
      {},
      {QStringLiteral("--json")},
      {QStringLiteral("--xml"), file},
      {QStringLiteral("--format=csv"), QStringLiteral("-"), file, QStringLiteral("-")}};
  for (const QStringList& args : cases) {
    const ProcessRun result = Check(args);
    EXPECT_EQ(result.ExitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(result.Out.isEmpty());
    EXPECT_TRUE(result.Err.startsWith("qinghechart-cli: check: ")) << result.Err.toStdString();
    EXPECT_TRUE(result.Err.contains("Try 'qinghechart-cli check --help'"));
  }
}

TEST_F(CliCheck, JsonEscapesAndShortestNumbers) {
  const QString file =
      Write("typed.txt", "a\"b\\c,0.1\n\x01x,123456789012345678\ny,-0.000001\nz,1e21\n");
  const ProcessRun result = Check({QStringLiteral("--manual"), QStringLiteral("--json"), file});
  ASSERT_EQ(result.ExitCode, 0) << result.Out.toStdString();
  EXPECT_EQ(
      result.Out,
      "{\"schema\":\"qinghechart-check-1\",\"ok\":true,\"count\":4,\"items\":[[\"a\\\"b\\\\c\",0.1]"
      ",[\"\\u0001x\",123456789012345680],"
      "[\"y\",-1e-06],[\"z\",1e+21]],\"error\":\"\",\"hint\":\""
      "\xE6\x89\x8B\xE5\xB7\xA5\xE8\xBE\x93\xE5\x85\xA5\xE6\xA0\xA1\xE9\xAA\x8C\xE9\x80\x9A\xE8\xBF"
      "\x87"
      ",\xE5\x85\xB1 4 \xE9\xA1\xB9\xE6\x95\xB0\xE6\x8D\xAE.\"}\n");
  // Whatever the form, it must read back as the same doubles.
  const QJsonArray items = QJsonDocument::fromJson(result.Out).object().value("items").toArray();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[1].toArray()[1].toDouble(), 123456789012345678.0);
  EXPECT_EQ(items[2].toArray()[1].toDouble(), -0.000001);
}

TEST_F(CliCheck, JsonNamesKeepEveryCharacter) {
  // One-, two-, three- and four-byte UTF-8 characters, and a control character.
  const QString file = Write("names.txt",
                             "caf\xC3\xA9\x7F,1\n\xE5\xB1\xB1\xE8\xA5\xBF,2\n"
                             "\xF0\x9F\x98\x80 \x1F,3\n");
  const ProcessRun result = Check({QStringLiteral("--manual"), QStringLiteral("--json"), file});
  ASSERT_EQ(result.ExitCode, 0) << result.Out.toStdString();
  EXPECT_TRUE(
      result.Out.startsWith("{\"schema\":\"qinghechart-check-1\",\"ok\":true,\"count\":3,\"items\":"
                            "[[\"caf\xC3\xA9\x7F\",1],"
                            "[\"\xE5\xB1\xB1\xE8\xA5\xBF\",2],[\"\xF0\x9F\x98\x80\\u001f\",3]],"))
      << result.Out.toStdString();
  const QJsonArray items = QJsonDocument::fromJson(result.Out).object().value("items").toArray();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[2].toArray()[0].toString(), QString::fromUtf8("\xF0\x9F\x98\x80\x1F"));
}

TEST_F(CliCheck, ReadableOutput) {
  const ProcessRun ok = Check({Write("a.csv", "A,10\r\nB,20.5\r\n")});
  EXPECT_EQ(ok.ExitCode, 0);
  EXPECT_EQ(ok.Out, "1\tA\t10\n2\tB\t20.5\n");
  const ProcessRun refused = Check({Write("b.csv", "A,1\n")});
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_TRUE(refused.Out.isEmpty());
  EXPECT_TRUE(refused.Err.contains(
      QStringLiteral("b.csv: 数据源CSV没有可用的两列数据(项目,数值).\n\n有效数据行不足 2 行")
          .toUtf8()))
      << refused.Err.toStdString();
  const ProcessRun missing = Check({QStringLiteral("--json"), dir_.filePath("none.html")});
  EXPECT_EQ(missing.ExitCode, 3);
  EXPECT_TRUE(missing.Out.startsWith(
      "{\"schema\":\"qinghechart-check-1\",\"ok\":false,\"count\":0,\"items\":[],"));
}

// FILE "-" is standard input: the bytes go through the same checks and
// readers as a file of the format --format names, or without it are told
// apart by their content as those of a workbook name are.
TEST_F(CliCheck, StandardInputWithFormat) {
  const QString exports = QStringLiteral(QH_TEST_DATA_DIR "/exports/");
  const QByteArray disguised = qh::test::ReadAll(exports + u"html_gbk.xls"_qs);
  const QByteArray fromFile = Check({u"--json"_qs, exports + u"html_gbk.xls"_qs}).Out;
  struct Case {
    const char* Name;
    QStringList Args;
    QByteArray Input;
    int ExitCode;
    QByteArray OutStart;
  };
  // clang-format off
  const Case cases[] = {
      {"disguised workbook", {u"--json"_qs, u"--format"_qs, u"xls"_qs, u"-"_qs}, disguised, 0, fromFile},
      {"csv", {u"--format"_qs, u"csv"_qs, u"-"_qs}, "A,\"\xC2\xA5" "1,234.50\"\nB,2\n", 0, "1\tA\t"},
      {"empty input", {u"--json"_qs, u"--format"_qs, u"html"_qs, u"-"_qs}, {}, 1,
       "{\"schema\":\"qinghechart-check-1\",\"ok\":false,\"count\":0,\"items\":[],\"error\":\"数据源文件为空,无法读取.\",\"hint\":\"-\"}"},
      {"typed lines", {u"--manual"_qs, u"-"_qs}, "A,1\nB,2\n", 0, "1\tA\t1\n"},
      {"csv without format", {u"-"_qs}, "A,1\nB,2\n", 0, "1\tA\t1\n"},
      {"disguised workbook without format", {u"--json"_qs, u"-"_qs}, disguised, 0, fromFile},
      {"--format wins over content", {u"--format"_qs, u"csv"_qs, u"-"_qs}, disguised, 1, ""},
      {"unknown format", {u"--format"_qs, u"txt"_qs, u"-"_qs}, "A,1\nB,2\n", 2, ""},
      {"format without value", {u"-"_qs, u"--format"_qs}, "A,1\nB,2\n", 2, ""},
      {"picture format as data format", {u"--format"_qs, u"png"_qs, u"-"_qs}, "A,1\nB,2\n", 2, ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    const ProcessRun result = Check(c.Args, c.Input);
    EXPECT_EQ(result.ExitCode, c.ExitCode) << c.Name << result.Err.constData();
    EXPECT_TRUE(result.Out.startsWith(c.OutStart)) << c.Name << result.Out.constData();
    if (c.ExitCode == 2) {
      EXPECT_TRUE(result.Err.startsWith("qinghechart-cli: check: ")) << c.Name;
    }
  }
  EXPECT_TRUE(Check({u"--format"_qs, u"csv"_qs, u"-"_qs},
                    "A,\"\xC2\xA5"
                    "1,234.50\"\nB,2\n")
                  .Out.contains("A\t1234.5"));
}

}  // namespace
