// qinghechart-cli render: draws a chart picture or document (SVG, PDF) of a
// data file exactly as the window would, without a display. It reads the
// settings file but never creates or writes it.
#include "cli_commands.h"
#include "cli_input.h"
#include "cli_json.h"

#include "app/chart_request.h"
#include "base/ini_file.h"
#include "base/save_file.h"
#include "app/label_options.h"
#include "app/settings.h"
#include "base/text_utils.h"
#include "chart/canvas.h"
#include "chart/chart_output.h"
#include "chart/render_chart.h"
#include "data/source_loader.h"

#include <QCoreApplication>
#include <QPainter>
#include <cstdio>
#include <optional>

namespace qh::cli {

namespace {

constexpr int kMinSide = 20;
constexpr int kMaxSide = 16384;
constexpr int kExitNotWritten = 4;

struct RenderOptions {
  ChartPage page = ChartPage::Bar;
  int width = 1200, height = 700;
  int dpi = 96;
  int pageNo = 1;
  QString settingsPath;
  QString layoutPath;
  QString outPath;
  QString format;  // for FILE "-"
  QString file;
};

void PrintLine(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }

int RenderUsage(const QString& problem) {
  PrintLine(QStringLiteral("qinghechart-cli render: ") + problem);
  std::fputs(
      "usage: qinghechart-cli render [--kind bar|pie|line] [--size WxH] [--dpi N] [--page N]\n"
      "                              [--settings INI] [--layout OUT.json] [--format F] -o OUT "
      "FILE\n"
      "  --kind      chart kind (default bar)\n"
      "  --size      picture size in pixels, each side 20..16384 (default 1200x700)\n"
      "  --dpi       screen DPI to draw for; lengths scale by DPI/96, at least 1 (default 96)\n"
      "  --page      page of the pie chart (default 1)\n"
      "  --settings  settings file to read (default: the one beside the program, if any)\n"
      "  --layout    also write the chart's layout as JSON: axis, hover regions, every text drawn\n"
      "  -o          output: a picture (.png, .jpg, .jpeg, .bmp) or a vector document\n"
      "              (.svg, .pdf; a PDF page has the picture's size at 96 DPI, 1 px = 0.75 pt)\n"
      "  --format    html, csv, xls or xlsx: what FILE - (standard input) holds\n"
      "exit status: 0 drawn, 1 file refused, 2 usage error, 4 output not written\n",
      stderr);
  return 2;
}

std::optional<int> ParseInt(const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok);
  return ok ? std::optional<int>(v) : std::nullopt;
}

std::optional<ChartPage> ParseKind(const QString& text) {
  if (text == u"bar") return ChartPage::Bar;
  if (text == u"pie") return ChartPage::Pie;
  if (text == u"line") return ChartPage::Line;
  return std::nullopt;
}

bool ParseSize(const QString& text, int& width, int& height) {
  const QStringList parts = text.toLower().split(u'x');
  if (parts.size() != 2) return false;
  const auto w = ParseInt(parts[0]), h = ParseInt(parts[1]);
  if (!w || !h) return false;
  width = *w;
  height = *h;
  return true;
}

// Empty when the arguments are usable, else what is wrong.
QString ParseRenderArgs(const QStringList& args, RenderOptions& o) {
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    const bool takesValue = arg == u"--kind" || arg == u"--size" || arg == u"--dpi" ||
                            arg == u"--page" || arg == u"--settings" || arg == u"--layout" ||
                            arg == u"-o" || arg == u"--format";
    if (takesValue && i + 1 >= args.size()) return arg + QStringLiteral(" needs a value");
    const QString value = takesValue ? args[++i] : QString();
    if (arg == u"--kind") {
      const auto kind = ParseKind(value);
      if (!kind) return QStringLiteral("unknown chart kind '%1' (bar, pie or line)").arg(value);
      o.page = *kind;
    } else if (arg == u"--size") {
      if (!ParseSize(value, o.width, o.height)) {
        return QStringLiteral("bad size '%1' (expected WxH, e.g. 1200x700)").arg(value);
      }
      if (o.width < kMinSide || o.width > kMaxSide || o.height < kMinSide || o.height > kMaxSide) {
        return QStringLiteral("size %1x%2 out of range: each side must be %3..%4 pixels")
            .arg(o.width)
            .arg(o.height)
            .arg(kMinSide)
            .arg(kMaxSide);
      }
    } else if (arg == u"--dpi") {
      const auto dpi = ParseInt(value);
      if (!dpi || *dpi < 1 || *dpi > 2400)
        return QStringLiteral("bad DPI '%1' (1..2400)").arg(value);
      o.dpi = *dpi;
    } else if (arg == u"--page") {
      const auto page = ParseInt(value);
      if (!page || *page < 1) return QStringLiteral("bad page '%1' (1 or more)").arg(value);
      o.pageNo = *page;
    } else if (arg == u"--settings") {
      o.settingsPath = value;
    } else if (arg == u"--layout") {
      o.layoutPath = value;
    } else if (arg == u"-o") {
      o.outPath = value;
    } else if (arg == u"--format") {
      o.format = value;
    } else if (arg.startsWith(u'-') && arg.size() > 1) {
      return QStringLiteral("unknown option '%1'").arg(arg);
    } else if (!o.file.isNull()) {
      return QStringLiteral("more than one FILE");
    } else {
      o.file = arg;
    }
  }
  if (o.file.isNull()) return QStringLiteral("missing FILE");
  if (const QString problem = CheckSourceFormat(o.file, o.format); !problem.isEmpty())
    return problem;
  if (o.outPath.isEmpty()) return QStringLiteral("missing -o OUT");
  if (!ChartFileFormatFor(o.outPath)) {
    return QStringLiteral("output must end in .png, .jpg, .jpeg, .bmp, .svg or .pdf");
  }
  if (!o.settingsPath.isEmpty() && !FileExists(o.settingsPath)) {
    return QStringLiteral("settings file not found: ") + o.settingsPath;
  }
  return {};
}

