#include "update/pe_image.h"

#include <QFile>

#include "base/little_endian.h"

namespace qh {

namespace {

// PE fields, relative to the "PE\0\0" signature.
constexpr qsizetype kPeOffsetField = 60;
constexpr quint32 kMaxPeOffset = 1000000000;
constexpr qsizetype kPeMachine = 4;
constexpr qsizetype kPeSections = 6;
constexpr qsizetype kPeOptionalSize = 20;
constexpr qsizetype kPeCharacteristics = 22;
constexpr qsizetype kPeOptionalMagic = 24;
constexpr qsizetype kPeSectionBytes = 40;
constexpr quint32 kPeExecutableImage = 0x0002;
constexpr quint32 kPeDll = 0x2000;

struct PeHeader {
  quint64 Machine = 0, Magic = 0;
  bool Whole = false;  // an executable image with its section table inside the file
};

PeHeader ReadPe(QByteArrayView head, qint64 fileSize) {
  PeHeader h;
  if (!IsPeImage(head) || head.size() < kPeOffsetField + 4) return h;
  const quint64 e = ReadLe32(head, kPeOffsetField);
  if (e < kPeOffsetField + 4 || e + kPeOptionalMagic + 2 > quint64(head.size())) return h;
  const auto at = qsizetype(e);
  if (head.sliced(at, 4) != QByteArrayView("PE\0\0", 4)) return h;
  h.Machine = ReadLe16(head, at + kPeMachine);
  h.Magic = ReadLe16(head, at + kPeOptionalMagic);
  const quint64 sections = ReadLe16(head, at + kPeSections);
  const quint64 optional = ReadLe16(head, at + kPeOptionalSize);
  const quint64 flags = ReadLe16(head, at + kPeCharacteristics);
  const quint64 tableEnd = e + kPeOptionalMagic + optional + sections * kPeSectionBytes;
  h.Whole = (flags & kPeExecutableImage) != 0 && (flags & kPeDll) == 0 && sections > 0 &&
            tableEnd <= quint64(fileSize);
  return h;
}

}  // namespace

qint32 PeLinkTimeOfBytes(QByteArrayView bytes) {
  if (bytes.size() < kPeOffsetField + 5) return 0;
  if (bytes[0] != 'M' || bytes[1] != 'Z') return 0;
  const quint32 e = ReadLe32(bytes, kPeOffsetField);
  if (e == 0 || e > kMaxPeOffset) return 0;
  if (qsizetype(e) + 11 > bytes.size() - 1) return 0;
  if (bytes[e] != 'P' || bytes[e + 1] != 'E') return 0;
  return static_cast<qint32>(ReadLe32(bytes, e + 8));
}

qint32 PeLinkTime(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return 0;
  return PeLinkTimeOfBytes(file.readAll());
}

bool IsPeImage(QByteArrayView head) { return head.startsWith("MZ"); }

bool PeImageMatches(QByteArrayView candidate, qint64 candidateSize, QByteArrayView running) {
  const PeHeader c = ReadPe(candidate, candidateSize);
  const PeHeader r = ReadPe(running, running.size());
  return c.Whole && c.Machine == r.Machine && c.Magic == r.Magic;
}

}  // namespace qh
