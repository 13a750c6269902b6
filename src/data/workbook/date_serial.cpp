#include "data/workbook/date_serial.h"

#include <QDate>
#include <QTime>

namespace qh {

namespace {

constexpr double kSecondsPerDay = 86400.0;

std::optional<double> DaySerial(QDate date, bool date1904) {
  if (!date.isValid()) return std::nullopt;
  if (date1904) {
    const qint64 days = QDate(1904, 1, 1).daysTo(date);
    return days < 0 ? std::nullopt : std::optional<double>(double(days));
  }
  qint64 days = QDate(1899, 12, 30).daysTo(date);
  // Serial 60 is the 29 February 1900 that never was; earlier dates sit one lower.
  if (days < 61) --days;
  return days < 1 ? std::nullopt : std::optional<double>(double(days));
}

std::optional<double> TimeFraction(QStringView text) {
  // HH:MM:SS with optional fraction and an optional trailing zone mark
  if (text.endsWith(u'Z')) text.chop(1);
  const qsizetype plus = text.indexOf(u'+');
  if (plus > 0) text.truncate(plus);
  const QTime time = QTime::fromString(text.toString(), Qt::ISODateWithMs);
  if (!time.isValid()) return std::nullopt;
  return time.msecsSinceStartOfDay() / 1000.0 / kSecondsPerDay;
}

}  // namespace

std::optional<double> DateTextToSerial(QStringView text, bool date1904) {
  text = text.trimmed();
  if (text.size() >= 8 && text[2] == u':') return TimeFraction(text);
  if (text.size() < 10 || text[4] != u'-' || text[7] != u'-') return std::nullopt;
  const QDate date = QDate::fromString(text.left(10).toString(), Qt::ISODate);
  auto serial = DaySerial(date, date1904);
  if (!serial || text.size() == 10) return serial;
  if (text[10] != u' ' && text[10] != u'T') return std::nullopt;
  const auto time = TimeFraction(text.mid(11));
  if (!time) return std::nullopt;
  return *serial + *time;
}

}  // namespace qh