// The explicit file, else the one beside the program when it exists, else
// the defaults.
void LoadViewSettings(const RenderOptions& o, Settings& settings, LabelOptions& labels) {
  QString path = o.settingsPath;
  if (path.isEmpty()) {
    const QString beside = SettingsPath(QCoreApplication::applicationDirPath() + u'/');
    if (FileExists(beside)) path = beside;
  }
  if (path.isEmpty()) return;
  const IniFile ini(path);
  settings = LoadSettings(ini);
  labels = LoadLabelOptions(ini);
}

// "left,top,right,bottom", each number as precise as it is held.
template <typename T>
void AppendEdges(QByteArray& j, T left, T top, T right, T bottom) {
  AppendJsonNumber(j, left);
  j += ',';
  AppendJsonNumber(j, top);
  j += ',';
  AppendJsonNumber(j, right);
  j += ',';
  AppendJsonNumber(j, bottom);
}

void AppendTexts(QByteArray& j, const std::vector<ChartText>& texts) {
  j += ",\"texts\":[";
  for (size_t i = 0; i < texts.size(); ++i) {
    const ChartText& t = texts[i];
    j += i > 0 ? ",{\"role\":\"" : "{\"role\":\"";
    j += TextRoleName(t.Role);
    j += "\",\"text\":";
    AppendJsonString(j, t.Text);
    j += ",\"box\":[";
    const QRectF& b = t.Box;
    AppendEdges(j, b.left(), b.top(), b.right(), b.bottom());
    j += ']';
    j += t.Cut ? ",\"cut\":true}" : ",\"cut\":false}";
  }
  j += ']';
}

