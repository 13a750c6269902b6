// Chart files: format by extension, SVG and PDF documents drawn by the same
// calls as the picture, and writing that never damages an existing file.
#include "chart/chart_output.h"

#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/render_chart.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace qh {
namespace {

ItemTable Table(int rows, const QString& name = QStringLiteral("项目")) {
  ItemTable t;
  for (int i = 1; i <= rows; ++i) t.Items.Add(name + QString::number(i), (i % 7 + 1) * 1000.0);
  return t;
}

ChartRequest Request(ChartPage page) {
  ChartRequest r;
  r.Page = page;
  r.Title = ChartTitle(page, 1, 1);
  return r;
}

struct Drawn {
  QByteArray Bytes;
  ChartState State;
};

Drawn Draw(ChartFileFormat format, const ItemTable& table, ChartPage page, int w = 800,
           int h = 500) {
  Drawn d;
  QBuffer buffer(&d.Bytes);
  buffer.open(QIODevice::WriteOnly);
  const ChartRequest request = Request(page);
  const bool ok = WriteChart(buffer, format, {w, h, request.Title},
                             [&](QPainter& p) { RenderChart(p, w, h, table, request, d.State); });
  EXPECT_TRUE(ok);
  return d;
}

// Every <text> of an SVG document, and how many elements of each kind it has.
struct SvgSummary {
  bool WellFormed = false;
  QStringList Texts;
  QMap<QString, int> Elements;
};

SvgSummary ReadSvg(const QByteArray& bytes) {
  SvgSummary out;
  QXmlStreamReader xml(bytes);
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    ++out.Elements[xml.name().toString()];
    if (xml.name() == u"text") out.Texts << xml.readElementText().trimmed();
  }
  out.WellFormed = !xml.hasError();
  return out;
}

TEST(ChartFileFormatFor, ByExtensionInAnyCase) {
  const struct {
    const char* Path;
    std::optional<ChartFileFormat> Format;
    // clang-format off
  } cases[] = {
      {"a.png", ChartFileFormat::Png},   {"C:/x/B.JPG", ChartFileFormat::Jpeg},
      {"b.jpeg", ChartFileFormat::Jpeg}, {"c.Bmp", ChartFileFormat::Bmp},
      {"图表.svg", ChartFileFormat::Svg}, {"d.PDF", ChartFileFormat::Pdf},
      {"e.gif", std::nullopt},           {"svg", std::nullopt},
      {"f.svg.txt", std::nullopt},       {"", std::nullopt},
  };
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(ChartFileFormatFor(QString::fromUtf8(c.Path)), c.Format) << c.Path;
  EXPECT_TRUE(IsVectorFormat(ChartFileFormat::Svg));
  EXPECT_TRUE(IsVectorFormat(ChartFileFormat::Pdf));
  EXPECT_FALSE(IsVectorFormat(ChartFileFormat::Png));
}

// Title, subtitle and labels stay text, so they can be searched and copied.
TEST(ChartSvg, WellFormedWithEveryLabelAsText) {
  const ItemTable table = Table(6);
  for (ChartPage page : {ChartPage::Bar, ChartPage::Pie, ChartPage::Line}) {
    const Drawn d = Draw(ChartFileFormat::Svg, table, page);
    const SvgSummary svg = ReadSvg(d.Bytes);
    ASSERT_TRUE(svg.WellFormed) << int(page);
    EXPECT_TRUE(svg.Texts.contains(Request(page).Title)) << int(page);
    EXPECT_TRUE(svg.Texts.contains(d.State.Outline.Subtitle)) << int(page);
    EXPECT_TRUE(svg.Texts.contains(QStringLiteral("项目3"))) << int(page);
    EXPECT_TRUE(d.Bytes.contains("viewBox=\"0 0 800 500\"")) << int(page);
    // Every text names the drawn family first, CJK families after it, and
    // ends with the generic family.
    static const QRegularExpression kFamilies(QStringLiteral("font-family=\"([^\"]*)\""));
    int texts = 0;
    for (auto it = kFamilies.globalMatch(QString::fromUtf8(d.Bytes)); it.hasNext(); ++texts) {
      const QStringList list = it.next().captured(1).split(QStringLiteral(", "));
      EXPECT_EQ(list.back(), u"sans-serif") << int(page);
      EXPECT_TRUE(list.contains(QStringLiteral("Microsoft YaHei"))) << int(page);
      EXPECT_TRUE(list.contains(QStringLiteral("PingFang SC"))) << int(page);
      EXPECT_TRUE(list.contains(QStringLiteral("Noto Sans CJK SC"))) << int(page);
      EXPECT_NE(list.front(), QStringLiteral("Sans Serif")) << int(page);
    }
    EXPECT_GT(texts, 0) << int(page);
  }
}

