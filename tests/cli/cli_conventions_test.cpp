// The command-line conventions of qinghechart-cli: help and version on
// standard output with exit 0, usage errors on standard error with exit 2,
// and no Qt chatter on standard error when run as root or from a service.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "support/cli_process.h"
#include "update/local_version.h"

namespace {

using qh::test::CliPath;

// Standard output and error as text, for the pattern checks below.
struct CliRun {
  int ExitCode = -1;
  QString Out;
  QString Err;
};

CliRun RunCli(const QStringList& args, const QProcessEnvironment& env) {
  const qh::test::ProcessRun run = qh::test::RunCli(args, {}, env);
  return {run.ExitCode, QString::fromUtf8(run.Out), QString::fromUtf8(run.Err)};
}

// A service or a root shell: no XDG_RUNTIME_DIR, no display, no Qt
// variables of the developer's own.
QProcessEnvironment ServiceEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"XDG_RUNTIME_DIR", "QT_LOGGING_RULES", "QT_QPA_PLATFORM", "DISPLAY",
                           "WAYLAND_DISPLAY", "QT_ENABLE_HIGHDPI_SCALING"})
    env.remove(QString::fromLatin1(name));
  return env;
}

const QString kSample = QStringLiteral(QH_SOURCE_DIR "/examples/sales.html");

class CliConventions : public qh::test::CliTest {};

struct ConventionCase {
  const char* Name;
  QStringList Args;
  QByteArray Input;  // standard input
  int ExitCode;
  const char* OutPattern;  // empty: standard output must be empty (matched as Latin-1)
  const char* ErrPattern;  // empty: standard error must be empty
};

void ExpectRun(const ConventionCase& c, const qh::test::ProcessRun& run) {
  SCOPED_TRACE(c.Name);
  const QString out = QString::fromLatin1(run.Out), err = QString::fromUtf8(run.Err);
  EXPECT_EQ(run.ExitCode, c.ExitCode) << err.toStdString();
  if (*c.OutPattern == '\0') {
    EXPECT_TRUE(out.isEmpty()) << out.left(300).toStdString();
  } else {
    EXPECT_TRUE(out.contains(QRegularExpression(QString::fromUtf8(c.OutPattern))))
        << out.left(300).toStdString();
  }
  if (*c.ErrPattern == '\0') {
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
  } else {
    EXPECT_TRUE(err.contains(QRegularExpression(QString::fromUtf8(c.ErrPattern))))
        << err.toStdString();
  }
}

