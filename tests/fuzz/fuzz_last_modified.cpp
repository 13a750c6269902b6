// The update server's Last-Modified header: any text it sends must give a
// date or "no date", and a well-formed date must read back exactly.
#include "fuzz_support.h"
#include "update/remote_build.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A header in the RFC 1123 form for a date the fuzzer picks.
void CheckWellFormed(FuzzedDataProvider& input) {
  const QDate date(input.ConsumeIntegralInRange(1000, 9999), input.ConsumeIntegralInRange(1, 12),
                   1);
  const QDate day = date.addDays(input.ConsumeIntegralInRange(0, date.daysInMonth() - 1));
  const QTime time(input.ConsumeIntegralInRange(0, 23), input.ConsumeIntegralInRange(0, 59),
                   input.ConsumeIntegralInRange(0, 59));
  const QString header = QStringLiteral("Sun, %1 %2 %3 %4 GMT")
                             .arg(day.day(), 2, 10, QChar(u'0'))
                             .arg(QLatin1String(kMonths[day.month() - 1]))
                             .arg(day.year())
                             .arg(time.toString(QStringLiteral("HH:mm:ss")));
  const QDateTime expected(day, time, Qt::UTC);
  if (qh::LastModifiedOf(header) != expected) qh::fuzz::Violation("misread", header);
  const qint32 build = qh::BuildNumberOf(expected);
  const qint64 number =
      day.year() * 1000000LL + day.month() * 10000 + day.day() * 100 + time.hour();
  // A year past 2147 does not fit the 32-bit build number, which then is 0.
  const qint64 wanted = number > INT32_MAX ? 0 : number;
  if (build != wanted) qh::fuzz::Violation("wrong build number for", header);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One byte per character, as the header arrives.
  const QString header =
      QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QDateTime t = qh::LastModifiedOf(header);
  if (t != qh::ZeroDateTime()) {
    if (!t.isValid()) qh::fuzz::Violation("invalid date from", header);
    if (t > qh::ZeroDateTime()) qh::BuildNumberOf(t.addSecs(8 * 3600));
  }
  FuzzedDataProvider input(data, size);
  CheckWellFormed(input);
  return 0;
}
