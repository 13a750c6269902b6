// Build numbers from the remote Last-Modified text (read for the log) and the
// local link time.
#include <gtest/gtest.h>

#include <string_view>

#include "update/local_version.h"
#include "update/remote_build.h"

namespace qh {
namespace {

using namespace std::string_view_literals;

struct HeaderCase {
  std::string_view Header;
  qint32 BuildNumber;  // at UTC+8; 0 = no usable time
};

TEST(RemoteBuildTest, LastModifiedAtChinaTime) {
  // clang-format off
  const HeaderCase cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 1994110616},
      {"Mon, 31 Dec 2023 20:00:00 GMT", 2024010104},  // crosses midnight and the year
      {"Thu, 02 May 2024 15:59:59 GMT", 2024050223},  // minutes never round up
      {"Sun, 00 Mar 2024 10:00:00 GMT", 2024022918},  // day 0 = last day of February
      {"Sun, 06 nov 1994 08:49:37 GMT", 0},           // month names are case-sensitive
      {"Sun, 06 Nov 1994 08:49:37 GM", 0},            // 28 characters
      {"Sunday, 06-Nov-94 08:49:37 GMT", 1994110616},  // RFC 850, as HTTP allows
      {"Sun Nov  6 08:49:37 1994", 1994110616},        // asctime, as HTTP allows
      {"Thursday, 31-Dec-26 20:00:00 GMT", 2027010104},
      {"Sunday, 31-Feb-94 08:49:37 GMT", 0},           // obsolete forms never roll over
      {"Sun, 06 Nov xxxx 08:49:37 GMT", 0},           // no year
      {"Sun, 06 Nov 1994 08:49:37 GMT\0trailing"sv, 1994110616},  // text ends at NUL
      {"Sun, 06 Nov 94 08:49:37 GMT", 0},            // a two-digit year: year 94 is no date
      {"Sun, 06 Nov\0 1994 08:49:37 GMT"sv, 0},
      {"", 0},
  };
  // clang-format on
  for (const HeaderCase& c : cases) {
    const RemoteBuild remote =
        RemoteBuildOfHeader(QByteArray(c.Header.data(), qsizetype(c.Header.size())));
    EXPECT_EQ(remote.BuildNumber, c.BuildNumber) << c.Header;
    EXPECT_EQ(remote.Ok, c.BuildNumber != 0) << c.Header;
  }
}

TEST(RemoteBuildTest, MonthNumberIsExact) {
  EXPECT_EQ(MonthNumber(u"Jan"), 1);
  EXPECT_EQ(MonthNumber(u"Dec"), 12);
  EXPECT_EQ(MonthNumber(u"DEC"), 0);
  EXPECT_EQ(MonthNumber(u"De"), 0);
}

TEST(RemoteBuildTest, YearsBeyondTheNumberRangeGiveZero) {
  EXPECT_EQ(BuildNumberOf(QDateTime(QDate(2147, 12, 31), QTime(23, 0), Qt::UTC)), 2147123123);
  EXPECT_EQ(BuildNumberOf(QDateTime(QDate(9999, 1, 1), QTime(0, 0), Qt::UTC)), 0);
}

struct StampCase {
  qint64 Stamp;
  qint32 BuildNumber;
  const char* VersionText;
};

TEST(LocalVersionTest, LinkStampAtChinaTime) {
  const QDateTime now(QDate(2030, 7, 8), QTime(9, 41), Qt::LocalTime);
  const StampCase cases[] = {
      {1714640000, 2024050216, "24.05.02.16"},
      {1704054600, 2024010104, "24.01.01.04"},  // rolls over into the new year
      {0, 2030070809, "30.07.08.09"},           // unreadable: now
      {-5, 2030070809, "30.07.08.09"},
      {2147483648LL, 2030070809, "30.07.08.09"},  // past 2038 does not fit
  };
  for (const StampCase& c : cases) {
    const LocalVersion v = LocalVersionFromStamp(c.Stamp, now);
    EXPECT_EQ(v.BuildNumber, c.BuildNumber) << c.Stamp;
    EXPECT_EQ(VersionTextOfDate(v.BuildDate), QString::fromLatin1(c.VersionText)) << c.Stamp;
    EXPECT_EQ(VersionText(v.BuildNumber), QString::fromLatin1(c.VersionText)) << c.Stamp;
  }
}

TEST(LocalVersionTest, VersionTextsReadBack) {
  const std::pair<qint32, const char*> cases[] = {
      {2024050216, "24.05.02.16"},
      {2099123123, "99.12.31.23"},
      {2100010100, "2100.01.01.00"},  // past 2099 in full, never "00"
      {2147123123, "2147.12.31.23"},
  };
  for (const auto& [number, text] : cases) {
    EXPECT_EQ(VersionText(number), QString::fromLatin1(text));
    EXPECT_EQ(BuildNumberOfVersionText(QString::fromLatin1(text)), number) << text;
  }
  EXPECT_EQ(VersionTextOfDate(QDateTime(QDate(2100, 3, 4), QTime(5, 0))), u"2100.03.04.05"_qs);
}

TEST(LocalVersionTest, RunningVersionIsComputedOnce) {
  EXPECT_GT(LocalBuildNumber(), 2000000000);
  EXPECT_EQ(&RunningLocalVersion(), &RunningLocalVersion());
  EXPECT_EQ(LocalVersionText(), VersionText(LocalBuildNumber()));
}

QByteArray PeImage(quint32 peOffset, qsizetype size, quint32 stamp) {
  QByteArray bytes(size, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  for (int i = 0; i < 4; ++i) bytes[60 + i] = char(peOffset >> (8 * i));
  if (qsizetype(peOffset) + 12 <= size) {
    bytes[peOffset] = 'P';
    bytes[peOffset + 1] = 'E';
    for (int i = 0; i < 4; ++i) bytes[qsizetype(peOffset) + 8 + i] = char(stamp >> (8 * i));
  }
  return bytes;
}

TEST(LocalVersionTest, PeLinkTimeChecksEveryBound) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    qint32 Stamp;
  } cases[] = {
      {"plain", PeImage(128, 512, 1714640000), 1714640000},
      {"stamp ends the file", PeImage(128, 140, 1714640000), 1714640000},
      {"one byte short", PeImage(128, 139, 1714640000), 0},
      {"64 bytes", PeImage(128, 64, 1714640000).left(64), 0},
      {"offset 0", PeImage(0, 512, 1714640000), 0},
      {"offset beyond 1e9", PeImage(1000000001, 512, 1714640000), 0},
      {"offset near 4 GiB", PeImage(0xFFFFFFF0u, 512, 1714640000), 0},
      {"no MZ", PeImage(128, 512, 1714640000).replace(0, 2, "ZM"), 0},
      {"no PE", PeImage(128, 512, 1714640000).replace(128, 2, "EP"), 0},
      {"stamp past 2038 is negative", PeImage(128, 512, 0x80000000u), qint32(0x80000000u)},
  };
  for (const Case& c : cases) EXPECT_EQ(PeLinkTimeOfBytes(c.Bytes), c.Stamp) << c.Name;
  EXPECT_EQ(PeLinkTime(QStringLiteral("/nonexistent/chart.exe")), 0);
}

}  // namespace
}  // namespace qh
