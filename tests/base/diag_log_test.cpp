#include "base/diag_log.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(DiagLog, DeleteExistingDropsEarlierRun) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("qzChart.log"));
  {
    DiagLog first(path);
    first.WriteLog(QStringLiteral("first run"));
  }  // destruction flushes
  EXPECT_EQ(ReadAll(path), QByteArray("first run\r\n"));
  DiagLog second(path);
  second.DeleteExisting();
  EXPECT_FALSE(QFile::exists(path));
  second.WriteLog(QStringLiteral("second run"));
  second.Flush();
  EXPECT_EQ(ReadAll(path), QByteArray("second run\r\n"));
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
  DiagLog log(missingDir);
  log.DeleteExisting();
  log.WriteLog(QStringLiteral("lost"));
  log.Flush();
  EXPECT_FALSE(QFile::exists(missingDir));
}

}  // namespace
}  // namespace qh
