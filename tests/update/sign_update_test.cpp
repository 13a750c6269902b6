// tools/sign-update writes statements the programs accept: run for real on
// both built programs, with a stand-in for minisign that keeps the trusted
// comment it was given.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "update/local_version.h"
#include "update/release_statement.h"
#include "update_test_support.h"

namespace qh {
namespace {

#if !defined(Q_OS_WIN)

TEST(SignUpdateTest, StatementsForBothProgramsAreAccepted) {
  QTemporaryDir bin;
  const QString out = bin.filePath(QStringLiteral("comment"));
  {
    QFile stub(bin.filePath(QStringLiteral("minisign")));
    ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
    stub.write(
        "#!/bin/sh\n"
        "while [ $# -gt 0 ]; do [ \"$1\" = -t ] && printf '%s' \"$2\" > \"$QH_STUB_OUT\"; shift; "
        "done\n");
    stub.close();
    stub.setPermissions(stub.permissions() | QFile::ExeOwner);
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PATH"), bin.path() + u':' + env.value(QStringLiteral("PATH")));
  env.insert(QStringLiteral("QH_STUB_OUT"), out);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  const struct {
    const char* Kind;
    const char* Program;
    const char* Days;
    bool Signed;
  } cases[] = {
      {"window", QH_WINDOW_PROGRAM, "90", true},
      {"cli", QH_CLI_PROGRAM, "90", true},
      {"cli", QH_CLI_PROGRAM, "365", true},
      // Beyond two years after the version's date no program would trust it.
      {"window", QH_WINDOW_PROGRAM, "800", false},
  };
  // Both programs carry the same stamp: the window's answer is the build.
  QProcess window;
  window.setProcessEnvironment(env);
  window.start(QStringLiteral(QH_WINDOW_PROGRAM), {QStringLiteral("--version")});
  ASSERT_TRUE(window.waitForFinished(20000));
  const qint32 build =
      BuildNumberOfVersionText(QString::fromLatin1(window.readAllStandardOutput().trimmed()));
  ASSERT_GT(build, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Kind) + " " + c.Days);
    QFile::remove(out);
    QProcess sign;
    sign.setProcessEnvironment(env);
    sign.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral(QH_SOURCE_DIR "/tools/sign-update"), QStringLiteral("key"),
         QString::fromUtf8(c.Program), QString::fromLatin1(c.Kind), QString::fromLatin1(c.Days)});
    ASSERT_TRUE(sign.waitForFinished(20000));
    EXPECT_EQ(sign.exitCode(), c.Signed ? 0 : 2) << sign.readAllStandardError().constData();
    const QByteArray comment = test::ReadWholeFile(out);
    if (!c.Signed) {
      EXPECT_TRUE(comment.isEmpty());
      continue;
    }
    const std::optional<ReleaseStatement> release = ParseReleaseStatement(comment);
    ASSERT_TRUE(release) << comment.constData();
    EXPECT_EQ(release->Program, QLatin1String(c.Kind));
    EXPECT_EQ(release->Platform, UpdatePlatformName());
    EXPECT_EQ(release->BuildNumber, build);
    EXPECT_TRUE(ExpiryWithinLimit(*release));
  }
}

#endif

}  // namespace
}  // namespace qh