// Only what is drawn goes into the document: a bar chart of 100,000 rows
// holds its few dozen bars, not 100,000 shapes.
TEST(ChartSvg, HugeTableKeepsOnlyTheDrawnItems) {
  const Drawn d = Draw(ChartFileFormat::Svg, Table(100000), ChartPage::Bar, 1200, 700);
  const SvgSummary svg = ReadSvg(d.Bytes);
  ASSERT_TRUE(svg.WellFormed);
  EXPECT_LT(d.Bytes.size(), 200 * 1024);
  EXPECT_EQ(svg.Elements.value(QStringLiteral("path")), d.State.Outline.Drawn)
      << "one path per domed bar";
}

// The line's area and stroke are one shape each, with the area's alpha.
TEST(ChartSvg, LineSeriesIsOnePolylineOverOneTranslucentArea) {
  const Drawn d = Draw(ChartFileFormat::Svg, Table(30), ChartPage::Line);
  const SvgSummary svg = ReadSvg(d.Bytes);
  EXPECT_EQ(svg.Elements.value(QStringLiteral("path")), 1) << "the area";
  EXPECT_EQ(svg.Elements.value(QStringLiteral("circle")), d.State.Outline.Drawn) << "the markers";
  QXmlStreamReader xml(d.Bytes);
  qsizetype longest = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"polyline")
      longest = std::max(
          longest,
          xml.attributes().value(QStringLiteral("points")).split(u' ', Qt::SkipEmptyParts).size());
  }
  EXPECT_EQ(longest, d.State.Outline.Drawn) << "every point in one polyline";
  EXPECT_TRUE(d.Bytes.contains("fill-opacity=\"0.133333\"")) << "area alpha 0x22";
  EXPECT_TRUE(d.Bytes.contains("fill-rule=\"nonzero\""));
  EXPECT_TRUE(d.Bytes.contains("stroke-linejoin=\"round\""));
}

// A page of a PDF is the picture at 96 DPI: 1200 x 700 pixels make a page of
// 900 x 525 points.
TEST(ChartPdf, PageIsThePictureAtNinetySixDpi) {
  const struct {
    int W, H;
    const char* Box;
  } cases[] = {{1200, 700, "900 525"}, {700, 1200, "525 900"}, {400, 400, "300 300"}};
  for (const auto& c : cases) {
    const Drawn d = Draw(ChartFileFormat::Pdf, Table(5), ChartPage::Bar, c.W, c.H);
    EXPECT_TRUE(d.Bytes.startsWith("%PDF-"));
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(d.Bytes));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_EQ(QString::number(m.captured(1).toDouble()) + u' ' +
                  QString::number(m.captured(2).toDouble()),
              QLatin1String(c.Box));
    EXPECT_EQ(d.State.HitRegions.size(), 5u) << "the layout does not depend on the format";
  }
}

double MeanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  }
  return sum / (3.0 * a.width() * a.height());
}

// The SVG shows what the picture shows: drawn back by Qt's own renderer it
// differs from the picture only at anti-aliased edges. Long names turn the
// bar labels; a long line drops its markers.
TEST(ChartSvg, RasterisedLooksLikeThePicture) {
  const struct {
    ChartPage Page;
    ItemTable Table;
  } cases[] = {{ChartPage::Bar, Table(12)},
               {ChartPage::Bar, Table(20, QStringLiteral("很长很长的项目名称"))},
               {ChartPage::Pie, Table(30)},
               {ChartPage::Line, Table(12)},
               {ChartPage::Line, Table(400)}};
  const int w = 900, h = 520;
  for (const auto& c : cases) {
    QImage picture;
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    const ChartRequest request = Request(c.Page);
    ChartState state;
    ASSERT_TRUE(WriteChart(png, ChartFileFormat::Png, {w, h, {}},
                           [&](QPainter& p) { RenderChart(p, w, h, c.Table, request, state); }));
    ASSERT_TRUE(picture.loadFromData(png.data(), "png"));
    const Drawn svg = Draw(ChartFileFormat::Svg, c.Table, c.Page, w, h);
    // Qt's renderer reads a family list as one unknown name; a viewer takes
    // the first installed family of the list, which here is the drawn one.
    QString document = QString::fromUtf8(svg.Bytes);
    document.replace(QRegularExpression(QStringLiteral("font-family=\"([^,\"]*)[^\"]*\"")),
                     QStringLiteral("font-family=\"\\1\""));
    QSvgRenderer renderer(document.toUtf8());
    ASSERT_TRUE(renderer.isValid());
    QImage back(w, h, QImage::Format_RGB32);
    back.fill(Qt::white);
    {
      QPainter p(&back);
      renderer.render(&p);
    }
    EXPECT_LT(MeanDifference(picture, back), 2.0) << int(c.Page) << " rows " << c.Table.ItemCount();
  }
}

