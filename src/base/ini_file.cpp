#include "base/ini_file.h"

#include "base/code_page.h"
#include "base/text_utils.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <limits>
#include <optional>
#include <vector>

namespace qh {

namespace {

// One line of the raw file: [Begin, TextEnd) is its text, [TextEnd, End) its
// line break (CR LF, LF, lone CR or nothing on the last line).
struct RawLine {
  qsizetype Begin = 0;
  qsizetype TextEnd = 0;
  qsizetype End = 0;
};

// The line that starts at pos (pos < data.size()).
RawLine LineAt(const QByteArray& data, qsizetype pos) {
  const qsizetype size = data.size();
  RawLine line;
  line.Begin = pos;
  while (pos < size && data[pos] != '\n' && data[pos] != '\r') ++pos;
  line.TextEnd = pos;
  if (pos < size && data[pos] == '\r') ++pos;
  if (pos < size && data[pos] == '\n') ++pos;
  line.End = pos;
  return line;
}

// The line break the file already uses, so that added lines match it. Only
// a one-line file can lack one on its first line.
QByteArray FileLineBreak(const QByteArray& data) {
  if (data.isEmpty()) return QByteArrayLiteral("\r\n");
  const RawLine first = LineAt(data, 0);
  if (first.End == first.TextEnd) return QByteArrayLiteral("\r\n");
  return data.mid(first.TextEnd, first.End - first.TextEnd);
}

bool IsAsciiSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

QStringView TrimAscii(QStringView text) {
  qsizetype b = 0, e = text.size();
  while (b < e && IsAsciiSpace(text[b])) ++b;
  while (e > b && IsAsciiSpace(text[e - 1])) --e;
  return text.mid(b, e - b);
}

// The file's text without its byte order mark: GBK, or UTF-8 for a file
// that began with one (UTF-16 is held as UTF-8 and converted back on saving).
struct Text {
  const QByteArray& Data;
  bool Utf8;
};

QString DecodeLine(const Text& text, const RawLine& line) {
  const QByteArrayView bytes(text.Data.constData() + line.Begin, line.TextEnd - line.Begin);
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return text.Utf8 ? QString::fromUtf8(bytes) : DecodeGbk(bytes);
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
  QString Key;
  QString Value;
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
  qsizetype pos = line.Begin;
  while (pos < line.TextEnd && (data[pos] == ' ' || data[pos] == '\t')) ++pos;
  return pos < line.TextEnd && data[pos] == '[';
}

bool IsBlankLine(const QByteArray& data, const RawLine& line) {
  for (qsizetype pos = line.Begin; pos < line.TextEnd; ++pos) {
    const char c = data[pos];
    if (c != ' ' && c != '\t' && c != '\v' && c != '\f') return false;
  }
  return true;
}

std::optional<QString> HeaderName(const Text& text, const RawLine& line) {
  if (!MayBeSection(text.Data, line)) return std::nullopt;
  return SectionName(DecodeLine(text, line));
}

// Walks the file line by line (no line table: a file of millions of empty
// lines stays cheap) and hands every line of the first section named section
// to visit until it returns true. Returns the section's header line, or
// nothing when the section is missing.
template <typename Visit>
std::optional<RawLine> ScanSection(const Text& text, QStringView section, Visit visit) {
  std::optional<RawLine> header;
  for (qsizetype pos = 0; pos < text.Data.size();) {
    const RawLine line = LineAt(text.Data, pos);
    pos = line.End;
    const auto name = HeaderName(text, line);
    if (header) {
      if (name || visit(line)) break;
    } else if (name && SameName(*name, section)) {
      header = line;
    }
  }
  return header;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// UTF-16 saved without a byte order mark: the keys, brackets and line
// breaks of an INI file are ASCII, so every other byte is NUL, which GBK
// and UTF-8 text never hold. Looks at the first 4 KB.
std::optional<IniFile::Encoding> Utf16WithoutMark(const QByteArray& bytes) {
  const qsizetype pairs = qMin<qsizetype>(bytes.size(), 4096) / 2;
  qsizetype evenNul = 0, oddNul = 0;
  for (qsizetype i = 0; i < pairs; ++i) {
    if (bytes[2 * i] == '\0') ++evenNul;
    if (bytes[2 * i + 1] == '\0') ++oddNul;
  }
  // Chinese text has few NULs; a quarter of the pairs is plenty of ASCII.
  if (oddNul * 4 >= pairs && oddNul > evenNul * 4 && pairs > 0) return IniFile::Encoding::Utf16Le;
  if (evenNul * 4 >= pairs && evenNul > oddNul * 4 && pairs > 0) return IniFile::Encoding::Utf16Be;
  return std::nullopt;
}

// The text of a file's bytes: a byte order mark names the encoding.
void DecodeFileBytes(const QByteArray& bytes, IniFile::Content& content) {
  using Encoding = IniFile::Encoding;
  if (bytes.startsWith(kUtf8Bom)) {
    content.Encoding = Encoding::Utf8;
    content.Text = bytes.mid(3);
  } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    const bool little = bytes[0] == '\xFF';
    content.Encoding = little ? Encoding::Utf16Le : Encoding::Utf16Be;
    content.ByteOrderMark = true;
    QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    content.Text = QString(decoder(QByteArrayView(bytes).sliced(2))).toUtf8();
  } else if (const std::optional<Encoding> utf16 = Utf16WithoutMark(bytes)) {
    content.Encoding = *utf16;
    QStringDecoder decoder(*utf16 == Encoding::Utf16Le ? QStringConverter::Utf16LE
                                                       : QStringConverter::Utf16BE);
    content.Text = QString(decoder(bytes)).toUtf8();
  } else {
    content.Encoding = Encoding::Gbk;
    content.Text = bytes;
  }
}

QByteArray EncodeFileBytes(const IniFile::Content& content) {
  using Encoding = IniFile::Encoding;
  switch (content.Encoding) {
    case Encoding::Gbk: return content.Text;
    case Encoding::Utf8: return kUtf8Bom + content.Text;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
      const bool little = content.Encoding == Encoding::Utf16Le;
      QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
      const QByteArray mark = !content.ByteOrderMark ? QByteArray()
                              : little               ? QByteArray("\xFF\xFE")
                                                     : QByteArray("\xFE\xFF");
      return mark + QByteArray(encoder(QString::fromUtf8(content.Text)));
    }
  }
  return content.Text;
}

IniFile::Content ReadContent(const QString& path) {
  IniFile::Content content;
  if (path.isEmpty()) return content;
  // Non-blocking: a pipe named as the settings file would otherwise hold up
  // the start until someone writes into it.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    content.Error = errno;
    content.State = errno == ENOENT   ? IniFile::FileState::Missing
                    : errno == EISDIR ? IniFile::FileState::NotAFile
                                      : IniFile::FileState::Unreadable;
    return content;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    content.Error = S_ISDIR(st.st_mode) ? EISDIR : 0;
    content.State = IniFile::FileState::NotAFile;
    ::close(fd);
    return content;
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    content.State = IniFile::FileState::Unreadable;
    content.Error = EIO;
    return content;
  }
  content.FileSize = file.size();
  // The size may change while it is read: read one byte past the bound at most.
  const QByteArray bytes = content.FileSize > IniFile::kMaxFileBytes
                               ? QByteArray()
                               : file.read(IniFile::kMaxFileBytes + 1);
  if (content.FileSize > IniFile::kMaxFileBytes || bytes.size() > IniFile::kMaxFileBytes) {
    content.FileSize = qMax(content.FileSize, static_cast<qint64>(bytes.size()));
    content.State = IniFile::FileState::TooLarge;
    return content;
  }
  if (file.error() != QFileDevice::NoError) {
    content.State = IniFile::FileState::Unreadable;
    content.Error = errno;
    return content;
  }
  content.State = IniFile::FileState::Read;
  DecodeFileBytes(bytes, content);
  return content;
}

