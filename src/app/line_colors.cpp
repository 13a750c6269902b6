#include "app/line_colors.h"

#include "app/settings.h"
#include "base/ini_file.h"

#include <array>

namespace qh {
namespace {

struct NamedColor {
  const char16_t* Name;
  quint32 Argb;
};

constexpr std::array<NamedColor, kLineColorCount> kLineColors{{
    {u"经典蓝", kDefaultLineColor},
    {u"沉稳深蓝", 0xFF1F4E9C},
    {u"青色", 0xFF0E9AA7},
    {u"绿色", 0xFF27AE60},
    {u"橙色", 0xFFE67E22},
    {u"红色", 0xFFE74C3C},
    {u"紫色", 0xFF8E44AD},
    {u"灰蓝", 0xFF5D6D7E},
}};

const NamedColor& Entry(int idx) {
  return kLineColors[idx >= 0 && idx < kLineColorCount ? static_cast<size_t>(idx) : 0];
}

}  // namespace

quint32 QzColorAt(int idx) { return Entry(idx).Argb; }

QString QzColorName(int idx) { return QString::fromUtf16(Entry(idx).Name); }

int LineColorIndex(quint32 color) {
  for (int i = 0; i < kLineColorCount; ++i)
    if (kLineColors[static_cast<size_t>(i)].Argb == color) return i;
  return -1;
}

QString LineColorEntryText(int idx) {
  return QzColorName(idx) + QStringLiteral("   ") + ColorToHex(QzColorAt(idx));
}

QString LineColorSpokenText(int idx) {
  return QzColorName(idx) + u' ' + ColorToHex(QzColorAt(idx));
}

}  // namespace qh
