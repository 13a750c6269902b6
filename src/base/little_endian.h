#pragma once
// Little-endian fields of binary file formats (program headers, cursor files,
// workbook records). Callers check that the field lies inside the bytes.
#include <QByteArrayView>
#include <QtEndian>

namespace qh {

inline quint16 ReadLe16(QByteArrayView bytes, qsizetype at) {
  return qFromLittleEndian<quint16>(bytes.data() + at);
}

inline quint32 ReadLe32(QByteArrayView bytes, qsizetype at) {
  return qFromLittleEndian<quint32>(bytes.data() + at);
}

}  // namespace qh
