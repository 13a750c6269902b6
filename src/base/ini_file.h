#pragma once
// A small INI reader/writer with the behaviour of the Windows private-profile
// functions, for the settings file we share with Windows users: section and
// key names match case-insensitively, a write changes one value and keeps
// every other byte of the file, the file is GBK text. A missing or unreadable
// file reads as defaults; nothing here ever fails the caller.
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <vector>

namespace qh {

class IniFile {
 public:
  // The largest value a read returns: the Windows reader's 2,048-character
  // buffer, less its terminating NUL.
  static constexpr qsizetype kMaxValueChars = 2047;

  explicit IniFile(QString path) : path_(std::move(path)) {}
  const QString& Path() const { return path_; }

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
  // byte. Saves atomically. False on any error (callers may ignore it).
  bool IniWrite(QStringView section, QStringView key, QStringView value) const;

  // Several IniWrite calls in order, with one save of the file.
  struct Entry {
    QString Section;
    QString Key;
    QString Value;
  };
  bool IniWriteAll(const std::vector<Entry>& entries) const;

 private:
  QString path_;
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
