#include "chart/render_chart.h"
#include "data/item_table.h"
#include "png/png_encoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

namespace qh {
namespace {

QImage Chart(ChartPage page, int width, int height) {
  ItemTable table;
  for (int i = 0; i < 12; ++i)
    table.Items.Add(QStringLiteral("项目%1").arg(i + 1),
                    1000.0 + i * 731.5 - (i % 4 == 3 ? 3000 : 0));
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  ChartState state;
  ChartRequest request;
  request.Page = page;
  RenderChart(painter, width, height, table, request, state);
  return image;
}

// Speed is not bought with size: each kind of chart decodes to its pixels
// and its file stays within 5 % of a general encoder's at its fastest
// setting (a broken match finder or a costly tie rule would show here).
TEST(ChartPng, EveryKindDecodesExactlyAndStaysSmall) {
  for (const ChartPage page : {ChartPage::Bar, ChartPage::Pie, ChartPage::Line}) {
    for (const QSize size : {QSize(1200, 700), QSize(73, 41)}) {
      const QImage chart = Chart(page, size.width(), size.height());
      const QByteArray png = EncodePng(chart);
      QImage back;
      ASSERT_TRUE(back.loadFromData(png, "PNG"));
      EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), chart);
      QByteArray general;
      QBuffer buffer(&general);
      buffer.open(QIODevice::WriteOnly);
      QImageWriter writer(&buffer, "png");
      writer.setQuality(80);  // zlib level 1
      ASSERT_TRUE(writer.write(chart));
      EXPECT_LE(png.size(), general.size() * 105 / 100)
          << static_cast<int>(page) << " at " << size.width() << "x" << size.height();
    }
  }
}

}  // namespace
}  // namespace qh