// A value or name must stay on its line: a line break inside it would
// otherwise write new lines (even new sections) into the file.
QByteArray EncodeField(QStringView text, bool utf8) {
  QString clean = text.toString();
  const qsizetype nul = clean.indexOf(QChar(0));
  if (nul >= 0) clean.truncate(nul);
  clean.replace(u'\r', u' ').replace(u'\n', u' ');
  return utf8 ? clean.toUtf8() : EncodeGbk(clean);
}

// Sets one value in the file's bytes: in place, or appended to its section,
// or in a new section at the end; every other line keeps its bytes.
void SetValue(QByteArray& data, bool utf8, QStringView section, QStringView key,
              QStringView value) {
  const QByteArray lineBreak = FileLineBreak(data);
  const QByteArray keyLine = EncodeField(key, utf8) + '=' + EncodeField(value, utf8);

  RawLine lastUsed;
  std::optional<RawLine> match;
  const Text text{data, utf8};
  const auto header = ScanSection(text, section, [&](const RawLine& line) {
    if (IsBlankLine(data, line)) return false;
    lastUsed = line;
    const auto entry = ParseKeyLine(DecodeLine(text, line));
    if (entry && SameName(entry->Key, key)) match = line;
    return match.has_value();
  });

  if (!header) {
    if (!data.isEmpty() && !data.endsWith('\n') && !data.endsWith('\r')) data += lineBreak;
    data += '[' + EncodeField(section, utf8) + ']' + lineBreak + keyLine + lineBreak;
    return;
  }
  if (match) {
    // Keep the key as spelled in the file; "=" is never a GBK trail byte.
    const qsizetype eq = data.indexOf('=', match->Begin);
    data.replace(eq + 1, match->TextEnd - eq - 1, EncodeField(value, utf8));
    return;
  }
  const RawLine after = lastUsed.End > 0 ? lastUsed : *header;
  QByteArray insert = keyLine + lineBreak;
  if (after.End == after.TextEnd) insert.prepend(lineBreak);  // the file's last line had no break
  data.insert(after.End, insert);
}

