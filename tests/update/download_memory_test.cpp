// Hundreds of megabytes stream to disk through a bounded buffer: the peak
// memory of the whole test process (server included) stays small.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <iostream>
#include <optional>

#include "update/download_update.h"
#include "update_test_server.h"
#include "update_test_support.h"

namespace qh {
namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kAllowedGrowthKb = 60 * 1024;

// AddressSanitizer keeps freed memory in quarantine, so a sanitized build
// measures its allocator, not the download: there only the results count.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QH_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(QH_UNDER_ASAN)
constexpr bool kMeasuresMemory = false;
#else
constexpr bool kMeasuresMemory = true;
#endif

// A field of /proc/self/status in kB, or -1.
qint64 StatusKb(const QByteArray& field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field + ':'))
      return line.mid(field.size() + 1).trimmed().split(' ')[0].toLongLong();
  }
  return -1;
}

// Starts a fresh peak (VmHWM) at the current size; false where Linux cannot.
bool ResetPeak() {
  QFile refs(QStringLiteral("/proc/self/clear_refs"));
  return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// BLAKE2b-512 of the generated body, as minisign hashes a release.
QByteArray HashOfStream(qint64 bytes) {
  const QByteArray block = test::StreamBlock();
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_blake2b512(), nullptr);
  for (qint64 sent = 0; sent < bytes; sent += block.size())
    EVP_DigestUpdate(ctx, block.constData(), size_t(qMin<qint64>(block.size(), bytes - sent)));
  QByteArray hash(kBlake2b512Bytes, '\0');
  EVP_DigestFinal_ex(ctx, reinterpret_cast<unsigned char*>(hash.data()), nullptr);
  EVP_MD_CTX_free(ctx);
  return hash;
}

struct StreamCase {
  const char* Name;
  qint64 Bytes;
  bool Announced;  // Content-Length sent, else chunked
  const char* Error;
};

TEST(DownloadMemoryTest, LargeStreamsStayOutOfMemory) {
  const StreamCase cases[] = {
      {"500 MiB, announced", 500 * kMiB, true, ""},
      {"600 MiB, chunked, past the limit", 600 * kMiB, false,
       "更新文件太大(超过 512 MB),已放弃更新."},
  };
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QTemporaryDir dir;
    test::TestHttpServer server;
    test::Route route{test::Head(200, {}, c.Announced ? c.Bytes : -1), {}, c.Bytes, !c.Announced};
    if (!c.Announced) route.Head += "Transfer-Encoding: chunked\r\n";
    server.Serve(test::kProgramPath, route);
    QNetworkAccessManager network;
    if (!ResetPeak()) GTEST_SKIP() << "no /proc/self/clear_refs";
    const qint64 before = StatusKb("VmRSS");
    std::optional<DownloadResult> result;
    auto download = std::make_unique<ProgramDownload>(
        network, DownloadRequest{.Url = server.Url(), .Folder = dir.path()},
        [&](const DownloadResult& r) { result = r; });
    ASSERT_TRUE(test::SpinUntil([&] { return result.has_value(); }, 120000));
    const qint64 peak = StatusKb("VmHWM");
    std::cout << "[ memory   ] " << c.Name << ": resident " << before / 1024 << " MiB before, peak "
              << peak / 1024 << " MiB (+" << (peak - before) / 1024 << " MiB)\n";
    if (kMeasuresMemory) {
      EXPECT_LE(peak - before, kAllowedGrowthKb);
    }
    EXPECT_EQ(result->Error, QString::fromUtf8(c.Error));
    const QString newFile = QDir(dir.path()).filePath(NewFileName());
    if (result->Error.isEmpty()) {
      EXPECT_EQ(QFileInfo(newFile).size(), c.Bytes);
      EXPECT_EQ(Blake2b512OfFile(newFile), HashOfStream(c.Bytes));  // read back in pieces
    } else {
      EXPECT_FALSE(QFileInfo::exists(newFile));
    }
    download.release()->deleteLater();
    test::SpinUntil([] { return false; }, 100);
  }
}

// A full disk is told apart from other write failures.
TEST(DownloadWriteTest, AFullDiskIsToldApart) {
  QTemporaryDir dir;
  QFile readOnly(dir.filePath(QStringLiteral("read-only")));
  ASSERT_TRUE(readOnly.open(QIODevice::WriteOnly));
  readOnly.close();
  struct Case {
    const char* Name;
    QString Path;
    QIODevice::OpenMode Mode;
    bool Written, DiskFull;
  } cases[] = {
      {"a file", dir.filePath(QStringLiteral("ok")), QIODevice::WriteOnly, true, false},
      {"a full disk", QStringLiteral("/dev/full"), QIODevice::WriteOnly, false, true},
      {"opened for reading only", readOnly.fileName(), QIODevice::ReadOnly, false, false},
  };
  for (const Case& c : cases) {
    QFile file(c.Path);
    ASSERT_TRUE(file.open(c.Mode | QIODevice::Unbuffered)) << c.Name;
    bool diskFull = false;
    EXPECT_EQ(WriteAllBytes(file, "the program", diskFull), c.Written) << c.Name;
    EXPECT_EQ(diskFull, c.DiskFull) << c.Name;
  }
}

}  // namespace
}  // namespace qh
