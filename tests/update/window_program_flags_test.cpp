// The update runs a downloaded program with "--version": the window program
// answers it (and "--help") on stdout without a window, settings or log.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace qh {
namespace {

struct FlagCase {
  const char* Flag;
  const char* Pattern;  // the whole of stdout
};

TEST(WindowProgramFlagsTest, AnswersWithoutTouchingAnything) {
  const FlagCase cases[] = {
      {"--version", R"(^\d\d\.\d\d\.\d\d\.\d\d\n$)"},
      {"--help", "^用法: qinghechart \\[数据文件\\]\n(.*\n)*.*--version.*\n.*--help.*\n$"},
      {"-h", "^用法: qinghechart \\[数据文件\\]\n"},
  };
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(c.Flag);
    QTemporaryDir dir;
    // A copy in a fresh folder: settings and log would appear beside it.
    const QString program = dir.filePath(QStringLiteral("qinghechart"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QH_WINDOW_PROGRAM), program));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("home"))));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("home")));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {QString::fromUtf8(c.Flag)});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8(c.Pattern)).match(out).hasMatch())
        << out.toStdString();
    EXPECT_EQ(process.readAllStandardError(), QByteArray());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("home"), QStringLiteral("qinghechart")}));
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("home")))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
  }
}

}  // namespace
}  // namespace qh
