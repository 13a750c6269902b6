// A hostile or damaged settings file reads as defaults and still takes
// writes; the executable header and the update server's date header are
// read without trusting a single byte.
#include "base/ini_file.h"
#include "app/settings.h"
#include "update/local_version.h"
#include "update/remote_build.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

// Lines as long as a file the reader still reads.
constexpr qsizetype kLongLine = IniFile::kMaxFileBytes - 64;

TEST(HostileSettings, MegabyteLines) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("s.ini"));
  const QByteArray huge(kLongLine, '1');
  const QByteArray files[] = {
      "[Limits]\r\nMaxItems=" + huge + "\r\nPageSize=7\r\n",
      "[Limits]" + QByteArray(kLongLine, ' ') + "\r\nPageSize=7",
      "[Limits]\nPageSize=7\n" + QByteArray(kLongLine, '='),
      "[" + huge,
      QByteArray(kLongLine, '\xA1'),
  };
  for (const QByteArray& bytes : files) {
    {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(bytes);
    }
    QElapsedTimer timer;
    timer.start();
    const IniFile ini(path);
    const Settings s = LoadSettings(ini);
    EXPECT_EQ(s.MaxItems, 100000);  // an endless number is no number
    EXPECT_EQ(s.PageSize, bytes.startsWith("[Limits]") ? 7 : 20);
    ASSERT_TRUE(ini.IniWrite(u"Limits", u"PageSize", u"30"));
    EXPECT_EQ(ini.IniRead(u"Limits", u"PageSize", QString()), QStringLiteral("30"));
    EXPECT_EQ(ini.IniRead(u"Limits", u"MaxItems", QStringLiteral("-")).size(),
              bytes.startsWith("[Limits]\r\nMaxItems") ? IniFile::kMaxValueChars : 1);
    EXPECT_LT(timer.elapsed(), 30000);
  }
}

TEST(HostileHeaders, ExecutableHeaderOffsets) {
  // MZ, the PE offset at byte 60, and "PE" plus a stamp where it points.
  auto image = [](qsizetype size, quint32 offset, qsizetype pePos) {
    QByteArray b(size, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    for (int i = 0; i < 4; ++i) b[60 + i] = char(offset >> (8 * i));
    if (pePos >= 0 && pePos + 1 < size) {
      b[pePos] = 'P';
      b[pePos + 1] = 'E';
    }
    for (qsizetype i = pePos + 8; pePos >= 0 && i < pePos + 12 && i < size; ++i) b[i] = 0x11;
    return b;
  };
  struct Case {
    QByteArray Bytes;
    qint32 Stamp;
  };
  // clang-format off
  const Case cases[] = {
      {image(128, 116, 116), 0x11111111},   // the stamp ends on the last byte
      {image(128, 117, 117), 0},            // the stamp would end one byte past the file
      {image(128, 64, 64), 0x11111111},     // ordinary header
      {image(128, 0xFFFFFFFF, -1), 0},      // offset far past the file
      {image(128, 1000000000, -1), 0},      // largest offset allowed, file too short
      {image(128, 0, 0), 0},                // offset 0 points at "MZ"
      {image(64, 64, -1), 0},               // too short to hold the offset and more
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(PeLinkTimeOfBytes(c.Bytes), c.Stamp);
  EXPECT_EQ(PeLinkTimeOfBytes(image(128, 116, 116).left(127)), 0);
}

TEST(HostileHeaders, LastModifiedNeverYieldsAnInvalidDate) {
  const QString headers[] = {
      QStringLiteral("Sun, -9 Nov -999 -9:-9:-9 GMT"),
      QStringLiteral("Sun, 99 Dec 9999 99:99:99 GMT"),
      QStringLiteral("Sun, 00 Jan 0001 00:00:00 GMT"),
      QString(511, u'9'),
      QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT") + QString(600, u' '),
      QStringLiteral("\u00ff\u00ff\u00ff, 06 Nov 1994 08:49:37 GMT"),
  };
  for (const QString& h : headers) {
    const QDateTime t = LastModifiedOf(h);
    EXPECT_TRUE(t == ZeroDateTime() || t.isValid()) << h.left(40).toStdString();
    if (t > ZeroDateTime()) BuildNumberOf(t.addSecs(8 * 3600));  // UBSan watches the sums
  }
}

}  // namespace
}  // namespace qh
