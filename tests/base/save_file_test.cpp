#include "base/save_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <thread>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
  WriteAll(stale, "x");  // a save that is told the folder was looked at leaves it
  SaveOptions looked;
  looked.RemoveStaleTemps = false;
  ASSERT_TRUE(SaveFile(path, "newer", looked));
  EXPECT_TRUE(QFile::exists(stale));
  ASSERT_TRUE(SaveFile(path, "new"));  // any other save of the file clears it
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
            (QStringList{QStringLiteral("s.ini"), QStringLiteral("s.ini.backup")}));
}

QByteArray AccessAcl(const QString& path) {
  QByteArray acl(1024, '\0');
  const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), "system.posix_acl_access",
                               acl.data(), static_cast<size_t>(acl.size()));
  return n < 0 ? QByteArray() : acl.left(n);
}

// An access ACL: owner rw, user 12345 rw, owning group r, mask rw, others r.
QByteArray SampleAcl() {
  QByteArray acl("\x02\0\0\0", 4);
  const struct {
    quint16 Tag, Perm;
    quint32 Id;
  } entries[] = {{0x01, 6, ~0u}, {0x02, 6, 12345}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}};
  for (const auto& e : entries) {
    for (int i = 0; i < 2; ++i) acl += static_cast<char>((e.Tag >> (8 * i)) & 0xFF);
    for (int i = 0; i < 2; ++i) acl += static_cast<char>((e.Perm >> (8 * i)) & 0xFF);
    for (int i = 0; i < 4; ++i) acl += static_cast<char>((e.Id >> (8 * i)) & 0xFF);
  }
  return acl;
}

// The edges of the routine: each row prepares a folder, saves once (or
// several times at once) and says what must hold afterwards.
TEST(SaveFile, Edges) {
  struct Row {
    const char* Name;
    QString File;
    std::function<void(QTemporaryDir&, const QString&)> Prepare;
    std::function<void(const QString&)> Save;
    std::function<void(QTemporaryDir&, const QString&)> Check;
  };
  const auto saveOnce = [](const QString& path) {
    const SaveResult r = SaveFile(path, "new");
    EXPECT_TRUE(r) << r.Reason.toStdString();
  };
  const auto isNew = [](QTemporaryDir&, const QString& path) {
    EXPECT_EQ(ReadAll(path), QByteArray("new"));
  };
  // Killed saves of other names: unlocked ones go, a held one and a pipe stay.
  const QStringList killed = {QStringLiteral("chart-1201.png.~qzAb12Cd"),
                              QStringLiteral("chart-1202.svg.~qz000000")};
  const QString held = QStringLiteral("chart-1203.pdf.~qzXy34Zw");
  const QString pipe = QStringLiteral("pipe.~qzPPPPPP");
  int heldFd = -1;
  bool aclSupported = false;
  // clang-format off
  const Row rows[] = {
      {"255-byte name", QString(251, u'n') + QStringLiteral(".png"), nullptr, saveOnce, isNew},
      {"255 bytes of Chinese", QString(85, QChar(0x56FE)), nullptr, saveOnce, isNew},
      {"saves of one path at once all succeed", QStringLiteral("same.png"), nullptr,
       [](const QString& path) {
         std::vector<std::thread> savers;
         std::atomic<int> failed{0};
         for (int t = 0; t < 4; ++t) {
           savers.emplace_back([&failed, path] {
             for (int i = 0; i < 150; ++i) {
               if (!SaveFile(path, "new")) ++failed;
             }
           });
         }
         for (std::thread& s : savers) s.join();
         EXPECT_EQ(failed.load(), 0);
       },
       [](QTemporaryDir& dir, const QString& path) {
         EXPECT_EQ(ReadAll(path), QByteArray("new"));
         EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("same.png")});
       }},
      {"killed saves of other names in the folder are swept", QStringLiteral("report.png"),
       [&](QTemporaryDir& dir, const QString&) {
         for (const QString& name : killed) WriteAll(dir.filePath(name), "half");
         WriteAll(dir.filePath(held), "half");
         heldFd = ::open(QFile::encodeName(dir.filePath(held)).constData(), O_RDONLY);
         ASSERT_EQ(::flock(heldFd, LOCK_EX), 0);
         ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(pipe)).constData(), 0600), 0);
       },
       saveOnce,
       [&](QTemporaryDir& dir, const QString&) {
         ::close(heldFd);
         QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::System);
         left.sort();
         EXPECT_EQ(left, (QStringList{held, pipe, QStringLiteral("report.png")}));
       }},
      {"an ACL is kept", QStringLiteral("shared.ini"),
       [&](QTemporaryDir&, const QString& path) {
         WriteAll(path, "old");
         const QByteArray acl = SampleAcl();
         aclSupported = ::setxattr(QFile::encodeName(path).constData(), "system.posix_acl_access",
                                    acl.constData(), static_cast<size_t>(acl.size()), 0) == 0;
         if (!aclSupported) std::printf("no ACLs here: %s\n", std::strerror(errno));
       },
       saveOnce,
       [&](QTemporaryDir&, const QString& path) {
         EXPECT_EQ(ReadAll(path), QByteArray("new"));
         if (!aclSupported) return;
         EXPECT_EQ(AccessAcl(path), SampleAcl());
         EXPECT_EQ(StatOf(path).st_mode & 0777, 0664u);  // group bits: the mask
       }},
      {"a file made read-only stays, also for root", QStringLiteral("frozen.ini"),
       [](QTemporaryDir&, const QString& path) {
         WriteAll(path, "old");
         ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
       },
       [](const QString& path) {
         const SaveResult r = SaveFile(path, "new");
         EXPECT_FALSE(r);
         EXPECT_EQ(r.Reason, QStringLiteral("没有写入权限"));
       },
       [](QTemporaryDir& dir, const QString& path) {
         EXPECT_EQ(ReadAll(path), QByteArray("old"));
         EXPECT_EQ(StatOf(path).st_mode & 07777, 0444u);
         EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("frozen.ini")});
       }},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/save-XXXXXX"));
    const QString path = dir.filePath(r.File);
    if (r.Prepare) r.Prepare(dir, path);
    r.Save(path);
    r.Check(dir, path);
  }
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
