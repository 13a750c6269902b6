#pragma once
// Read-only access to the parts of a zip package (.xlsx), with the guards an
// untrusted file needs: every part is inflated in chunks and given up once it
// grows past a size limit, whatever its header claims.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <map>
#include <memory>
#include <optional>

struct zip;
struct zip_file;

namespace qh {

// One part of a package, read sequentially. A part written in UTF-16 (with
// its byte order mark) is read whole and handed out as UTF-8 without its
// XML declaration. Reading fails (read() gives -1
// and Failed() turns true) on a corrupt stream, past the size limit, and on
// markup this program never accepts in a package part: NUL bytes (UTF-16
// text), "<!" declarations other than comments and CDATA (a DOCTYPE or
// ENTITY declaration is how hostile XML attacks a parser), and a stretch
// without any markup longer than any cell text can be (a cheap bomb that
// would otherwise become one enormous text token).
class ZipPartDevice final : public QIODevice {
 public:
  ZipPartDevice(zip_file* file, qint64 maxBytes);
  ~ZipPartDevice() override;

  bool isSequential() const override { return true; }
  bool atEnd() const override;
  bool Failed() const { return failed_; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  qint64 Fail();
  bool MarkupAllowed(const char* data, qint64 size);
  bool ConvertUtf16(QByteArray raw);
  qint64 ServeConverted(char* data, qint64 maxSize);

  zip_file* file_;
  qint64 maxBytes_;
  qint64 total_ = 0;
  qint64 bytesSinceMarkup_ = 0;
  QByteArray tail_;  // last bytes of the previous chunk, for marks split across reads
  bool finished_ = false;
  bool failed_ = false;
  bool isConverted_ = false;
  QByteArray converted_;  // a UTF-16 part as UTF-8
  qsizetype servedBytes_ = 0;
};

class ZipPackage {
 public:
  static constexpr qint64 kMaxPartBytes = 200LL * 1024 * 1024;

  ZipPackage() = default;
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  // Reads from bytes, which the package keeps for its lifetime.
  bool Open(const QByteArray& bytes);
  bool HasPart(const QString& name) const;
  // A device that inflates the part while it is read; nullptr when the
  // part is missing or cannot be opened. The package must outlive it.
  std::unique_ptr<class ZipPartDevice> OpenPart(const QString& name,
                                                qint64 maxBytes = kMaxPartBytes) const;
  // The inflated size the archive claims for the part: a hint only, 0 when
  // it claims none.
  qint64 ClaimedPartSize(const QString& name) const;
  // The whole part inflated at once, several times faster than through a
  // device, with the device's guards and UTF-16 conversion: when the entry
  // is stored or deflated, not encrypted, its claimed size at most maxBytes
  // and its size and checksum as claimed. Otherwise, or when a guard
  // refuses it, nullopt: the device then has the final word.
  std::optional<QByteArray> InflatePart(const QString& name, qint64 maxBytes) const;

 private:
  // The index of the part of that name, -1 when there is none.
  qint64 LocatePart(const QString& name) const;

  QByteArray bytes_;
  zip* archive_ = nullptr;
  std::map<QString, qint64> parts_;  // by name in lower case, "\\" read as "/"
};

}  // namespace qh
