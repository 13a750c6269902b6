// qinghechart-cli render: draws a chart picture or document (SVG, PDF) of a
// data file exactly as the window would, without a display. It reads the
// settings file the window keeps but never creates or writes it.
#include "cli_commands.h"
#include "cli_input.h"
#include "cli_json.h"
#include "cli_output_guard.h"
#include "cli_render_options.h"

#include "app/chart_request.h"
#include "app/data_folder.h"
#include "base/ini_file.h"
#include "base/native_name.h"
#include "base/save_file.h"
#include "app/label_options.h"
#include "app/settings.h"
#include "base/text_utils.h"
#include "chart/canvas.h"
#include "chart/chart_output.h"
#include "chart/render_chart.h"
#include "data/source_loader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace qh::cli {

namespace {

// The explicit file, else the one the window keeps (beside a portable
// program, the user's configuration folder for an installed one) when it
// exists; empty for the defaults the window would write into a new one.
QString SettingsFileToRead(const RenderOptions& o) {
  if (!o.SettingsPath.isEmpty()) return o.SettingsPath;
  const QString shared =
      SettingsFileFor(QCoreApplication::applicationDirPath(), UserConfigFolder());
  return FileExists(shared) ? shared : QString();
}

void LoadViewSettings(const QString& path, Settings& settings, LabelOptions& labels) {
  if (path.isEmpty()) return;
  const IniFile ini(path);
  settings = LoadSettings(ini);
  labels = LoadLabelOptions(ini);
}

// Why --settings names nothing the tool can read as a settings file; empty
// when it names a file.
QString SettingsFileProblem(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) return QStringLiteral("settings file is a folder: ") + path;
  if (info.exists() && !info.isFile())
    return QStringLiteral("settings file is not a regular file (a pipe, device or socket): ") +
           path;
  if (!info.exists()) return QStringLiteral("settings file not found: ") + path;
  return {};
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

// Described by schemas/qinghechart-layout-1.schema.json; a change of shape
// gets a new name there and here.
constexpr char kLayoutSchema[] = "qinghechart-layout-1";
constexpr char kRenderSummarySchema[] = "qinghechart-render-1";

// Keys in a fixed, readable order: schema, kind, size, scale, title,
// subtitle, axis, counts (drawn, capacity, first drawn item, rows of the table), one [item, left,
// top, right, bottom] per hover region, then every drawn text. Numbers at full precision.
QByteArray LayoutJson(const ChartState& state, int width, int height, float s) {
  static const char* const kKinds[] = {"bar", "pie", "line"};
  const ChartOutline& out = state.Outline;
  QByteArray j = "{\"schema\":\"";
  j += kLayoutSchema;
  j += "\",\"kind\":\"";
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
       ",\"capacity\":" + QByteArray::number(out.Capacity) +
       ",\"first\":" + QByteArray::number(out.FirstItem) +
       ",\"rows\":" + QByteArray::number(out.Rows) + ",\"regions\":[";
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

// One line when the picture out shows fewer items than the table holds:
// the bar and line charts fit the width, the pie shows one page.
QString LeftOutNote(const QString& out, const ChartOutline& outline, ChartPage page, int rowCount) {
  if (outline.Drawn >= rowCount) return {};
  const QString hint = page == ChartPage::Pie ? QStringLiteral("; --page N shows the others")
                                              : QStringLiteral("; a wider picture holds more");
  if (outline.Drawn <= 0) {
    return QStringLiteral("%1: drew no items of %2; a larger picture holds more")
        .arg(out)
        .arg(rowCount);
  }
  return QStringLiteral("%1: drew items %2-%3 of %4")
             .arg(out)
             .arg(outline.FirstItem)
             .arg(outline.FirstItem + outline.Drawn - 1)
             .arg(rowCount) +
         hint;
}

// Run with standard output closed (">&-"), a write there fails with a
// reason that names neither the cause nor the stream. The tool holds a
// closed stream's place with a read-only /dev/null.
bool StandardOutputClosed() {
  const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
  return flags == -1 || (flags & O_ACCMODE) == O_RDONLY;
}

SaveResult StandardOutputClosedResult() {
  return SaveResult::Failed(QStringLiteral("标准输出已关闭"));
}

// Standard output for "-", else the device path names; -1 and errno set
// when it cannot be opened.
int OpenStraightOutput(const QString& path) {
  if (path == u"-") {
    std::fflush(stdout);
    return fileno(stdout);
  }
  return ::open(NativeName(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
}

void CloseStraightOutput(const QString& path, int fd) {
  if (path != u"-") ::close(fd);
}

// The layout into path, standard output for "-".
SaveResult WriteLayout(const QString& path, const QByteArray& json) {
  if (path != u"-" && !IsDeviceOutput(path)) return SaveFile(path, json);
  if (path == u"-" && StandardOutputClosed()) return StandardOutputClosedResult();
  const int fd = OpenStraightOutput(path);
  if (fd < 0) return SaveResult::Failed(errno);
  QFile out;
  const bool ok = out.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) &&
                  out.write(json) == json.size() && out.flush();
  const int error = errno;
  CloseStraightOutput(path, fd);
  return ok ? SaveResult{} : SaveResult::Failed(error);
}

// The picture or document into out, standard output for "-".
SaveResult WriteOutput(const QString& out, ChartFileFormat format, const ChartFileInfo& info,
                       const ChartDraw& draw) {
  if (out != u"-" && !IsDeviceOutput(out)) return SaveChartFile(out, format, info, draw);
  if (out == u"-" && StandardOutputClosed()) return StandardOutputClosedResult();
  const int fd = OpenStraightOutput(out);
  if (fd < 0) return SaveResult::Failed(errno);
  QFile device;
  const bool ok = device.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) &&
                  WriteChart(device, format, info, draw) && device.flush();
  const int error = errno;
  CloseStraightOutput(out, fd);
  return ok ? SaveResult{} : SaveResult::Failed(error);
}

// An output that could not be written: the path and why. The old file, if
// any, is as it was.
QString CannotWriteText(const QString& path, const SaveResult& result) {
  return QStringLiteral("无法写入 ") + path + u':' + result.Reason;
}

// One run over every FILE and kind: the settings are read once, each FILE
// once, and a failure of one chart does not stop the others. The exit code
// is the highest of the failures.
class RenderRun {
 public:
  RenderRun(const RenderOptions& options, const Settings& settings, const LabelOptions& labels,
            OutputGuard& guard)
      : o_(options), settings_(settings), labels_(labels), guard_(guard) {}

  void DrawFile(const QString& file) {
    ItemTable table;
    table.SourcePath = file;
    const LoadLimits limits{settings_.MaxItems};
    if (!LoadCliSource(file, o_.InputFormat, limits, o_.Choice, table)) {
      ReportRefusal(file, table);
      Fail(LoadFailureCode(file, table, o_.Choice));
      return;
    }
    for (const QString& note : table.Notes) PrintError(file + QStringLiteral(": ") + note);
    for (const ChartPage kind : o_.Kinds) DrawKind(file, table, kind);
  }
  int ExitCode() const { return code_; }

 private:
  void Fail(int code) { code_ = std::max(code_, code); }

  void DrawKind(const QString& file, const ItemTable& table, ChartPage kind) {
    const float scale = DpiScale(o_.Dpi);
    const int rows = table.ItemCount();
    const int firstPage = o_.PageNo.value_or(1);
    const QString heading =
        o_.TitlePattern.isEmpty() ? table.Caption : TitleFor(o_.TitlePattern, file);
    const ChartRequest first =
        MakeChartRequest(kind, firstPage, rows, settings_, labels_, scale, heading);
    if (kind == ChartPage::Pie && firstPage > first.PageCount) {
      PrintError(QStringLiteral("%1: page %2 out of range: the pie has %3 page(s)")
                     .arg(file)
                     .arg(firstPage)
                     .arg(first.PageCount));
      Fail(kExitUsage);
      return;
    }
    const int lastPage = kind == ChartPage::Pie && o_.EveryPiePage() ? first.PageCount : firstPage;
    for (int pageNo = firstPage; pageNo <= lastPage; ++pageNo) {
      const ChartRequest request =
          pageNo == firstPage
              ? first
              : MakeChartRequest(kind, pageNo, rows, settings_, labels_, scale, heading);
      DrawChart(file, table, request, kind, pageNo);
    }
  }

  // False (and says so) when path is an input or was already written by this run.
  bool ClaimOutput(const QString& path) {
    // A device takes every chart sent to it; it is no file to guard.
    if (IsDeviceOutput(path)) return true;
    const QString refused = guard_.Claim(path);
    if (refused.isEmpty()) return true;
    PrintError(refused);
    Fail(kExitOutputFailed);
    return false;
  }

  void DrawChart(const QString& file, const ItemTable& table, const ChartRequest& request,
                 ChartPage kind, int pageNo) {
    const QString out = OutputName(o_.OutPattern, file, kind, pageNo);
    if (!ClaimOutput(out)) return;
    ChartState state;
    const ChartFileInfo info{o_.Width, o_.Height, request.Title};
    const SaveResult written = WriteOutput(out, o_.OutFormat, info, [&](QPainter& painter) {
      RenderChart(painter, o_.Width, o_.Height, table, request, state);
    });
    if (!written) {
      PrintError(CannotWriteText(out, written));
      Fail(kExitOutputFailed);
      return;
    }
    if (!o_.LayoutPattern.isEmpty()) {
      const QString layout = OutputName(o_.LayoutPattern, file, kind, pageNo);
      if (!ClaimOutput(layout)) return;
      const SaveResult saved =
          WriteLayout(layout, LayoutJson(state, o_.Width, o_.Height, request.Scale));
      if (!saved) {
        PrintError(CannotWriteText(layout, saved));
        Fail(kExitOutputFailed);
      }
    }
    if (o_.JsonSummary) WriteSummary(file, out, kind, pageNo, state.Outline.Drawn, table);
    if (kind == ChartPage::Pie && o_.EveryPiePage()) return;  // every page is drawn anyway
    const QString shownAs = out == u"-" ? QStringLiteral("standard output") : out;
    if (const QString note = LeftOutNote(shownAs, state.Outline, kind, table.ItemCount());
        !note.isEmpty()) {
      PrintError(note);
    }
  }

  // One JSON line for an output just written, so that a script knows what
  // was made (described by schemas/qinghechart-render-1.schema.json).
  void WriteSummary(const QString& file, const QString& out, ChartPage kind, int pageNo, int drawn,
                    const ItemTable& table) {
    QByteArray j = "{\"schema\":\"";
    j += kRenderSummarySchema;
    j += "\",\"file\":";
    AppendJsonString(j, file);
    j += ",\"output\":";
    AppendJsonString(j, out);
    j += ",\"layout\":";
    if (o_.LayoutPattern.isEmpty()) {
      j += "null";
    } else {
      AppendJsonString(j, OutputName(o_.LayoutPattern, file, kind, pageNo));
    }
    j += ",\"kind\":\"";
    j += KindName(kind);
    j += "\",\"page\":" + QByteArray::number(pageNo) + ",\"drawn\":" + QByteArray::number(drawn) +
         ",\"rows\":" + QByteArray::number(table.ItemCount()) + "}\n";
    if (std::fwrite(j.constData(), 1, static_cast<size_t>(j.size()), stdout) !=
            static_cast<size_t>(j.size()) ||
        std::fflush(stdout) != 0) {
      PrintError(CannotWriteText(QStringLiteral("-"), SaveResult::Failed(errno)));
      Fail(kExitOutputFailed);
    }
  }

  const RenderOptions& o_;
  const Settings& settings_;
  const LabelOptions& labels_;
  OutputGuard& guard_;
  int code_ = kExitOk;
};

// Image format plugins override Qt's own PNG and BMP writers, so Qt loads
// every installed one (and their libraries) to ask; only JPEG needs one.
void LoadImagePluginsOnlyFor(ChartFileFormat format) {
  if (format != ChartFileFormat::Jpeg) QCoreApplication::setLibraryPaths({});
}

}  // namespace

int RunRender(const ParsedArgs& args) {
  RenderOptions o;
  if (const QString problem = TakeRenderOptions(args, o); !problem.isEmpty())
    return ReportUsageError(kRenderCommand.Name, problem);
  if (!o.SettingsPath.isEmpty()) {
    if (const QString problem = SettingsFileProblem(o.SettingsPath); !problem.isEmpty()) {
      PrintError(problem);
      return kExitInputMissing;
    }
  }
  const QString settingsPath = SettingsFileToRead(o);
  OutputGuard guard(o.Files + QStringList{settingsPath});
  if (const QString problem = guard.FirstOutputsProblem(o); !problem.isEmpty()) {
    PrintError(problem);
    return kExitUsage;
  }
  LoadImagePluginsOnlyFor(o.OutFormat);
  Settings settings;
  LabelOptions labels;
  LoadViewSettings(settingsPath, settings, labels);
  RenderRun run(o, settings, labels, guard);
  for (const QString& file : o.Files) run.DrawFile(file);
  return run.ExitCode();
}

}  // namespace qh::cli
