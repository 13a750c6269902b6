#include "cli_render_options.h"

#include "cli_input.h"
#include "cli_table_options.h"
#include "work_queue.h"

#include <QFileInfo>
#include <algorithm>

namespace qh::cli {

namespace {

constexpr int kMinSide = 20;
constexpr int kMaxSide = 16384;
constexpr int kMaxJobs = 256;

std::optional<int> ParseInt(const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok);
  return ok ? std::optional<int>(v) : std::nullopt;
}

std::optional<ChartPage> ParseKind(QStringView text) {
  if (text == u"bar") return ChartPage::Bar;
  if (text == u"pie") return ChartPage::Pie;
  if (text == u"line") return ChartPage::Line;
  return std::nullopt;
}

QString TakeKinds(const QString& text, std::vector<ChartPage>& kinds) {
  kinds.clear();
  for (const QString& word : text.split(u',')) {
    const auto kind = ParseKind(word.trimmed());
    if (!kind) return QStringLiteral("unknown chart kind '%1' (bar, pie or line)").arg(word);
    if (std::find(kinds.begin(), kinds.end(), *kind) == kinds.end()) kinds.push_back(*kind);
  }
  return {};
}

QString TakeSize(const QString& text, int& width, int& height) {
  const QStringList parts = text.toLower().split(u'x');
  const auto w = parts.size() == 2 ? ParseInt(parts[0]) : std::nullopt;
  const auto h = parts.size() == 2 ? ParseInt(parts[1]) : std::nullopt;
  if (!w || !h) return QStringLiteral("bad size '%1' (expected WxH, e.g. 1200x700)").arg(text);
  if (*w < kMinSide || *w > kMaxSide || *h < kMinSide || *h > kMaxSide) {
    return QStringLiteral("size %1x%2 out of range: each side must be %3..%4 pixels")
        .arg(*w)
        .arg(*h)
        .arg(kMinSide)
        .arg(kMaxSide);
  }
  width = *w;
  height = *h;
  return {};
}

std::optional<ChartFileFormat> FormatNamed(const QString& name) {
  return ChartFileFormatFor(QStringLiteral("x.") + name);
}

QString TakeOutput(const ParsedArgs& args, RenderOptions& o) {
  o.OutPattern = args.Value("output");
  if (o.OutPattern.isEmpty()) return QStringLiteral("missing -o OUT");
  if (args.Has("output-format")) {
    const auto format = FormatNamed(args.Value("output-format").toLower());
    if (!format) {
      return QStringLiteral("unknown picture format '%1' (png, jpeg, bmp, svg or pdf)")
          .arg(args.Value("output-format"));
    }
    o.OutFormat = *format;
  } else if (!o.ToStraightOutput()) {
    const auto format = ChartFileFormatFor(o.OutPattern);
    if (!format) {
      return QStringLiteral(
          "output must end in .png, .jpg, .jpeg, .bmp, .svg or .pdf, or -T name its format");
    }
    o.OutFormat = *format;
  }
  return {};
}

// Several charts must not land in one file.
QString CheckPatterns(const RenderOptions& o) {
  const bool manyFiles = o.Files.size() > 1, manyKinds = o.Kinds.size() > 1;
  for (const QString& pattern : {o.OutPattern, o.LayoutPattern}) {
    if (pattern != u"-") continue;
    if (manyFiles || manyKinds || o.EveryPiePage())
      return QStringLiteral("- (standard output) takes one chart: one FILE, one kind, one page");
  }
  if (o.ToStandardOutput() && o.LayoutPattern == u"-")
    return QStringLiteral("-o - and --layout - cannot both use standard output");
  if (o.JsonSummary && (o.ToStandardOutput() || o.LayoutPattern == u"-"))
    return QStringLiteral(
        "--json-summary writes to standard output: OUT and --layout need file names");
  for (const QString& pattern : {o.OutPattern, o.LayoutPattern}) {
    if (pattern.isEmpty() || pattern == u"-" || IsDeviceOutput(pattern)) continue;
    if (manyFiles && !pattern.contains(u"{name}"))
      return QStringLiteral("several FILEs need {name} in '%1'").arg(pattern);
    if (manyKinds && !pattern.contains(u"{kind}"))
      return QStringLiteral("several kinds need {kind} in '%1'").arg(pattern);
  }
  if (o.EveryPiePage() && !o.LayoutPattern.isEmpty() && !o.LayoutPattern.contains(u"{page}"))
    return QStringLiteral("every pie page is drawn: --layout needs {page} too");
  return {};
}

QString TakeNumbers(const ParsedArgs& args, RenderOptions& o) {
  if (args.Has("dpi")) {
    const auto dpi = ParseInt(args.Value("dpi"));
    if (!dpi || *dpi < 1 || *dpi > 2400)
      return QStringLiteral("bad DPI '%1' (1..2400)").arg(args.Value("dpi"));
    o.Dpi = *dpi;
  }
  if (args.Has("page")) {
    o.PageNo = ParseInt(args.Value("page"));
    if (!o.PageNo || *o.PageNo < 1)
      return QStringLiteral("bad page '%1' (1 or more)").arg(args.Value("page"));
  }
  if (args.Has("jobs")) {
    const auto jobs = ParseInt(args.Value("jobs"));
    if (!jobs || *jobs < 1 || *jobs > kMaxJobs)
      return QStringLiteral("bad job count '%1' (1..%2)").arg(args.Value("jobs")).arg(kMaxJobs);
    o.Jobs = *jobs;
  } else {
    o.Jobs = UsableCores();
  }
  if (args.Has("size")) return TakeSize(args.Value("size"), o.Width, o.Height);
  return {};
}

}  // namespace

