#include "base/native_name.h"

#include <algorithm>
#include <cstdint>

namespace qh {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence starting at bytes[at], 0 when none.
qsizetype ValidSequence(QByteArrayView bytes, qsizetype at) {
  const auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  const qsizetype left = bytes.size() - at;
  const auto continuation = [&](qsizetype i) { return i < left && (byte(at + i) & 0xC0) == 0x80; };
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    const std::uint8_t second = byte(at + 1);
    if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
    if (lead == 0xED && second >= 0xA0) return 0;  // a surrogate
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    const std::uint8_t second = byte(at + 1);
    if (lead == 0xF0 && second < 0x90) return 0;   // overlong
    if (lead == 0xF4 && second >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

}  // namespace

QString NameFromNative(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  qsizetype at = 0;
  while (at < bytes.size()) {
    const qsizetype length = ValidSequence(bytes, at);
    if (length == 0) {
      name += QChar(char16_t(kEscapeBase + static_cast<std::uint8_t>(bytes[at])));
      ++at;
      continue;
    }
    name += QString::fromUtf8(bytes.sliced(at, length));
    at += length;
  }
  return name;
}

QByteArray NativeName(const QString& name) {
  const bool escaped = std::any_of(name.begin(), name.end(), [](QChar c) {
    return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF;
  });
  if (!escaped) return name.toUtf8();
  QByteArray bytes;
  bytes.reserve(name.size());
  const qsizetype n = name.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = name[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < n && name[i + 1].isLowSurrogate()) {
      bytes += QStringView(name).sliced(i, 2).toUtf8();
      ++i;
    } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      bytes += static_cast<char>(c - kEscapeBase);
    } else {
      bytes += QStringView(name).sliced(i, 1).toUtf8();
    }
  }
  return bytes;
}

}  // namespace qh
