// qinghechart-cli render: draws a chart picture or document (SVG, PDF) of a
// data file exactly as the window would, without a display. It reads the
// settings file the window keeps but never creates or writes it.
#include "cli_commands.h"
#include "cli_input.h"
#include "cli_json.h"
#include "cli_output_guard.h"
#include "cli_render_options.h"
#include "work_queue.h"

#include "app/chart_request.h"
#include "app/data_folder.h"
#include "base/ini_file.h"
#include "base/native_name.h"
#include "base/save_file.h"
#include "app/label_options.h"
#include "app/settings.h"
#include "base/text_utils.h"
#include "chart/bar_chart.h"
#include "chart/canvas.h"
#include "chart/chart_output.h"
#include "chart/line_chart.h"
#include "chart/render_chart.h"
#include "data/source_loader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <future>
#include <limits>
#include <memory>
#include <optional>
#include <set>
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
SaveResult WriteLayout(const QString& path, const QByteArray& json, const SaveOptions& options) {
  if (path != u"-" && !IsDeviceOutput(path)) return SaveFile(path, json, options);
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

// The picture or document straight into standard output ("-") or the
// device out names.
SaveResult WriteStraight(const QString& out, ChartFileFormat format, const ChartFileInfo& info,
                         const ChartDraw& draw) {
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

// What a task leaves for the run: its lines for standard error, in the
// order one thread would print them, and its exit code.
struct TaskReport {
  QByteArray Errors;
  QByteArray Summary;  // --json-summary's line for standard output
  int Code = kExitOk;
  bool PictureWritten = false;

  void Error(const QString& message) { Errors += ErrorLine(message); }
  void Fail(int code) { Code = std::max(Code, code); }
};

// One FILE read: its table, or why not.
struct LoadedFile {
  std::shared_ptr<const ItemTable> Table;  // null when refused
  TaskReport Report;
};

LoadedFile LoadFile(const QString& file, const QString& format, const LoadLimits& limits,
                    const TableChoice& choice) {
  LoadedFile loaded;
  auto table = std::make_shared<ItemTable>();
  table->SourcePath = file;
  if (!LoadCliSource(file, format, limits, choice, *table)) {
    loaded.Report.Error(RefusalText(file, *table));
    loaded.Report.Fail(LoadFailureCode(file, *table, choice));
    return loaded;
  }
  for (const QString& note : table->Notes) loaded.Report.Error(file + QStringLiteral(": ") + note);
  loaded.Table = std::move(table);
  return loaded;
}

// One picture to draw, its names already claimed for this run.
struct PictureJob {
  QString File;
  std::shared_ptr<const ItemTable> Table;
  ChartRequest Request;
  ChartPage Kind = ChartPage::Bar;
  int PageNo = 1;
  QString Out;
  QString Layout;         // empty: no layout asked for
  bool Straight = false;  // Out is standard output or a device, no file
  SaveOptions OutSave, LayoutSave;
};

// One JSON line for an output just written, so that a script knows what
// was made (described by schemas/qinghechart-render-1.schema.json).
QByteArray SummaryLine(const PictureJob& job, int drawn) {
  QByteArray j = "{\"schema\":\"";
  j += kRenderSummarySchema;
  j += "\",\"file\":";
  AppendJsonString(j, job.File);
  j += ",\"output\":";
  AppendJsonString(j, job.Out);
  j += ",\"layout\":";
  if (job.Layout.isEmpty()) {
    j += "null";
  } else {
    AppendJsonString(j, job.Layout);
  }
  j += ",\"kind\":\"";
  j += KindName(job.Kind);
  j += "\",\"page\":" + QByteArray::number(job.PageNo) + ",\"drawn\":" + QByteArray::number(drawn) +
       ",\"rows\":" + QByteArray::number(job.Table->ItemCount()) + "}\n";
  return j;
}

// What follows the picture's write: the report of it, then its layout
// (whose name is claimed here, once the picture is written), the summary
// line and the note of items left out. Claims come from one thread at a
// time: a run with layouts has only one.
TaskReport FinishPicture(const RenderOptions& o, const PictureJob& job, const ChartState& state,
                         const SaveResult& written, OutputGuard& guard) {
  TaskReport report;
  if (!written) {
    report.Error(CannotWriteText(job.Out, written));
    report.Fail(kExitOutputFailed);
    return report;
  }
  report.PictureWritten = true;
  if (!job.Layout.isEmpty()) {
    const QString refused = IsDeviceOutput(job.Layout) ? QString() : guard.Claim(job.Layout);
    if (!refused.isEmpty()) {
      report.Error(refused);
      report.Fail(kExitOutputFailed);
      return report;
    }
    const SaveResult saved = WriteLayout(
        job.Layout, LayoutJson(state, o.Width, o.Height, job.Request.Scale), job.LayoutSave);
    if (!saved) {
      report.Error(CannotWriteText(job.Layout, saved));
      report.Fail(kExitOutputFailed);
    }
  }
  if (o.JsonSummary) report.Summary = SummaryLine(job, state.Outline.Drawn);
  if (job.Kind == ChartPage::Pie && o.EveryPiePage()) return report;  // every page is drawn anyway
  const QString shownAs = job.Out == u"-" ? QStringLiteral("standard output") : job.Out;
  if (const QString note = LeftOutNote(shownAs, state.Outline, job.Kind, job.Table->ItemCount());
      !note.isEmpty()) {
    report.Error(note);
  }
  return report;
}

// A picture drawn into memory, to be saved by this thread or another.
struct DrawnPicture {
  PictureJob Job;
  ChartState State;
  std::optional<QByteArray> Bytes;
};

DrawnPicture DrawInMemory(const RenderOptions& o, PictureJob job) {
  DrawnPicture drawn;
  const ChartFileInfo info{o.Width, o.Height, job.Request.Title};
  drawn.Bytes = ChartFileBytes(o.OutFormat, info, [&](QPainter& painter) {
    RenderChart(painter, o.Width, o.Height, *job.Table, job.Request, drawn.State);
  });
  drawn.Job = std::move(job);
  // The fonts' engines belong to this thread's font cache: they go here,
  // not on a thread that saves the file.
  drawn.State.Fonts = ChartFonts();
  return drawn;
}

TaskReport SavePicture(const RenderOptions& o, const DrawnPicture& drawn, OutputGuard& guard) {
  return FinishPicture(o, drawn.Job, drawn.State,
                       SaveChartBytes(drawn.Job.Out, drawn.Bytes, drawn.Job.OutSave), guard);
}

// Draws and writes one picture (and its layout) on the calling thread.
TaskReport DrawPicture(const RenderOptions& o, const PictureJob& job, OutputGuard& guard) {
  if (!job.Straight) return SavePicture(o, DrawInMemory(o, job), guard);
  ChartState state;
  const ChartFileInfo info{o.Width, o.Height, job.Request.Title};
  const SaveResult written = WriteStraight(job.Out, o.OutFormat, info, [&](QPainter& painter) {
    RenderChart(painter, o.Width, o.Height, *job.Table, job.Request, state);
  });
  return FinishPicture(o, job, state, written, guard);
}

// One run over every FILE and kind: the settings are read once, each FILE
// once, and a failure of one chart does not stop the others. The exit code
// is the highest of the failures. Files are read and pictures drawn on the
// work queue; this thread plans them in order, claims their names and
// prints what each reports in that same order, so messages, files and the
// exit code are those of a run on one thread. Files are written on the
// saving thread when there is one, in the order they are drawn.
class RenderRun {
 public:
  RenderRun(const RenderOptions& options, const Settings& settings, const LabelOptions& labels,
            OutputGuard& guard, WorkQueue& queue, WorkQueue* saver)
      : o_(options),
        settings_(settings),
        labels_(labels),
        guard_(guard),
        queue_(queue),
        saver_(saver) {}

  int Run() {
    LoadLimits limits{settings_.MaxItems};
    limits.KeepItems = RowsDrawn();
    // Files are read a little ahead of the one being planned, so each
    // worker has one to read while the pictures of the last one are drawn;
    // no more than that, so memory holds only a few tables at once.
    const auto ahead = static_cast<qsizetype>(queue_.Threads());
    std::deque<std::future<LoadedFile>> loads;
    qsizetype nextLoad = 0;
    for (qsizetype i = 0; i < o_.Files.size(); ++i) {
      for (; nextLoad < o_.Files.size() && nextLoad <= i + ahead - 1; ++nextLoad) {
        loads.push_back(queue_.Submit([this, file = o_.Files[nextLoad], limits] {
          return LoadFile(file, o_.InputFormat, limits, o_.Choice);
        }));
      }
      LoadedFile loaded = loads.front().get();
      loads.pop_front();
      const bool refused = !loaded.Table;
      // A refusal, or the notes of a table read (a total row left out).
      if (refused || !loaded.Report.Errors.isEmpty()) Done(std::move(loaded.Report));
      if (refused) continue;
      for (const ChartPage kind : o_.Kinds) PlanKind(o_.Files[i], loaded.Table, kind);
    }
    while (!pending_.empty()) FlushOne();
    return code_;
  }

 private:
  // The most rows a picture of this run draws from a table's start: the
  // bar chart's capacity, the line chart's points, the pie's pages up to
  // the one asked for; 0 (all) when every page is drawn. A reader keeps
  // only those and counts the rest, so a render's memory does not grow
  // with the table.
  int RowsDrawn() const {
    const ChartStyle st(std::max(1.0f, DpiScale(o_.Dpi)));
    constexpr int kAll = std::numeric_limits<int>::max();
    long long most = 0;
    for (const ChartPage kind : o_.Kinds) {
      switch (kind) {
        case ChartPage::Pie:
          if (settings_.PageSize < 1 || o_.EveryPiePage()) return 0;
          most = std::max(most, static_cast<long long>(o_.PageNo.value_or(1)) * settings_.PageSize);
          break;
        case ChartPage::Line:
          most = std::max<long long>(
              most, ComputeLineFit(ChartPlotArea(o_.Width, o_.Height, st).Width(), kAll, st));
          break;
        default: most = std::max<long long>(most, ComputeBarCapacity(o_.Width, kAll, st)); break;
      }
    }
    return most >= kAll ? 0 : static_cast<int>(most);
  }

  void PlanKind(const QString& file, const std::shared_ptr<const ItemTable>& table,
                ChartPage kind) {
    const float scale = DpiScale(o_.Dpi);
    const int rows = table->ItemCount();
    const int firstPage = o_.PageNo.value_or(1);
    const QString heading =
        o_.TitlePattern.isEmpty() ? table->Caption : TitleFor(o_.TitlePattern, file);
    const ChartRequest first =
        MakeChartRequest(kind, firstPage, rows, settings_, labels_, scale, heading);
    if (kind == ChartPage::Pie && firstPage > first.PageCount) {
      TaskReport report;
      report.Error(QStringLiteral("%1: page %2 out of range: the pie has %3 page(s)")
                       .arg(file)
                       .arg(firstPage)
                       .arg(first.PageCount));
      report.Fail(kExitUsage);
      Done(std::move(report));
      return;
    }
    const int lastPage = kind == ChartPage::Pie && o_.EveryPiePage() ? first.PageCount : firstPage;
    for (int pageNo = firstPage; pageNo <= lastPage; ++pageNo) {
      PictureJob job;
      job.File = file;
      job.Table = table;
      job.Request = pageNo == firstPage
                        ? first
                        : MakeChartRequest(kind, pageNo, rows, settings_, labels_, scale, heading);
      job.Kind = kind;
      job.PageNo = pageNo;
      PlanPicture(std::move(job));
    }
  }

  void PlanPicture(PictureJob job) {
    job.Out = OutputName(o_.OutPattern, job.File, job.Kind, job.PageNo);
    job.Straight = job.Out == u"-" || IsDeviceOutput(job.Out);
    // A device takes every chart sent to it; it is no file to guard.
    const QString refused = job.Straight ? QString() : guard_.Claim(job.Out);
    if (!refused.isEmpty()) {
      TaskReport report;
      report.Error(refused);
      report.Fail(kExitOutputFailed);
      Done(std::move(report));
      return;
    }
    if (!o_.LayoutPattern.isEmpty())
      job.Layout = OutputName(o_.LayoutPattern, job.File, job.Kind, job.PageNo);
    job.OutSave.RemoveStaleTemps = FirstInFolder(job.Out);
    if (!job.Layout.isEmpty()) job.LayoutSave.RemoveStaleTemps = FirstInFolder(job.Layout);
    if (saver_ == nullptr || job.Straight) {
      Push(queue_.Submit([this, job = std::move(job)] { return DrawPicture(o_, job, guard_); }));
      return;
    }
    // The drawing thread hands the bytes on and draws the next picture
    // while this one's file goes to disk.
    auto report = std::make_shared<std::promise<TaskReport>>();
    std::future<TaskReport> reported = report->get_future();
    // Whatever fails on the way reaches the report, as it would through
    // the queue's own future: the run must not wait for a report never set.
    queue_.Submit([this, job = std::move(job), report]() mutable {
      try {
        auto drawn = std::make_shared<DrawnPicture>(DrawInMemory(o_, std::move(job)));
        saver_->Submit([this, drawn, report] {
          try {
            report->set_value(SavePicture(o_, *drawn, guard_));
          } catch (...) {
            report->set_exception(std::current_exception());
          }
        });
      } catch (...) {
        report->set_exception(std::current_exception());
      }
    });
    Push(std::move(reported));
  }

  // Whether path is the first output of the run in its folder: only its
  // save looks there for what killed saves left (a folder reached through
  // a link may be looked at twice, never not at all).
  bool FirstInFolder(const QString& path) {
    return lookedAt_.insert(QFileInfo(path).absolutePath()).second;
  }

  void Done(TaskReport report) {
    std::promise<TaskReport> ready;
    ready.set_value(std::move(report));
    Push(ready.get_future());
  }

  void Push(std::future<TaskReport> report) {
    pending_.push_back(std::move(report));
    // Reports are printed as soon as those before them are; the queue
    // holds a bounded number of pictures, each with its table.
    while (!pending_.empty() &&
           (pending_.size() > kPendingPerThread * static_cast<size_t>(queue_.Threads()) ||
            pending_.front().wait_for(std::chrono::seconds(0)) == std::future_status::ready)) {
      FlushOne();
    }
  }

  void FlushOne() {
    const TaskReport report = pending_.front().get();
    pending_.pop_front();
    if (!report.Errors.isEmpty()) {
      std::fwrite(report.Errors.constData(), 1, static_cast<size_t>(report.Errors.size()), stderr);
    }
    code_ = std::max(code_, report.Code);
    if (!report.Summary.isEmpty() &&
        (std::fwrite(report.Summary.constData(), 1, static_cast<size_t>(report.Summary.size()),
                     stdout) != static_cast<size_t>(report.Summary.size()) ||
         std::fflush(stdout) != 0)) {
      PrintError(CannotWriteText(QStringLiteral("-"), SaveResult::Failed(errno)));
      code_ = std::max(code_, static_cast<int>(kExitOutputFailed));
    }
  }

  static constexpr size_t kPendingPerThread = 4;

  const RenderOptions& o_;
  const Settings& settings_;
  const LabelOptions& labels_;
  OutputGuard& guard_;
  WorkQueue& queue_;
  WorkQueue* saver_;  // null (always with layouts): the thread that draws a picture saves it
  std::deque<std::future<TaskReport>> pending_;  // reports not printed yet, in order
  std::set<QString> lookedAt_;                   // folders of the outputs planned so far
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
  // Each file waits for the disk before its rename. With more than one
  // picture a thread of its own does that waiting; a single picture is
  // written where it is drawn, as a second thread would only cost. The
  // saver outlives the drawing threads that hand it work.
  std::optional<WorkQueue> saver;
  if (o.WritesAside()) saver.emplace(1, WorkQueue::One::OwnThread);
  WorkQueue queue(o.WorkThreads());
  return RenderRun(o, settings, labels, guard, queue, saver ? &*saver : nullptr).Run();
}

}  // namespace qh::cli
