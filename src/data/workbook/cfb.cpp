#include "data/workbook/cfb.h"

#include "base/little_endian.h"

#include <QtEndian>
#include <vector>

namespace qh {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kMaxRegularSector = 0xFFFFFFFA;
constexpr qsizetype kHeaderSize = 512;
constexpr int kHeaderDifatEntries = 109;
constexpr qsizetype kDirectoryEntrySize = 128;
constexpr quint8 kStorageEntry = 1;
constexpr quint8 kStreamEntry = 2;
constexpr quint8 kRootEntry = 5;

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

quint16 U16(QByteArrayView data, qsizetype at) { return ReadLe16(data, at); }
quint32 U32(QByteArrayView data, qsizetype at) { return ReadLe32(data, at); }

class CompoundFile {
 public:
  explicit CompoundFile(QByteArrayView file) : file_(file) {}

  bool ReadHeader() {
    if (file_.size() < kHeaderSize || !IsCompoundFile(file_)) return false;
    const quint16 sectorShift = U16(file_, 0x1E);
    const quint16 miniShift = U16(file_, 0x20);
    if ((sectorShift != 9 && sectorShift != 12) || miniShift != 6) return false;
    sectorSize_ = qsizetype(1) << sectorShift;
    // Sector 0 follows the header, which fills a whole first sector (4096
    // bytes in version 4 files, of which the header uses 512).
    if (file_.size() <= sectorSize_) return false;
    sectorCount_ = (file_.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    miniCutoff_ = U32(file_, 0x38);
    return ReadFat() && ReadMiniFat();
  }

  // A stream of the root storage. Streams inside sub-storages (an embedded
  // object's own "Workbook") are never taken for it.
  std::optional<QByteArray> Stream(QStringView name) const {
    const auto directory = ChainData(U32(file_, 0x30), fat_);
    if (!directory || directory->size() < kDirectoryEntrySize ||
        quint8(directory->at(0x42)) != kRootEntry) {
      return std::nullopt;
    }
    const qsizetype at = FindInRootStorage(*directory, name);
    if (at < 0) return std::nullopt;
    const quint32 start = U32(*directory, at + 0x74);
    const quint32 size = U32(*directory, at + 0x78);
    if (size >= miniCutoff_) return Sized(ChainData(start, fat_), size);
    // The root entry holds the mini stream.
    const auto miniStream = ChainData(U32(*directory, 0x74), fat_);
    if (!miniStream) return std::nullopt;
    return Sized(MiniChainData(*miniStream, start), size);
  }

 private:
  // The offset of the stream entry called name among the root's children:
  // a tree through the left and right sibling links, starting at the
  // root's child. Each entry is visited at most once, so a looping tree
  // ends. -1 when there is none.
  static qsizetype FindInRootStorage(QByteArrayView directory, QStringView name) {
    const qsizetype entries = directory.size() / kDirectoryEntrySize;
    std::vector<bool> visited(size_t(entries), false);
    std::vector<quint32> pending{U32(directory, 0x4C)};
    while (!pending.empty()) {
      const quint32 index = pending.back();
      pending.pop_back();
      if (index >= quint32(entries) || visited[index]) continue;
      visited[index] = true;
      const qsizetype at = qsizetype(index) * kDirectoryEntrySize;
      if (quint8(directory[at + 0x42]) == kStreamEntry &&
          EntryName(directory, at).compare(name, Qt::CaseInsensitive) == 0) {
        return at;
      }
      pending.push_back(U32(directory, at + 0x44));
      pending.push_back(U32(directory, at + 0x48));
    }
    return HasStorages(directory) ? -1 : FindAnywhere(directory, name);
  }

  // Writers that leave the tree unlinked exist; in a file without
  // sub-storages every stream belongs to the root.
  static bool HasStorages(QByteArrayView directory) {
    for (qsizetype at = 0; at + kDirectoryEntrySize <= directory.size();
         at += kDirectoryEntrySize) {
      if (quint8(directory[at + 0x42]) == kStorageEntry) return true;
    }
    return false;
  }

  static qsizetype FindAnywhere(QByteArrayView directory, QStringView name) {
    for (qsizetype at = 0; at + kDirectoryEntrySize <= directory.size();
         at += kDirectoryEntrySize) {
      if (quint8(directory[at + 0x42]) == kStreamEntry &&
          EntryName(directory, at).compare(name, Qt::CaseInsensitive) == 0) {
        return at;
      }
    }
    return -1;
  }

  static QString EntryName(QByteArrayView directory, qsizetype at) {
    const int bytes = qMin<int>(U16(directory, at + 0x40), 64);
    QString name;
    for (int i = 0; i + 1 < bytes; i += 2) {
      const char16_t c = U16(directory, at + i);
      if (c == 0) break;
      name.append(QChar(c));
    }
    return name;
  }

  static std::optional<QByteArray> Sized(std::optional<QByteArray> data, quint32 size) {
    if (!data || data->size() < qsizetype(size)) return std::nullopt;
    data->truncate(size);
    return data;
  }

  bool SectorValid(quint32 sector) const { return sector < quint32(sectorCount_); }

  QByteArrayView Sector(quint32 sector) const {
    const qsizetype start = (qsizetype(sector) + 1) * sectorSize_;
    return file_.sliced(start, qMin(sectorSize_, file_.size() - start));
  }

  void AppendFatSector(quint32 sector) {
    const QByteArrayView bytes = Sector(sector);
    for (qsizetype at = 0; at + 4 <= bytes.size(); at += 4) {
      fat_.push_back(qFromLittleEndian<quint32>(bytes.data() + at));
    }
  }

  bool ReadFat() {
    const quint32 fatSectors = U32(file_, 0x2C);
    if (fatSectors > quint32(sectorCount_)) return false;
    std::vector<quint32> difat;
    for (int i = 0; i < kHeaderDifatEntries && difat.size() < fatSectors; ++i) {
      difat.push_back(U32(file_, 0x4C + i * 4));
    }
    quint32 next = U32(file_, 0x44);
    const qsizetype perSector = sectorSize_ / 4 - 1;
    for (qsizetype guard = 0; difat.size() < fatSectors && SectorValid(next); ++guard) {
      if (guard > sectorCount_) return false;
      const QByteArrayView bytes = Sector(next);
      if (bytes.size() < sectorSize_) return false;  // cut off inside the sector
      for (qsizetype i = 0; i < perSector && difat.size() < fatSectors; ++i) {
        difat.push_back(qFromLittleEndian<quint32>(bytes.data() + i * 4));
      }
      next = qFromLittleEndian<quint32>(bytes.data() + perSector * 4);
    }
    for (quint32 sector : difat) {
      if (!SectorValid(sector)) return false;
      AppendFatSector(sector);
    }
    return !fat_.empty();
  }

  bool ReadMiniFat() {
    const auto data = ChainData(U32(file_, 0x3C), fat_);
    if (data) {
      for (qsizetype at = 0; at + 4 <= data->size(); at += 4) miniFat_.push_back(U32(*data, at));
    }
    return true;  // a file without small streams has no mini FAT
  }

  std::optional<QByteArray> ChainData(quint32 sector, const std::vector<quint32>& fat) const {
    QByteArray out;
    for (qsizetype steps = 0; sector != kEndOfChain; ++steps) {
      if (sector > kMaxRegularSector || !SectorValid(sector) || sector >= fat.size() ||
          steps > sectorCount_) {
        return std::nullopt;
      }
      out.append(Sector(sector));
      sector = fat[sector];
    }
    return out;
  }

  std::optional<QByteArray> MiniChainData(const QByteArray& miniStream, quint32 sector) const {
    constexpr qsizetype kMiniSector = 64;
    QByteArray out;
    // A file cut short inside its last sector may end inside a mini sector:
    // what is there is kept, and the stream's size decides.
    const qsizetype limit = (miniStream.size() + kMiniSector - 1) / kMiniSector;
    for (qsizetype steps = 0; sector != kEndOfChain; ++steps) {
      if (sector >= miniFat_.size() || qsizetype(sector) >= limit || steps > limit) {
        return std::nullopt;
      }
      const qsizetype at = qsizetype(sector) * kMiniSector;
      out.append(QByteArrayView(miniStream).sliced(at, qMin(kMiniSector, miniStream.size() - at)));
      sector = miniFat_[sector];
    }
    return out;
  }

  QByteArrayView file_;
  qsizetype sectorSize_ = 512;
  qsizetype sectorCount_ = 0;
  quint32 miniCutoff_ = 4096;
  std::vector<quint32> fat_;
  std::vector<quint32> miniFat_;
};

}  // namespace

bool IsCompoundFile(QByteArrayView file) { return file.startsWith(QByteArrayView(kSignature, 8)); }

std::optional<QByteArray> ReadCompoundStream(QByteArrayView file, QStringView name) {
  CompoundFile compound(file);
  if (!compound.ReadHeader()) return std::nullopt;
  return compound.Stream(name);
}

}  // namespace qh
