#pragma once
// Little-endian fields for building binary test files (compound files,
// BIFF record streams) byte by byte.
#include <QByteArray>
#include <QtEndian>
#include <bit>

namespace qh::test {

inline QByteArray U16(quint16 v) {
  QByteArray out(2, '\0');
  qToLittleEndian(v, out.data());
  return out;
}

inline QByteArray U32(quint32 v) {
  QByteArray out(4, '\0');
  qToLittleEndian(v, out.data());
  return out;
}

inline QByteArray F64(double v) {
  QByteArray out(8, '\0');
  qToLittleEndian(std::bit_cast<quint64>(v), out.data());
  return out;
}

// One BIFF record: type, length, data.
inline QByteArray BiffRecord(quint16 type, const QByteArray& data) {
  return U16(type) + U16(quint16(data.size())) + data;
}

}  // namespace qh::test