// One row per shell habit a user of GNU tools expects.
TEST_F(CliConventions, BehavesLikeTheShellToolsUsersKnow) {
  const QString two = Write(QStringLiteral("two.csv"), "A,1\nB,2\n");
  const QString txt = Write(QStringLiteral("export.txt"), "A,1\nB,2\n");
  const QString one = Write(QStringLiteral("one.csv"), "A,1\n");
  const QString png = Path(QStringLiteral("out.png"));
  const QString missing = Path(QStringLiteral("missing.csv"));
  const QString unwritable = Path(QStringLiteral("no/such/folder/out.png"));
  const QByteArray rows = "A,1\nB,2\n";
  // clang-format off
  const ConventionCase cases[] = {
      {"--help", {"--help"}, {}, 0, "^usage: qinghechart-cli COMMAND[\\s\\S]*check[\\s\\S]*render[\\s\\S]*--version", ""},
      {"-h", {"-h"}, {}, 0, "^usage: qinghechart-cli COMMAND", ""},
      {"--help names SVG and PDF", {"--help"}, {}, 0, "SVG[\\s\\S]*PDF", ""},
      {"check --help explains every option", {"check", "--help"}, {}, 0,
       "^usage: qinghechart-cli check [\\s\\S]*--json +print one JSON[\\s\\S]*--format F +read FILE", ""},
      {"render -h after options explains every option", {"render", "--kind", "pie", "-h"}, {}, 0,
       "^usage: qinghechart-cli render [\\s\\S]*-o, --output OUT +write[\\s\\S]*svg[\\s\\S]*pdf", ""},
      {"--version", {"--version"}, {}, 0,
       "^qinghechart-cli \\d+\\.\\d+\\.\\d+ \\(build \\d\\d\\.\\d\\d\\.\\d\\d\\.\\d\\d\\)\\n$", ""},
      {"--opt=value", {"check", "--format=csv", "-"}, rows, 0, "^1\\tA\\t1\\n2\\tB\\t2\\n$", "OK 2 items"},
      {"--opt value", {"check", "--format", "csv", "-"}, rows, 0, "^1\\tA\\t1\\n2\\tB\\t2\\n$", "OK 2 items"},
      {"--kind=pie", {"render", "--kind=pie", "-o", png, two}, {}, 0, "", ""},
      {"-- ends the options", {"render", "-o", png, "--", two}, {}, 0, "", ""},
      {"-h as FILE after --", {"check", "--json", "--", "-h"}, {}, 3, "\"ok\":false", "^qinghechart-cli: -h: "},
      {"unknown option named, nearest suggested", {"check", "--jsn", two}, {}, 2, "",
       "^qinghechart-cli: check: unknown option '--jsn'; did you mean --json\\?\\n"},
      {"-o - writes PNG to standard output", {"render", "-o", "-", two}, {}, 0, "^\\x{89}PNG\\r\\n", ""},
      {"-T names the format of -o -", {"render", "-T", "svg", "-o", "-", two}, {}, 0, "^<\\?xml[\\s\\S]*<svg", ""},
      {"--layout - writes JSON to standard output", {"render", "--layout", "-", "-o", png, two}, {}, 0,
       "^\\{\"schema\":\"qinghechart-layout-1\",\"kind\":\"bar\",", ""},
      {"--format overrides the extension", {"check", "--format", "csv", txt}, {}, 0, "^1\\tA\\t1\\n", "OK 2 items"},
      {"rows only on standard output", {"check", two}, {}, 0, "^1\\tA\\t1\\n2\\tB\\t2\\n$",
       "^qinghechart-cli: .*two\\.csv: OK 2 items"},
      {"check refusal on standard error", {"check", one}, {}, 1, "",
       "^qinghechart-cli: .*one\\.csv: 数据源CSV没有可用的两列数据"},
      {"render refusal on standard error", {"render", "-o", png, one}, {}, 1, "",
       "^qinghechart-cli: .*one\\.csv: 数据源CSV没有可用的两列数据"},
      {"exit 2: usage error", {"render", "--kind", "donut", "-o", png, two}, {}, 2, "",
       "^qinghechart-cli: render: unknown chart kind 'donut'"},
      {"exit 3: input missing", {"check", missing}, {}, 3, "", "^qinghechart-cli: .*missing\\.csv: 数据源文件不存在"},
      {"exit 4: output not written", {"render", "-o", unwritable, two}, {}, 4, "",
       "^qinghechart-cli: 无法写入 .*out\\.png:.+\\n$"},
      {"no command", {}, {}, 2, "", "^qinghechart-cli: missing COMMAND"},
      {"unknown command", {"chek"}, {}, 2, "", "^qinghechart-cli: unknown command 'chek'; did you mean check\\?"},
      {"unknown top-level option", {"--verison"}, {}, 2, "", "^qinghechart-cli: unknown option '--verison'; did you mean --version\\?"},
  };
  // clang-format on
  for (const ConventionCase& c : cases) {
    ExpectRun(c, qh::test::RunCli(c.Args, c.Input, ServiceEnvironment()));
  }
}

// The manual page says what --help says: every picture format, every exit code.
TEST_F(CliConventions, ManualPageListsFormatsAndExitCodes) {
  const QString page = QString::fromUtf8(
      qh::test::ReadAll(QStringLiteral(QH_SOURCE_DIR "/packaging/man/qinghechart-cli.1.scd")));
  for (const char* needle : {"SVG", "PDF", "*-T*", "*--output-format*", "{name}", "{kind}",
                             "{page}", "\n*3*\n", "\n*4*\n", "*--quiet*"}) {
    EXPECT_TRUE(page.contains(QString::fromUtf8(needle))) << needle;
  }
}

// The version is the build's stamp, the one linked into the window too, and
// not the "now" a program without a stamp falls back to.
TEST_F(CliConventions, VersionIsTheBuildStamp) {
  const QString stampFile = QStringLiteral(QH_LINK_STAMP_DIR "/link_stamp.cpp");
  if (!QFile::exists(stampFile)) GTEST_SKIP() << "no link stamp in this build (Windows)";
  if (QFileInfo(stampFile).lastModified() > QFileInfo(CliPath()).lastModified())
    GTEST_SKIP() << "the stamp is newer than qinghechart-cli: rebuild it";
  const QString source = QString::fromLatin1(qh::test::ReadAll(stampFile));
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("= (\\d+)LL;")).match(source);
  ASSERT_TRUE(m.hasMatch()) << source.toStdString();
  const qh::LocalVersion expected =
      qh::LocalVersionFromStamp(m.captured(1).toLongLong(), QDateTime::currentDateTime());
  const CliRun run = RunCli({QStringLiteral("--version")}, ServiceEnvironment());
  EXPECT_EQ(run.Out, QStringLiteral("qinghechart-cli ") + qh::ReleaseVersion() +
                         QStringLiteral(" (build ") + qh::VersionTextOfDate(expected.BuildDate) +
                         QStringLiteral(")\n"));
}