bool RenderOptions::EveryPiePage() const {
  return !PageNo && OutPattern.contains(u"{page}") &&
         std::find(Kinds.begin(), Kinds.end(), ChartPage::Pie) != Kinds.end();
}

namespace {

// The pictures a run draws at least: one per FILE and kind (every pie
// page adds more).
qsizetype LeastPictures(const RenderOptions& o) {
  return o.Files.size() * static_cast<qsizetype>(o.Kinds.size());
}

}  // namespace

int RenderOptions::WorkThreads() const {
  if (!LayoutPattern.isEmpty()) return 1;
  if (EveryPiePage()) return Jobs;  // pages not counted yet
  // A single picture has nothing to share out, and a second thread only
  // costs: each page the process then maps or writes for the first time
  // must be flushed from the other cores as well.
  return static_cast<int>(std::clamp<qsizetype>(LeastPictures(*this), 1, Jobs));
}

bool RenderOptions::WritesAside() const {
  return LayoutPattern.isEmpty() && (EveryPiePage() || LeastPictures(*this) > 1);
}

QString TakeRenderOptions(const ParsedArgs& args, RenderOptions& o) {
  if (args.Has("kind")) {
    if (QString problem = TakeKinds(args.Value("kind"), o.Kinds); !problem.isEmpty())
      return problem;
  }
  if (QString problem = TakeNumbers(args, o); !problem.isEmpty()) return problem;
  o.SettingsPath = args.Value("settings");
  o.TitlePattern = args.Value("title");
  o.LayoutPattern = args.Value("layout");
  if (args.Has("format")) o.InputFormat = args.Value("format");
  if (QString problem = TakeTableChoice(args, o.Choice); !problem.isEmpty()) return problem;
  o.JsonSummary = args.Has("json-summary");
  o.Files = args.Operands;
  if (o.Files.isEmpty()) return QStringLiteral("missing FILE");
  if (o.Files.count(QLatin1StringView(kStandardInput)) > 1)
    return QStringLiteral("standard input (-) can be read only once");
  for (const QString& file : o.Files) {
    if (QString problem = CheckSourceFormat(file, o.InputFormat); !problem.isEmpty())
      return problem;
  }
  if (QString problem = TakeOutput(args, o); !problem.isEmpty()) return problem;
  return CheckPatterns(o);
}

const char* KindName(ChartPage kind) {
  switch (kind) {
    case ChartPage::Pie: return "pie";
    case ChartPage::Line: return "line";
    default: return "bar";
  }
}

namespace {

QString SourceName(const QString& file) {
  return file == QLatin1StringView(kStandardInput) ? QStringLiteral("stdin")
                                                   : QFileInfo(file).completeBaseName();
}

}  // namespace

QString TitleFor(const QString& pattern, const QString& file) {
  QString title = pattern;
  return title.replace(QStringLiteral("{name}"), SourceName(file));
}

QString OutputName(const QString& pattern, const QString& file, ChartPage kind, int pageNo) {
  QString out = pattern;
  out.replace(QStringLiteral("{name}"), SourceName(file));
  out.replace(QStringLiteral("{kind}"), QLatin1StringView(KindName(kind)));
  out.replace(QStringLiteral("{page}"), QString::number(pageNo));
  return out;
}

bool RenderOptions::ToStraightOutput() const {
  return ToStandardOutput() || IsDeviceOutput(OutPattern);
}

}  // namespace qh::cli
