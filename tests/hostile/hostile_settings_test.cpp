// A hostile or damaged settings file reads as defaults and still takes
// writes; the executable header and the update server's date header are
// read without trusting a single byte.
#include "base/ini_file.h"
#include "app/settings.h"
#include "app/startup.h"
#include "base/user_messages.h"
#include "update/local_version.h"
#include "update/remote_build.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_files.h"

namespace qh {
namespace {

using test::ReadAll;

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
    EXPECT_EQ(s.MaxItems, 5000000);  // an endless number is no number
    EXPECT_EQ(s.PageSize, bytes.startsWith("[Limits]") ? 7 : 20);
    ASSERT_TRUE(ini.IniWrite(u"Limits", u"PageSize", u"30"));
    EXPECT_EQ(ini.IniRead(u"Limits", u"PageSize", QString()), QStringLiteral("30"));
    EXPECT_EQ(ini.IniRead(u"Limits", u"MaxItems", QStringLiteral("-")).size(),
              bytes.startsWith("[Limits]\r\nMaxItems") ? IniFile::kMaxValueChars : 1);
    EXPECT_LT(timer.elapsed(), 30000);
  }
}

// Whatever stands where the settings file should be, the window's start
// neither waits nor appends to it: a pipe (opened by nobody), a folder, a
// device; the start uses the defaults and logs why.
TEST(HostileSettings, WhatStandsForTheFileNeverHoldsUpTheStart) {
  const struct {
    const char* Name;
    std::function<bool(const QString&)> Make;
  } cases[] = {
      {"a pipe",
       [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; }},
      {"a folder", [](const QString& p) { return QDir().mkdir(p); }},
      {"a device", [](const QString& p) { return QFile::link(QStringLiteral("/dev/zero"), p); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QTemporaryDir dir;
    ASSERT_TRUE(c.Make(SettingsPath(dir.path() + u'/')));
    AppState state;
    StartupEnvironment env;
    env.AppDir = dir.path();
    RecordedMessages messages;
    auto start = std::async(std::launch::async, [&] { return RunStartup(state, env, messages); });
    if (start.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "the start waits for the settings file";
      // A writer coming and going frees the blocked open.
      ::close(::open(QFile::encodeName(SettingsPath(dir.path() + u'/')).constData(),
                     O_WRONLY | O_NONBLOCK));
    }
    EXPECT_TRUE(start.get().OpenMainWindow);
    EXPECT_EQ(state.Config, Settings());
    state.Log.Flush();
    EXPECT_TRUE(ReadAll(dir.filePath(QStringLiteral("qzChart.log")))
                    .contains("settings=SKIP not a regular file, defaults used: "));
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
