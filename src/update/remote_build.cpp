#include "update/remote_build.h"

#include <array>

namespace qh {

namespace {

constexpr qsizetype kMinHeaderLength = 29;
constexpr qsizetype kHeaderBufferBytes = 512;  // longer values never fit, as on Windows

// Leading-number reading: optional spaces, then digits; anything else is 0.
int LeadingNumber(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
  int value = 0;
  for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i)
    value = value * 10 + (text[i].unicode() - '0');
  return value;
}

// 1-based positions, as the header layout is usually described.
int NumberAt(QStringView text, int position, int length) {
  return LeadingNumber(text.mid(position - 1, length));
}

}  // namespace

QDateTime ZeroDateTime() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC); }

int MonthNumber(QStringView text) {
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (text == QLatin1String(kMonths[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

QDateTime LastModifiedOf(QStringView header) {
  if (header.size() < kMinHeaderLength || header.size() >= kHeaderBufferBytes)
    return ZeroDateTime();
  const int day = NumberAt(header, 6, 2);
  const int month = MonthNumber(header.mid(8, 3));
  const int year = NumberAt(header, 13, 4);
  if (month == 0 || year == 0) return ZeroDateTime();
  const int hour = NumberAt(header, 18, 2);
  const int minute = NumberAt(header, 21, 2);
  const int second = NumberAt(header, 24, 2);
  // Out-of-range parts roll over like calendar arithmetic (day 0 is the
  // last day of the month before).
  const QDate date = QDate(year, month, 1).addDays(day - 1);
  return QDateTime(date, QTime(0, 0), Qt::UTC).addSecs(qint64(hour) * 3600 + minute * 60 + second);
}

RemoteBuild RemoteBuildOfHeader(QByteArray header) {
  if (const qsizetype nul = header.indexOf('\0'); nul >= 0) header.truncate(nul);
  RemoteBuild result;
  const QDateTime t = LastModifiedOf(QString::fromLatin1(header));
  if (t > ZeroDateTime() && t.date().year() >= 1970) {
    result.BuildNumber = BuildNumberOf(t.addSecs(8 * 3600));  // China time, fixed offset
    result.Ok = result.BuildNumber > 0;
  }
  result.Unreadable = !result.Ok && !header.trimmed().isEmpty();
  return result;
}

}  // namespace qh
