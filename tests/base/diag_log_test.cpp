#include "base/diag_log.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_files.h"

namespace qh {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(DiagLog, LinesAreGbkWithCrLfAndInTheFileAfterFlush) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("qzChart.log"));
  DiagLog log(path);
  log.WriteLog(QStringLiteral("src=/tmp/青禾.html"));
  log.WriteLog(QString());
  log.WriteLog(QStringLiteral("  row 2 item=A val=1"));
  { LogFlushGuard guard(&log); }
  EXPECT_EQ(ReadAll(path),
            QByteArray("src=/tmp/\xC7\xE0\xBA\xCC.html\r\n\r\n  row 2 item=A val=1\r\n"));
  log.WriteLog(QStringLiteral("x"));
  log.Flush();
  EXPECT_TRUE(ReadAll(path).endsWith("val=1\r\nx\r\n"));
}

// Runs one after the other and side by side: a restart keeps the last
// run's log as ".1"; a second copy writes its own file and removes it at its
// end, and the first copy's log loses nothing.
TEST(DiagLog, RunsKeepTheLastLogAndTwoCopiesKeepTheirOwn) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("qzChart.log"));
  const QString kept = path + QStringLiteral(".1");
  {
    DiagLog first;
    first.StartRun(path);
    first.WriteStartupLog(QStringLiteral("src=first"));
    first.Flush();
    QString ownPath;
    {
      DiagLog second;
      second.StartRun(path);
      ownPath = second.LogPath();
      EXPECT_EQ(QFileInfo(ownPath).fileName(),
                QStringLiteral("qzChart.%1.log").arg(QCoreApplication::applicationPid()));
      second.WriteStartupLog(QStringLiteral("src=second"));
      second.Flush();
      EXPECT_EQ(ReadAll(ownPath), QByteArray("src=second\r\n"));
      first.WriteLog(QStringLiteral("parse=OK items=2"));
      first.Flush();
    }
    EXPECT_FALSE(QFile::exists(ownPath));
    EXPECT_FALSE(QFile::exists(kept));
    EXPECT_EQ(ReadAll(path), QByteArray("src=first\r\nparse=OK items=2\r\n"));
  }
  const struct {
    const char* Line;
    QByteArray Current, Last;
  } restarts[] = {
      {"src=third", "src=third\r\n", "src=first\r\nparse=OK items=2\r\n"},
      {"src=fourth", "src=fourth\r\n", "src=third\r\n"},
  };
  for (const auto& r : restarts) {
    DiagLog next;
    next.StartRun(path);
    next.WriteStartupLog(QString::fromUtf8(r.Line));
    next.Flush();
    EXPECT_EQ(ReadAll(path), r.Current) << r.Line;
    EXPECT_EQ(ReadAll(kept), r.Last) << r.Line;
  }
}

// A second copy killed before it removed its own log: the next run removes
// it, and leaves those of copies still running.
TEST(DiagLog, KilledCopysOwnLogGoesAtTheNextRun) {
  QTemporaryDir dir;
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);  // its pid is gone now
  const QString gone = dir.filePath(QStringLiteral("qzChart.%1.log").arg(child));
  const QString running = dir.filePath(QStringLiteral("qzChart.%1.log").arg(::getppid()));
  const QString other = dir.filePath(QStringLiteral("qzChart.old.log"));
  for (const QString& p : {gone, running, other}) test::WriteAll(p, "src=x\r\n");
  DiagLog next;
  next.StartRun(dir.filePath(QStringLiteral("qzChart.log")));
  EXPECT_FALSE(QFile::exists(gone));
  EXPECT_TRUE(QFile::exists(running));
  EXPECT_TRUE(QFile::exists(other));
}

// One run stops at the bound with a line saying so; start-up lines still
// get in after it.
TEST(DiagLog, ARunStopsAtItsBoundButKeepsStartupLines) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("qzChart.log"));
  DiagLog log;
  log.StartRun(path);
  log.WriteStartupLog(QStringLiteral("src=/data/big.html"));
  const QString row = QStringLiteral("  row 1 item=") + QString(90, u'x');
  for (int i = 0; i < 120000; ++i) log.WriteLog(row);  // about 12 MB
  log.WriteStartupLog(QStringLiteral("parse=OK items=120000"));
  log.Flush();
  const QByteArray bytes = ReadAll(path);
  EXPECT_LE(bytes.size(), DiagLog::kMaxRunBytes);
  EXPECT_GT(bytes.size(), DiagLog::kMaxRunBytes - DiagLog::kStartupReserve - 200);
  EXPECT_TRUE(bytes.startsWith("src=/data/big.html\r\n  row 1"));
  const QList<QByteArray> lines = bytes.split('\n');
  ASSERT_GE(lines.size(), 3);
  EXPECT_TRUE(lines[lines.size() - 3].startsWith("log stopped: this run's log reached its limit"))
      << lines[lines.size() - 3].toStdString();
  EXPECT_EQ(lines[lines.size() - 2], QByteArray("parse=OK items=120000\r"));
}

TEST(DiagLog, LargeLoadIsWrittenInBlocksAndComplete) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("qzChart.log"));
  DiagLog log(path);
  QByteArray expected;
  for (int i = 1; i <= 100000; ++i) {
    const QString line = QStringLiteral("  row %1 item=项目%1 val=%1").arg(i);
    log.WriteLog(line);
    expected += "  row " + QByteArray::number(i) + " item=\xCF\xEE\xC4\xBF" +
                QByteArray::number(i) + " val=" + QByteArray::number(i) + "\r\n";
  }
  // Blocks have gone out on the way, the tail only on Flush.
  EXPECT_GT(ReadAll(path).size(), DiagLog::kFlushThreshold);
  EXPECT_LT(ReadAll(path).size(), expected.size());
  log.Flush();
  EXPECT_EQ(ReadAll(path), expected);
}

TEST(DiagLog, DisabledOrUnwritableLogIsSilent) {
  DiagLog disabled;
  disabled.WriteLog(QStringLiteral("nothing"));
  disabled.Flush();
  EXPECT_FALSE(disabled.Enabled());

  QTemporaryDir dir;
  const QString missingDir = dir.filePath(QStringLiteral("none/qzChart.log"));
  DiagLog log;
  log.StartRun(missingDir);
  log.WriteLog(QStringLiteral("lost"));
  log.Flush();
  EXPECT_FALSE(QFile::exists(missingDir));
}

}  // namespace
}  // namespace qh
