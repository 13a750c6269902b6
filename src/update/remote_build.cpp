#include "update/remote_build.h"

#include <QRegularExpression>
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

namespace {

// The two obsolete forms HTTP still allows: RFC 850
// ("Sunday, 06-Nov-94 08:49:37 GMT", a two-digit year) and asctime
// ("Sun Nov  6 08:49:37 1994"). Read whole, never rolled over.
QDateTime ObsoleteHttpDate(QStringView header) {
  static const QRegularExpression rfc850(QStringLiteral(
      R"(^[A-Z][a-z]+day, (\d\d)-([A-Z][a-z][a-z])-(\d\d) (\d\d):(\d\d):(\d\d) GMT$)"));
  static const QRegularExpression asctime(QStringLiteral(
      R"(^[A-Z][a-z][a-z] ([A-Z][a-z][a-z]) ([ \d]\d) (\d\d):(\d\d):(\d\d) (\d{4})$)"));
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (const auto m = rfc850.match(header.toString()); m.hasMatch()) {
    day = m.captured(1).toInt();
    month = MonthNumber(m.capturedView(2));
    // Two digits: the nearest century that is not more than 50 years ahead.
    year = 2000 + m.captured(3).toInt();
    if (year > QDate::currentDate().year() + 50) year -= 100;
    hour = m.captured(4).toInt();
    minute = m.captured(5).toInt();
    second = m.captured(6).toInt();
  } else if (const auto a = asctime.match(header.toString()); a.hasMatch()) {
    month = MonthNumber(a.capturedView(1));
    day = a.captured(2).trimmed().toInt();
    hour = a.captured(3).toInt();
    minute = a.captured(4).toInt();
    second = a.captured(5).toInt();
    year = a.captured(6).toInt();
  } else {
    return ZeroDateTime();
  }
  const QDate date(year, month, day);
  const QTime time(hour, minute, second);
  if (!date.isValid() || !time.isValid()) return ZeroDateTime();
  return QDateTime(date, time, Qt::UTC);
}

}  // namespace

QDateTime LastModifiedOf(QStringView header) {
  if (header.size() >= kHeaderBufferBytes) return ZeroDateTime();
  if (header.size() < kMinHeaderLength || header[3] != u',') return ObsoleteHttpDate(header);
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
