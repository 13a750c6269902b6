#include "base/save_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/full_filesystem.h"
#include "support/test_files.h"

namespace qh {
namespace {

using test::ReadAll;
using test::WriteAll;

struct stat StatOf(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info;
}

TEST(SaveFile, FailuresKeepTheOldFileLeaveNoTemporaryFileAndSayWhy) {
  QTemporaryDir dir;
  WriteAll(dir.filePath(QStringLiteral("plain")), "old");
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
  const struct {
    const char* Name;
    int Error;
    const char* Reason;
  } cases[] = {
      {"none/out.png", ENOENT, "文件夹不存在"},
      {"folder", EISDIR, "这是一个文件夹"},
      {"plain/out.png", ENOTDIR, "路径中有一段不是文件夹"},
  };
  for (const auto& c : cases) {
    const SaveResult result = SaveFile(dir.filePath(QString::fromUtf8(c.Name)), "new bytes");
    EXPECT_FALSE(result) << c.Name;
    EXPECT_EQ(result.Error, c.Error) << c.Name;
    EXPECT_EQ(result.Reason, QString::fromUtf8(c.Reason)) << c.Name;
  }
  EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("plain"))), QByteArray("old"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            (QStringList{QStringLiteral("folder"), QStringLiteral("plain")}));
}

TEST(SaveFile, ReplacedFileKeepsModeAndOwnerNewFileTakesTheGivenMode) {
  QTemporaryDir dir;
  const QString kept = dir.filePath(QStringLiteral("kept.ini"));
  WriteAll(kept, "old");
  ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(QFile::encodeName(kept).constData(), 4321, 4322), 0);
  }
  ASSERT_TRUE(SaveFile(kept, "new"));
  EXPECT_EQ(ReadAll(kept), QByteArray("new"));
  EXPECT_EQ(StatOf(kept).st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(StatOf(kept).st_uid, 4321u);
    EXPECT_EQ(StatOf(kept).st_gid, 4322u);
  }

  const QString key = dir.filePath(QStringLiteral("key.pem"));
  ASSERT_TRUE(SaveFile(key, "secret", {0600}));
  EXPECT_EQ(StatOf(key).st_mode & 07777, 0600u);
}

TEST(SaveFile, ThroughALinkReplacesTheFileItPointsTo) {
  QTemporaryDir dir;
  const QString real = dir.filePath(QStringLiteral("real.json"));
  const QString link = dir.filePath(QStringLiteral("link.json"));
  WriteAll(real, "old");
  ASSERT_TRUE(QFile::link(real, link));
  ASSERT_TRUE(SaveFile(link, "new"));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(ReadAll(real), QByteArray("new"));
}

TEST(SaveFile, StaleTemporaryFilesGoUnlessASaveHoldsThem) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("s.ini"));
  const QString stale = path + QStringLiteral(".~qzAb12Cd");
  const QString held = path + QStringLiteral(".~qzXy34Zw");
  const QString user = path + QStringLiteral(".backup");
  for (const QString& p : {path, stale, held, user}) WriteAll(p, "x");
  const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(RemoveStaleSaveTemps(path), 1);
  EXPECT_FALSE(QFile::exists(stale));
  EXPECT_TRUE(QFile::exists(held));
  ::close(fd);
  EXPECT_EQ(RemoveStaleSaveTemps(path), 1);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
            (QStringList{QStringLiteral("s.ini"), QStringLiteral("s.ini.backup")}));
  WriteAll(stale, "x");  // the next save of the file clears it too
  ASSERT_TRUE(SaveFile(path, "new"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
            (QStringList{QStringLiteral("s.ini"), QStringLiteral("s.ini.backup")}));
}

// A full disk and a read-only filesystem: the old bytes stay, the reason is
// the system's, no temporary file is left.
TEST(SaveFile, FullAndReadOnlyFilesystems) {
  test::SmallTmpfs fs(64);
  if (!fs.SkipReason().empty()) GTEST_SKIP() << fs.SkipReason();
  const QString path = fs.Path(QStringLiteral("good.pdf"));
  ASSERT_TRUE(SaveFile(path, "%PDF-1.4 whole %%EOF"));
  fs.Fill();
  const struct {
    QByteArray Bytes;
  } sizes[] = {{"small"}, {QByteArray(20000, 'x')}, {QByteArray(200000, 'y')}};
  for (const auto& s : sizes) {
    const SaveResult result = SaveFile(path, s.Bytes);
    EXPECT_FALSE(result) << s.Bytes.size();
    EXPECT_EQ(result.Reason, QStringLiteral("磁盘已满")) << s.Bytes.size();
    EXPECT_EQ(ReadAll(path), QByteArray("%PDF-1.4 whole %%EOF"));
    EXPECT_EQ(fs.Names(), QStringList{QStringLiteral("good.pdf")});
  }
  ASSERT_EQ(::mount("tmpfs", QFile::encodeName(fs.Root()).constData(), "tmpfs",
                    MS_REMOUNT | MS_RDONLY, nullptr),
            0);
  const SaveResult readOnly = SaveFile(path, "new");
  EXPECT_EQ(readOnly.Error, EROFS);
  EXPECT_EQ(readOnly.Reason, QStringLiteral("只读文件系统"));
  EXPECT_EQ(ReadAll(path), QByteArray("%PDF-1.4 whole %%EOF"));
}

}  // namespace
}  // namespace qh
