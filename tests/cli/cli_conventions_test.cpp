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
  int exitCode = -1;
  QString out;
  QString err;
};

CliRun RunCli(const QStringList& args, const QProcessEnvironment& env) {
  const qh::test::ProcessRun run = qh::test::RunCli(args, {}, env);
  return {run.exitCode, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
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
  const char* name;
  QStringList args;
  int exitCode;
  const char* outPattern;  // empty: standard output must be empty
  const char* errPattern;  // empty: standard error must be empty
};

TEST_F(CliConventions, HelpVersionAndUsageErrorsGoWhereTheyBelong) {
  // clang-format off
  const ConventionCase cases[] = {
      {"--help", {"--help"}, 0, "^usage: qinghechart-cli COMMAND[\\s\\S]*check[\\s\\S]*render[\\s\\S]*--version", ""},
      {"-h", {"-h"}, 0, "^usage: qinghechart-cli COMMAND", ""},
      {"check --help", {"check", "--help"}, 0, "^usage: qinghechart-cli check ", ""},
      {"render -h after options", {"render", "--kind", "pie", "-h"}, 0,
       "^usage: qinghechart-cli render ", ""},
      {"--version", {"--version"}, 0, "^\\d\\d\\.\\d\\d\\.\\d\\d\\.\\d\\d\\n$", ""},
      {"no command", {}, 2, "", "^usage: qinghechart-cli COMMAND"},
      {"unknown command", {"plot"}, 2, "", "^qinghechart-cli: unknown command 'plot'\\nusage:"},
      {"unknown option as command", {"--verbose"}, 2, "", "unknown command '--verbose'"},
      // After "--" a FILE named -h is a file, not a request for help.
      {"-h as FILE after --", {"check", "--json", "--", "-h"}, 1, "\"ok\":false", ""},
  };
  // clang-format on
  for (const ConventionCase& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun run = RunCli(c.args, ServiceEnvironment());
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (*c.outPattern == '\0') {
      EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    } else {
      EXPECT_TRUE(run.out.contains(QRegularExpression(QString::fromUtf8(c.outPattern))))
          << run.out.toStdString();
    }
    if (*c.errPattern == '\0') {
      EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    } else {
      EXPECT_TRUE(run.err.contains(QRegularExpression(QString::fromUtf8(c.errPattern))))
          << run.err.toStdString();
    }
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
  EXPECT_EQ(run.out, qh::VersionTextOfDate(expected.buildDate) + QLatin1Char('\n'));
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
    const char* name;
    QStringList args;
    const char* runtimeDir;  // nullptr: unset
    int exitCode;
    const char* errPattern;
  };
  // clang-format off
  const Case cases[] = {
      {"render, no runtime dir", {"render", "--kind", "pie", "-o", png, kSample}, nullptr, 0, ""},
      {"render, unsafe runtime dir", {"render", "--kind", "line", "-o", png, kSample}, "unsafe", 0, ""},
      {"check, no runtime dir", {"check", "--json", kSample}, nullptr, 0, ""},
      {"render of a missing file", {"render", "-o", png, missing}, nullptr, 1,
       "^数据源文件不存在\\.\\n\\n找不到文件:\\r?\\n[^\\n]*missing\\.html\\n$"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QProcessEnvironment env = ServiceEnvironment();
    if (c.runtimeDir != nullptr) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), unsafeRuntime);
    const CliRun run = RunCli(c.args, env);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    if (*c.errPattern == '\0') {
      EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    } else {
      EXPECT_TRUE(run.err.contains(QRegularExpression(QString::fromUtf8(c.errPattern))))
          << run.err.toStdString();
      EXPECT_FALSE(run.err.contains(QStringLiteral("QStandardPaths"))) << run.err.toStdString();
    }
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
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.err.contains(QStringLiteral("XDG_RUNTIME_DIR"))) << run.err.toStdString();
}

}  // namespace
