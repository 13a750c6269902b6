// The settings file: any bytes must read as settings within their ranges,
// and a value written into any file must read back as written.
#include "base/code_page.h"
#include "base/ini_file.h"
#include "app/settings.h"
#include "fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>

namespace {

const char16_t* const kSections[] = {u"Limits", u"limits", u"Colors", u"Display", u"New"};
const char16_t* const kKeys[] = {u"MaxItems", u"MAXITEMS", u"PageSize", u"LineColor", u"K"};

bool IsIniSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

// A file that starts with a UTF-8 or UTF-16 byte order mark keeps its
// encoding, as does UTF-16 without one (told by its NUL bytes, which the
// reader reports); any other is written in GBK.
bool KeepsUnicode(const std::string& file, const qh::IniFile& ini) {
  const std::string_view head(file);
  return head.starts_with("\xEF\xBB\xBF") || head.starts_with("\xFF\xFE") ||
         head.starts_with("\xFE\xFF") || ini.FileEncoding() != qh::IniFile::Encoding::Gbk;
}

// What a read gives back for a written value: a value stays on one line and
// is stored in the file's encoding; the reader trims outer spaces, one pair
// of enclosing quotes and cuts at the buffer size.
QString ExpectedReadBack(QString value, bool unicodeFile) {
  if (const qsizetype nul = value.indexOf(QChar(0)); nul >= 0) value.truncate(nul);
  value.replace(u'\r', u' ').replace(u'\n', u' ');
  if (!unicodeFile) value = qh::DecodeGbk(qh::EncodeGbk(value));
  qsizetype b = 0, e = value.size();
  while (b < e && IsIniSpace(value[b])) ++b;
  while (e > b && IsIniSpace(value[e - 1])) --e;
  value = value.mid(b, e - b);
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\'')) {
    value = value.mid(1, value.size() - 2);
  }
  return value.left(qh::IniFile::kMaxValueChars);
}

void CheckSettings(const qh::Settings& s) {
  if (s.MaxItems < 60 || s.MaxPoints < 2000) qh::fuzz::Violation("limit below its minimum");
  if (s.PageSize < 5 || s.PageSize > s.MaxItems) qh::fuzz::Violation("page size out of range");
  if ((s.LineColor >> 24) != 0xFF) qh::fuzz::Violation("line colour not opaque");
  if (s.UpdateUrl.isEmpty()) qh::fuzz::Violation("empty update address");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const QString section = QString::fromUtf16(kSections[input.ConsumeIntegralInRange(0, 4)]);
  const QString key = QString::fromUtf16(kKeys[input.ConsumeIntegralInRange(0, 4)]);
  const QString other = QString::fromUtf16(kKeys[input.ConsumeIntegralInRange(0, 4)]);
  const QString value = QString::fromStdString(input.ConsumeRandomLengthString(64));
  const std::string file = input.ConsumeRemainingBytesAsString();

  const qh::IniFile ini(
      qh::fuzz::WriteInput(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "ini"));
  CheckSettings(qh::LoadSettings(ini));

  const QString fallback = QStringLiteral("\x01missing");
  const QString otherBefore = ini.ReadRaw(section, other, fallback);
  if (!ini.IniWrite(section, key, value)) qh::fuzz::Violation("write failed");
  const QString readBack = ini.ReadRaw(section, key, fallback);
  if (readBack != ExpectedReadBack(value, KeepsUnicode(file, ini))) {
    qh::fuzz::Violation("read back differs", value + QStringLiteral(" -> ") + readBack);
  }
  if (other.compare(key, Qt::CaseInsensitive) != 0 &&
      ini.ReadRaw(section, other, fallback) != otherBefore) {
    qh::fuzz::Violation("write changed another key", other);
  }
  CheckSettings(qh::LoadSettings(ini));
  return 0;
}