// Without XDG_RUNTIME_DIR, or with one Qt finds unsafe, Qt warns on every
// drawing run; standard error still carries nothing but the tool's own words.
TEST_F(CliConventions, StandardErrorCarriesOnlyOurMessages) {
  const QString unsafeRuntime = dir_.filePath(QStringLiteral("runtime"));
  ASSERT_TRUE(QDir().mkpath(unsafeRuntime));
  QFile::setPermissions(unsafeRuntime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
  const QString png = dir_.filePath(QStringLiteral("pie.png"));
  const QString missing = dir_.filePath(QStringLiteral("missing.html"));
  struct Case {
    const char* Name;
    QStringList Args;
    const char* RuntimeDir;  // nullptr: unset
    int ExitCode;
    const char* ErrPattern;
  };
  // clang-format off
  const Case cases[] = {
      {"render, no runtime dir", {"render", "--kind", "pie", "-o", png, kSample}, nullptr, 0, ""},
      {"render, unsafe runtime dir", {"render", "--kind", "line", "-o", png, kSample}, "unsafe", 0, ""},
      {"check, no runtime dir", {"check", "--json", kSample}, nullptr, 0, ""},
      {"render of a missing file", {"render", "-o", png, missing}, nullptr, 3,
       "^qinghechart-cli: [^\\n]*missing\\.html: 数据源文件不存在\\.\\n\\n找不到文件:\\n[^\\n]*missing\\.html\\n$"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    QProcessEnvironment env = ServiceEnvironment();
    if (c.RuntimeDir != nullptr) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), unsafeRuntime);
    const CliRun run = RunCli(c.Args, env);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Err.toStdString();
    if (*c.ErrPattern == '\0') {
      EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
    } else {
      EXPECT_TRUE(run.Err.contains(QRegularExpression(QString::fromUtf8(c.ErrPattern))))
          << run.Err.toStdString();
      EXPECT_FALSE(run.Err.contains(QStringLiteral("QStandardPaths"))) << run.Err.toStdString();
    }
  }
}

// The platform a desktop session names for the window (or none reachable)
// does not stop a drawing run: the tool always draws offscreen.
TEST_F(CliConventions, DrawsWithoutADisplayWhateverPlatformIsSet) {
  const struct {
    const char* Platform;
    const char* Display;  // nullptr: unset
  } cases[] = {{"xcb", nullptr}, {"wayland", nullptr}, {"xcb", ":97"}, {"eglfs", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Platform) + (c.Display ? c.Display : ""));
    QProcessEnvironment env = ServiceEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(c.Platform));
    if (c.Display) env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.Display));
    const QString png = Path(QStringLiteral("%1.png").arg(QString::fromLatin1(c.Platform)));
    QFile::remove(png);
    const CliRun run = RunCli({QStringLiteral("render"), QStringLiteral("-o"), png, kSample}, env);
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
    EXPECT_TRUE(qh::test::ReadAll(png).startsWith("\x89PNG"));
  }
}

// Run with standard output closed, "-o -" says so instead of a system text
// that names neither the stream nor the cause.
TEST_F(CliConventions, ClosedStandardOutputIsNamed) {
  const QString two = Write(QStringLiteral("two.csv"), "A,1\nB,2\n");
  const QString png = Path(QStringLiteral("x.png"));
  for (const QStringList& args :
       {QStringList{"-o", "-", two}, QStringList{"--layout", "-", "-o", png, two}}) {
    SCOPED_TRACE(args.join(u' ').toStdString());
    // The shell closes it: exec "$0" render ARGS... >&-
    const qh::test::ProcessRun run = qh::test::RunProcess(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"), QStringLiteral("exec \"$0\" render \"$@\" >&-"),
                    CliPath()} +
            args,
        {}, ServiceEnvironment());
    EXPECT_EQ(run.ExitCode, 4);
    EXPECT_EQ(QString::fromUtf8(run.Err),
              QStringLiteral("qinghechart-cli: 无法写入 -:标准输出已关闭\n"));
  }
}

// Whoever debugs a run with QT_LOGGING_RULES gets Qt's messages back; this
// also shows the quiet runs above really are runs in which Qt speaks.
TEST_F(CliConventions, LoggingRulesBringQtMessagesBack) {
  QProcessEnvironment env = ServiceEnvironment();
  env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
  const CliRun run = RunCli({QStringLiteral("render"), QStringLiteral("-o"),
                             dir_.filePath(QStringLiteral("bar.png")), kSample},
                            env);
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_TRUE(run.Err.contains(QStringLiteral("XDG_RUNTIME_DIR"))) << run.Err.toStdString();
}

}  // namespace
