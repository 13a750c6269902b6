// Whatever the system can name is a FILE: names that are no UTF-8, FIFOs,
// /dev/stdin and "-" (told apart by content unless --format says), folders
// with their own message, devices as outputs, and the size bound on streams.
#include "base/code_page.h"
#include "support/cli_process.h"

#include <QElapsedTimer>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using qh::test::ProcessRun;

class CliInputSources : public qh::test::CliTest {
 protected:
  // The folder's path as bytes, for names that Qt cannot spell.
  QByteArray Native(const QByteArray& name) const {
    return QFile::encodeName(dir_.path()) + '/' + name;
  }
  // Runs the CLI through the shell with raw bytes in the environment: Qt
  // would convert arguments given as text.
  static ProcessRun RunWithNames(const QByteArray& script, const QByteArray& in,
                                 const QByteArray& out = {}) {
    qputenv("QH_IN", in);
    qputenv("QH_OUT", out);
    const ProcessRun run = qh::test::RunProcess(
        u"/bin/sh"_qs, {u"-c"_qs, QString::fromLatin1(script), qh::test::CliPath()});
    qunsetenv("QH_IN");
    qunsetenv("QH_OUT");
    return run;
  }
};

const QByteArray kCsv = "项目,金额\nA,1\nB,2\n";

// GBK names from unpacked Windows archives are read and written exactly,
// and named exactly in messages.
TEST_F(CliInputSources, NamesThatAreNoUtf8) {
  const QByteArray input = Native(qh::EncodeGbk(u"报表.csv"_qs));
  const QByteArray output = Native(qh::EncodeGbk(u"图表.png"_qs));
  qh::test::WriteAll(QFile::decodeName(Native("plain.csv")), kCsv);
  ASSERT_EQ(::rename(Native("plain.csv").constData(), input.constData()), 0);

  const ProcessRun check = RunWithNames(R"(exec "$0" check --json "$QH_IN")", input);
  EXPECT_EQ(check.ExitCode, 0) << check.Err.constData();
  EXPECT_TRUE(check.Out.contains("\"ok\":true,\"count\":2")) << check.Out.constData();

  const ProcessRun render = RunWithNames(
      R"(exec "$0" render -o "$QH_OUT" --layout "$QH_OUT.json" "$QH_IN")", input, output);
  EXPECT_EQ(render.ExitCode, 0) << render.Err.constData();
  struct stat info {};
  EXPECT_EQ(::stat(output.constData(), &info), 0);
  EXPECT_GT(info.st_size, 0);
  EXPECT_EQ(::stat((output + ".json").constData(), &info), 0);

  const QByteArray missing = Native(qh::EncodeGbk(u"没有.csv"_qs));
  const ProcessRun absent = RunWithNames(R"(exec "$0" check "$QH_IN")", missing);
  EXPECT_EQ(absent.ExitCode, 3);
  EXPECT_TRUE(absent.Err.contains(missing)) << absent.Err.constData();
}