// Keys in a fixed, readable order: kind, size, scale, title, subtitle,
// axis, counts, one [item, left, top, right, bottom] per hover region, then
// every drawn text. Numbers at full precision.
QByteArray LayoutJson(const ChartState& state, int width, int height, float s) {
  static const char* const kKinds[] = {"bar", "pie", "line"};
  const ChartOutline& out = state.Outline;
  QByteArray j = "{\"kind\":\"";
  j += kKinds[static_cast<int>(out.Page) % 3];
  j += "\",\"width\":" + QByteArray::number(width) + ",\"height\":" + QByteArray::number(height);
  j += ",\"scale\":";
  AppendJsonNumber(j, s);
  j += ",\"title\":";
  AppendJsonString(j, out.Title);
  j += ",\"subtitle\":";
  AppendJsonString(j, out.Subtitle);
  if (out.Axis) {
    j += ",\"axis\":{\"min\":";
    AppendJsonNumber(j, out.Axis->Min);
    j += ",\"max\":";
    AppendJsonNumber(j, out.Axis->Max);
    j += ",\"step\":";
    AppendJsonNumber(j, out.Axis->Step);
    j += '}';
  } else {
    j += ",\"axis\":null";
  }
  j += ",\"drawn\":" + QByteArray::number(out.Drawn) +
       ",\"capacity\":" + QByteArray::number(out.Capacity) + ",\"regions\":[";
  for (size_t i = 0; i < state.HitRegions.size(); ++i) {
    const HitRegion& r = state.HitRegions[i];
    j += i > 0 ? ",[" : "[";
    j += QByteArray::number(r.ItemIndex) + ',';
    AppendEdges(j, r.Left, r.Top, r.Right, r.Bottom);
    j += ']';
  }
  j += ']';
  AppendTexts(j, out.Texts);
  j += "}\n";
  return j;
}

// One line when the picture shows fewer items than the table holds: the
// bar and line charts fit the width, the pie shows one page.
QString LeftOutNote(const ChartOutline& out, ChartPage page, int rowCount) {
  if (out.Drawn >= rowCount) return {};
  const QString hint = page == ChartPage::Pie ? QStringLiteral("; --page N shows the others")
                                              : QStringLiteral("; a wider picture holds more");
  if (out.Drawn <= 0) {
    return QStringLiteral(
               "qinghechart-cli render: drew no items of %1; a larger picture holds more")
        .arg(rowCount);
  }
  return QStringLiteral("qinghechart-cli render: drew items %1-%2 of %3")
             .arg(out.FirstItem)
             .arg(out.FirstItem + out.Drawn - 1)
             .arg(rowCount) +
         hint;
}

// An output that could not be written: exit code 4, the path and why. The
// old file, if any, is as it was.
int CannotWrite(const QString& path, const SaveResult& result) {
  std::fprintf(stderr, "qinghechart-cli: %s\n",
               (QStringLiteral("无法写入 ") + path + u':' + result.Reason).toUtf8().constData());
  return kExitNotWritten;
}

}  // namespace

int RunRender(const QStringList& args) {
  RenderOptions o;
  if (const QString problem = ParseRenderArgs(args, o); !problem.isEmpty()) {
    return RenderUsage(problem);
  }
  Settings settings;
  LabelOptions labels;
  LoadViewSettings(o, settings, labels);

  ItemTable table;
  table.SourcePath = o.file;
  if (!LoadCliSource(o.file, o.format, LoadLimits{settings.MaxItems, settings.MaxPoints}, table)) {
    PrintLine(table.LastError);
    PrintLine(QString());
    PrintLine(table.LastHint);
    return 1;
  }
  const ChartRequest request =
      MakeChartRequest(o.page, o.pageNo, table.ItemCount(), settings, labels, DpiScale(o.dpi));
  if (o.page == ChartPage::Pie && o.pageNo > request.PageCount) {
    return RenderUsage(QStringLiteral("page %1 out of range: the pie has %2 page(s)")
                           .arg(o.pageNo)
                           .arg(request.PageCount));
  }
  ChartState state;

  const ChartFileFormat format = *ChartFileFormatFor(o.outPath);
  const ChartFileInfo info{o.width, o.height, request.Title};
  const SaveResult written = SaveChartFile(o.outPath, format, info, [&](QPainter& painter) {
    RenderChart(painter, o.width, o.height, table, request, state);
  });
  if (!written) return CannotWrite(o.outPath, written);
  if (!o.layoutPath.isEmpty()) {
    const SaveResult layout =
        SaveFile(o.layoutPath, LayoutJson(state, o.width, o.height, request.Scale));
    if (!layout) return CannotWrite(o.layoutPath, layout);
  }
  if (const QString note = LeftOutNote(state.Outline, o.page, table.ItemCount()); !note.isEmpty()) {
    PrintLine(note);
  }
  return 0;
}

}  // namespace qh::cli
