#include "ui/main/source_preview.h"

#include "chart/canvas.h"
#include "chart/chart_fonts.h"
#include "chart/chart_format.h"

#include <QPainter>

namespace qh {

void DrawSourcePreview(QPainter& painter, ChartFonts& fonts, const ItemTable& table, int w, int h,
                       float s) {
  if (!fonts.Ensure(s)) return;
  FillRectF(painter, QRectF(0, 0, w, h), 0xFFFFFFFF);
  FillRectF(painter, QRectF(26 * s, 30 * s, 4 * s, 26 * s), 0xFF2F80ED);
  const int count = table.ItemCount();
  if (count < 1) return;
  DrawTextBox(painter, fonts.Bold, QStringLiteral("已载入数据预览(最多显示 12 行)"),
              QRectF(26 * s, 70 * s, static_cast<float>(w) - 52 * s, 26 * s), 0xFF33404F,
              TextAlign::Near);
  float y = 104 * s;
  for (int i = 1; i <= std::min(count, kPreviewRows); ++i, y += 26 * s) {
    const ChartItem& item = table.Items[static_cast<size_t>(i - 1)];
    DrawTextBox(painter, fonts.Normal, QStringLiteral("%1.  ").arg(i) + item.Name,
                QRectF(26 * s, y, 300 * s, 22 * s), 0xFF55607A, TextAlign::Near);
    DrawTextBox(painter, fonts.Normal, FormatValue(item.Value), QRectF(340 * s, y, 200 * s, 22 * s),
                0xFF223344, TextAlign::Near);
  }
  if (count > kPreviewRows)
    DrawTextBox(painter, fonts.Normal,
                QStringLiteral("... 其余 %1 项未显示").arg(count - kPreviewRows),
                QRectF(26 * s, y + 6 * s, static_cast<float>(w) - 52 * s, 22 * s), 0xFF8A94A6,
                TextAlign::Near);
}

}  // namespace qh
