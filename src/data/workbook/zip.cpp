#include "data/workbook/zip.h"

#include "base/library_calls.h"

#include <QStringDecoder>
#include <cstring>
#include <libdeflate.h>
#include <zip.h>

namespace qh {

namespace {

// libzip (and libcrypto, which it needs), opened by the first workbook
// package: a run that reads a CSV file or an HTML export does not load them.
struct ZipCalls {
  decltype(&zip_discard) discard;
  decltype(&zip_error_fini) error_fini;
  decltype(&zip_error_init) error_init;
  decltype(&zip_fclose) fclose;
  decltype(&zip_fopen_index) fopen_index;
  decltype(&zip_fread) fread;
  decltype(&zip_get_name) get_name;
  decltype(&zip_get_num_entries) get_num_entries;
  decltype(&zip_open_from_source) open_from_source;
  decltype(&zip_source_buffer_create) source_buffer_create;
  decltype(&zip_source_free) source_free;
  decltype(&zip_stat_index) stat_index;
  decltype(&zip_stat_init) stat_init;
};

// Null when libzip or one of its calls cannot be had.
const ZipCalls* LoadZip() {
  return OpenCalls<ZipCalls>(QH_ZIP_LIBRARY, [](LibraryCalls& library, ZipCalls& c) {
    library.Resolve("zip_discard", c.discard);
    library.Resolve("zip_error_fini", c.error_fini);
    library.Resolve("zip_error_init", c.error_init);
    library.Resolve("zip_fclose", c.fclose);
    library.Resolve("zip_fopen_index", c.fopen_index);
    library.Resolve("zip_fread", c.fread);
    library.Resolve("zip_get_name", c.get_name);
    library.Resolve("zip_get_num_entries", c.get_num_entries);
    library.Resolve("zip_open_from_source", c.open_from_source);
    library.Resolve("zip_source_buffer_create", c.source_buffer_create);
    library.Resolve("zip_source_free", c.source_free);
    library.Resolve("zip_stat_index", c.stat_index);
    library.Resolve("zip_stat_init", c.stat_init);
  });
}

// The calls, once LoadZip has opened them: only an opened package and its
// parts call.
const ZipCalls& Zip() { return *LoadZip(); }

constexpr qsizetype kTailBytes = 9;  // "<![CDATA[" is the longest mark looked at
// A cell holds at most 32767 characters, 8 bytes each as character references.
constexpr qint64 kMaxBytesWithoutMarkup = 4 * 1024 * 1024;
constexpr qint64 kReadStep = 1024 * 1024;

// Part names are case-insensitive in a package, and some Windows tools
// write "\" where "/" belongs.
QString PartKey(QString name) { return name.replace(u'\\', u'/').toLower(); }

// "<!" must open a comment or a CDATA section.
bool DeclarationAllowed(QByteArrayView rest) {
  static constexpr QByteArrayView kComment("--");
  static constexpr QByteArrayView kCdata("[CDATA[");
  for (const QByteArrayView mark : {kComment, kCdata}) {
    if (rest.size() >= mark.size() ? rest.startsWith(mark) : mark.startsWith(rest)) return true;
  }
  return false;
}

// Every "<!" in view, found by its rare '!' (a search for the pair, byte
// by byte, was a tenth of the reading of a large sheet).
bool DeclarationsAllowed(QByteArrayView view) {
  const char* const begin = view.data();
  const char* const end = begin + view.size();
  for (const char* at = begin + 1; at < end; ++at) {
    at = static_cast<const char*>(std::memchr(at, '!', size_t(end - at)));
    if (at == nullptr) break;
    if (at[-1] == '<' &&
        !DeclarationAllowed(QByteArrayView(at + 1, qMin<qsizetype>(end - at - 1, 7)))) {
      return false;
    }
  }
  return true;
}

bool StartsWithUtf16Mark(QByteArrayView head) {
  return head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF");
}

// A part written in UTF-16 as UTF-8, its byte order mark and its
// declaration (which names UTF-16, which the text no longer is) left out.
std::optional<QByteArray> Utf16PartToUtf8(QByteArrayView raw) {
  QStringDecoder decoder(raw.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                    : QStringDecoder::Utf16BE);
  QString text = decoder(raw);  // the byte order mark is dropped
  if (decoder.hasError()) return std::nullopt;
  if (text.startsWith(u"<?xml")) {
    const qsizetype end = text.indexOf(u"?>");
    if (end < 0) return std::nullopt;
    text.remove(0, end + 2);
  }
  return text.toUtf8();
}

// The device's markup guards over a whole part at once. Both searches
// look for what is rare: a '<' only once per longest stretch allowed, from
// that stretch's end, and '!', which markup seldom holds.
bool WholePartAllowed(QByteArrayView part) {
  const char* const begin = part.data();
  const char* const end = begin + part.size();
  if (std::memchr(begin, '\0', size_t(part.size())) != nullptr) return false;
  for (const char* from = begin; end - from > kMaxBytesWithoutMarkup;) {
    qsizetype mark = kMaxBytesWithoutMarkup;
    while (mark >= 0 && from[mark] != '<') --mark;
    if (mark < 0) return false;
    from += mark + 1;
  }
  for (const char* at = begin; at != end; ++at) {
    at = static_cast<const char*>(std::memchr(at, '!', size_t(end - at)));
    if (at == nullptr) break;
    if (at != begin && at[-1] == '<' &&
        !DeclarationAllowed(QByteArrayView(at + 1, qMin<qsizetype>(end - at - 1, 7)))) {
      return false;
    }
  }
  return true;
}

}  // namespace

ZipPartDevice::ZipPartDevice(zip_file* file, qint64 maxBytes) : file_(file), maxBytes_(maxBytes) {
  open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

ZipPartDevice::~ZipPartDevice() { Zip().fclose(file_); }

bool ZipPartDevice::atEnd() const { return (finished_ || failed_) && QIODevice::atEnd(); }

qint64 ZipPartDevice::readData(char* data, qint64 maxSize) {
  if (failed_) return -1;
  if (isConverted_) return ServeConverted(data, maxSize);
  if (finished_ || maxSize <= 0) return 0;
  // Inflates a bounded step at a time so the guards see the data early.
  const qint64 step = qMin<qint64>(maxSize, kReadStep);
  const zip_int64_t got = Zip().fread(file_, data, static_cast<zip_uint64_t>(step));
  if (got < 0) return Fail();
  if (got == 0) {
    finished_ = true;
    return 0;
  }
  if (total_ == 0 && StartsWithUtf16Mark(QByteArrayView(data, got))) {
    if (!ConvertUtf16(QByteArray(data, got))) return Fail();
    return ServeConverted(data, maxSize);
  }
  total_ += got;
  if (total_ > maxBytes_ || !MarkupAllowed(data, got)) return Fail();
  return got;
}

bool ZipPartDevice::ConvertUtf16(QByteArray raw) {
  total_ = raw.size();
  constexpr qint64 kChunk = 256 * 1024;
  for (;;) {
    if (total_ > maxBytes_) return false;
    const qsizetype filled = raw.size();
    raw.resize(filled + kChunk);
    const zip_int64_t got = Zip().fread(file_, raw.data() + filled, zip_uint64_t(kChunk));
    if (got < 0) return false;
    raw.truncate(filled + qsizetype(got));
    total_ += got;
    if (got == 0) break;
  }
  auto converted = Utf16PartToUtf8(raw);
  if (!converted) return false;
  converted_ = std::move(*converted);
  raw.clear();
  isConverted_ = true;
  return MarkupAllowed(converted_.constData(), converted_.size());
}

qint64 ZipPartDevice::ServeConverted(char* data, qint64 maxSize) {
  const qint64 count = qMin<qint64>(maxSize, converted_.size() - servedBytes_);
  if (count <= 0) {
    finished_ = true;
    return 0;
  }
  std::memcpy(data, converted_.constData() + servedBytes_, size_t(count));
  servedBytes_ += count;
  return count;
}

qint64 ZipPartDevice::Fail() {
  failed_ = true;
  setErrorString(QStringLiteral("corrupt, oversized or refused part"));
  return -1;
}

bool ZipPartDevice::MarkupAllowed(const char* data, qint64 size) {
  const QByteArrayView chunk(data, size);
  if (chunk.contains('\0')) return false;
  const qsizetype lastMarkup = chunk.lastIndexOf('<');
  bytesSinceMarkup_ = lastMarkup < 0 ? bytesSinceMarkup_ + size : size - lastMarkup;
  if (bytesSinceMarkup_ > kMaxBytesWithoutMarkup) return false;
  // The previous chunk's tail joined to this chunk's head catches a mark
  // split between two reads; the chunk itself is searched in place.
  QByteArray seam = tail_;
  seam.append(chunk.first(qMin<qsizetype>(chunk.size(), kTailBytes)));
  if (!DeclarationsAllowed(seam) || !DeclarationsAllowed(chunk)) return false;
  tail_ = chunk.size() >= kTailBytes ? chunk.last(kTailBytes).toByteArray()
                                     : (tail_ + chunk.toByteArray()).right(kTailBytes);
  return true;
}

ZipPackage::~ZipPackage() {
  if (archive_ != nullptr) Zip().discard(archive_);
}

bool ZipPackage::Open(const QByteArray& bytes) {
  if (LoadZip() == nullptr) return false;
  bytes_ = bytes;
  zip_error_t error;
  Zip().error_init(&error);
  zip_source_t* source =
      Zip().source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &error);
  if (source != nullptr) {
    archive_ = Zip().open_from_source(source, ZIP_RDONLY, &error);
    if (archive_ == nullptr) Zip().source_free(source);
  }
  Zip().error_fini(&error);
  if (archive_ == nullptr) return false;
  const zip_int64_t entries = Zip().get_num_entries(archive_, 0);
  for (zip_int64_t i = 0; i < entries; ++i) {
    const char* entry = Zip().get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
    // The first of two parts with one name wins, as a name lookup finds it.
    if (entry != nullptr) parts_.try_emplace(PartKey(QString::fromUtf8(entry)), i);
  }
  return true;
}

qint64 ZipPackage::LocatePart(const QString& name) const {
  const auto found = parts_.find(PartKey(name));
  return found == parts_.end() ? -1 : found->second;
}

bool ZipPackage::HasPart(const QString& name) const { return LocatePart(name) >= 0; }

qint64 ZipPackage::ClaimedPartSize(const QString& name) const {
  const qint64 index = LocatePart(name);
  zip_stat_t stat;
  Zip().stat_init(&stat);
  if (index < 0 || Zip().stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0 ||
      (stat.valid & ZIP_STAT_SIZE) == 0) {
    return 0;
  }
  return qint64(qMin<zip_uint64_t>(stat.size, zip_uint64_t(kMaxPartBytes)));
}

std::optional<QByteArray> ZipPackage::InflatePart(const QString& name, qint64 maxBytes) const {
  const qint64 index = LocatePart(name);
  zip_stat_t stat;
  Zip().stat_init(&stat);
  constexpr zip_uint64_t kNeeded = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                                   ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
  if (index < 0 || Zip().stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0 ||
      (stat.valid & kNeeded) != kNeeded || stat.encryption_method != ZIP_EM_NONE ||
      (stat.comp_method != ZIP_CM_DEFLATE && stat.comp_method != ZIP_CM_STORE) ||
      stat.size > zip_uint64_t(qMin(maxBytes, kMaxPartBytes)) ||
      stat.comp_size > zip_uint64_t(bytes_.size())) {
    return std::nullopt;
  }
  zip_file_t* file = Zip().fopen_index(archive_, zip_uint64_t(index), ZIP_FL_COMPRESSED);
  if (file == nullptr) return std::nullopt;
  QByteArray part(qsizetype(stat.comp_size), Qt::Uninitialized);
  const zip_int64_t got = Zip().fread(file, part.data(), stat.comp_size);
  Zip().fclose(file);
  if (got != zip_int64_t(stat.comp_size)) return std::nullopt;
  if (stat.comp_method == ZIP_CM_DEFLATE) {
    QByteArray inflated(qsizetype(stat.size), Qt::Uninitialized);
    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    // Without a place for the actual size the call insists on exactly the
    // claimed one.
    if (!decompressor ||
        libdeflate_deflate_decompress(decompressor.get(), part.constData(), size_t(part.size()),
                                      inflated.data(), size_t(inflated.size()),
                                      nullptr) != LIBDEFLATE_SUCCESS) {
      return std::nullopt;
    }
    part = std::move(inflated);
  } else if (stat.size != stat.comp_size) {
    return std::nullopt;
  }
  if (libdeflate_crc32(0, part.constData(), size_t(part.size())) != stat.crc) return std::nullopt;
  if (StartsWithUtf16Mark(part)) {
    auto converted = Utf16PartToUtf8(part);
    if (!converted) return std::nullopt;
    part = std::move(*converted);
  }
  if (!WholePartAllowed(part)) return std::nullopt;
  return part;
}

std::unique_ptr<ZipPartDevice> ZipPackage::OpenPart(const QString& name, qint64 maxBytes) const {
  const qint64 index = LocatePart(name);
  if (index < 0) return nullptr;
  zip_file_t* file = Zip().fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) return nullptr;
  return std::make_unique<ZipPartDevice>(file, maxBytes);
}

}  // namespace qh
