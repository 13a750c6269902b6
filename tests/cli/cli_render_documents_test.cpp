// qinghechart-cli render writing pictures and documents: the SVG and PDF
// hold their labels as text and, drawn back by other programs (librsvg,
// poppler), show what the PNG shows.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include "support/cli_process.h"

namespace {

using qh::test::CliPath;
using qh::test::ProcessRun;

ProcessRun Start(const QString& program, const QStringList& args) {
  return qh::test::RunProcess(program, args);
}

// Pixels of a that no pixel of b within one pixel matches to within
// tolerance on every channel: anti-aliasing and glyph hinting move edges by
// less than a pixel, so they are not counted; a missing or recoloured shape is.
double MismatchedShare(const QImage& a, const QImage& b, int tolerance) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32),
               y = b.convertToFormat(QImage::Format_RGB32);
  const int w = x.width(), h = x.height();
  long long bad = 0;
  for (int r = 0; r < h; ++r) {
    const auto* row = reinterpret_cast<const QRgb*>(x.constScanLine(r));
    for (int c = 0; c < w; ++c) {
      bool matched = false;
      for (int dr = -1; dr <= 1 && !matched; ++dr) {
        const int rr = std::clamp(r + dr, 0, h - 1);
        const auto* other = reinterpret_cast<const QRgb*>(y.constScanLine(rr));
        for (int dc = -1; dc <= 1 && !matched; ++dc) {
          const QRgb p = row[c], q = other[std::clamp(c + dc, 0, w - 1)];
          matched = std::abs(qRed(p) - qRed(q)) <= tolerance &&
                    std::abs(qGreen(p) - qGreen(q)) <= tolerance &&
                    std::abs(qBlue(p) - qBlue(q)) <= tolerance;
        }
      }
      if (!matched) ++bad;
    }
  }
  return static_cast<double>(bad) / (static_cast<double>(w) * h);
}

struct Case {
  const char* Name;
  const char* Kind;
  QByteArray Csv;  // empty: the sample report
};

QByteArray LongNames() {
  QByteArray csv;
  for (int i = 1; i <= 18; ++i)
    csv += "很长的项目名称第" + QByteArray::number(i) + "号," +
           QByteArray::number(i * 37 % 50 + 5) + "\n";
  return csv;
}

QByteArray ManyPoints() {
  QByteArray csv;
  for (int i = 1; i <= 500; ++i)
    csv += "P" + QByteArray::number(i) + "," + QByteArray::number((i * 7919) % 1000) + "\n";
  return csv;
}

class CliRenderDocuments : public qh::test::CliTest {
 protected:
  QString Input(const Case& c) {
    if (c.Csv.isEmpty()) return QStringLiteral(QH_SOURCE_DIR "/examples/sales.html");
    const QString path = dir_.filePath(QString::fromLatin1(c.Name) + QStringLiteral(".csv"));
    qh::test::WriteAll(path, c.Csv);
    return path;
  }
  // Renders the case to name.ext with its layout in name.ext.json.
  QString Render(const Case& c, const QString& ext, int w = 1200, int h = 700) {
    const QString out = dir_.filePath(QString::fromLatin1(c.Name) + u'.' + ext);
    const ProcessRun run =
        Start(CliPath(), {QStringLiteral("render"), QStringLiteral("--kind"),
                          QString::fromLatin1(c.Kind), QStringLiteral("--size"),
                          QStringLiteral("%1x%2").arg(w).arg(h), QStringLiteral("--layout"),
                          out + QStringLiteral(".json"), QStringLiteral("-o"), out, Input(c)});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    return out;
  }
};

// clang-format off
const Case kCases[] = {
    {"bar", "bar", {}}, {"bar_turned", "bar", LongNames()}, {"pie", "pie", {}},
    {"line", "line", {}}, {"line_long", "line", ManyPoints()},
};
// clang-format on

QStringList SvgTexts(const QByteArray& bytes, bool* wellFormed) {
  QStringList texts;
  QXmlStreamReader xml(bytes);
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"text")
      texts << xml.readElementText().trimmed();
  }
  *wellFormed = !xml.hasError();
  return texts;
}

// The title and subtitle the layout reports, as the window shows them.
QStringList TitleAndSubtitle(const QString& layoutPath) {
  const QByteArray json = qh::test::ReadAll(layoutPath);
  QStringList out;
  for (const char* key : {"\"title\":\"", "\"subtitle\":\""}) {
    const qsizetype at = json.indexOf(key) + qsizetype(qstrlen(key));
    out << QString::fromUtf8(json.mid(at, json.indexOf('"', at) - at));
  }
  return out;
}

TEST_F(CliRenderDocuments, EveryFormatHasTheSameLayout) {
  for (const Case& c : kCases) {
    const QByteArray png =
        qh::test::ReadAll(Render(c, QStringLiteral("png")) + QStringLiteral(".json"));
    ASSERT_FALSE(png.isEmpty()) << c.Name;
    for (const char* ext : {"svg", "pdf", "jpg"}) {
      EXPECT_EQ(qh::test::ReadAll(Render(c, QString::fromLatin1(ext)) + QStringLiteral(".json")),
                png)
          << c.Name << " " << ext;
    }
  }
}

TEST_F(CliRenderDocuments, SvgIsXmlWithTitleAndSubtitleAsText) {
  for (const Case& c : kCases) {
    const QString svg = Render(c, QStringLiteral("svg"));
    bool wellFormed = false;
    const QStringList texts = SvgTexts(qh::test::ReadAll(svg), &wellFormed);
    EXPECT_TRUE(wellFormed) << c.Name;
    for (const QString& t : TitleAndSubtitle(svg + QStringLiteral(".json")))
      EXPECT_TRUE(texts.contains(t)) << c.Name << ": " << t.toStdString();
  }
}