int HexDigit(QChar c) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return -1;
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)), content_(ReadContent(path_)) {}

QString IniFile::ReadRaw(QStringView section, QStringView key, const QString& fallback) const {
  if (content_.State != FileState::Read) return fallback;
  const Text text{content_.Text, content_.Encoding != Encoding::Gbk};
  std::optional<QString> found;
  ScanSection(text, section, [&](const RawLine& line) {
    const auto entry = ParseKeyLine(DecodeLine(text, line));
    if (entry && SameName(entry->Key, key)) found = entry->Value;
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

SaveResult IniFile::IniWrite(QStringView section, QStringView key, QStringView value) const {
  return IniWriteAll({{section.toString(), key.toString(), value.toString()}});
}

namespace {

// Never replace a file we could not read with a few lines of our own.
SaveResult RefusedWrite(const IniFile::Content& current) {
  if (current.State == IniFile::FileState::TooLarge)
    return {false, EFBIG, QStringLiteral("设置文件大于 1 MB,程序不读取也不改写它")};
  if (current.State == IniFile::FileState::NotAFile) {
    if (current.Error == EISDIR) return SaveResult::Failed(EISDIR);
    return SaveResult::Failed(
        QStringLiteral("设置文件不是普通文件(管道或设备),程序不读取也不改写它"));
  }
  return SaveResult::Failed(current.Error ? current.Error : EIO);
}

}  // namespace

SaveResult IniFile::IniWriteAll(const std::vector<Entry>& entries) const {
  Content current = ReadContent(path_);
  SaveResult result;
  if (path_.isEmpty()) {
    result = SaveResult::Failed(ENOENT);
  } else if (current.State != FileState::Read && current.State != FileState::Missing) {
    result = RefusedWrite(current);
  } else {
    current.State = FileState::Read;
    const bool utf8 = current.Encoding != Encoding::Gbk;
    for (const Entry& e : entries) SetValue(current.Text, utf8, e.Section, e.Key, e.Value);
    const QByteArray bytes = EncodeFileBytes(current);
    if (bytes.size() > kMaxFileBytes) {
      // Saved, the file would no longer be read at all.
      result = {false, EFBIG,
                QStringLiteral("保存后设置文件会大于 1 MB,程序将不再读取它,所以没有保存")};
    } else {
      result = SaveFile(path_, bytes);
    }
    current.FileSize = bytes.size();
  }
  if (result) {
    content_ = std::move(current);
  } else if (onFailure_) {
    onFailure_(*this, result);
  }
  return result;
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
