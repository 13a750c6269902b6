#pragma once
// The data preview drawn on the Source page: the first 12 loaded rows.
#include "data/item_table.h"

class QPainter;

namespace qh {

class ChartFonts;

inline constexpr int kPreviewRows = 12;

void DrawSourcePreview(QPainter& painter, ChartFonts& fonts, const ItemTable& table, int w, int h,
                       float s);

}  // namespace qh