TEST_F(CliRenderDocuments, PdfHoldsTitleAndAxisLabelsAsText) {
  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  const struct {
    Case C;
    std::vector<const char*> Words;
  } cases[] = {
      {kCases[0], {"柱形图", "合计 314,628.5", "8万", "0", "华东区", "退货冲减", "6.1万"}},
      {kCases[2], {"饼形图", "本页合计", "电商平台", "19.2%"}},
      {kCases[3], {"曲线图", "最低 -2,315.6", "-2万", "8万", "华东区"}},
  };
  for (const auto& k : cases) {
    const QString pdf = Render(k.C, QStringLiteral("pdf"));
    EXPECT_TRUE(qh::test::ReadAll(pdf).startsWith("%PDF-")) << k.C.Name;
    const ProcessRun text = Start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_EQ(text.ExitCode, 0) << text.Err.toStdString();
    const QString found = QString::fromUtf8(text.Out);
    for (const char* word : k.Words)
      EXPECT_TRUE(found.contains(QString::fromUtf8(word))) << k.C.Name << ": " << word;
  }
}

TEST_F(CliRenderDocuments, PdfEmbedsItsFont) {
  const QString pdffonts = QStandardPaths::findExecutable(QStringLiteral("pdffonts"));
  if (pdffonts.isEmpty()) GTEST_SKIP() << "pdffonts (poppler-utils) is not installed";
  const ProcessRun fonts = Start(pdffonts, {Render(kCases[0], QStringLiteral("pdf"))});
  const QList<QByteArray> lines = fonts.Out.split('\n');
  ASSERT_GE(lines.size(), 3) << fonts.Out.toStdString();
  for (qsizetype i = 2; i < lines.size(); ++i) {
    const QList<QByteArray> cols = lines[i].simplified().split(' ');
    if (cols.size() >= 4) {
      EXPECT_TRUE(lines[i].contains(" yes ")) << "not embedded: " << lines[i].toStdString();
    }
  }
}

// Drawn back at the picture's size, the documents match the PNG except
// where edges are anti-aliased differently.
TEST_F(CliRenderDocuments, DocumentsDrawnBackMatchThePicture) {
  const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
  const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (rsvg.isEmpty() || pdftoppm.isEmpty())
    GTEST_SKIP() << "rsvg-convert (librsvg2-bin) or pdftoppm (poppler-utils) is not installed";
  for (const Case& c : kCases) {
    const QImage png(Render(c, QStringLiteral("png"), 1000, 600));
    ASSERT_EQ(png.size(), QSize(1000, 600)) << c.Name;

    const QString svg = Render(c, QStringLiteral("svg"), 1000, 600);
    const QString fromSvg = svg + QStringLiteral(".png");
    ASSERT_EQ(Start(rsvg, {QStringLiteral("-w"), QStringLiteral("1000"), QStringLiteral("-h"),
                           QStringLiteral("600"), QStringLiteral("-b"), QStringLiteral("white"),
                           QStringLiteral("-o"), fromSvg, svg})
                  .ExitCode,
              0);

    const QString pdf = Render(c, QStringLiteral("pdf"), 1000, 600);
    ASSERT_EQ(Start(pdftoppm, {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                               QStringLiteral("-singlefile"), pdf, pdf})
                  .ExitCode,
              0);
    const QString fromPdf = pdf + QStringLiteral(".png");

    // Upright names read white or black on their bars: such sharp glyph
    // edges are where two rasterisers differ most.
    const double allowed = c.Name == std::string("bar_turned") ? 0.015 : 0.01;
    for (const QString& back : {fromSvg, fromPdf}) {
      const QImage drawn(back);
      ASSERT_EQ(drawn.size(), png.size()) << back.toStdString();
      EXPECT_LT(MismatchedShare(png, drawn, 24), allowed) << back.toStdString();
      EXPECT_LT(MismatchedShare(drawn, png, 24), allowed) << back.toStdString();
    }
  }
}

TEST_F(CliRenderDocuments, UnknownFormatIsAUsageErrorAndFailedWritesKeepTheOldFile) {
  const QString input = Input(kCases[0]);
  const ProcessRun gif = Start(CliPath(), {QStringLiteral("render"), QStringLiteral("-o"),
                                           dir_.filePath(QStringLiteral("x.gif")), input});
  EXPECT_EQ(gif.ExitCode, 2);
  EXPECT_TRUE(gif.Err.contains(".svg or .pdf")) << gif.Err.toStdString();

  const QString locked = dir_.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkpath(locked));
  const QString old = locked + QStringLiteral("/old.pdf");
  qh::test::WriteAll(old, "previous");
  QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const QString target = QFileInfo(locked).isWritable() ? QStringLiteral("/proc/self/x.pdf") : old;
  for (const char* ext : {"pdf", "svg", "png"}) {
    const QString out = target.chopped(3) + QLatin1String(ext);
    const ProcessRun run =
        Start(CliPath(), {QStringLiteral("render"), QStringLiteral("-o"), out, input});
    EXPECT_EQ(run.ExitCode, 4) << ext;
    EXPECT_TRUE(
        run.Err.startsWith("qinghechart-cli: \xE6\x97\xA0\xE6\xB3\x95\xE5\x86\x99\xE5\x85\xA5 "))
        << run.Err.toStdString();
  }
  QFile::setPermissions(locked,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  EXPECT_EQ(qh::test::ReadAll(old), QByteArray("previous"));
  EXPECT_EQ(QDir(locked).entryList(QDir::Files), QStringList{QStringLiteral("old.pdf")});
}

}  // namespace
