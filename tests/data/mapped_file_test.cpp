// A file's bytes read in place: the same bytes and refusals as a read into
// a buffer, whatever the file is.
#include "data/mapped_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <sys/stat.h>
#include <thread>

namespace qh {
namespace {

QString Write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
  return path;
}

TEST(MappedFile, SameBytesAndRefusalsAsAReadIntoABuffer) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QByteArray large(9 << 20, 'x');  // past a few release steps
  for (qsizetype i = 0; i < large.size(); i += 4099) large[i] = static_cast<char>('a' + i % 26);
  struct Case {
    const char* Name;
    QString Path;
    qint64 MaxBytes;
    ReadResult Result;
    QByteArray Bytes;
  };
  const Case cases[] = {
      {"small", Write(dir, "a.csv", "A,1\nB,2\n"), 100, ReadResult::Ok, "A,1\nB,2\n"},
      {"at the bound", Write(dir, "b.csv", "12345"), 5, ReadResult::Ok, "12345"},
      {"past the bound", Write(dir, "c.csv", "123456"), 5, ReadResult::TooLarge, {}},
      {"empty", Write(dir, "d.csv", {}), 5, ReadResult::Ok, {}},
      {"large", Write(dir, "e.csv", large), large.size(), ReadResult::Ok, large},
      {"missing", dir.filePath(QStringLiteral("none.csv")), 5, ReadResult::Missing, {}},
      {"in a missing folder", dir.filePath(QStringLiteral("none/a.csv")), 5, ReadResult::Missing,
       {}},
      {"folder", dir.path(), 5, ReadResult::Folder, {}},
      {"no name", QString(), 5, ReadResult::Missing, {}},
  };
  for (const Case& c : cases) {
    MappedFile file;
    EXPECT_EQ(file.Open(c.Path, c.MaxBytes), c.Result) << c.Name;
    EXPECT_EQ(file.Bytes(), c.Bytes) << c.Name;
    // Copied out a piece at a time, by reading the file where it is
    // mapped, the bytes are the same.
    EXPECT_EQ(file.CopiesByReading(), file.IsMapped()) << c.Name;
    QByteArray copied(file.Bytes().size(), Qt::Uninitialized);
    for (qsizetype at = 0; at < copied.size(); at += 1 << 20) {
      const qsizetype n = std::min<qsizetype>(1 << 20, copied.size() - at);
      file.CopyOut(file.Bytes().data() + at, copied.data() + at, n);
    }
    EXPECT_EQ(copied, c.Bytes) << c.Name;
    // Pages let go read the same when they are read again.
    file.Release(file.Bytes().size());
    EXPECT_EQ(file.Bytes(), c.Bytes) << c.Name;
  }
}

// The descriptor kept for copying goes with the bytes: opening many files
// one after another holds no more descriptors than one.
TEST(MappedFile, GivesItsDescriptorBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = Write(dir, "a.csv", "A,1\n");
  const auto openDescriptors = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
  const auto before = openDescriptors();
  for (int i = 0; i < 50; ++i) {
    MappedFile file;
    ASSERT_EQ(file.Open(path, 100), ReadResult::Ok);
    ASSERT_TRUE(file.CopiesByReading());
    EXPECT_EQ(file.Open(path, 100), ReadResult::Ok);  // opened again: the first one goes
  }
  EXPECT_EQ(openDescriptors(), before);
}

TEST(MappedFile, AStreamIsReadToItsEnd) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QByteArray sent(200000, 'y');
  std::thread writer([&] {
    QFile out(fifo);
    if (out.open(QIODevice::WriteOnly)) out.write(sent);
  });
  MappedFile file;
  EXPECT_EQ(file.Open(fifo, 1 << 20), ReadResult::Ok);
  writer.join();
  EXPECT_FALSE(file.IsMapped());
  EXPECT_EQ(file.Bytes(), sent);
}

}  // namespace
}  // namespace qh
