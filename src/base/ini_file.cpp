#include "base/ini_file.h"

#include "base/code_page.h"
#include "base/text_utils.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace qh {

namespace {

// One line of the raw file: [begin, textEnd) is its text, [textEnd, end) its
// line break (CR LF, LF, lone CR or nothing on the last line).
struct RawLine {
  qsizetype begin = 0;
  qsizetype textEnd = 0;
  qsizetype end = 0;
};

// The line that starts at pos (pos < data.size()).
RawLine LineAt(const QByteArray& data, qsizetype pos) {
  const qsizetype size = data.size();
  RawLine line;
  line.begin = pos;
  while (pos < size && data[pos] != '\n' && data[pos] != '\r') ++pos;
  line.textEnd = pos;
  if (pos < size && data[pos] == '\r') ++pos;
  if (pos < size && data[pos] == '\n') ++pos;
  line.end = pos;
  return line;
}

// The line break the file already uses, so that added lines match it. Only
// a one-line file can lack one on its first line.
QByteArray FileLineBreak(const QByteArray& data) {
  if (data.isEmpty()) return QByteArrayLiteral("\r\n");
  const RawLine first = LineAt(data, 0);
  if (first.end == first.textEnd) return QByteArrayLiteral("\r\n");
  return data.mid(first.textEnd, first.end - first.textEnd);
}

bool IsAsciiSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

QStringView TrimAscii(QStringView text) {
  qsizetype b = 0, e = text.size();
  while (b < e && IsAsciiSpace(text[b])) ++b;
  while (e > b && IsAsciiSpace(text[e - 1])) --e;
  return text.mid(b, e - b);
}

QString DecodeLine(const QByteArray& data, const RawLine& line) {
  qsizetype begin = line.begin;
  // A UTF-8 byte order mark would otherwise hide the first section header.
  if (begin == 0 && data.startsWith("\xEF\xBB\xBF")) begin = qMin<qsizetype>(3, line.textEnd);
  const QByteArrayView bytes(data.constData() + begin, line.textEnd - begin);
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return DecodeGbk(bytes);
  }
  return QString::fromLatin1(bytes.data(), bytes.size());
}

bool SameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The section name of a "[name]" line.
std::optional<QString> SectionName(QStringView lineText) {
  const QStringView t = TrimAscii(lineText);
  if (!t.startsWith(u'[')) return std::nullopt;
  const qsizetype close = t.lastIndexOf(u']');
  if (close < 1) return std::nullopt;
  return TrimAscii(t.mid(1, close - 1)).toString();
}

struct KeyLine {
  QString key;
  QString value;
};

std::optional<KeyLine> ParseKeyLine(QStringView lineText) {
  const QStringView t = TrimAscii(lineText);
  if (t.isEmpty() || t.front() == u';') return std::nullopt;
  const qsizetype eq = t.indexOf(u'=');
  if (eq < 0) return std::nullopt;
  QStringView value = TrimAscii(t.mid(eq + 1));
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\'')) {
    value = value.mid(1, value.size() - 2);
  }
  return KeyLine{TrimAscii(t.left(eq)).toString(), value.toString()};
}

// Only lines whose first visible byte is "[" can open a section; checking the
// byte first keeps a huge value line from being decoded needlessly.
bool MayBeSection(const QByteArray& data, const RawLine& line) {
  qsizetype pos = line.begin;
  if (pos == 0 && data.startsWith("\xEF\xBB\xBF")) pos = qMin<qsizetype>(3, line.textEnd);
  while (pos < line.textEnd && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
  return pos < line.textEnd && data[pos] == '[';
}

bool IsBlankLine(const QByteArray& data, const RawLine& line) {
  for (qsizetype pos = line.begin; pos < line.textEnd; ++pos) {
    const char c = data[pos];
    if (c != ' ' && c != '\t' && c != '\v' && c != '\f') return false;
  }
  return true;
}

std::optional<QString> HeaderName(const QByteArray& data, const RawLine& line) {
  if (!MayBeSection(data, line)) return std::nullopt;
  return SectionName(DecodeLine(data, line));
}

// Walks the file line by line (no line table: a file of millions of empty
// lines stays cheap) and hands every line of the first section named section
// to visit until it returns true. Returns the section's header line, or
// nothing when the section is missing.
template <typename Visit>
std::optional<RawLine> ScanSection(const QByteArray& data, QStringView section, Visit visit) {
  std::optional<RawLine> header;
  for (qsizetype pos = 0; pos < data.size();) {
    const RawLine line = LineAt(data, pos);
    pos = line.end;
    const auto name = HeaderName(data, line);
    if (header) {
      if (name || visit(line)) break;
    } else if (name && SameName(*name, section)) {
      header = line;
    }
  }
  return header;
}

std::optional<QByteArray> ReadFileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) return std::nullopt;
  return data;
}

