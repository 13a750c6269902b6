// "qinghechart-cli render" as a business system calls it: every option,
// every refusal, the layout dump and the note on items left out.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/cli_process.h"

namespace {

struct CliResult {
  int ExitCode = -1;
  QByteArray Err;
};

CliResult Render(const QStringList& args) {
  const qh::test::ProcessRun run = qh::test::RunCli(QStringList{QStringLiteral("render")} + args);
  CliResult result{run.ExitCode, {}};
  // The offscreen platform may add a note about its runtime folder.
  for (const QByteArray& line : run.Err.split('\n')) {
    if (!line.startsWith("QStandardPaths:") && !line.isEmpty()) result.Err += line + '\n';
  }
  return result;
}

QByteArray Rows(int n, double first = 10000.25) {
  QByteArray csv;
  for (int i = 1; i <= n; ++i) {
    csv +=
        "项目" + QByteArray::number(i) + ',' + QByteArray::number(first + i * 731.5, 'f', 2) + '\n';
  }
  return csv;
}

class CliRender : public qh::test::CliTest {
 protected:
  // Every picture and layout in the folder and its subfolders, sorted.
  QStringList Outputs() const {
    QStringList found;
    QDirIterator it(dir_.path(), {"*.png", "*.json"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) found << QDir(dir_.path()).relativeFilePath(it.next());
    found.sort();
    return found;
  }
  QJsonObject Layout(const QString& name) const {
    return QJsonDocument::fromJson(qh::test::ReadAll(Path(name))).object();
  }
};

TEST_F(CliRender, EveryOptionShapesThePictureAndItsLayout) {
  const QString data = Write("a.csv", Rows(45));
  const QString ini = Write("view.ini",
                            "[Limits]\r\nPageSize=10\r\n[Display]\r\nShowValue=0\r\n"
                            "[Bar]\r\nUseLetters=1\r\n");
  struct Row {
    QStringList Args;
    const char* Out;
    QSize Size;
    const char* Kind;
    double Scale;
    const char16_t* Title;
    int Drawn;
  };
  // clang-format off
  const Row rows[] = {
      {{}, "default.png", {1200, 700}, "bar", 1, u"柱形图", 28},
      {{"--kind", "line", "--size", "640x480"}, "line.jpg", {640, 480}, "line", 1, u"曲线图", 27},
      {{"--kind", "pie", "--page", "3", "--dpi", "144"}, "pie.bmp", {1200, 700}, "pie", 1.5,
       u"饼形图   (第 3/3 页)", 5},
      {{"--kind", "bar", "--size", "800X500", "--dpi", "72"}, "small.jpeg", {800, 500}, "bar", 1,
       u"柱形图", 18},
      {{"--settings", ini, "--kind", "pie", "--page", "2"}, "ten.png", {1200, 700}, "pie", 1,
       u"饼形图   (第 2/5 页)", 10},
      {{"--title", "{name} 月报"}, "titled.png", {1200, 700}, "bar", 1, u"a 月报", 28},
      {{"--kind", "pie", "--title=华东{name}"}, "titled-pie.png", {1200, 700}, "pie", 1,
       u"华东a   (第 1/3 页)", 20},
  };
  // clang-format on
  for (const Row& r : rows) {
    const QString layout = QString::fromLatin1(r.Out) + QStringLiteral(".json");
    const CliResult result =
        Render(r.Args + QStringList{"--layout", Path(layout), "-o", Path(r.Out), data});
    ASSERT_EQ(result.ExitCode, 0) << r.Out << ": " << result.Err.toStdString();
    EXPECT_EQ(QImage(Path(r.Out)).size(), r.Size) << r.Out;
    const QJsonObject j = Layout(layout);
    EXPECT_EQ(j["kind"].toString(), QLatin1String(r.Kind)) << r.Out;
    EXPECT_EQ(j["width"].toInt(), r.Size.width());
    EXPECT_EQ(j["scale"].toDouble(), r.Scale) << r.Out;
    EXPECT_EQ(j["title"].toString(), QString::fromUtf16(r.Title)) << r.Out;
    EXPECT_EQ(j["drawn"].toInt(), r.Drawn) << r.Out;
    EXPECT_EQ(j["axis"].isNull(), QLatin1String(r.Kind) == QLatin1String("pie")) << r.Out;
    // The drawn range, and the note in the picture that names it.
    EXPECT_EQ(j["rows"].toInt(), 45) << r.Out;
    if (QLatin1String(r.Kind) != QLatin1String("pie")) {
      EXPECT_EQ(j["first"].toInt(), 1) << r.Out;
    }
    QStringList notes;
    for (const QJsonValue& t : j["texts"].toArray())
      if (t["role"].toString() == u"range-note") notes << t["text"].toString();
    const QStringList expectedNotes =
        QLatin1String(r.Kind) == QLatin1String("pie")
            ? QStringList{}
            : QStringList{QStringLiteral("显示第 1–%1 项,共 45 项").arg(r.Drawn)};
    EXPECT_EQ(notes, expectedNotes) << r.Out;
  }
  // The settings file: values off, letters under the bars.
  const CliResult bar = Render(
      {"--settings", ini, "--layout", Path("letters.json"), "-o", Path("letters.png"), data});
  ASSERT_EQ(bar.ExitCode, 0);
  bool letterA = false;
  for (const QJsonValue& t : Layout("letters.json")["texts"].toArray()) {
    EXPECT_NE(t["role"].toString(), QStringLiteral("value"));
    letterA |= t["role"].toString() == QStringLiteral("category") && t["text"].toString() == u"A";
  }
  EXPECT_TRUE(letterA);
}

TEST_F(CliRender, RefusalsSayWhatIsWrong) {
  const QString data = Write("a.csv", Rows(45));
  const QString png = Path("out.png");
  const QString pipe = Path("pipe.ini");
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  struct Row {
    QStringList Args;
    int ExitCode;
    const char* Says;
  };
  // clang-format off
  const Row rows[] = {
      {{}, 2, "missing FILE"},
      {{data}, 2, "missing -o OUT"},
      {{"-o", png, data, data}, 2, "several FILEs need {name} in"},
      {{"--kind", "bar,pie", "-o", png, data}, 2, "several kinds need {kind} in"},
      {{"--kind", "bar,line", "-o", "-", data}, 2, "- (standard output) takes one chart"},
      {{"--layout", "-", "-o", "-", data}, 2, "-o - and --layout - cannot both use standard output"},
      {{"-o", "{name}.png", "--format", "csv", "-", "-"}, 2, "standard input (-) can be read only once"},
      {{"-T", "gif", "-o", png, data}, 2, "unknown picture format 'gif' (png, jpeg, bmp, svg or pdf)"},
      {{"--kind", "donut", "-o", png, data}, 2, "unknown chart kind 'donut' (bar, pie or line)"},
      {{"--size", "800", "-o", png, data}, 2, "bad size '800' (expected WxH, e.g. 1200x700)"},
      {{"--size", "19x500", "-o", png, data}, 2,
       "size 19x500 out of range: each side must be 20..16384 pixels"},
      {{"--dpi", "0", "-o", png, data}, 2, "bad DPI '0' (1..2400)"},
      {{"--page", "0", "-o", png, data}, 2, "bad page '0' (1 or more)"},
      {{"--kind", "pie", "--page", "4", "-o", png, data}, 2,
       "page 4 out of range: the pie has 3 page(s)"},
      {{"--colour", "red", "-o", png, data}, 2, "unknown option '--colour'"},
      {{"-o", Path("out.gif"), data}, 2, "output must end in .png, .jpg, .jpeg, .bmp, .svg or .pdf"},
      {{"--settings", Path("none.ini"), "-o", png, data}, 3, "settings file not found: "},
      {{"--settings", dir_.path(), "-o", png, data}, 3, "settings file is a folder: "},
      {{"--settings", pipe, "-o", png, data}, 3,
       "settings file is not a regular file (a pipe, device or socket): "},
      {{"-o"}, 2, "-o needs a value"},
      {{"-o", png, Path("none.csv")}, 3, "数据源文件不存在."},
      {{"-o", png, Write("one.csv", "A,1\n")}, 1, "数据源CSV没有可用的两列数据(项目,数值)."},
      {{"-o", Path("no/such/folder/out.png"), data}, 4, "qinghechart-cli: 无法写入 "},
      {{"--layout", Path("no/such/folder/l.json"), "-o", png, data}, 4,
       "/no/such/folder/l.json:文件夹不存在\n"},
  };
  // clang-format on
  for (const Row& r : rows) {
    const CliResult result = Render(r.Args);
    EXPECT_EQ(result.ExitCode, r.ExitCode) << r.Says;
    EXPECT_TRUE(result.Err.contains(r.Says)) << r.Says << "\n" << result.Err.toStdString();
    EXPECT_TRUE(result.Err.startsWith("qinghechart-cli: ")) << r.Says;
  }
}

TEST_F(CliRender, SaysWhichItemsItLeftOut) {
  const QString many = Write("many.csv", Rows(5000));
  const QString few = Write("few.csv", Rows(5));
  struct Row {
    QStringList Args;
    const char* Note;  // empty: nothing on standard error
  };
  const Row rows[] = {
      {{"--kind", "line", "--size", "1600x900", many},
       "drew items 1-75 of 5000; a wider picture holds more\n"},
      {{"--kind", "bar", "--size", "600x400", many},
       "drew items 1-12 of 5000; a wider picture holds more\n"},
      {{"--kind", "pie", "--page", "2", many},
       "drew items 21-40 of 5000; --page N shows the others\n"},
      {{"--kind", "bar", "--size", "100x400", few},
       "drew no items of 5; a larger picture holds more\n"},
      {{"--kind", "pie", few}, ""},
      {{"--kind", "line", few}, ""},
  };
  for (const Row& r : rows) {
    const CliResult result = Render(QStringList{"-o", Path("n.png")} + r.Args);
    EXPECT_EQ(result.ExitCode, 0) << r.Note;
    // The note names the picture it is about.
    const QByteArray expected = *r.Note == '\0'
                                    ? QByteArray()
                                    : "qinghechart-cli: " + Path("n.png").toUtf8() + ": " + r.Note;
    EXPECT_EQ(result.Err, expected);
  }
}

TEST_F(CliRender, LayoutListsEveryTextAtFullPrecision) {
  // Values of a few thousandths: the axis runs to 0.005, not 0 as two
  // rounded decimals would say, and the statistics keep their digits.
  const QString tiny = Write("tiny.csv", "a,0.001\nb,0.004\nc,0.002\n");
  ASSERT_EQ(Render({"--size", "800x500", "--layout", Path("tiny.json"), "-o", Path("t.png"), tiny})
                .ExitCode,
            0);
  const QByteArray raw = qh::test::ReadAll(Path("tiny.json"));
  const QJsonObject j = QJsonDocument::fromJson(raw).object();
  EXPECT_EQ(j["axis"]["max"].toDouble(), 0.005) << raw.toStdString();
  EXPECT_EQ(j["axis"]["step"].toDouble(), 0.001);
  EXPECT_EQ(j["subtitle"].toString(), QStringLiteral("合计 0.007    平均 0.0023    最高 0.004"));

  const QJsonArray texts = j["texts"].toArray();
  ASSERT_GE(texts.size(), 2);
  EXPECT_EQ(texts[0]["role"].toString(), QStringLiteral("title"));
  EXPECT_EQ(texts[0]["text"].toString(), QStringLiteral("柱形图"));
  EXPECT_EQ(texts[1]["role"].toString(), QStringLiteral("subtitle"));
  QStringList values, categories;
  for (const QJsonValue& t : texts) {
    const QJsonArray box = t["box"].toArray();
    ASSERT_EQ(box.size(), 4);
    EXPECT_LT(box[0].toDouble(), box[2].toDouble());
    EXPECT_LT(box[1].toDouble(), box[3].toDouble());
    EXPECT_GE(box[0].toDouble(), 0);
    EXPECT_LE(box[2].toDouble(), 800);
    EXPECT_FALSE(t["cut"].toBool());
    if (t["role"].toString() == u"value") values << t["text"].toString();
    if (t["role"].toString() == u"category") categories << t["text"].toString();
  }
  EXPECT_EQ(values, (QStringList{"0.001", "0.004", "0.002"}));
  EXPECT_EQ(categories, (QStringList{"a", "b", "c"}));
  // Regions keep every digit too: slotW is 690 / 3 = 230, barW 60, so the
  // first bar's region starts at 84 + 85 - 3 and stands on the plot bottom.
  const QJsonArray first = j["regions"].toArray()[0].toArray();
  EXPECT_EQ(first[0].toInt(), 1);
  EXPECT_EQ(first[1].toDouble(), 166);
  EXPECT_EQ(first[4].toDouble(), 456);
}

TEST_F(CliRender, LongNamesAreCutAndMarkedSo) {
  const QString data =
      Write("long.csv", "华东区域销售分公司第一事业部直营门店合计,65565.25\n短,55520.5\n");
  ASSERT_EQ(Render({"--kind", "pie", "--size", "800x500", "--dpi", "144", "--layout",
                    Path("p.json"), "-o", Path("p.png"), data})
                .ExitCode,
            0);
  QStringList cutNames, numbers;
  for (const QJsonValue& t : Layout("p.json")["texts"].toArray()) {
    const QString role = t["role"].toString();
    if (role == u"legend-name" && t["cut"].toBool()) cutNames << t["text"].toString();
    if (role == u"legend-value" || role == u"legend-pct") {
      EXPECT_FALSE(t["cut"].toBool());
      numbers << t["text"].toString();
    }
  }
  // Cut in the middle: both ends still tell the item.
  ASSERT_EQ(cutNames.size(), 1);
  EXPECT_TRUE(cutNames[0].startsWith(u"华") && cutNames[0].endsWith(u"合计") &&
              cutNames[0].contains(QChar(0x2026)))
      << cutNames[0].toStdString();
  EXPECT_EQ(numbers, (QStringList{"65,565.25", "54.1%", "55,520.5", "45.9%"}));
}

// Several FILEs and kinds in one run: each FILE read once, a refused or
// missing one reported by name without stopping the others, the exit code
// the highest failure.
TEST_F(CliRender, ManyChartsInOneRun) {
  const QString a = Write("a.csv", Rows(45));
  const QString b = Write(
      "b.html", "<table><tr><td>甲</td><td>1</td></tr><tr><td>乙</td><td>2</td></tr></table>");
  const QString refused = Write("one.csv", "A,1\n");
  ASSERT_TRUE(QDir(dir_.path()).mkpath("other"));
  const QString xa = Write("xa.csv", Rows(3));
  for (const char* folder : {"xa", "xxa"}) ASSERT_TRUE(QDir(dir_.path()).mkpath(folder));
  const QString twin = Write("other/a.csv", Rows(3));
  const QString out = Path("{name}-{kind}.png");
  struct Row {
    const char* Name;
    QStringList Args;
    QByteArray Input;
    int ExitCode;
    QStringList Written;  // files expected afterwards
    const char* Says;     // on standard error; empty: nothing
  };
  // clang-format off
  const Row rows[] = {
      {"two files, three kinds", {"--kind", "bar,pie,line", "-o", out, a, b}, {}, 0,
       {"a-bar.png", "a-pie.png", "a-line.png", "b-bar.png", "b-pie.png", "b-line.png"},
       "a-bar.png: drew items 1-28 of 45"},
      {"a refused file between good ones", {"--kind", "pie", "-o", out, a, refused, b}, {}, 1,
       {"a-pie.png", "b-pie.png"}, "one.csv: 数据源CSV没有可用的两列数据"},
      {"missing outranks refused", {"-o", out, refused, Path("none.csv"), b}, {}, 3,
       {"b-bar.png"}, "none.csv: 数据源文件不存在."},
      {"standard input read once for every kind", {"--kind", "bar,line", "--format", "csv", "-o", out, "-"},
       Rows(4), 0, {"stdin-bar.png", "stdin-line.png"}, ""},
      {"every pie page with {page}", {"--kind", "pie", "--layout", Path("p{page}.json"), "-o", Path("p{page}.png"), a}, {}, 0,
       {"p1.png", "p2.png", "p3.png", "p1.json", "p2.json", "p3.json"}, ""},
      {"one name for two charts", {"-o", out, a, twin}, {}, 4, {"a-bar.png"}, "a-bar.png: written twice in this run"},
      {"a layout named like a later picture", {"--layout", Path("x{name}.png"), "-o", Path("{name}.png"), a, xa}, {}, 4,
       {"a.png", "xa.png"}, "xa.png: written twice in this run"},
      {"pictures not written between ones that are", {"--kind", "bar,line", "-o", Path("{name}/{kind}.png"), a, xa}, {}, 4,
       {"xa/bar.png", "xa/line.png"}, "a/bar.png:文件夹不存在\nqinghechart-cli: 无法写入 "},
      {"a picture not written leaves its layout's name free", {"--layout", Path("x{name}/p.png"), "-o", Path("{name}/p.png"), a, xa}, {}, 4,
       {"xa/p.png", "xxa/p.png"}, "a/p.png:"},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    // Drawn on several threads, every message, file and exit code is the
    // one-thread run's, in the same order.
    QByteArray oneThreadErr;
    for (const char* jobs : {"1", "3"}) {
      SCOPED_TRACE(jobs);
      for (const QString& f : Outputs()) QFile::remove(Path(f));
      const qh::test::ProcessRun run = qh::test::RunCli(
          QStringList{QStringLiteral("render"), QStringLiteral("-j"), jobs} + r.Args, r.Input);
      EXPECT_EQ(run.ExitCode, r.ExitCode) << run.Err.toStdString();
      QStringList expected = r.Written, found = Outputs();
      expected.sort();
      EXPECT_EQ(found, expected);
      if (*r.Says == '\0') {
        EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
      } else {
        EXPECT_TRUE(run.Err.startsWith("qinghechart-cli: ")) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(r.Says)) << run.Err.toStdString();
      }
      if (oneThreadErr.isNull()) oneThreadErr = run.Err;
      EXPECT_EQ(run.Err, oneThreadErr);
    }
  }
}

// What killed saves left beside the outputs goes, in every folder a run
// writes to, however many pictures go there.
TEST_F(CliRender, ARunClearsWhatKilledSavesLeftInEachFolder) {
  const QString a = Write("a.csv", Rows(3));
  const QString b = Write("b.csv", Rows(3));
  for (const char* folder : {"a", "b"}) ASSERT_TRUE(QDir(dir_.path()).mkpath(folder));
  for (const char* jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    const QStringList left = {Path("a/old.png.~qzAb12Cd"), Path("b/old.png.~qzCd34Ef")};
    for (const QString& f : left) qh::test::WriteAll(f, "x");
    const qh::test::ProcessRun run = qh::test::RunCli(
        {"render", "-j", jobs, "--kind", "bar,pie,line", "-o", Path("{name}/{kind}.png"), a, b});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    for (const QString& f : left) EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    for (const char* folder : {"a", "b"}) {
      EXPECT_EQ(QDir(Path(folder)).entryList(QDir::Files),
                (QStringList{"bar.png", "line.png", "pie.png"}));
    }
  }
}

// An output never replaces an input, nor an output written earlier in the
// run, however its name is spelled: "..", a link to the file or to its
// folder, a second hard link, a pattern that expands to an input's name.
TEST_F(CliRender, AnOutputNeverReplacesAnInputOrAnEarlierOutput) {
  ASSERT_TRUE(QDir(dir_.path()).mkpath("real"));
  ASSERT_TRUE(QDir(dir_.path()).mkpath("sub"));
  ASSERT_TRUE(QFile::link(Path("real"), Path("alias")));
  const QByteArray rows = Rows(3);
  const QString settings = Path("s.ini");
  const auto hardLink = [this](const char* from, const char* to) {
    ASSERT_EQ(
        ::link(QFile::encodeName(Path(from)).constData(), QFile::encodeName(Path(to)).constData()),
        0);
  };
  struct Row {
    const char* Name;
    QStringList Args;
    std::function<void()> Prepare;  // links made before the run
    int ExitCode;
    const char* Says;
    QStringList Pictures;  // files that must hold a PNG afterwards
  };
  // clang-format off
  const Row cases[] = {
      {"the same name", {"-T", "png", "-o", Path("a.csv"), Path("a.csv")}, nullptr, 2,
       "a.csv: would replace the input ", {}},
      {"through ..", {"-T", "png", "-o", Path("sub/../a.csv"), Path("a.csv")}, nullptr, 2,
       "sub/../a.csv: would replace the input ", {}},
      {"through a symbolic link", {"-T", "png", "-o", Path("link.png"), Path("a.csv")},
       [this] { QFile::link(Path("a.csv"), Path("link.png")); }, 2, "link.png: would replace the input ", {}},
      {"a hard link", {"-o", Path("hard.png"), Path("a.csv")},
       [&] { hardLink("a.csv", "hard.png"); },
       2, "hard.png: would replace the input ", {}},
      {"a pattern expanding to the inputs", {"-o", Path("{name}.png"), "--layout", Path("{name}.csv"), Path("a.csv"), Path("b.csv")},
       nullptr, 2, "a.csv: would replace the input ", {}},
      {"the settings file", {"--settings", settings, "-T", "png", "-o", settings, Path("a.csv")}, nullptr, 2,
       "s.ini: would replace the input ", {}},
      {"two outputs through a linked folder", {"-o", Path("real/x.png"), "--layout", Path("alias/x.png"), Path("a.csv")},
       nullptr, 4, "alias/x.png: written twice in this run (as ", {"real/x.png"}},
      {"two outputs that are hard links of one file", {"--kind", "bar,line", "-o", Path("{kind}.png"), Path("a.csv")},
       [&] {
         qh::test::WriteAll(Path("bar.png"), "old");
         hardLink("bar.png", "line.png");
       },
       4, "line.png: written twice in this run (as ", {"bar.png"}},
  };
  // clang-format on
  for (const Row& r : cases) {
    SCOPED_TRACE(r.Name);
    for (const char* input : {"a.csv", "b.csv"}) Write(input, rows);
    qh::test::WriteAll(settings, "[Limits]\r\nPageSize=7\r\n");
    if (r.Prepare) r.Prepare();
    const CliResult result = Render(r.Args);
    EXPECT_EQ(result.ExitCode, r.ExitCode) << result.Err.toStdString();
    EXPECT_TRUE(result.Err.contains(r.Says)) << result.Err.toStdString();
    for (const char* input : {"a.csv", "b.csv"}) EXPECT_EQ(qh::test::ReadAll(Path(input)), rows);
    EXPECT_EQ(qh::test::ReadAll(settings), QByteArray("[Limits]\r\nPageSize=7\r\n"));
    for (const QString& picture : r.Pictures)
      EXPECT_TRUE(qh::test::ReadAll(Path(picture)).startsWith("\x89PNG")) << picture.toStdString();
    for (const char* made : {"link.png", "hard.png", "a.png", "real/x.png", "bar.png", "line.png"})
      QFile::remove(Path(made));
  }
}

}  // namespace
