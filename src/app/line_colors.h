#pragma once
// The eight named line colours offered for the line chart.
#include <QString>
#include <QtGlobal>

namespace qh {

inline constexpr int kLineColorCount = 8;

// Entry idx; any idx outside 0..7 gives entry 0.
quint32 QzColorAt(int idx);
QString QzColorName(int idx);

// Index of the entry with this colour, -1 when it is none of the eight.
int LineColorIndex(quint32 color);

// The combo box text of entry idx, e.g. "经典蓝   #2F80ED".
QString LineColorEntryText(int idx);
// The same for assistive technology, one space: "经典蓝 #2F80ED".
QString LineColorSpokenText(int idx);

}  // namespace qh