// A FIFO, /dev/stdin and "-" are streams: read to their end, by the name's
// extension when it has a known one, else by content; --format wins.
TEST_F(CliInputSources, StreamsWithAndWithoutFormat) {
  const QByteArray html =
      "<table><tr><td>A</td><td>1</td></tr><tr><td>B</td><td>2</td></tr></table>";
  struct Case {
    const char* Name;
    QStringList Args;  // FILE last; "FIFO" stands for the FIFO's path
    const char* FifoName;
    QByteArray Input;
    int ExitCode;
    QByteArray ErrPart;
  };
  // clang-format off
  const Case cases[] = {
      {"fifo without a name to go by", {u"FIFO"_qs}, "pipe", kCsv, 0, {}},
      {"fifo, html by content", {u"FIFO"_qs}, "pipe", html, 0, {}},
      {"fifo named .html", {u"FIFO"_qs}, "pipe.html", kCsv, 1, "数据源 HTML 中未找到表格"},
      {"fifo with --format", {u"--format"_qs, u"html"_qs, u"FIFO"_qs}, "pipe", kCsv, 1, "数据源 HTML 中未找到表格"},
      {"/dev/stdin", {u"/dev/stdin"_qs}, nullptr, html, 0, {}},
      {"/dev/stdin with --format", {u"--format"_qs, u"csv"_qs, u"/dev/stdin"_qs}, nullptr, html, 1, "数据源CSV"},
      {"-", {u"-"_qs}, nullptr, kCsv, 0, {}},
      {"- with --format", {u"--format"_qs, u"html"_qs, u"-"_qs}, nullptr, kCsv, 1, "数据源 HTML 中未找到表格"},
  };
  // clang-format on
  for (const Case& c : cases) {
    QStringList args = {u"check"_qs, u"-q"_qs};
    QString fifo;
    if (c.FifoName) {
      fifo = Path(QString::fromLatin1(c.FifoName));
      QFile::remove(fifo);
      ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    }
    for (const QString& a : c.Args) args << (a == u"FIFO" ? fifo : a);
    QProcess cli;
    cli.start(qh::test::CliPath(), args);
    ASSERT_TRUE(cli.waitForStarted());
    if (c.FifoName) {
      // The writer waits for the reader, a second at most.
      int fd = -1;
      for (int i = 0; i < 100 && fd < 0; ++i) {
        fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) QThread::msleep(10);
      }
      ASSERT_GE(fd, 0) << c.Name;
      ::fcntl(fd, F_SETFL, 0);
      EXPECT_EQ(::write(fd, c.Input.constData(), size_t(c.Input.size())), c.Input.size());
      ::close(fd);
    } else {
      cli.write(c.Input);
    }
    cli.closeWriteChannel();
    ASSERT_TRUE(cli.waitForFinished(20000)) << c.Name;
    const QByteArray err = cli.readAllStandardError();
    EXPECT_EQ(cli.exitCode(), c.ExitCode) << c.Name << ": " << err.constData();
    EXPECT_TRUE(err.contains(c.ErrPart)) << c.Name << ": " << err.constData();
    EXPECT_FALSE(err.contains("不存在")) << c.Name;
  }
}

// A folder is no missing file: its own message, with what to do.
TEST_F(CliInputSources, FolderHasItsOwnMessage) {
  for (const QString& name : {u"folder"_qs, u"folder.csv"_qs}) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(name));
    const ProcessRun run = qh::test::RunCli({u"check"_qs, Path(name)});
    EXPECT_EQ(run.ExitCode, 3) << name.toStdString();
    EXPECT_TRUE(run.Err.contains(
        ": 这是一个文件夹,不是数据文件.\n\n请选择其中的 HTML, CSV 或 Excel 文件:\n"))
        << run.Err.constData();
  }
}

// Devices take the output straight: /dev/null for a run that only checks
// what would be drawn.
TEST_F(CliInputSources, DevicesAsOutputs) {
  const QString data = Write(u"a.csv"_qs, kCsv);
  const ProcessRun run = qh::test::RunCli({u"render"_qs, u"--kind"_qs, u"bar,pie"_qs, u"-o"_qs,
                                           u"/dev/null"_qs, u"--layout"_qs, u"/dev/null"_qs, data});
  EXPECT_EQ(run.ExitCode, 0) << run.Err.constData();
  EXPECT_TRUE(run.Err.isEmpty()) << run.Err.constData();
}

// A stream longer than the bound is refused once it has given one byte too
// many; the endless one too.
TEST_F(CliInputSources, StreamsKeepTheSizeBound) {
  const QString settings = Write(u"s.ini"_qs, "[Limits]\r\nMaxItems=60\r\n");
  QByteArray big = "A,1\n";
  big += QByteArray(10000000, '\n');
  const ProcessRun over = qh::test::RunCli(
      {u"render"_qs, u"--settings"_qs, settings, u"-o"_qs, u"/dev/null"_qs, u"-"_qs}, big);
  EXPECT_EQ(over.ExitCode, 1);
  EXPECT_TRUE(over.Err.contains("-: 数据源文件大于 10 MB 的安全上限,无法读取.\n\n"))
      << over.Err.constData();
  EXPECT_TRUE(over.Err.contains("MaxItems")) << over.Err.constData();

  QElapsedTimer clock;
  clock.start();
  const ProcessRun endless = qh::test::RunProcess(
      u"/bin/sh"_qs,
      {u"-c"_qs, uR"(exec "$0" render --settings "$1" -o /dev/null - < /dev/zero)"_qs,
       qh::test::CliPath(), settings});
  EXPECT_EQ(endless.ExitCode, 1) << endless.Err.constData();
  EXPECT_LT(clock.elapsed(), 10000);
}

}  // namespace