// A value or name must stay on its line: a line break inside it would
// otherwise write new lines (even new sections) into the file.
QByteArray EncodeField(QStringView text) {
  QString clean = text.toString();
  const qsizetype nul = clean.indexOf(QChar(0));
  if (nul >= 0) clean.truncate(nul);
  clean.replace(u'\r', u' ').replace(u'\n', u' ');
  return EncodeGbk(clean);
}

bool SaveBytes(const QString& path, const QByteArray& data) {
  QSaveFile file(path);
  // A writable file in a folder we may not create files in is still written.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(data) != data.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

// Sets one value in the file's bytes: in place, or appended to its section,
// or in a new section at the end; every other line keeps its bytes.
void SetValue(QByteArray& data, QStringView section, QStringView key, QStringView value) {
  const QByteArray lineBreak = FileLineBreak(data);
  const QByteArray keyLine = EncodeField(key) + '=' + EncodeField(value);

  RawLine lastUsed;
  std::optional<RawLine> match;
  const auto header = ScanSection(data, section, [&](const RawLine& line) {
    if (IsBlankLine(data, line)) return false;
    lastUsed = line;
    const auto entry = ParseKeyLine(DecodeLine(data, line));
    if (entry && SameName(entry->key, key)) match = line;
    return match.has_value();
  });

  if (!header) {
    if (!data.isEmpty() && !data.endsWith('\n') && !data.endsWith('\r')) data += lineBreak;
    data += '[' + EncodeField(section) + ']' + lineBreak + keyLine + lineBreak;
    return;
  }
  if (match) {
    // Keep the key as spelled in the file; "=" is never a GBK trail byte.
    const qsizetype eq = data.indexOf('=', match->begin);
    data.replace(eq + 1, match->textEnd - eq - 1, EncodeField(value));
    return;
  }
  const RawLine after = lastUsed.end > 0 ? lastUsed : *header;
  QByteArray insert = keyLine + lineBreak;
  if (after.end == after.textEnd) insert.prepend(lineBreak);  // the file's last line had no break
  data.insert(after.end, insert);
}

int HexDigit(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

}  // namespace

QString IniFile::ReadRaw(QStringView section, QStringView key, const QString& fallback) const {
  const auto data = ReadFileBytes(path_);
  if (!data) return fallback;
  std::optional<QString> found;
  ScanSection(*data, section, [&](const RawLine& line) {
    const auto entry = ParseKeyLine(DecodeLine(*data, line));
    if (entry && SameName(entry->key, key)) found = entry->value;
    return found.has_value();
  });
  if (!found) return fallback;
  QString value = found->left(kMaxValueChars);
  const qsizetype nul = value.indexOf(QChar(0));
  if (nul >= 0) value.truncate(nul);
  return value;
}

QString IniFile::IniRead(QStringView section, QStringView key, const QString& fallback) const {
  return StripSpaces(ReadRaw(section, key, fallback));
}

int IniFile::IniReadInt(QStringView section, QStringView key, int fallback) const {
  const QString text = IniRead(section, key, QString());
  if (text.isEmpty() || !IsIniNumber(text)) return fallback;
  bool ok = false;
  const double number = text.toDouble(&ok);
  if (!ok || !std::isfinite(number)) return fallback;
  const long long rounded = RoundHalfEven(number);
  if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max()) {
    return fallback;
  }
  return static_cast<int>(rounded);
}

bool IniFile::IniWrite(QStringView section, QStringView key, QStringView value) const {
  return IniWriteAll({{section.toString(), key.toString(), value.toString()}});
}

bool IniFile::IniWriteAll(const std::vector<Entry>& entries) const {
  QByteArray data;
  if (QFile::exists(path_)) {
    // Never replace a file we could not read with a few lines of our own.
    auto existing = ReadFileBytes(path_);
    if (!existing) return false;
    data = std::move(*existing);
  }
  for (const Entry& e : entries) SetValue(data, e.Section, e.Key, e.Value);
  return SaveBytes(path_, data);
}

bool IsIniNumber(QStringView text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
  int digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    if (text[i] >= u'0' && text[i] <= u'9') {
      ++digits;
    } else if (text[i] == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i == n) return true;
  if (text[i] != u'e' && text[i] != u'E') return false;
  ++i;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
  int expDigits = 0;
  for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) ++expDigits;
  return expDigits > 0 && i == n;
}

quint32 ParseColor(QStringView text, quint32 fallback) {
  QString t = StripSpaces(text).toUpper();
  if (t.startsWith(u'#')) t.remove(0, 1);
  if (t.size() != 6) return fallback;
  quint32 rgb = 0;
  for (QChar c : t) {
    const int digit = HexDigit(c);
    if (digit < 0) return fallback;
    rgb = (rgb << 4) | static_cast<quint32>(digit);
  }
  return 0xFF000000u | rgb;
}

QString ColorToHex(quint32 argb) {
  return QStringLiteral("#%1").arg(argb & 0xFFFFFFu, 6, 16, QChar(u'0')).toUpper();
}

}  // namespace qh
