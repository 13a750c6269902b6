// The program's own executable header: any bytes must give a stamp or 0,
// read from the bytes or from a file alike.
#include "fuzz_support.h"
#include "update/local_version.h"

#include <QDateTime>

namespace {

// The header walk written out plainly, to compare against.
qint64 ExpectedStamp(QByteArrayView b) {
  auto byte = [&](qint64 i) { return static_cast<quint32>(static_cast<quint8>(b[i])); };
  auto word = [&](qint64 i) {
    return byte(i) | byte(i + 1) << 8 | byte(i + 2) << 16 | byte(i + 3) << 24;
  };
  if (b.size() < 65 || b[0] != 'M' || b[1] != 'Z') return 0;
  const qint64 e = word(60);
  if (e == 0 || e > 1000000000 || e + 11 > b.size() - 1) return 0;
  if (b[e] != 'P' || b[e + 1] != 'E') return 0;
  return word(e + 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const qint32 stamp = qh::PeLinkTimeOfBytes(bytes);
  const qint64 expected = ExpectedStamp(bytes);
  // A stamp from 2038 on does not fit; 0 (unreadable) is an accepted answer.
  if (stamp != static_cast<qint32>(expected) && !(expected > INT32_MAX && stamp == 0)) {
    qh::fuzz::Violation("wrong link time stamp");
  }
  if (qh::PeLinkTime(qh::fuzz::WriteInput(data, size, "exe")) != stamp) {
    qh::fuzz::Violation("file and bytes disagree");
  }
  const qh::LocalVersion version =
      qh::LocalVersionFromStamp(stamp, QDateTime(QDate(2024, 5, 2), QTime(8, 0), Qt::UTC));
  if (!version.BuildDate.isValid()) qh::fuzz::Violation("invalid build date");
  return 0;
}
