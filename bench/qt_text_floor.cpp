// The least a Qt program does to draw a chart's text: the offscreen
// platform, one font and one line of text in a picture the size of a chart,
// on the heap the command-line tool sets up. Timed as a whole process, it
// is the floor under any render's time.
#include "process_heap.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

int main(int argc, char** argv) {
  qh::ReserveHugePageHeap(64 * 1024 * 1024);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage image(1200, 700, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 10));
  painter.drawText(10, 20, QStringLiteral("合计 华东青禾一号 1,234.56"));
  painter.end();
  return image.pixel(0, 0) == qRgb(255, 255, 255) ? 0 : 1;
}
