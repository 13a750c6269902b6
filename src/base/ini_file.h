#pragma once
// A small INI reader/writer with the behaviour of the Windows private-profile
// functions, for the settings file we share with Windows users: section and
// key names match case-insensitively, a write changes one value and keeps
// every other byte of the file, the file is GBK text (or UTF-8 or UTF-16
// after a byte order mark, as Notepad saves it, or UTF-16 without one, told
// by its NUL bytes; each written back the same way). The file is read once,
// when the object is made; a missing, unreadable or oversized file, or a
// pipe or device in its place, reads as defaults.
#include "base/save_file.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace qh {

class IniFile {
 public:
  // The largest value a read returns: the Windows reader's 2,048-character
  // buffer, less its terminating NUL.
  static constexpr qsizetype kMaxValueChars = 2047;

  // A larger file is not read: a settings file never grows that big, and
  // reading a huge one would hold up the start. A write that would make the
  // file larger is refused, so that it stays readable.
  static constexpr qint64 kMaxFileBytes = 1024 * 1024;

  // NotAFile: a folder, pipe, device or socket where the file should be;
  // it is neither opened for reading nor replaced.
  enum class FileState { Missing, Read, Unreadable, TooLarge, NotAFile };
  enum class Encoding { Gbk, Utf8, Utf16Le, Utf16Be };

  IniFile() = default;  // no file: reads give the defaults, writes fail
  explicit IniFile(QString path);
  const QString& Path() const { return path_; }
  FileState State() const { return content_.State; }
  qint64 FileSize() const { return content_.FileSize; }
  Encoding FileEncoding() const { return content_.Encoding; }

  // The value as stored (outer spaces and one pair of enclosing quotes
  // removed, cut at its first NUL), or fallback when the file, the section
  // or the key is missing.
  QString ReadRaw(QStringView section, QStringView key, const QString& fallback) const;

  // ReadRaw through StripSpaces: every space inside the value is lost too.
  QString IniRead(QStringView section, QStringView key, const QString& fallback) const;

  // The value as a whole number (halves to the even neighbour); fallback when
  // it is empty, not a number or outside the 32-bit range.
  int IniReadInt(QStringView section, QStringView key, int fallback) const;

  // Replaces the value in place, or appends the key at the end of its section,
  // or the section at the end of the file; every other line stays byte for
  // byte. The file is read again first, so that changes another program made
  // meanwhile are kept, and saved through SaveFile. A file that could not be
  // read (or is too large, or not a file) is never replaced, nor one that
  // would grow past kMaxFileBytes (then the result's Error is EFBIG). The result says why a write
  // failed; a failure handler, when set, hears of it too.
  SaveResult IniWrite(QStringView section, QStringView key, QStringView value) const;

  // Several IniWrite calls in order, with one save of the file.
  struct Entry {
    QString Section;
    QString Key;
    QString Value;
  };
  SaveResult IniWriteAll(const std::vector<Entry>& entries) const;

  // Told of every failed write, for callers that do not look at the result.
  void SetFailureHandler(std::function<void(const IniFile&, const SaveResult&)> handler) {
    onFailure_ = std::move(handler);
  }

  // The file's text as held: GBK or UTF-8 bytes without a byte order mark.
  struct Content {
    FileState State = FileState::Missing;
    IniFile::Encoding Encoding = IniFile::Encoding::Gbk;
    bool ByteOrderMark = false;  // UTF-16 only: whether the file begins with one
    QByteArray Text;
    qint64 FileSize = 0;
    int Error = 0;  // why it could not be read
  };

 private:
  QString path_;
  // What the file held when last read or written: a write updates it, so a
  // read after a write sees the new value.
  mutable Content content_;
  std::function<void(const IniFile&, const SaveResult&)> onFailure_;
};

// Optional sign, digits with at most one decimal point (at least one digit),
// optional exponent E/e with optional sign and at least one digit.
bool IsIniNumber(QStringView text);

// "#RRGGBB" or "RRGGBB" in any case, spaces ignored, as opaque ARGB; anything
// else gives fallback.
quint32 ParseColor(QStringView text, quint32 fallback);

// "#RRGGBB" in upper case; alpha is dropped.
QString ColorToHex(quint32 argb);

}  // namespace qh
