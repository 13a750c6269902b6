#include "data/workbook/cfb.h"

#include <gtest/gtest.h>
#include <vector>

#include "support/le_bytes.h"

namespace qh {
namespace {

constexpr quint32 kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSector = 0xFFFFFFFD;

using test::U16;
using test::U32;

QByteArray Entry(const QString& name, quint8 type, quint32 start, quint32 size,
                 quint32 child = kFree, quint32 right = kFree) {
  QByteArray encoded;
  for (QChar c : name + QChar(u'\0')) encoded += U16(c.unicode());
  return encoded.leftJustified(64, '\0') + U16(quint16(encoded.size())) + char(type) + '\x01' +
         U32(kFree) + U32(right) + U32(child) + QByteArray(36, '\0') + U32(start) + U32(size) +
         U32(0);
}

struct Layout {
  int Shift = 9;  // 512-byte sectors (version 3) or 4096 (version 4)
  QString Name = u"Workbook"_qs;
  qsizetype StreamBytes = 5000;  // under 4096: in the mini stream
  bool Loop = false;             // the stream's chain points back at its start
  quint32 ClaimedExtra = 0;      // the entry claims this much more than the chain holds
  // An embedded object's storage, listed first, holding a stream of the
  // same name: the first 4096 bytes of the stream.
  bool Embedded = false;
  qsizetype CutBytes = 0;  // taken off the end of the file
  bool Unlinked = false;   // the root entry does not name its child
};

// A compound file with one stream of bytes 0, 1, 2, ... Sector 0 holds the
// allocation table, sector 1 the directory, then the mini table and mini
// stream or the stream itself.
QByteArray Compound(const Layout& l, QByteArray& stream) {
  const qsizetype sector = qsizetype(1) << l.Shift;
  stream.clear();
  for (qsizetype i = 0; i < l.StreamBytes; ++i) stream += char(i * 7 % 251);
  std::vector<quint32> fat{kFatSector, kEnd};
  std::vector<QByteArray> sectors(2);
  auto chain = [&](const QByteArray& data) {
    const quint32 first = quint32(sectors.size());
    const qsizetype count = qMax<qsizetype>(1, (data.size() + sector - 1) / sector);
    for (qsizetype i = 0; i < count; ++i) {
      sectors.push_back(data.mid(i * sector, sector).leftJustified(sector, '\0'));
      fat.push_back(i + 1 < count ? quint32(sectors.size()) : (l.Loop ? first : kEnd));
    }
    return first;
  };
  const bool mini = l.StreamBytes < 4096;
  quint32 miniFat = kEnd, rootStart = kEnd, rootSize = 0, start = 0;
  if (mini) {
    QByteArray table;
    const qsizetype count = (stream.size() + 63) / 64;
    for (qsizetype i = 0; i < count; ++i) table += U32(i + 1 < count ? quint32(i + 1) : kEnd);
    miniFat = chain(table);
    const QByteArray container = stream.leftJustified(count * 64, '\0');
    rootStart = chain(container);
    rootSize = quint32(container.size());
  } else {
    start = chain(stream);
  }
  QByteArray directory = Entry(u"Root Entry"_qs, 5, rootStart, rootSize, l.Unlinked ? kFree : 1);
  if (l.Embedded) {
    directory += Entry(u"MBD0001"_qs, 1, 0, 0, 2, 3) + Entry(l.Name, 2, start, 4096);
  }
  directory += Entry(l.Name, 2, start, quint32(stream.size()) + l.ClaimedExtra);
  sectors[1] = directory.leftJustified(sector, '\0');
  for (quint32 f : fat) sectors[0] += U32(f);
  sectors[0] = sectors[0].leftJustified(sector, '\xFF');
  QByteArray header = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(16, '\0') + U16(0x3E) +
                      U16(l.Shift == 12 ? 4 : 3) + U16(0xFFFE) + U16(quint16(l.Shift)) + U16(6) +
                      QByteArray(6, '\0') + U32(0) + U32(1) + U32(1) + U32(0) + U32(4096) +
                      U32(miniFat) + U32(mini ? 1 : 0) + U32(kEnd) + U32(0) + U32(0);
  header = header.leftJustified(512, '\xFF').leftJustified(sector, '\0');
  QByteArray file = header;
  for (const QByteArray& s : sectors) file += s;
  file.chop(l.CutBytes);
  return file;
}

TEST(CompoundStream, FindsTheStreamInEveryLayout) {
  struct Case {
    const char* Name;
    qh::Layout Layout;
    bool Found;
  };
  const Case cases[] = {
      {"512-byte sectors", {}, true},
      // Version 4: the header takes a whole 4096-byte sector, and sector 0
      // starts after it.
      {"4096-byte sectors", {.Shift = 12, .StreamBytes = 20000}, true},
      {"a small stream in the mini stream", {.StreamBytes = 700}, true},
      {"the name in other letter case", {.Name = u"WORKBOOK"_qs}, true},
      {"another stream only", {.Name = u"Book"_qs}, false},
      {"a looping chain", {.Loop = true}, false},
      {"a size beyond the chain", {.ClaimedExtra = 600}, false},
      {"not the stream of an embedded object", {.Embedded = true}, true},
      {"a tree left unlinked, without storages", {.Unlinked = true}, true},
      {"a tree left unlinked, with a storage", {.Embedded = true, .Unlinked = true}, false},
      // The last sector holds 392 bytes of the stream, then padding.
      {"padding of the last sector cut off", {.CutBytes = 100}, true},
      {"the stream's own end cut off", {.CutBytes = 130}, false},
      // The mini stream ends 4 bytes into its last mini sector, 190 bytes
      // into the file's last sector.
      {"mini stream padding cut off", {.StreamBytes = 700, .CutBytes = 322}, true},
      {"mini stream's own end cut off", {.StreamBytes = 700, .CutBytes = 330}, false},
  };
  for (const Case& c : cases) {
    QByteArray stream;
    const QByteArray file = Compound(c.Layout, stream);
    const auto read = ReadCompoundStream(file, u"Workbook");
    EXPECT_EQ(read.has_value(), c.Found) << c.Name;
    if (read && c.Found) {
      EXPECT_EQ(*read, stream) << c.Name;
    }
  }
}

TEST(CompoundStream, DamagedHeadersAreRefused) {
  QByteArray stream;
  const QByteArray good = Compound({}, stream);
  struct Case {
    const char* Name;
    QByteArray File;
  };
  QByteArray badShift = good;
  badShift[0x1E] = 10;
  QByteArray tooManyFatSectors = good;
  qToLittleEndian<quint32>(0x7FFFFFFF, tooManyFatSectors.data() + 0x2C);
  QByteArray fatOutside = good;
  qToLittleEndian<quint32>(5000, fatOutside.data() + 0x4C);
  const Case cases[] = {
      {"empty", {}},
      {"header only", good.left(512)},
      {"not a compound file", QByteArray(2048, 'x')},
      {"unknown sector size", badShift},
      {"more table sectors than the file has", tooManyFatSectors},
      {"table sector outside the file", fatOutside},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(ReadCompoundStream(c.File, u"Workbook").has_value()) << c.Name;
}

}  // namespace
}  // namespace qh
