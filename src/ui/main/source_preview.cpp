#include "ui/main/source_preview.h"

#include "chart/canvas.h"
#include "chart/chart_fonts.h"
#include "chart/chart_format.h"
#include "ui/main/window_style.h"

#include <QPainter>

namespace qh {

void DrawSourcePreview(QPainter& painter, ChartFonts& fonts, const ItemTable& table, int w, int h,
                       float s) {
  if (!fonts.Ensure(s)) return;
  const WindowStyle st(s);
  const float x = st.PreviewX, textW = static_cast<float>(w) - 2 * st.PreviewX;
  FillRectF(painter, QRectF(0, 0, w, h), 0xFFFFFFFF);
  FillRectF(painter, QRectF(x, st.PreviewMarkY, st.PreviewMarkW, st.PreviewMarkH), 0xFF2F80ED);
  const int count = table.ItemCount();
  if (count < 1) return;
  DrawTextBox(painter, fonts.Bold, QStringLiteral("已载入数据预览(最多显示 12 行)"),
              QRectF(x, st.PreviewHeadY, textW, st.PreviewHeadH), 0xFF33404F, TextAlign::Near);
  float y = st.PreviewRowsY;
  for (int i = 1; i <= std::min(count, kPreviewRows); ++i, y += st.PreviewRowPitch) {
    const ItemRef item = table.Items[static_cast<size_t>(i - 1)];
    DrawTextBox(painter, fonts.Normal, QStringLiteral("%1.  ").arg(i) + item.Name.toString(),
                QRectF(x, y, st.PreviewNameW, st.PreviewRowH), 0xFF55607A, TextAlign::Near);
    DrawTextBox(painter, fonts.Normal, FormatValue(item.Value),
                QRectF(st.PreviewValueX, y, st.PreviewValueW, st.PreviewRowH), 0xFF223344,
                TextAlign::Near);
  }
  if (count > kPreviewRows)
    DrawTextBox(
        painter, fonts.Normal, QStringLiteral("... 其余 %1 项未显示").arg(count - kPreviewRows),
        QRectF(x, y + st.PreviewMoreGap, textW, st.PreviewRowH), 0xFF8A94A6, TextAlign::Near);
}

}  // namespace qh