// The domed bar of a document covers what the strips of the picture cover.
TEST(DrawRoundedBar, DocumentDomeMatchesThePictureStrips) {
  const struct {
    float X, W, H;
  } cases[] = {{10.3f, 40, 200}, {5, 60, 8}, {7.5f, 3, 50}, {12, 18.6f, 3}};
  const int w = 100, h = 240;
  for (const auto& c : cases) {
    const ChartDraw bar = [&](QPainter& p) {
      SetChartQuality(p);
      DrawRoundedBar(p, c.X, 230 - c.H, c.W, c.H, 0xFF4E79A7);
    };
    QImage strips(w, h, QImage::Format_RGB32);
    strips.fill(Qt::white);
    {
      QPainter p(&strips);
      bar(p);
    }
    QSvgRenderer renderer(ChartSvgBytes({w, h, {}}, bar));
    QImage dome(w, h, QImage::Format_RGB32);
    dome.fill(Qt::white);
    {
      QPainter p(&dome);
      renderer.render(&p);
    }
    // Summed over the picture, the two differ by about one pixel row.
    const double differingPixels = MeanDifference(strips, dome) * w * h / 200;
    EXPECT_GT(MeanDifference(strips, QImage(w, h, QImage::Format_RGB32)), 1) << "something drawn";
    EXPECT_LT(differingPixels, c.W + 4) << "x " << c.X << " w " << c.W << " h " << c.H;
  }
}

// A write that fails leaves the previous file whole and no temporary file.
// A chart is opaque and goes to the file as it was drawn; a drawing that
// leaves translucent pixels (another composition mode) still gets Qt's own
// conversion, not its premultiplied bits taken as colours.
TEST(WriteChart, PictureIsTheOpaqueConversionOfTheDrawing) {
  for (const bool translucent : {false, true}) {
    SCOPED_TRACE(translucent);
    const auto draw = [&](QPainter& p) {
      p.fillRect(10, 10, 60, 30, QColor(40, 120, 200));
      if (!translucent) return;
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.fillRect(30, 20, 50, 25, QColor(200, 60, 30, 128));
    };
    QImage expected(97, 61, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::white);
    {
      QPainter p(&expected);
      draw(p);
    }
    expected.convertTo(QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteChart(buffer, ChartFileFormat::Png, {97, 61, QStringLiteral("t")}, draw));
    QImage back;
    ASSERT_TRUE(back.loadFromData(bytes, "PNG"));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), expected);
  }
}

TEST(SaveChartFile, FailureKeepsThePreviousFile) {
  QTemporaryDir dir;
  const QString locked = dir.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkpath(locked));
  const QString old = locked + QStringLiteral("/old.svg");
  test::WriteAll(old, "previous");
  QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const bool canLock = !QFileInfo(locked).isWritable();  // root writes anyway
  const ChartDraw draw = [](QPainter& p) { p.fillRect(QRect(0, 0, 10, 10), Qt::red); };
  for (ChartFileFormat f : {ChartFileFormat::Png, ChartFileFormat::Svg, ChartFileFormat::Pdf}) {
    if (canLock) {
      EXPECT_FALSE(SaveChartFile(old, f, {10, 10, {}}, draw));
    }
    EXPECT_FALSE(SaveChartFile(QStringLiteral("/proc/self/x.svg"), f, {10, 10, {}}, draw));
    EXPECT_FALSE(SaveChartFile(dir.filePath(QStringLiteral("zero.pdf")), f, {0, 10, {}}, draw));
  }
  EXPECT_EQ(test::ReadAll(old), QByteArray("previous"));
  QFile::setPermissions(locked,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(QDir(locked).entryList(QDir::Files), QStringList{QStringLiteral("old.svg")});
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("zero.pdf"))));

  // A successful save replaces the old file whole.
  ASSERT_TRUE(SaveChartFile(old, ChartFileFormat::Svg, {10, 10, {}}, draw));
  EXPECT_TRUE(test::ReadAll(old).startsWith("<?xml"));
  EXPECT_FALSE(SaveChartImage(old, ChartFileFormat::Svg, QImage(4, 4, QImage::Format_RGB32)));
}

}  // namespace
}  // namespace qh
