#include "update/build_number.h"

#include <limits>

namespace qh {

qint32 BuildNumberOf(const QDateTime& date) {
  const QDate d = date.date();
  const qint64 n =
      qint64(d.year()) * 1000000 + d.month() * 10000 + d.day() * 100 + date.time().hour();
  if (n < 0 || n > std::numeric_limits<qint32>::max()) return 0;
  return static_cast<qint32>(n);
}

}  // namespace qh
