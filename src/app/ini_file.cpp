#include "app/ini_file.h"

#include "app/code_page.h"
#include "app/text_utils.h"

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

std::vector<RawLine> SplitLines(const QByteArray& data) {
  std::vector<RawLine> lines;
  const qsizetype size = data.size();
  qsizetype pos = 0;
  while (pos < size) {
    RawLine line;
    line.begin = pos;
    while (pos < size && data[pos] != '\n' && data[pos] != '\r') ++pos;
    line.textEnd = pos;
    if (pos < size && data[pos] == '\r') ++pos;
    if (pos < size && data[pos] == '\n' && (pos == line.textEnd || data[pos - 1] == '\r')) ++pos;
    line.end = pos;
    lines.push_back(line);
  }
  return lines;
}

// The line break the file already uses, so that added lines match it.
QByteArray FileLineBreak(const QByteArray& data, const std::vector<RawLine>& lines) {
  for (const RawLine& line : lines) {
    if (line.end > line.textEnd) return data.mid(line.textEnd, line.end - line.textEnd);
  }
  return QByteArrayLiteral("\r\n");
}

bool IsAsciiSpace(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

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

// Where a section sits in the file: its header line and the lines up to the
// next header.
struct SectionSpan {
  size_t header = 0;
  size_t end = 0;  // one past the section's last line
};

std::optional<SectionSpan> FindSection(const QByteArray& data, const std::vector<RawLine>& lines,
                                       QStringView section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!MayBeSection(data, lines[i])) continue;
    const auto name = SectionName(DecodeLine(data, lines[i]));
    if (!name || !SameName(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !(MayBeSection(data, lines[end]) &&
                                   SectionName(DecodeLine(data, lines[end])))) {
      ++end;
    }
    return SectionSpan{i, end};
  }
  return std::nullopt;
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
  const std::vector<RawLine> lines = SplitLines(data);
  const QByteArray lineBreak = FileLineBreak(data, lines);
  const QByteArray keyLine = EncodeField(key) + '=' + EncodeField(value);
  const bool endsOpen = !lines.empty() && lines.back().end == lines.back().textEnd;

  const auto span = FindSection(data, lines, section);
  if (!span) {
    if (endsOpen) data += lineBreak;
    data += '[' + EncodeField(section) + ']' + lineBreak + keyLine + lineBreak;
    return;
  }

  size_t lastUsed = span->header;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    if (IsBlankLine(data, lines[i])) continue;
    lastUsed = i;
    const auto entry = ParseKeyLine(DecodeLine(data, lines[i]));
    if (!entry || !SameName(entry->key, key)) continue;
    // Keep the key as spelled in the file; "=" is never a GBK trail byte.
    const qsizetype eq = data.indexOf('=', lines[i].begin);
    data.replace(eq + 1, lines[i].textEnd - eq - 1, EncodeField(value));
    return;
  }

  const RawLine& after = lines[lastUsed];
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
  const std::vector<RawLine> lines = SplitLines(*data);
  const auto span = FindSection(*data, lines, section);
  if (!span) return fallback;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    const auto entry = ParseKeyLine(DecodeLine(*data, lines[i]));
    if (!entry || !SameName(entry->key, key)) continue;
    QString value = entry->value.left(kMaxValueChars);
    const qsizetype nul = value.indexOf(QChar(0));
    if (nul >= 0) value.truncate(nul);
    return value;
  }
  return fallback;
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
